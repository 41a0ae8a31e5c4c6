// POSIX: names are byte strings, and fstat tells sizes and identities.
#include "cli/platform.h"

#include <cerrno>
#include <sys/stat.h>

// fopen opens a directory for reading here, where the reads then fail: an input that is a folder
// would be encoded into a header and a leader, emptying an existing target on the way. Refuse it
// at the open, as the Windows open does, so that it gets the message of any input that cannot be
// opened.
std::FILE* open_file(const char* name, const char* mode) {
    std::FILE* stream = std::fopen(name, mode);
    struct stat status {};
    if (stream != nullptr && fstat(fileno(stream), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(stream);
        errno = EISDIR;
        return nullptr;
    }
    return stream;
}

std::int64_t file_size(std::FILE* stream) {
    struct stat status {};
    if (fstat(fileno(stream), &status) != 0)
        return -1;
    return static_cast<std::int64_t>(status.st_size);
}

bool is_same_file(std::FILE* first, std::FILE* second) {
    struct stat a {};
    struct stat b {};
    if (fstat(fileno(first), &a) != 0 || fstat(fileno(second), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
