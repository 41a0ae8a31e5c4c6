// POSIX: names are byte strings, and fstat tells sizes and identities.
#include "cli/platform.h"

#include <sys/stat.h>

std::FILE* open_file(const char* name, const char* mode) { return std::fopen(name, mode); }

std::int64_t file_size(std::FILE* stream) {
    struct stat status {};
    if (fstat(fileno(stream), &status) != 0)
        return -1;
    return static_cast<std::int64_t>(status.st_size);
}

bool is_regular_file(std::FILE* stream) {
    struct stat status {};
    return fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode);
}

bool is_same_file(std::FILE* first, std::FILE* second) {
    struct stat a {};
    struct stat b {};
    if (fstat(fileno(first), &a) != 0 || fstat(fileno(second), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
