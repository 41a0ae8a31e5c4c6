// The sample front end: a peak/trough tracker with hysteresis that reduces one channel to one
// event per tone cycle, carrying the length of the cycle's falling half, and a detector of
// clipped troughs whose late events it moves earlier.
#pragma once

#include "base/saturate.h"

#include <algorithm>
#include <cstdint>
#include <limits>

// One cycle of the input tone, as handed to the classifier.
struct HalfPeriod {
    std::int32_t length = 0;       // samples from the peak to the trough
    std::int32_t sample_index = 0; // frame number at which the trough was left
};

// Frame numbers are kept 64-bit: a data chunk of 4 GB holds up to 2^32 one-byte frames, and
// the differences taken between them must stay exact. Only the event's sample index is narrowed
// to the classifier's 32 bits.
struct SwingTracker {
    std::int32_t hysteresis = 6;     // a change of level counts only when larger than this
    std::int32_t floor_value = -128; // most negative sample value; a trough on it is clipped
    std::int32_t level = 0;          // sample value at the last counted movement
    bool first_sample = true;        // the next sample only sets level
    bool rising = false;             // set by upward movements, cleared by the next downward one
    bool falling = false;            // set by downward movements, cleared when an event is emitted
    std::int64_t half_start = 0;     // frame at which the current falling half began
    std::int64_t clip_start = -1;    // first frame of the open clipped run, -1 for none
    std::int64_t clip_end = -1;      // last frame of the latest unused clipped run, -1 for none
    std::int64_t clip_span = 0;      // samples in the latest closed clipped run, minus one
};

// A tracker for samples of the given width in bytes (1, 2 or 4; others read as 0).
[[nodiscard]] SwingTracker make_swing_tracker(int bytes_per_sample);

// Runs the clipped-run detector and the tracker on the selected channel's sample at frame
// `frame` (1-based). Returns true, with `event` filled in, when the sample ends a falling half.
// The event's sample index is the frame number taken modulo 2^32 as a signed 32-bit value; a
// length beyond the 32-bit range is given as the largest 32-bit value.
[[nodiscard]] inline bool track_sample(SwingTracker& tracker, std::int32_t sample,
                                       std::int64_t frame, HalfPeriod& event);

// The sample loop runs the tracker on every sample of a file, so its steps are defined here, where
// the loop can inline them and keep the tracker in registers.
namespace swing_steps {

// A clipped run stays open while samples stay this close to the floor (raw bytes 0 to 3).
constexpr std::int64_t clip_band = 3;

inline bool is_clip_open(const SwingTracker& tracker) { return tracker.clip_start > 0; }

inline void watch_for_clipping(SwingTracker& tracker, std::int32_t sample, std::int64_t frame) {
    const std::int64_t offset = std::int64_t{sample} - tracker.floor_value;
    if (is_clip_open(tracker) && (offset > clip_band || offset < -clip_band)) {
        tracker.clip_span = frame - tracker.clip_start - 1;
        tracker.clip_end = frame - 1;
        tracker.clip_start = -1;
    }
    if (sample == tracker.floor_value && !is_clip_open(tracker))
        tracker.clip_start = frame;
}

// The event for a falling half that ends at `frame`. When a clipped run closed just before this
// upward step, the rise was seen late: move the event earlier by a third of the run.
inline HalfPeriod end_falling_half(SwingTracker& tracker, std::int64_t frame) {
    std::int64_t late_frames = 0;
    if (tracker.clip_end > 0 && frame - tracker.clip_end < tracker.clip_span / 2) {
        late_frames = tracker.clip_span / 3;
        tracker.clip_end = -1;
    }
    const std::int64_t end_frame = frame - late_frames;
    // The index wraps modulo 2^32 like the classifier's 32-bit clock; differences stay right.
    return {saturate_to_int32(end_frame - tracker.half_start),
            static_cast<std::int32_t>(end_frame)};
}

inline bool follow_swing(SwingTracker& tracker, std::int32_t sample, std::int64_t frame,
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

} // namespace swing_steps

inline bool track_sample(SwingTracker& tracker, std::int32_t sample, std::int64_t frame,
                         HalfPeriod& event) {
    swing_steps::watch_for_clipping(tracker, sample, frame);
    return swing_steps::follow_swing(tracker, sample, frame, event);
}
