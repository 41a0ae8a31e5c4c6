// Adding the floor mask to the in-band mask finds every close in one step: a floor sample starts
// a carry that runs through the in-band samples after it and lands on the first one outside, as
// 1. The carry into each position says whether a run is open there, so the opens are the floor
// samples without one, and a run's length is its count of carries.
#include "decoder/clip_runs.h"

#include "base/simd.h"

#include <bit>
#include <optional>

namespace {

constexpr std::size_t word_bits = 64;

// A run moves the event of an upward step that comes less than half its span after it closes
// (end_falling_half); the step comes at least one frame after the run's last sample, so a span
// under 4 never moves one. Its carries number one more than its span.
constexpr std::int64_t shortest_moving_span = 4;
constexpr int longest_quiet_carries = static_cast<int>(shortest_moving_span);

// The floor mask and the out-of-band mask of 64 samples, bit n for values[n].
void clip_masks(const std::int16_t* values, Int16x8 floor, Int16x8 band_top,
                std::uint64_t& on_floor, std::uint64_t& out_of_band) {
    on_floor = 0;
    out_of_band = 0;
    for (std::size_t n = 0; n < word_bits; n += 16) {
        const Int16x8 low = load_lanes(values + n);
        const Int16x8 high = load_lanes(values + n + 8);
        on_floor |= std::uint64_t{mask_bits(is_equal(low, floor), is_equal(high, floor))} << n;
        out_of_band |=
            std::uint64_t{mask_bits(is_greater(low, band_top), is_greater(high, band_top))} << n;
    }
}

// Whether `carries` (with the word before, `earlier`) holds more carries in a row than a run
// that cannot move an event has.
bool has_long_carry(std::uint64_t carries, std::uint64_t earlier) {
    std::uint64_t in_row = carries;
    for (int shift = 1; shift <= longest_quiet_carries; ++shift)
        in_row &= carries << shift | earlier >> (word_bits - static_cast<std::size_t>(shift));
    return in_row != 0;
}

// The highest set position of the masks below `below`.
std::optional<std::size_t> highest_below(const std::array<std::uint64_t, clip_mask_words>& mask,
                                         std::size_t below) {
    for (std::size_t word = (below + word_bits - 1) / word_bits; word-- > 0;) {
        const std::size_t first = word * word_bits;
        std::uint64_t bits = mask[word];
        if (below - first < word_bits)
            bits &= (std::uint64_t{1} << (below - first)) - 1;
        if (bits != 0)
            return first + word_bits - 1 - static_cast<std::size_t>(std::countl_zero(bits));
    }
    return std::nullopt;
}

std::optional<std::size_t> lowest(const std::array<std::uint64_t, clip_mask_words>& mask,
                                  std::size_t words) {
    for (std::size_t word = 0; word < words; ++word)
        if (mask[word] != 0)
            return word * word_bits + static_cast<std::size_t>(std::countr_zero(mask[word]));
    return std::nullopt;
}

} // namespace

void find_clip_changes(const SwingTracker& tracker, const std::int16_t* values, std::size_t count,
                       ClipChanges& changes) {
    const Int16x8 floor = splat(static_cast<std::int16_t>(tracker.floor_value));
    const Int16x8 band_top =
        splat(static_cast<std::int16_t>(tracker.floor_value + swing_steps::clip_band));
    changes.words = count / word_bits;
    changes.has_long_run = false;
    bool is_open = swing_steps::is_clip_open(tracker);
    std::uint64_t earlier = 0;
    for (std::size_t word = 0; word < changes.words; ++word) {
        std::uint64_t on_floor = 0;
        std::uint64_t out_of_band = 0;
        clip_masks(values + word * word_bits, floor, band_top, on_floor, out_of_band);
        const std::uint64_t in_band = ~out_of_band;
        const std::uint64_t partial = in_band + on_floor;
        const std::uint64_t sum = partial + (is_open ? 1 : 0);
        const std::uint64_t carries = sum ^ in_band ^ on_floor;
        is_open = partial < in_band || sum < partial;
        changes.closes[word] = sum & out_of_band;
        changes.opens[word] = on_floor & ~carries;
        changes.has_long_run = changes.has_long_run || has_long_carry(carries, earlier);
        earlier = carries;
    }
}

bool can_move_events(const SwingTracker& tracker, const ClipChanges& changes,
                     std::int64_t first_frame) {
    if (changes.has_long_run)
        return true;
    // A run that closed before the stretch and has not moved an event yet.
    if (tracker.clip_end > 0 && tracker.clip_span >= shortest_moving_span)
        return true;
    // A run open when the stretch begins, which the carries above only see from its start.
    if (!swing_steps::is_clip_open(tracker))
        return false;
    const std::optional<std::size_t> first_close = lowest(changes.closes, changes.words);
    return first_close &&
           first_frame + static_cast<std::int64_t>(*first_close) - tracker.clip_start - 1 >=
               shortest_moving_span;
}

void settle_clip_changes(SwingTracker& tracker, const ClipChanges& changes,
                         std::int64_t first_frame) {
    const std::size_t end = changes.words * word_bits;
    const std::optional<std::size_t> last_close = highest_below(changes.closes, end);
    const std::optional<std::size_t> last_open = highest_below(changes.opens, end);
    if (last_close) {
        // The last run to close opened in the stretch, or was open when it began.
        const std::optional<std::size_t> opened = highest_below(changes.opens, *last_close);
        const std::int64_t close_frame = first_frame + static_cast<std::int64_t>(*last_close);
        const std::int64_t open_frame =
            opened ? first_frame + static_cast<std::int64_t>(*opened) : tracker.clip_start;
        tracker.clip_span = close_frame - open_frame - 1;
        tracker.clip_end = close_frame - 1;
        tracker.clip_start = -1;
    }
    if (last_open && (!last_close || *last_open > *last_close))
        tracker.clip_start = first_frame + static_cast<std::int64_t>(*last_open);
}

ClipCursor start_clip_cursor(const ClipChanges& changes) {
    return {changes, 0, changes.words > 0 ? changes.opens[0] | changes.closes[0] : 0};
}

void apply_clip_changes(ClipCursor& cursor, SwingTracker& tracker, std::size_t last,
                        std::int64_t first_frame) {
    const ClipChanges& changes = cursor.changes;
    for (;;) {
        while (cursor.remaining == 0) {
            if (++cursor.word >= changes.words)
                return;
            cursor.remaining = changes.opens[cursor.word] | changes.closes[cursor.word];
        }
        const auto bit = static_cast<std::size_t>(std::countr_zero(cursor.remaining));
        const std::size_t position = cursor.word * word_bits + bit;
        if (position > last)
            return;
        const std::int64_t frame = first_frame + static_cast<std::int64_t>(position);
        if ((changes.opens[cursor.word] >> bit & 1) != 0) {
            tracker.clip_start = frame;
        } else {
            tracker.clip_span = frame - tracker.clip_start - 1;
            tracker.clip_end = frame - 1;
            tracker.clip_start = -1;
        }
        cursor.remaining &= cursor.remaining - 1;
    }
}
