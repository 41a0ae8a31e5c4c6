// Channel choice, starting levels and the speed estimate, run over the look-ahead.
#include "rescue/calibration.h"

#include <cmath>
#include <vector>

namespace {

// Window starts whose mark magnitude exceeds this many times the space one count as mark for
// the starting levels, and the other way round.
constexpr double tone_dominance = 2.0;

// The channel whose tones are strongest over the look-ahead: the sum of both detectors'
// magnitudes at the nominal tones, per channel.
int strongest_channel(const LookAhead& look_ahead, int baud) {
    const int window =
        static_cast<int>(std::lround(static_cast<double>(look_ahead.rate_hz) / baud));
    const auto channels = static_cast<std::size_t>(look_ahead.channels);
    std::vector<ToneFront> fronts(channels);
    for (ToneFront& front : fronts)
        configure_tone_front(front, look_ahead.rate_hz, 1.0, window);
    std::vector<double> strength(channels, 0.0);
    const std::int16_t* frame = look_ahead.samples.data();
    for (std::int64_t n = look_ahead_frames(look_ahead); n > 0; --n, frame += channels) {
        for (std::size_t c = 0; c < channels; ++c) {
            push_tones(fronts[c], remove_dc(fronts[c].remover, frame[c]));
            strength[c] +=
                tone_magnitude(fronts[c].mark.sums) + tone_magnitude(fronts[c].space.sums);
        }
    }
    std::size_t best = 0;
    for (std::size_t c = 1; c < channels; ++c)
        if (strength[c] > strength[best])
            best = c;
    return static_cast<int>(best);
}

// The starting levels: the mark level over the leader (or every clearly mark window), the
// space level over every clearly space window; one stands in for the other when missing.
void starting_levels(const LookAhead& look_ahead, Calibration& calibration) {
    ToneFront front;
    configure_tone_front(front, look_ahead.rate_hz, calibration.estimate.speed,
                         static_cast<int>(std::lround(calibration.bit_samples)));
    const SpeedEstimate& estimate = calibration.estimate;
    const int window = front.window_samples;
    double mark_sum = 0;
    double space_sum = 0;
    double any_sum = 0;
    std::int64_t mark_count = 0;
    std::int64_t space_count = 0;
    std::int64_t n = 0;
    for_each_dc_free(look_ahead, calibration.channel, [&](std::int32_t y) {
        push_tones(front, y);
        const std::int64_t start = ++n - window;
        if (start < 0)
            return;
        const double mark = tone_magnitude(front.mark.sums);
        const double space = tone_magnitude(front.space.sums);
        any_sum += (mark + space) / 2;
        const bool is_in_leader =
            start >= estimate.leader_start && start + window <= estimate.leader_end;
        if (estimate.has_leader ? is_in_leader : mark > tone_dominance * space) {
            mark_sum += mark;
            ++mark_count;
        }
        if (space > tone_dominance * mark) {
            space_sum += space;
            ++space_count;
        }
    });
    const auto windows = static_cast<double>(n);
    double& mark_level = calibration.mark_level;
    double& space_level = calibration.space_level;
    mark_level = mark_count > 0 ? mark_sum / mark_count : 0;
    space_level = space_count > 0 ? space_sum / space_count : mark_level;
    if (mark_level == 0)
        mark_level = space_level;
    if (mark_level == 0 && windows > 0)
        mark_level = space_level = any_sum / windows;
}

} // namespace

Calibration calibrate(const LookAhead& look_ahead, const RescueSettings& settings) {
    Calibration calibration;
    calibration.channel = settings.channel - 1;
    if (calibration.channel < 0)
        calibration.channel =
            look_ahead.channels > 1 ? strongest_channel(look_ahead, settings.baud) : 0;
    calibration.estimate = estimate_speed(look_ahead, calibration.channel, settings.baud);
    calibration.bit_samples = look_ahead.rate_hz / (settings.baud * calibration.estimate.speed);
    starting_levels(look_ahead, calibration);
    return calibration;
}
