// The swing tracker follows one channel's level in steps larger than its hysteresis: the first
// downward step after upward ones starts a falling half, the first upward step after it ends the
// half and emits an event. A trough that sits on the most negative sample value is flat, so its
// upward step comes late by about half the flat run; the clipped-run detector measures the run
// and moves such an event a third of the run earlier.
//
// Every sum and difference is taken in 64 bits: with 32-bit samples a level near one end of the
// range and a sample near the other are more than 2^31 apart.
#include "decoder/swing_tracker.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// About 5 % of full scale at 8 and 16 bits; the 32-bit value is 0x666666, not 5 % of 2^31.
constexpr std::int32_t hysteresis_8_bit = 6;
constexpr std::int32_t hysteresis_16_bit = 1638;
constexpr std::int32_t hysteresis_32_bit = 6710886;

// A clipped run stays open while samples stay this close to the floor (raw bytes 0 to 3).
constexpr std::int64_t clip_band = 3;

bool is_clip_open(const SwingTracker& tracker) { return tracker.clip_start > 0; }

void watch_for_clipping(SwingTracker& tracker, std::int32_t sample, std::int64_t frame) {
    const std::int64_t distance = std::abs(std::int64_t{sample} - tracker.floor_value);
    if (is_clip_open(tracker) && distance > clip_band) {
        tracker.clip_span = frame - tracker.clip_start - 1;
        tracker.clip_end = frame - 1;
        tracker.clip_start = -1;
    }
    if (sample == tracker.floor_value && !is_clip_open(tracker))
        tracker.clip_start = frame;
}

std::int32_t saturate_to_32_bits(std::int64_t value) {
    constexpr std::int64_t low = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, low, high));
}

// The event for a falling half that ends at `frame`. When a clipped run closed just before this
// upward step, the rise was seen late: move the event earlier by a third of the run.
HalfPeriod end_falling_half(SwingTracker& tracker, std::int64_t frame) {
    std::int64_t late_frames = 0;
    if (tracker.clip_end > 0 && frame - tracker.clip_end < tracker.clip_span / 2) {
        late_frames = tracker.clip_span / 3;
        tracker.clip_end = -1;
    }
    const std::int64_t end_frame = frame - late_frames;
    // The index wraps modulo 2^32 like the classifier's 32-bit clock; differences stay right.
    return {saturate_to_32_bits(end_frame - tracker.half_start),
            static_cast<std::int32_t>(end_frame)};
}

bool follow_swing(SwingTracker& tracker, std::int32_t sample, std::int64_t frame,
                  HalfPeriod& event) {
    if (tracker.first_sample) {
        tracker.level = sample;
        tracker.first_sample = false;
        return false;
    }
    const std::int64_t step = std::int64_t{sample} - tracker.level;
    if (step < -std::int64_t{tracker.hysteresis}) {
        tracker.falling = true;
        if (tracker.rising) {
            tracker.half_start = frame;
            tracker.rising = false;
        }
        tracker.level = sample;
        return false;
    }
    if (step > tracker.hysteresis) {
        tracker.rising = true;
        const bool is_trough_left = tracker.falling;
        if (is_trough_left)
            event = end_falling_half(tracker, frame);
        tracker.falling = false;
        tracker.level = sample;
        return is_trough_left;
    }
    return false;
}

} // namespace

SwingTracker make_swing_tracker(int bytes_per_sample) {
    SwingTracker tracker;
    switch (bytes_per_sample) {
    case 2:
        tracker.hysteresis = hysteresis_16_bit;
        tracker.floor_value = std::numeric_limits<std::int16_t>::min();
        break;
    case 4:
        tracker.hysteresis = hysteresis_32_bit;
        tracker.floor_value = std::numeric_limits<std::int32_t>::min();
        break;
    default:
        // One byte, and the widths whose samples all read as 0.
        tracker.hysteresis = hysteresis_8_bit;
        tracker.floor_value = -128;
        break;
    }
    return tracker;
}

bool track_sample(SwingTracker& tracker, std::int32_t sample, std::int64_t frame,
                  HalfPeriod& event) {
    watch_for_clipping(tracker, sample, frame);
    return follow_swing(tracker, sample, frame, event);
}
