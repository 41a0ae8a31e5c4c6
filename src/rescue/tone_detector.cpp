// The DC remover and the quadrature tone detectors, as exact integer running sums.
//
// The decoder pushes blocks and calibration pushes single samples; both give the same output
// (the tests hold them to a plain sample-by-sample reference). Over a block the DC remover works
// on a copy of its ring followed by the block, so the sample that leaves the window and the centre
// lie at fixed distances behind the newest, and its running sum is kept modulo 2^32: the output
// is the 64-bit value taken modulo 2^32, so the low 32 bits of every term are all it needs. The
// detectors' loop is in tone_mixing.h.
#include "rescue/tone_detector.h"

#include "base/kcs.h"
#include "base/simd.h"
#include "rescue/tone_mixing.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>

namespace {

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
    // The ring is the newest `length` samples, and its 64-bit sum their sum, exactly.
    std::copy_n(recent.begin() + static_cast<std::ptrdiff_t>(count), length, remover.ring.begin());
    remover.next = 0;
    remover.sum = 0;
    for (const std::int32_t sample : remover.ring)
        remover.sum += sample;
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
    // In 64 bits: values at both ends of the 32-bit range are as far apart as 2^32.
    remover.sum += std::int64_t{sample} - ring[remover.next];
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

// Calibration pushes every sample of the look-ahead on its own, several times over: a step of
// its own, with nothing to set up.
void push_tone_sample(ToneDetector& detector, std::int32_t sample) {
    assert(!detector.products.empty());
    const Rotation& rotation = rotation_table()[detector.phase >> rotation_index_shift];
    const ToneSums product{std::int64_t{sample} * rotation.cos,
                           std::int64_t{sample} * rotation.sin};
    ToneSums& oldest = detector.products[detector.next];
    detector.sums.i += product.i - oldest.i;
    detector.sums.q += product.q - oldest.q;
    oldest = product;
    detector.next = detector.next + 1 == detector.products.size() ? 0 : detector.next + 1;
    detector.phase += detector.phase_step;
#ifndef NDEBUG
    ++detector.pushed;
    recount(detector, 1);
#endif
}

void push_tone_block(ToneDetector& detector, const std::int32_t* samples, std::size_t count,
                     ToneSums* sums) {
    assert(!detector.products.empty());
    ToneMix mix{rotation_table(),         detector.phase,           detector.phase_step,
                detector.products.data(), detector.products.size(), detector.next,
                detector.sums.i,          detector.sums.q};
    if (can_mix_tones_avx2())
        mix_tones_avx2(mix, samples, count, sums);
    else
        mix_tones(mix, samples, count, sums);
    detector.phase = mix.phase;
    detector.next = mix.next;
    detector.sums = {mix.window_i, mix.window_q};
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
