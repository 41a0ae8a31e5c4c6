// Every sample is copied from a constant cell, one write per cell into the buffered stream. At
// 21600 samples per second a cell lasts 1/1200 s, so a bit of 4 cells is 1/300 s.
#include "encoder/tone_writer.h"

#include "cli/options.h"
#include "encoder/tone_cells.h"

namespace {

constexpr int cells_per_bit_300_baud = 4;
constexpr int cells_per_bit_600_baud = 2;
constexpr std::int64_t cells_per_second_default = 1200;
constexpr std::int64_t cells_per_second_legacy = 1225;

const ToneCell& mark_cell() { return options.sine_tone ? mark_sine : mark_square; }
const ToneCell& space_cell() { return options.sine_tone ? space_sine : space_square; }

int cells_per_bit() { return options.fast_rate ? cells_per_bit_600_baud : cells_per_bit_300_baud; }

// Timed tone is rounded down to whole cells; the cell rate follows the sample rate, so the
// length in milliseconds holds at either rate. 64-bit, so no 32-bit length can overflow it.
std::int64_t tone_cell_count(std::int32_t ms) {
    const std::int64_t cells_per_second =
        options.legacy_rate ? cells_per_second_legacy : cells_per_second_default;
    const std::int64_t cells = cells_per_second * ms / 1000;
    return cells > 0 ? cells : 0;
}

// A short write still counts what it accepted; only a write that takes nothing is a failure.
std::int64_t write_cells(const ToneCell& cell, std::int64_t count, std::FILE* stream) {
    std::int64_t samples = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::size_t accepted = std::fwrite(cell.data(), 1, cell.size(), stream);
        if (accepted == 0)
            return -1;
        samples += static_cast<std::int64_t>(accepted);
    }
    return samples;
}

} // namespace

std::int32_t write_bit(int bit, std::FILE* stream) {
    const ToneCell& cell = bit ? mark_cell() : space_cell();
    return static_cast<std::int32_t>(write_cells(cell, cells_per_bit(), stream));
}

std::int64_t write_tone_ms(std::int32_t ms, std::FILE* stream) {
    return write_cells(mark_cell(), tone_cell_count(ms), stream);
}

std::int32_t bit_length_samples() { return cells_per_bit() * cell_samples; }

std::int64_t tone_length_samples(std::int32_t ms) { return tone_cell_count(ms) * cell_samples; }
