// A block goes through the tracker in three parts: sample by sample until the tracker has a
// course (it has moved once), then the longest stretch that find_turns takes, then sample by
// sample again for the rest. Over a stretch, the events come from its turns in order (they
// alternate: a downward turn starts a falling half, an upward one ends it), and the clipped runs
// from two masks of the samples: those on the floor and those more than clip_band above it.
//
// A clipped run opens on a floor sample and closes at the first sample outside the band. Adding
// the floor mask to the in-band mask finds every close in one step: a floor sample starts a carry
// that runs through the in-band samples after it and lands on the first one outside, as 1. The
// carry into each position says whether a run is open there, so the opens are the floor samples
// without one. The opens and closes are then applied to the tracker in order with the events, as
// the sample-by-sample tracker applies them.
#include "decoder/swing_block.h"

#include "base/simd.h"
#include "decoder/swing_lanes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>

namespace {

constexpr std::size_t word_bits = 64;
// The longest stretch handed to find_turns at once, which sizes the masks below.
constexpr std::size_t stretch_limit = 16384;
constexpr std::size_t stretch_words = stretch_limit / word_bits;

using StretchMask = std::array<std::uint64_t, stretch_words>;

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

// The floor mask and the out-of-band mask of 64 samples, bit n for values[n].
void clip_masks(const std::int16_t* values, Int16x8 floor, Int16x8 band_top, std::uint64_t& on_floor,
                std::uint64_t& out_of_band) {
    on_floor = 0;
    out_of_band = 0;
    for (std::size_t n = 0; n < word_bits; n += 16) {
        const Int16x8 low = load_lanes(values + n);
        const Int16x8 high = load_lanes(values + n + 8);
        on_floor |= std::uint64_t{mask_bits(is_equal(low, floor), is_equal(high, floor))} << n;
        out_of_band |= std::uint64_t{mask_bits(is_greater(low, band_top), is_greater(high, band_top))}
                       << n;
    }
}

// The clip opens and closes of values[0, count) (count a multiple of 64), given whether a run is
// open before the first.
void find_clip_changes(const SwingTracker& tracker, const std::int16_t* values, std::size_t count,
                       bool is_open, std::uint64_t* opens, std::uint64_t* closes) {
    const Int16x8 floor = splat(static_cast<std::int16_t>(tracker.floor_value));
    const Int16x8 band_top =
        splat(static_cast<std::int16_t>(tracker.floor_value + swing_steps::clip_band));
    for (std::size_t word = 0; word < count / word_bits; ++word) {
        std::uint64_t on_floor = 0;
        std::uint64_t out_of_band = 0;
        clip_masks(values + word * word_bits, floor, band_top, on_floor, out_of_band);
        const std::uint64_t in_band = ~out_of_band;
        const std::uint64_t partial = in_band + on_floor;
        const std::uint64_t sum = partial + (is_open ? 1 : 0);
        const bool carry_out = partial < in_band || sum < partial;
        const std::uint64_t carries_in = sum ^ in_band ^ on_floor;
        closes[word] = sum & out_of_band;
        opens[word] = on_floor & ~carries_in;
        is_open = carry_out;
    }
}

// Walks the opens and closes of a stretch in order, applying them to the tracker.
struct ClipCursor {
    const std::uint64_t* opens;
    const std::uint64_t* closes;
    std::size_t words = 0;       // words in the masks
    std::size_t word = 0;        // the word being walked
    std::uint64_t remaining = 0; // its changes not yet applied
};

// Applies every change at a position up to `last` (inclusive), as watch_for_clipping would.
void apply_clip_changes(ClipCursor& cursor, SwingTracker& tracker, std::size_t last,
                        std::int64_t first_frame) {
    for (;;) {
        while (cursor.remaining == 0) {
            if (++cursor.word >= cursor.words)
                return;
            cursor.remaining = cursor.opens[cursor.word] | cursor.closes[cursor.word];
        }
        const auto bit = static_cast<std::size_t>(std::countr_zero(cursor.remaining));
        const std::size_t position = cursor.word * word_bits + bit;
        if (position > last)
            return;
        const std::int64_t frame = first_frame + static_cast<std::int64_t>(position);
        if ((cursor.opens[cursor.word] >> bit & 1) != 0) {
            tracker.clip_start = frame;
        } else {
            tracker.clip_span = frame - tracker.clip_start - 1;
            tracker.clip_end = frame - 1;
            tracker.clip_start = -1;
        }
        cursor.remaining &= cursor.remaining - 1;
    }
}

// The events of a stretch whose turns and clip changes are known, in order.
std::size_t events_of_turns(SwingTracker& tracker, const std::uint64_t* turns, ClipCursor& clips,
                            std::size_t count, std::int64_t first_frame, HalfPeriod* events) {
    std::size_t found = 0;
    // A tracker that last moved down turns next on an upward move, which ends a falling half.
    bool is_next_upward = !tracker.rising;
    for (std::size_t word = 0; word < count / word_bits; ++word) {
        for (std::uint64_t bits = turns[word]; bits != 0; bits &= bits - 1) {
            const std::size_t position =
                word * word_bits + static_cast<std::size_t>(std::countr_zero(bits));
            const std::int64_t frame = first_frame + static_cast<std::int64_t>(position);
            if (is_next_upward) {
                apply_clip_changes(clips, tracker, position, first_frame);
                events[found++] = swing_steps::end_falling_half(tracker, frame);
            } else {
                tracker.half_start = frame;
            }
            is_next_upward = !is_next_upward;
        }
    }
    return found;
}

// A stretch of find_turns' length, for a tracker with a course.
std::size_t track_stretch(SwingTracker& tracker, const std::int16_t* values, std::size_t count,
                          std::int64_t first_frame, HalfPeriod* events) {
    StretchMask turns{};
    StretchMask opens{};
    StretchMask closes{};
    const SwingCourse before{static_cast<std::int16_t>(tracker.level), tracker.rising};
    const SwingCourse after = find_turns(before, static_cast<std::int16_t>(tracker.hysteresis),
                                         values, count, turns.data());
    find_clip_changes(tracker, values, count, swing_steps::is_clip_open(tracker), opens.data(),
                      closes.data());
    ClipCursor clips{opens.data(), closes.data(), count / word_bits, 0, opens[0] | closes[0]};
    const std::size_t found =
        events_of_turns(tracker, turns.data(), clips, count, first_frame, events);
    apply_clip_changes(clips, tracker, count - 1, first_frame);
    tracker.level = after.level;
    tracker.rising = after.is_rising;
    tracker.falling = !after.is_rising;
    return found;
}

} // namespace

std::size_t track_block(SwingTracker& tracker, const std::int16_t* values, std::size_t count,
                        std::int64_t first_frame, HalfPeriod* events) {
    assert(tracker.floor_value >= INT16_MIN && tracker.floor_value + swing_steps::clip_band <= INT16_MAX);
    if (tracker.hysteresis < 0 || tracker.hysteresis > swing_lanes_hysteresis_limit)
        return track_each(tracker, values, count, first_frame, events);
    std::size_t done = 0;
    std::size_t found = 0;
    while (done < count && !has_course(tracker)) {
        found += track_each(tracker, values + done, 1, first_frame + static_cast<std::int64_t>(done),
                            events + found);
        ++done;
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
