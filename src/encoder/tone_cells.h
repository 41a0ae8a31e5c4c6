// The four constant waveform cells from which every encoded sample is copied. A cell is 18
// unsigned 8-bit samples (128 is the zero line) holding whole cycles that start with the
// positive half, so cells of either tone can follow one another in any order. At 21600 samples
// per second a cell lasts 1/1200 s: one cycle of 1200 Hz (space) or two of 2400 Hz (mark).
#pragma once

#include <array>
#include <cstdint>

constexpr int cell_samples = 18;

using ToneCell = std::array<std::uint8_t, cell_samples>;

// The precompensated square shape (the default): half-cycles approach full scale gradually.
extern const ToneCell space_square;
extern const ToneCell mark_square;
// The sine shape (-U).
extern const ToneCell space_sine;
extern const ToneCell mark_sine;
