// The platform layer: how files are opened by name, how their size and identity are read, and
// how a stream that only one thread uses is read and written. platform_posix.cpp and
// platform_windows.cpp each implement what differs; platform.cpp holds what they share. On POSIX
// names are byte strings used unchanged; on Windows the wide argument vector is turned into UTF-8
// at the entry point and names are turned back into wide ones to open files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#if defined(_WIN32)
#include <string>
#include <vector>

// The wide-character argument vector of wmain as UTF-8 byte strings.
[[nodiscard]] std::vector<std::string> utf8_arguments(int argc, wchar_t** wide_argv);

// What a program's wmain does: the console texts written byte for byte
// (use_binary_standard_streams), then `run` called with the arguments as UTF-8, as main is on
// POSIX; returns its status.
[[nodiscard]] int run_with_utf8_arguments(int argc, wchar_t** wide_argv, int (*run)(int, char**));

// Switches standard output and standard error to binary mode, in which the C library writes
// every byte as it is: its text mode would turn the "\r\n" that ends a usage line into
// "\r\r\n". Also leaves standard error unbuffered, as on Linux, so that the two streams
// redirected to one file keep their order. Must come before anything is written to either.
void use_binary_standard_streams();
#endif

// Opens a file by its name exactly as given, in a stdio mode ("rb", "r+b", "w+b").
[[nodiscard]] std::FILE* open_file(const char* name, const char* mode);

// A temporary file, open for writing and reading back ("w+b"), that is removed when it is closed;
// null when none can be made.
[[nodiscard]] std::FILE* open_scratch_file();

// The size of an open file from the file system, or -1 when it cannot be read.
[[nodiscard]] std::int64_t file_size(std::FILE* stream);

// True when the open stream is a regular file, whose position follows every write (unlike a
// device such as /dev/null).
[[nodiscard]] bool is_regular_file(std::FILE* stream);

// True when the open stream is a terminal, where a person watches.
[[nodiscard]] bool is_terminal(std::FILE* stream);

// The bytes that can be read from a pipe or a terminal at once, without waiting; -1 when the
// platform cannot tell.
[[nodiscard]] std::int64_t waiting_bytes(std::FILE* stream);

// Has `handler` called for the first arrival of the signal, unless the program was started with
// the signal ignored (as a background job of a script is), which stays so. A second arrival ends
// the program. Where the platform can, a read that waits on a pipe or a terminal returns at once
// with an error instead of waiting on.
void call_on_signal(int signal_number, void (*handler)(int));

// True when the folder holds an entry of that name: a file, even one that cannot be opened, a
// folder, or a link, even one that leads nowhere.
[[nodiscard]] bool has_entry(const char* name);

// True when `name` is the regular file open in `stream` itself, not a link to it.
[[nodiscard]] bool names_open_file(const char* name, std::FILE* stream);

// Closes the stream, then cuts its file down to its first `bytes` bytes, whatever its buffer
// still held: data that could not be written (a full disk) never lands after the cut. False when
// the cut failed.
[[nodiscard]] bool close_and_truncate(std::FILE* stream, std::int64_t bytes);

// Removes the file of that name, which must be closed. False when it cannot.
[[nodiscard]] bool remove_file(const char* name);

// True when the open stream is a pipe whose every writer has closed it: what waits in it is all
// that will come. False while a writer may still write, and for other streams.
[[nodiscard]] bool is_writer_gone(std::FILE* stream);

// Waits until a pipe holds bytes, its writers have gone, or a signal arrives.
void wait_for_bytes(std::FILE* stream);

// Puts a descriptor whose every read fails in the place of the stream's, so that a reader that
// asks for more than a pipe held meets an error, not an end; false when that cannot be done.
[[nodiscard]] bool fail_further_reads(std::FILE* stream);

// True when both open streams are the same file (same device and inode).
[[nodiscard]] bool is_same_file(std::FILE* first, std::FILE* second);

// fgetc, fputc and fwrite with the same results, for streams that only this thread uses: without
// the lock that stdio takes on every call where the platform can leave it out.
[[nodiscard]] int read_byte(std::FILE* stream);
int write_byte(int byte, std::FILE* stream);
[[nodiscard]] std::size_t write_bytes(const void* bytes, std::size_t count, std::FILE* stream);

// The most bytes that one write call may carry into the stream with exactly the results of the
// same bytes written in smaller calls: the size of its buffer when it is fully buffered, since
// the buffer then reaches the file in the same pieces whichever calls filled it. 0 when the
// stream is unbuffered or line-buffered, has no buffer yet, or the platform cannot tell.
[[nodiscard]] std::size_t coalescing_write_bytes(std::FILE* stream);

// Empties the stream's buffer, then gives it the caller's buffer (which must outlive its use) or
// none at all; either may be applied to a stream that is already in use.
void use_stream_buffer(std::FILE* stream, char* buffer, std::size_t bytes);
void use_no_stream_buffer(std::FILE* stream);
