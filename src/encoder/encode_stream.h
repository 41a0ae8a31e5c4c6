// The encoding loop: data bytes in, a complete KCS WAV file out.
#pragma once

#include <cstdio>

// Encodes the whole input into target (a new empty file, or with options.append an existing WAV
// file at its start): header or append check, leader, words, trailer, pad byte, size patch.
// Returns 1 when the WAV file was completed, 0 after reporting a failure (a tape too long for the
// format is refused before anything is written; Ctrl-C or SIGTERM, when watched, stops it at the
// next byte); the target then holds what was written, with its sizes unpatched.
[[nodiscard]] int encode_stream(std::FILE* input, std::FILE* target);
