// Serial framing and the encoding loop: data bytes in, a complete KCS WAV file out.
#pragma once

#include <cstdint>
#include <cstdio>

// Writes one serial word for the low 8 bits of byte: start bit, data bits least significant
// first, optional parity, stop bits; then the word padding. Returns the samples written, or -1
// when a bit failed.
[[nodiscard]] std::int32_t write_word(int byte, std::FILE* stream);

// Writes BASIC's end-of-line sequence: CR, null_count NULs, eol_padding_ms of mark tone, LF.
// Returns the sum of the parts that succeeded.
[[nodiscard]] std::int32_t write_eol_sequence(std::FILE* stream);

// Encodes the whole input into target (a new empty file, or with options.append an existing WAV
// file at its start). Returns 1 when the WAV file was completed, 0 after reporting a failure.
[[nodiscard]] int encode_stream(std::FILE* input, std::FILE* target);
