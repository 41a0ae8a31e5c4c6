// The DC remover and the quadrature tone detectors, as exact integer running sums.
//
// The decoder pushes blocks and calibration pushes single samples; both give the same output
// (the tests hold them to a plain sample-by-sample reference). Over a block the DC remover works
// on a copy of its ring followed by the block, so the sample that leaves the window and the centre
// lie at fixed distances behind the newest, and its running sum is kept modulo 2^32: the output
// is the 64-bit value taken modulo 2^32, so the low 32 bits of every term are all it needs. The
// detectors read cosine and sine from one table entry and walk their rings without a wrap inside
// the loop.
#include "rescue/tone_detector.h"

#include "base/kcs.h"
#include "base/simd.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>

namespace {

constexpr int table_bits = 10;
constexpr int table_size = 1 << table_bits;
constexpr double sine_scale = 16384.0; // Q14: the table holds sin x 2^14
// The table index of a phase is its top bits.
constexpr int index_shift = 32 - table_bits;
// A quarter turn in table steps, to read cosine where sine is.
constexpr int quarter_steps = table_size / 4;

// Cosine and sine of one table step, in Q14.
struct Rotation {
    std::int32_t cos = 0;
    std::int32_t sin = 0;
};

// One full turn in Q14. The values are rounded to integers, so any correctly working sin() gives
// the same table.
const std::array<Rotation, table_size>& rotation_table() {
    static const std::array<Rotation, table_size> table = [] {
        std::array<std::int32_t, table_size> sine{};
        const double pi = std::acos(-1.0);
        for (int i = 0; i < table_size; ++i)
            sine[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(
                std::lround(sine_scale * std::sin(2 * pi * i / table_size)));
        std::array<Rotation, table_size> rotations{};
        for (std::size_t i = 0; i < table_size; ++i)
            rotations[i] = {sine[(i + quarter_steps) % table_size], sine[i]};
        return rotations;
    }();
    return table;
}

// The DC remover takes a block in pieces of at most this many samples, through a copy on the
// stack; a remover whose window is longer than a piece goes sample by sample.
constexpr std::size_t dc_piece_samples = 1024;

void remove_dc_piece(DcRemover& remover, std::int32_t* samples, std::size_t count) {
    const std::size_t length = remover.ring.size();
    std::array<std::int32_t, 2 * dc_piece_samples> recent;
    // The ring, oldest first, then the piece: recent[length + n] is samples[n].
    std::rotate_copy(remover.ring.begin(),
                     remover.ring.begin() + static_cast<std::ptrdiff_t>(remover.next),
                     remover.ring.end(), recent.begin());
    std::copy_n(samples, count, recent.begin() + static_cast<std::ptrdiff_t>(length));
    const std::int32_t* const newest = recent.data() + length;
    const std::int32_t* const leaving = recent.data();
    // The centre of the window that ends at sample n lies length / 2 samples before it.
    const std::int32_t* const centre = newest - length / 2;
    const auto scale = static_cast<std::uint32_t>(length);
    auto sum = static_cast<std::uint32_t>(remover.sum);
    // Four samples at a time: the steps of the running sum are added up within the vector
    // (prefix sums in two shifts), then to the sum before them.
    const Int32x4 scales = splat32(scale);
    Int32x4 sums = splat32(sum);
    std::size_t n = 0;
    for (; n + 4 <= count; n += 4) {
        Int32x4 steps = load_lanes(newest + n) - load_lanes(leaving + n);
        steps = steps + shift_lanes_up<1>(steps);
        steps = steps + shift_lanes_up<2>(steps);
        const Int32x4 running = sums + steps;
        store_lanes(samples + n, scales * load_lanes(centre + n) - running);
        sums = last_lane(running);
    }
    sum = first_lane(sums);
    for (; n < count; ++n) {
        sum += static_cast<std::uint32_t>(newest[n]) - static_cast<std::uint32_t>(leaving[n]);
        samples[n] = static_cast<std::int32_t>(scale * static_cast<std::uint32_t>(centre[n]) - sum);
    }
    std::int64_t change = 0;
    for (std::size_t n = 0; n < count; ++n)
        change += std::int64_t{newest[n]} - leaving[n];
    remover.sum += change;
    std::copy_n(recent.begin() + static_cast<std::ptrdiff_t>(count), length, remover.ring.begin());
    remover.next = 0;
}

#ifndef NDEBUG
// The debug recount: every so often the running sums are checked against their rings.
constexpr std::int64_t recount_interval = 4096;

void recount(const ToneDetector& detector, std::size_t count) {
    const std::int64_t before = detector.pushed - static_cast<std::int64_t>(count);
    if (before / recount_interval == detector.pushed / recount_interval)
        return;
    ToneSums total;
    for (const ToneSums& product : detector.products) {
        total.i += product.i;
        total.q += product.q;
    }
    assert(total.i == detector.sums.i && total.q == detector.sums.q);
}
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
    const std::size_t length = remover.ring.size();
    std::int32_t* const ring = remover.ring.data();
    remover.sum += sample - ring[remover.next];
    ring[remover.next] = sample;
    remover.next = remover.next + 1 == length ? 0 : remover.next + 1;
    // The ring now holds the newest `length` samples, oldest at `next`; the centre is `delay`
    // samples back from the newest.
    std::size_t centre = remover.next + length - 1 - length / 2;
    if (centre >= length)
        centre -= length;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(length) * ring[centre] -
                                     remover.sum);
}

