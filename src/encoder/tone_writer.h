// Bits and timed runs of mark tone, written as whole cells into the target stream. The shape,
// the bit rate and the cell rate come from options (sine_tone, fast_rate, legacy_rate).
#pragma once

#include <cstdint>
#include <cstdio>

// Writes one bit time of tone (1 = mark, 0 = space): 4 cells at 300 baud, 2 at 600. Returns the
// samples written (72 or 36 when every write is accepted in full), or -1 as soon as a cell write
// accepts no byte.
[[nodiscard]] std::int32_t write_bit(int bit, std::FILE* stream);

// Writes ms milliseconds of mark tone, rounded down to whole cells (1200 or, legacy, 1225 cells
// per second). Returns the samples written, 0 for no whole cell, or -1 as soon as a cell write
// accepts no byte. Exact for any 32-bit length: the count is 64-bit.
[[nodiscard]] std::int64_t write_tone_ms(std::int32_t ms, std::FILE* stream);

// The samples one bit takes: 72 at 300 baud, 36 at 600.
[[nodiscard]] std::int32_t bit_length_samples();

// The samples write_tone_ms(ms) takes when every write is accepted in full; 0 for no whole cell.
[[nodiscard]] std::int64_t tone_length_samples(std::int32_t ms);
