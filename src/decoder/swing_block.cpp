// A block goes through the tracker in three parts: sample by sample until the tracker has a
// course (it has moved once), then the longest stretches that find_turns takes, then sample by
// sample again for the rest. Over a stretch, the events come from its turns in order (they
// alternate: a downward turn starts a falling half, an upward one ends it), and the clipped runs
// from clip_runs.h. Runs seldom last long enough to move an event; when none in reach of the
// stretch does, its events are taken without them and the clip state settled once at its end.
#include "decoder/swing_block.h"

#include "base/simd.h"
#include "decoder/clip_runs.h"
#include "decoder/swing_lanes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>

namespace {

constexpr std::size_t word_bits = 64;
// The longest stretch handed to find_turns at once, which sizes the masks.
constexpr std::size_t stretch_limit = clip_mask_words * word_bits;

using TurnMask = std::array<std::uint64_t, clip_mask_words>;

// Sample by sample, as the tracker itself goes.
std::size_t track_each(SwingTracker& tracker, const std::int16_t* values, std::size_t count,
                       std::int64_t first_frame, HalfPeriod* events) {
    std::size_t found = 0;
    for (std::size_t n = 0; n < count; ++n)
        if (track_sample(tracker, values[n], first_frame + static_cast<std::int64_t>(n),
                         events[found]))
            ++found;
    return found;
}

// A tracker has a course once it has moved: from then on exactly one of rising and falling holds.
bool has_course(const SwingTracker& tracker) {
    return !tracker.first_sample && (tracker.rising || tracker.falling);
}

// Calls visit(position, is_upward) for every turn of the stretch, in order. A tracker that last
// moved down turns next on an upward move, which ends a falling half.
template <typename Visit>
void for_each_turn(const SwingTracker& tracker, const TurnMask& turns, std::size_t words,
                   Visit&& visit) {
    bool is_upward = !tracker.rising;
    for (std::size_t word = 0; word < words; ++word) {
        for (std::uint64_t bits = turns[word]; bits != 0; bits &= bits - 1) {
            visit(word * word_bits + static_cast<std::size_t>(std::countr_zero(bits)), is_upward);
            is_upward = !is_upward;
        }
    }
}

// The events of a stretch, applying its clip changes in order with them.
std::size_t events_with_clips(SwingTracker& tracker, const TurnMask& turns,
                              const ClipChanges& clips, std::int64_t first_frame,
                              HalfPeriod* events) {
    std::size_t found = 0;
    ClipCursor cursor = start_clip_cursor(clips);
    for_each_turn(tracker, turns, clips.words, [&](std::size_t position, bool is_upward) {
        const std::int64_t frame = first_frame + static_cast<std::int64_t>(position);
        if (is_upward) {
            apply_clip_changes(cursor, tracker, position, first_frame);
            events[found++] = swing_steps::end_falling_half(tracker, frame);
        } else {
            tracker.half_start = frame;
        }
    });
    apply_clip_changes(cursor, tracker, clips.words * word_bits - 1, first_frame);
    return found;
}

// The events of a stretch in which no clipped run moves one.
std::size_t events_without_clips(SwingTracker& tracker, const TurnMask& turns,
                                 const ClipChanges& clips, std::int64_t first_frame,
                                 HalfPeriod* events) {
    std::size_t found = 0;
    std::int64_t half_start = tracker.half_start;
    for_each_turn(tracker, turns, clips.words, [&](std::size_t position, bool is_upward) {
        const std::int64_t frame = first_frame + static_cast<std::int64_t>(position);
        if (is_upward)
            events[found++] = {saturate_to_int32(frame - half_start),
                               static_cast<std::int32_t>(frame)};
        else
            half_start = frame;
    });
    tracker.half_start = half_start;
    settle_clip_changes(tracker, clips, first_frame);
    return found;
}

// A stretch of find_turns' length, for a tracker with a course.
std::size_t track_stretch(SwingTracker& tracker, const std::int16_t* values, std::size_t count,
                          std::int64_t first_frame, HalfPeriod* events) {
    TurnMask turns;
    ClipChanges clips;
    const SwingCourse before{static_cast<std::int16_t>(tracker.level), tracker.rising};
    const SwingCourse after = find_turns(before, static_cast<std::int16_t>(tracker.hysteresis),
                                         values, count, turns.data());
    find_clip_changes(tracker, values, count, clips);
    const std::size_t found =
        can_move_events(tracker, clips, first_frame)
            ? events_with_clips(tracker, turns, clips, first_frame, events)
            : events_without_clips(tracker, turns, clips, first_frame, events);
    tracker.level = after.level;
    tracker.rising = after.is_rising;
    tracker.falling = !after.is_rising;
    return found;
}

} // namespace

std::size_t track_block(SwingTracker& tracker, const std::int16_t* values, std::size_t count,
                        std::int64_t first_frame, HalfPeriod* events) {
    assert(tracker.floor_value >= INT16_MIN &&
           tracker.floor_value + swing_steps::clip_band <= INT16_MAX);
    // On plain arrays the sixteen lanes take longer than one sample at a time (1.6 times as
    // long over the bench's tapes, built with -DQIRVEX_SIMD=OFF): they pay only as vectors.
    if (!has_vector_lanes || tracker.hysteresis < 0 ||
        tracker.hysteresis > swing_lanes_hysteresis_limit)
        return track_each(tracker, values, count, first_frame, events);
    std::size_t done = 0;
    std::size_t found = 0;
    // Until the tracker has a course, it goes sample by sample, in pieces: a silent or faint
    // 10-minute file, one sample to a call, took 1.3 times as long as the plain loop.
    while (done < count && !has_course(tracker)) {
        const std::size_t piece = std::min(count - done, swing_lane_quantum);
        found += track_each(tracker, values + done, piece,
                            first_frame + static_cast<std::int64_t>(done), events + found);
        done += piece;
    }
    for (;;) {
        const std::size_t stretch = turn_stretch(std::min(count - done, stretch_limit));
        if (stretch == 0)
            break;
        found += track_stretch(tracker, values + done, stretch,
                               first_frame + static_cast<std::int64_t>(done), events + found);
        done += stretch;
    }
    return found + track_each(tracker, values + done, count - done,
                              first_frame + static_cast<std::int64_t>(done), events + found);
}
