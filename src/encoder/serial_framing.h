// Serial framing: a byte as an asynchronous serial word of tone, and OSI BASIC's end-of-line
// sequence. The framing (data bits, parity, stop bits) and the paddings come from options.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

constexpr int ascii_nul = 0x00;
constexpr int ascii_lf = 0x0A;
constexpr int ascii_cr = 0x0D;

// Start bit, 7 or 8 data bits, an optional parity bit and 1 or 2 stop bits.
constexpr int max_word_bits = 12;

// One serial word, oldest bit first: [start][d0 .. d7][parity][stop][stop], where d7, the
// parity bit and the second stop bit depend on the framing.
struct SerialWord {
    std::array<std::uint8_t, max_word_bits> bits{}; // 0 = space, 1 = mark, in sending order
    int bit_count = 0;                              // 9 to 12
};

// The serial word of the low 8 bits of byte under the current framing. Parity counts only the
// data bits sent; with both parity options set, even parity applies.
[[nodiscard]] SerialWord frame_byte(int byte);

// Writes one serial word for the low 8 bits of byte, then the word padding. Returns the samples
// written, or -1 when a bit failed (the rest of the word and its padding are not written); a
// failed padding only goes uncounted.
[[nodiscard]] std::int64_t write_word(int byte, std::FILE* stream);

// Writes BASIC's end-of-line sequence: CR, null_count NULs, eol_padding_ms of mark tone, LF.
// Returns the sum of the parts that succeeded; a failed part is skipped.
[[nodiscard]] std::int64_t write_eol_sequence(std::FILE* stream);

// The samples write_word and write_eol_sequence take when every write is accepted in full, so
// that a caller can check the room for them before writing.
[[nodiscard]] std::int64_t word_length_samples();
[[nodiscard]] std::int64_t eol_sequence_length_samples();
