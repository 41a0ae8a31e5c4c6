// The DC remover and the quadrature tone detectors, as exact integer running sums.
#include "rescue/tone_detector.h"

#include "base/kcs.h"

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

#ifndef NDEBUG
// The debug recount: every so often the running sums are checked against their rings.
constexpr std::int64_t recount_interval = 4096;
#endif

} // namespace

void configure_dc_remover(DcRemover& remover, std::uint32_t rate_hz) {
    const auto length =
        static_cast<std::size_t>(std::lround(static_cast<double>(rate_hz) / space_hz));
    remover.ring.assign(length, 0);
    remover.next = 0;
    remover.sum = 0;
}

int dc_remover_delay(const DcRemover& remover) { return static_cast<int>(remover.ring.size() / 2); }

std::int32_t remove_dc(DcRemover& remover, std::int32_t sample) {
    remove_dc_block(remover, &sample, 1);
    return sample;
}

void remove_dc_block(DcRemover& remover, std::int32_t* samples, std::size_t count) {
    // Local copies of the state, so that the loop keeps it in registers.
    const std::size_t length = remover.ring.size();
    std::int32_t* ring = remover.ring.data();
    std::size_t next = remover.next;
    std::int64_t sum = remover.sum;
    for (std::size_t n = 0; n < count; ++n) {
        sum += samples[n] - ring[next];
        ring[next] = samples[n];
        next = next + 1 == length ? 0 : next + 1;
        // The ring now holds samples n - length + 1 .. n, oldest at `next`; the centre is
        // `delay` samples back from the newest.
        std::size_t centre = next + length - 1 - length / 2;
        if (centre >= length)
            centre -= length;
        samples[n] =
            static_cast<std::int32_t>(static_cast<std::int64_t>(length) * ring[centre] - sum);
    }
    remover.next = next;
    remover.sum = sum;
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
    ToneSums ignored;
    push_tone_block(detector, &sample, 1, &ignored);
}

void push_tone_block(ToneDetector& detector, const std::int32_t* samples, std::size_t count,
                     ToneSums* sums) {
    // Local copies of the state, so that the loop keeps it in registers.
    const std::size_t length = detector.ring_i.size();
    std::int64_t* ring_i = detector.ring_i.data();
    std::int64_t* ring_q = detector.ring_q.data();
    std::size_t next = detector.next;
    std::uint32_t phase = detector.phase;
    ToneSums window = detector.sums;
    for (std::size_t n = 0; n < count; ++n) {
        const std::int64_t product_i =
            static_cast<std::int64_t>(samples[n]) * sine_at(phase + quarter_turn);
        const std::int64_t product_q = static_cast<std::int64_t>(samples[n]) * sine_at(phase);
        phase += detector.phase_step;
        window.i += product_i - ring_i[next];
        window.q += product_q - ring_q[next];
        ring_i[next] = product_i;
        ring_q[next] = product_q;
        next = next + 1 == length ? 0 : next + 1;
        sums[n] = window;
    }
    detector.next = next;
    detector.phase = phase;
    detector.sums = window;
#ifndef NDEBUG
    const std::int64_t before = detector.pushed;
    detector.pushed += static_cast<std::int64_t>(count);
    if (before / recount_interval != detector.pushed / recount_interval) {
        std::int64_t i = 0;
        std::int64_t q = 0;
        for (std::size_t k = 0; k < length; ++k) {
            i += ring_i[k];
            q += ring_q[k];
        }
        assert(i == detector.sums.i && q == detector.sums.q);
    }
#endif
}

void configure_tone_front(ToneFront& front, std::uint32_t rate_hz, double speed,
                          int window_samples) {
    configure_dc_remover(front.remover, rate_hz);
    configure_tone_detector(front.mark, mark_hz * speed, rate_hz, window_samples);
    configure_tone_detector(front.space, space_hz * speed, rate_hz, window_samples);
    front.window_samples = window_samples;
}

void push_tones(ToneFront& front, std::int32_t sample) {
    push_tone_sample(front.mark, sample);
    push_tone_sample(front.space, sample);
}

double tone_magnitude(const ToneSums& sums) {
    const auto i = static_cast<double>(sums.i);
    const auto q = static_cast<double>(sums.q);
    return std::sqrt(i * i + q * q);
}
