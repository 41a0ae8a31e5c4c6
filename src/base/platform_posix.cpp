// POSIX: names are byte strings, and fstat tells sizes and identities. glibc also offers the
// unlocked stdio calls and a look at a stream's buffer; elsewhere the plain calls stand in.
#include "base/platform.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <stdio_ext.h>
#endif

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

std::FILE* open_scratch_file() { return std::tmpfile(); }

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

std::int64_t waiting_bytes(std::FILE* stream) {
    int bytes = 0;
    return ioctl(fileno(stream), FIONREAD, &bytes) == 0 ? bytes : -1;
}

bool is_terminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

void call_on_signal(int signal_number, void (*handler)(int)) {
    struct sigaction previous {};
    if (sigaction(signal_number, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
        return;
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART, so that a read waiting on a silent pipe ends; SA_RESETHAND, so that a second
    // Ctrl-C ends a program that a blocked write keeps from stopping.
    action.sa_flags = SA_RESETHAND;
    sigaction(signal_number, &action, nullptr);
}

bool has_entry(const char* name) {
    struct stat status {};
    return lstat(name, &status) == 0;
}

bool names_open_file(const char* name, std::FILE* stream) {
    struct stat named {};
    struct stat open {};
    return lstat(name, &named) == 0 && S_ISREG(named.st_mode) &&
           fstat(fileno(stream), &open) == 0 && named.st_dev == open.st_dev &&
           named.st_ino == open.st_ino;
}

bool close_and_truncate(std::FILE* stream, std::int64_t bytes) {
    const int descriptor = dup(fileno(stream));
    std::fclose(stream);
    if (descriptor < 0)
        return false;
    const bool is_cut = ftruncate(descriptor, static_cast<off_t>(bytes)) == 0;
    close(descriptor);
    return is_cut;
}

bool remove_file(const char* name) { return std::remove(name) == 0; }

// Linux reports a pipe without writers as hung up, whether data still waits in it or not.
bool is_writer_gone(std::FILE* stream) {
    pollfd entry{fileno(stream), POLLIN, 0};
    return poll(&entry, 1, 0) == 1 && (entry.revents & POLLHUP) != 0;
}

void wait_for_bytes(std::FILE* stream) {
    pollfd entry{fileno(stream), POLLIN, 0};
    (void)poll(&entry, 1, -1);
}

// A descriptor open only for writing fails every read with EBADF.
bool fail_further_reads(std::FILE* stream) {
    const int write_only = open("/dev/null", O_WRONLY);
    if (write_only < 0)
        return false;
    const bool is_replaced = dup2(write_only, fileno(stream)) >= 0;
    close(write_only);
    return is_replaced;
}

bool is_same_file(std::FILE* first, std::FILE* second) {
    struct stat a {};
    struct stat b {};
    if (fstat(fileno(first), &a) != 0 || fstat(fileno(second), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int read_byte(std::FILE* stream) { return getc_unlocked(stream); }

int write_byte(int byte, std::FILE* stream) { return putc_unlocked(byte, stream); }

#if defined(__GLIBC__)
std::size_t write_bytes(const void* bytes, std::size_t count, std::FILE* stream) {
    return fwrite_unlocked(bytes, 1, count, stream);
}

// An unbuffered stream has a buffer of one byte. When a write overflows a buffer smaller than
// 128 bytes, glibc passes the rest of it straight to the file, so such buffers do not count.
std::size_t coalescing_write_bytes(std::FILE* stream) {
    constexpr std::size_t smallest_aligned_buffer = 128;
    const std::size_t bytes = __fbufsize(stream);
    return __flbf(stream) != 0 || bytes < smallest_aligned_buffer ? 0 : bytes;
}
#else
std::size_t write_bytes(const void* bytes, std::size_t count, std::FILE* stream) {
    return std::fwrite(bytes, 1, count, stream);
}

std::size_t coalescing_write_bytes(std::FILE*) { return 0; }
#endif
