#include "rescue/tone_detector.h"

#include <array>
#include <cassert>
#include <cmath>

namespace {

constexpr int table_bits = 10;
constexpr int table_size = 1 << table_bits;
constexpr double sine_scale = 16384.0; // Q14: the table holds sin x 2^14

// One full turn of sine in Q14. The values are rounded to integers, so any correctly working
// sin() gives the same table.
const std::array<std::int32_t, table_size>& sine_table() {
    static const std::array<std::int32_t, table_size> table = [] {
        std::array<std::int32_t, table_size> values{};
        const double pi = std::acos(-1.0);
        for (int i = 0; i < table_size; ++i)
            values[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(
                std::lround(sine_scale * std::sin(2 * pi * i / table_size)));
        return values;
    }();
    return table;
}

std::int32_t sine_at(std::uint32_t phase) { return sine_table()[phase >> (32 - table_bits)]; }

// A quarter turn, to read cosine from the sine table.
constexpr std::uint32_t quarter_turn = 1u << 30;

// The debug recount: every so often the running sums are checked against their rings.
constexpr std::int64_t recount_interval = 4096;

} // namespace

void configure_dc_remover(DcRemover& remover, std::uint32_t rate_hz) {
    const auto length = static_cast<std::size_t>(std::lround(rate_hz / 1200.0));
    remover.ring.assign(length, 0);
    remover.next = 0;
    remover.sum = 0;
}

int dc_remover_delay(const DcRemover& remover) { return static_cast<int>(remover.ring.size() / 2); }

std::int32_t remove_dc(DcRemover& remover, std::int32_t sample) {
    const std::size_t length = remover.ring.size();
    remover.sum += sample - remover.ring[remover.next];
    remover.ring[remover.next] = sample;
    remover.next = remover.next + 1 == length ? 0 : remover.next + 1;
    // The ring now holds samples n - length + 1 .. n, oldest at `next`; the centre is `delay`
    // samples back from the newest.
    std::size_t centre = remover.next + length - 1 - length / 2;
    if (centre >= length)
        centre -= length;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(length) * remover.ring[centre] -
                                     remover.sum);
}

void configure_tone_detector(ToneDetector& detector, double tone_hz, std::uint32_t rate_hz,
                             int window_samples) {
    detector = ToneDetector{};
    detector.phase_step =
        static_cast<std::uint32_t>(std::llround(tone_hz / rate_hz * 4294967296.0));
    detector.ring_i.assign(static_cast<std::size_t>(window_samples), 0);
    detector.ring_q.assign(static_cast<std::size_t>(window_samples), 0);
}

void push_tone_sample(ToneDetector& detector, std::int32_t sample) {
    const std::int64_t product_i =
        static_cast<std::int64_t>(sample) * sine_at(detector.phase + quarter_turn);
    const std::int64_t product_q = static_cast<std::int64_t>(sample) * sine_at(detector.phase);
    detector.phase += detector.phase_step;
    detector.sum_i += product_i - detector.ring_i[detector.next];
    detector.sum_q += product_q - detector.ring_q[detector.next];
    detector.ring_i[detector.next] = product_i;
    detector.ring_q[detector.next] = product_q;
    if (++detector.next == detector.ring_i.size())
        detector.next = 0;
#ifndef NDEBUG
    if (++detector.pushed % recount_interval == 0) {
        std::int64_t i = 0;
        std::int64_t q = 0;
        for (std::size_t k = 0; k < detector.ring_i.size(); ++k) {
            i += detector.ring_i[k];
            q += detector.ring_q[k];
        }
        assert(i == detector.sum_i && q == detector.sum_q);
    }
#endif
}

double tone_magnitude(const ToneDetector& detector) {
    const auto i = static_cast<double>(detector.sum_i);
    const auto q = static_cast<double>(detector.sum_q);
    return std::sqrt(i * i + q * q);
}
