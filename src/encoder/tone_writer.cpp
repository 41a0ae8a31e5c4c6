// Every sample is copied from a constant cell. At 21600 samples per second a cell lasts 1/1200 s,
// so a bit of 4 cells is 1/300 s.
//
// A run of cells is written in batches: copies of the cell laid end to end, one write call per
// batch, no larger than the stream's buffer. Into a fully buffered stream that gives the same bytes
// and the same results as one write per cell. Writes only copy into the buffer, and the buffer goes
// to the file in pieces of its own size whichever call fills it. A write comes back short only
// when emptying the buffer failed, having taken the bytes copied up to there; one write per cell
// would have taken the same bytes, the cells before in full and the cell at the break in part, so
// a short batch is settled as that sequence of cell writes. A stream that is not fully buffered
// hands each call to the file as it comes, and still gets one write per cell.
#include "encoder/tone_writer.h"

#include "base/platform.h"
#include "cli/options.h"
#include "encoder/tone_cells.h"

#include <algorithm>
#include <array>

namespace {

constexpr int cells_per_bit_300_baud = 4;
constexpr int cells_per_bit_600_baud = 2;
constexpr std::int64_t cells_per_second_default = 1200;
constexpr std::int64_t cells_per_second_legacy = 1225;
// About 4 KB: a batch is copied together on the stack before it is written.
constexpr std::int64_t max_batch_cells = 227;

using CellBatch = std::array<std::uint8_t, max_batch_cells * cell_samples>;

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

// Cells per write call: as many as the buffer holds, or one for a stream not fully buffered.
std::int64_t batch_cells(std::FILE* stream, std::int64_t count) {
    const auto buffered_cells =
        static_cast<std::int64_t>(coalescing_write_bytes(stream) / cell_samples);
    return std::clamp<std::int64_t>(std::min(buffered_cells, count), 1, max_batch_cells);
}

// A short write still counts what it accepted; only a cell that takes nothing is a failure.
std::int64_t write_cells(const ToneCell& cell, std::int64_t count, std::FILE* stream) {
    const std::int64_t cells_per_write = batch_cells(stream, count);
    CellBatch batch;
    for (std::int64_t i = 0; i < cells_per_write; ++i)
        std::copy(cell.begin(), cell.end(), batch.begin() + i * cell_samples);
    std::int64_t samples = 0;
    for (std::int64_t remaining = count; remaining > 0;) {
        const std::int64_t cells = std::min(remaining, cells_per_write);
        const auto bytes = static_cast<std::size_t>(cells * cell_samples);
        const std::size_t accepted = write_bytes(batch.data(), bytes, stream);
        samples += static_cast<std::int64_t>(accepted);
        if (accepted == bytes) {
            remaining -= cells;
            continue;
        }
        // The cells before the break were taken whole; the cell at the break took the rest.
        if (accepted % cell_samples == 0)
            return -1;
        remaining -= static_cast<std::int64_t>(accepted / cell_samples) + 1;
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
