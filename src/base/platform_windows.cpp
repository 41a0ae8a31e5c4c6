// Windows: the arguments arrive as wide-character strings. They are turned into UTF-8 once, at
// the entry point, so the rest of the program handles names as byte strings as it does on POSIX;
// here they are turned back into wide names to open files. The unlocked stdio calls are the
// _nolock ones where the C library has them. Built only for Windows.
#include "base/platform.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::wstring wide_name(const char* name) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, name, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, name, -1, wide.data(), length);
    return wide;
}

std::wstring wide_mode(const char* mode) { return std::wstring(mode, mode + std::strlen(mode)); }

} // namespace

std::vector<std::string> utf8_arguments(int argc, wchar_t** wide_argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        const int bytes =
            WideCharToMultiByte(CP_UTF8, 0, wide_argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(static_cast<std::size_t>(bytes > 0 ? bytes : 1), '\0');
        if (bytes > 0)
            WideCharToMultiByte(CP_UTF8, 0, wide_argv[i], -1, argument.data(), bytes, nullptr,
                                nullptr);
        argument.resize(std::strlen(argument.c_str()));
        arguments.push_back(argument);
    }
    return arguments;
}

int run_with_utf8_arguments(int argc, wchar_t** wide_argv, int (*run)(int, char**)) {
    use_binary_standard_streams();
    std::vector<std::string> arguments = utf8_arguments(argc, wide_argv);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return run(argc, argv.data());
}

void use_binary_standard_streams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // msvcrt gives standard error a full buffer when it is not a console, and flushes standard
    // output first at exit: with both sent to one file, a message written to standard error
    // before the usage text would land after it. Unbuffered, as C asks and glibc has it, each
    // message is written when it is made, and the file reads as on Linux.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

std::FILE* open_file(const char* name, const char* mode) {
    return _wfopen(wide_name(name).c_str(), wide_mode(mode).c_str());
}

// The C library's tmpfile makes its file in the root of the current drive, where a user without
// administrator rights may not write: the user's temporary folder instead, the file deleted by
// the C library when it is closed ("D").
std::FILE* open_scratch_file() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"qrx", 0, name) == 0)
        return nullptr;
    std::FILE* stream = _wfopen(name, L"w+bD");
    if (stream == nullptr)
        _wremove(name);
    return stream;
}

std::int64_t file_size(std::FILE* stream) {
    struct _stat64 status {};
    if (_fstat64(_fileno(stream), &status) != 0)
        return -1;
    return static_cast<std::int64_t>(status.st_size);
}

bool is_regular_file(std::FILE* stream) {
    struct _stat64 status {};
    return _fstat64(_fileno(stream), &status) == 0 && (status.st_mode & _S_IFREG) != 0;
}

namespace {

HANDLE handle_of(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

bool is_pipe(std::FILE* stream) { return GetFileType(handle_of(stream)) == FILE_TYPE_PIPE; }

// How long wait_for_bytes sleeps between its looks at the pipe: Windows cannot wait on an
// anonymous pipe for bytes without reading them. A twentieth of a second of audio, the live
// block of the decode loop, is 50 ms; 5 ms adds at most a tenth of that.
constexpr DWORD pipe_look_ms = 5;

} // namespace

std::int64_t waiting_bytes(std::FILE* stream) {
    DWORD bytes = 0;
    if (!is_pipe(stream) || !PeekNamedPipe(handle_of(stream), nullptr, 0, nullptr, &bytes, nullptr))
        return -1;
    return bytes;
}

bool is_terminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

// The C library calls the handler on a thread of its own for Ctrl-C, once: the handler is then
// reset, so a second Ctrl-C ends the program at once.
void call_on_signal(int signal_number, void (*handler)(int)) {
    if (std::signal(signal_number, handler) == SIG_IGN)
        std::signal(signal_number, SIG_IGN);
}

bool has_entry(const char* name) {
    return GetFileAttributesW(wide_name(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A name that is a link (a reparse point) is never taken for the file it leads to.
bool names_open_file(const char* name, std::FILE* stream) {
    const DWORD attributes = GetFileAttributesW(wide_name(name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return false;
    std::FILE* named = open_file(name, "rb");
    if (named == nullptr)
        return false;
    const bool is_same = is_same_file(named, stream);
    std::fclose(named);
    return is_same;
}

bool close_and_truncate(std::FILE* stream, std::int64_t bytes) {
    const int descriptor = _dup(_fileno(stream));
    std::fclose(stream);
    if (descriptor < 0)
        return false;
    const bool is_cut = _chsize_s(descriptor, bytes) == 0;
    _close(descriptor);
    return is_cut;
}

bool remove_file(const char* name) { return _wremove(wide_name(name).c_str()) == 0; }

// A pipe whose every writer has closed it answers a look with ERROR_BROKEN_PIPE once it is
// empty; while bytes still wait in it, it looks like any other.
bool is_writer_gone(std::FILE* stream) {
    DWORD bytes = 0;
    return is_pipe(stream) &&
           !PeekNamedPipe(handle_of(stream), nullptr, 0, nullptr, &bytes, nullptr) &&
           GetLastError() == ERROR_BROKEN_PIPE;
}

// Looks at the pipe every pipe_look_ms; its callers look again for what they wait for.
void wait_for_bytes(std::FILE* stream) {
    while (is_pipe(stream) && waiting_bytes(stream) == 0 && !is_writer_gone(stream))
        Sleep(pipe_look_ms);
}

// NUL opened for writing only fails every read, as /dev/null does on POSIX.
bool fail_further_reads(std::FILE* stream) {
    const int write_only = _wopen(L"NUL", _O_WRONLY | _O_BINARY);
    if (write_only < 0)
        return false;
    const bool is_replaced = _dup2(write_only, _fileno(stream)) == 0;
    _close(write_only);
    return is_replaced;
}

// The same volume and file index: the same file, under whatever name it was opened.
bool is_same_file(std::FILE* first, std::FILE* second) {
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    if (!GetFileInformationByHandle(handle_of(first), &a) ||
        !GetFileInformationByHandle(handle_of(second), &b))
        return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

int read_byte(std::FILE* stream) { return _getc_nolock(stream); }

int write_byte(int byte, std::FILE* stream) { return _putc_nolock(byte, stream); }

// msvcrt.dll, the C library that MinGW-w64 links and that every Windows has, has no
// _fwrite_nolock (Visual C++ 2005's library brought it). fwrite's lock is never contended here.
std::size_t write_bytes(const void* bytes, std::size_t count, std::FILE* stream) {
    return std::fwrite(bytes, 1, count, stream);
}

// The Windows C library does not tell how a stream is buffered: one write per cell.
std::size_t coalescing_write_bytes(std::FILE*) { return 0; }
