// What a build for another platform would do differently: how files are opened by name and how
// their size and identity are read. On POSIX names are byte strings used unchanged; a Windows
// build would convert the wide argument vector and open with _wfopen in a platform file of its
// own.
#pragma once

#include <cstdint>
#include <cstdio>

// Opens a file by its name exactly as given, in a stdio mode ("rb", "r+b", "w+b").
[[nodiscard]] std::FILE* open_file(const char* name, const char* mode);

// The size of an open file from the file system, or -1 when it cannot be read.
[[nodiscard]] std::int64_t file_size(std::FILE* stream);

// True when the open stream is a regular file, whose position follows every write (unlike a
// device such as /dev/null).
[[nodiscard]] bool is_regular_file(std::FILE* stream);

// True when both open streams are the same file (same device and inode).
[[nodiscard]] bool is_same_file(std::FILE* first, std::FILE* second);
