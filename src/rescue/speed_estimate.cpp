// Finding the leader and measuring the mark tone's frequency on it.
#include "rescue/speed_estimate.h"

#include "base/kcs.h"
#include "rescue/tone_detector.h"

#include <cmath>
#include <vector>

namespace {

constexpr int leader_min_blocks = 2;
// A window or block is mark when its mark magnitude exceeds this many times the space one.
constexpr double mark_dominance = 2.0;
// Measurements outside this range are taken for noise, not for a tape.
constexpr double lowest_speed = 0.8;
constexpr double highest_speed = 1.25;

ToneFront nominal_front(std::uint32_t rate_hz, int baud) {
    ToneFront front;
    configure_tone_front(front, rate_hz, 1.0,
                         static_cast<int>(std::lround(static_cast<double>(rate_hz) / baud)));
    return front;
}

} // namespace

void find_leader(const std::vector<ToneBlock>& blocks, std::int64_t block_samples,
                 SpeedEstimate& estimate) {
    std::int64_t run_start = -1;
    std::int64_t block_start = 0;
    for (const ToneBlock& block : blocks) {
        const bool is_mark = block.mark_sum > mark_dominance * block.space_sum;
        if (is_mark && run_start < 0)
            run_start = block_start;
        // The first run long enough is the leader; a shorter one was a burst of mark.
        if (!is_mark && run_start >= 0) {
            if (block_start - run_start >= leader_min_blocks * block_samples)
                break;
            run_start = -1;
        }
        block_start += block_samples;
        if (is_mark && run_start >= 0)
            estimate.leader_end = block_start;
    }
    if (run_start >= 0 && estimate.leader_end - run_start >= leader_min_blocks * block_samples) {
        estimate.has_leader = true;
        estimate.leader_start = run_start;
    }
}

void measure_speed(const LookAhead& look_ahead, int channel, int baud, SpeedEstimate& estimate) {
    // The mark phasor of each window start is kept for one lag, to be multiplied with the
    // conjugate of the one a lag later.
    const std::uint32_t rate_hz = look_ahead.rate_hz;
    ToneFront front = nominal_front(rate_hz, baud);
    const int window = front.window_samples;
    const auto lag = static_cast<std::size_t>(std::lround(rate_hz / 1000.0));
    std::vector<double> past_i(lag, 0.0);
    std::vector<double> past_q(lag, 0.0);
    std::vector<bool> past_is_mark(lag, false);
    double turn_re = 0;
    double turn_im = 0;
    std::size_t n = 0;
    for_each_dc_free(look_ahead, channel, [&](std::int32_t y) {
        push_tones(front, y);
        // The window that ends at sample n starts here.
        const auto start = static_cast<std::int64_t>(n) + 1 - window;
        const double mark = tone_magnitude(front.mark.sums);
        const bool is_usable =
            start >= 0 &&
            (estimate.has_leader
                 ? start >= estimate.leader_start && start + window <= estimate.leader_end
                 : mark > mark_dominance * tone_magnitude(front.space.sums));
        // The phasor is I - jQ, so its product with the earlier phasor's conjugate is:
        const auto i = static_cast<double>(front.mark.sums.i);
        const auto q = static_cast<double>(front.mark.sums.q);
        const std::size_t slot = n++ % lag;
        if (is_usable && past_is_mark[slot]) {
            turn_re += i * past_i[slot] + q * past_q[slot];
            turn_im += i * past_q[slot] - q * past_i[slot];
            ++estimate.measured_windows;
        }
        past_i[slot] = i;
        past_q[slot] = q;
        past_is_mark[slot] = is_usable;
    });
    if (estimate.measured_windows == 0)
        return;
    const double pi = std::acos(-1.0);
    const double offset_hz = std::atan2(turn_im, turn_re) * rate_hz / (2 * pi * lag);
    const double speed = (mark_hz + offset_hz) / mark_hz;
    if (speed >= lowest_speed && speed <= highest_speed)
        estimate.speed = speed;
    else
        estimate.measured_windows = 0;
}