void remove_dc_block(DcRemover& remover, std::int32_t* samples, std::size_t count) {
    const std::size_t length = remover.ring.size();
    if (length == 0 || length > dc_piece_samples) {
        for (std::size_t n = 0; n < count; ++n)
            samples[n] = remove_dc(remover, samples[n]);
        return;
    }
    for (std::size_t done = 0; done < count; done += dc_piece_samples)
        remove_dc_piece(remover, samples + done, std::min(dc_piece_samples, count - done));
}

void configure_tone_detector(ToneDetector& detector, double tone_hz, std::uint32_t rate_hz,
                             int window_samples) {
    detector = ToneDetector{};
    detector.phase_step =
        static_cast<std::uint32_t>(std::llround(tone_hz / rate_hz * 4294967296.0));
    detector.products.assign(static_cast<std::size_t>(window_samples), ToneSums{});
}

void push_tone_sample(ToneDetector& detector, std::int32_t sample) {
    ToneSums ignored;
    push_tone_block(detector, &sample, 1, &ignored);
}

void push_tone_block(ToneDetector& detector, const std::int32_t* samples, std::size_t count,
                     ToneSums* sums) {
    const std::array<Rotation, table_size>& table = rotation_table();
    // Local copies of the state, so that the loop keeps it in registers.
    const std::size_t length = detector.products.size();
    assert(length > 0);
    ToneSums* const ring = detector.products.data();
    std::size_t next = detector.next;
    std::uint32_t phase = detector.phase;
    const std::uint32_t phase_step = detector.phase_step;
    ToneSums window = detector.sums;
    for (std::size_t done = 0; done < count;) {
        // Up to the end of the ring or of the block, whichever comes first.
        const std::size_t run = std::min(count - done, length - next);
        for (std::size_t k = 0; k < run; ++k) {
            const Rotation& rotation = table[phase >> index_shift];
            const std::int64_t sample = samples[done + k];
            const ToneSums product{sample * rotation.cos, sample * rotation.sin};
            ToneSums& oldest = ring[next + k];
            window.i += product.i - oldest.i;
            window.q += product.q - oldest.q;
            oldest = product;
            sums[done + k] = window;
            phase += phase_step;
        }
        done += run;
        next = next + run == length ? 0 : next + run;
    }
    detector.next = next;
    detector.phase = phase;
    detector.sums = window;
#ifndef NDEBUG
    detector.pushed += static_cast<std::int64_t>(count);
    recount(detector, count);
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
