// The sample front end: a peak/trough tracker with hysteresis that reduces one channel to one
// event per tone cycle, carrying the length of the cycle's falling half, and a detector of
// clipped troughs whose late events it moves earlier.
#pragma once

#include <cstdint>

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
[[nodiscard]] bool track_sample(SwingTracker& tracker, std::int32_t sample, std::int64_t frame,
                                HalfPeriod& event);
