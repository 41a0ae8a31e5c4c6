// The ring of detector sums, and magnitudes interpolated between window starts.
#include "rescue/tone_history.h"

#include <algorithm>
#include <cassert>
#include <cmath>

void configure_history(ToneHistory& history, std::int64_t span_windows) {
    std::size_t size = 1;
    while (static_cast<std::int64_t>(size) < span_windows)
        size *= 2;
    history.mark.assign(size, ToneSums{});
    history.space.assign(size, ToneSums{});
    history.mask = size - 1;
    history.newest = -1;
}

HistorySlots next_history_slots(ToneHistory& history, std::size_t count) {
    const std::size_t slot = static_cast<std::size_t>(history.newest + 1) & history.mask;
    const std::size_t run = std::min(count, history.mask + 1 - slot);
    return {history.mark.data() + slot, history.space.data() + slot, run};
}

void add_history_slots(ToneHistory& history, std::size_t count) {
    history.newest += static_cast<std::int64_t>(count);
}

void push_history_block(ToneHistory& history, const ToneSums* mark, const ToneSums* space,
                        std::size_t count) {
    for (std::size_t done = 0; done < count;) {
        const HistorySlots slots = next_history_slots(history, count - done);
        std::copy_n(mark + done, slots.count, slots.mark);
        std::copy_n(space + done, slots.count, slots.space);
        add_history_slots(history, slots.count);
        done += slots.count;
    }
}

std::int64_t oldest_held(const ToneHistory& history) {
    const std::int64_t oldest = history.newest - static_cast<std::int64_t>(history.mask);
    return oldest < 0 ? 0 : oldest;
}

namespace {

// The ring slots of the whole window starts on either side of window_start, within what the ring
// holds, and the fraction of the way from the first to the second.
struct HeldStarts {
    std::size_t a = 0;
    std::size_t b = 0;
    double fraction = 0;
};

HeldStarts held_starts(const ToneHistory& history, double window_start) {
    const double floor_start = std::floor(window_start);
    auto first = static_cast<std::int64_t>(floor_start);
    double fraction = window_start - floor_start;
    // The newest window start has no successor yet; it is read as it is.
    if (first >= history.newest) {
        first = history.newest;
        fraction = 0;
    }
    if (first < oldest_held(history)) {
        first = oldest_held(history);
        fraction = 0;
    }
    assert(history.newest >= 0);
    return {static_cast<std::size_t>(first) & history.mask,
            static_cast<std::size_t>(first + 1) & history.mask, fraction};
}

std::complex<double> phasor(const ToneSums& sums) {
    return {static_cast<double>(sums.i), static_cast<double>(sums.q)};
}

} // namespace

void history_at(const ToneHistory& history, double window_start, double& mark, double& space) {
    const auto [a, b, fraction] = held_starts(history, window_start);
    const double mark_a = tone_magnitude(history.mark[a]);
    const double space_a = tone_magnitude(history.space[a]);
    mark = mark_a + fraction * (tone_magnitude(history.mark[b]) - mark_a);
    space = space_a + fraction * (tone_magnitude(history.space[b]) - space_a);
}

TonePhasors phasors_at(const ToneHistory& history, double window_start) {
    const auto [a, b, fraction] = held_starts(history, window_start);
    const std::complex<double> mark_a = phasor(history.mark[a]);
    const std::complex<double> space_a = phasor(history.space[a]);
    return {mark_a + fraction * (phasor(history.mark[b]) - mark_a),
            space_a + fraction * (phasor(history.space[b]) - space_a)};
}
