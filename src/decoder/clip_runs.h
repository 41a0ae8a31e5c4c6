// The clipped runs of a stretch of 16-bit samples, found as bit masks: where a run opens (a floor
// sample while none is open) and where it closes (the first sample more than clip_band above the
// floor), exactly as watch_for_clipping finds them sample by sample.
#pragma once

#include "decoder/swing_tracker.h"

#include <array>
#include <cstddef>
#include <cstdint>

constexpr std::size_t clip_mask_words = 256;

struct ClipChanges {
    std::array<std::uint64_t, clip_mask_words> opens{};  // bit n % 64 of word n / 64: values[n]
    std::array<std::uint64_t, clip_mask_words> closes{}; // opens or closes a run
    std::size_t words = 0;                               // words of the stretch
    bool has_long_run = false; // a run within the stretch lasts long enough to move an event
};

// The changes of values[0, count), count being a multiple of 64 up to 64 x clip_mask_words,
// for a tracker in the state it has before values[0]. The tracker is not changed.
void find_clip_changes(const SwingTracker& tracker, const std::int16_t* values, std::size_t count,
                       ClipChanges& changes);

// False when no run, whether carried in, closed in the stretch or closed before it, can move an
// event of the stretch: then the events need no clip state, and settle_clip_changes brings the
// tracker's clip fields to the end of the stretch at once.
[[nodiscard]] bool can_move_events(const SwingTracker& tracker, const ClipChanges& changes,
                                   std::int64_t first_frame);

// Sets the tracker's clip fields to what they are after the whole stretch, from its last changes.
void settle_clip_changes(SwingTracker& tracker, const ClipChanges& changes,
                         std::int64_t first_frame);

// Walks a stretch's changes in order, applying them to the tracker as the events come.
struct ClipCursor {
    const ClipChanges& changes;
    std::size_t word = 0;        // the word being walked
    std::uint64_t remaining = 0; // its changes not yet applied
};

[[nodiscard]] ClipCursor start_clip_cursor(const ClipChanges& changes);

// Applies every change at a position up to `last` (inclusive), as watch_for_clipping would.
void apply_clip_changes(ClipCursor& cursor, SwingTracker& tracker, std::size_t last,
                        std::int64_t first_frame);
