#include "rescue/tone_history.h"

#include <cassert>
#include <cmath>

void configure_history(ToneHistory& history, std::int64_t span_windows) {
    std::size_t size = 1;
    while (static_cast<std::int64_t>(size) < span_windows)
        size *= 2;
    history.mark.assign(size, 0.0);
    history.space.assign(size, 0.0);
    history.mask = size - 1;
    history.newest = -1;
}

void push_history(ToneHistory& history, double mark, double space) {
    ++history.newest;
    const auto slot = static_cast<std::size_t>(history.newest) & history.mask;
    history.mark[slot] = mark;
    history.space[slot] = space;
}

std::int64_t oldest_held(const ToneHistory& history) {
    const std::int64_t oldest = history.newest - static_cast<std::int64_t>(history.mask);
    return oldest < 0 ? 0 : oldest;
}

void history_at(const ToneHistory& history, double window_start, double& mark, double& space) {
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
    const auto a = static_cast<std::size_t>(first) & history.mask;
    const auto b = static_cast<std::size_t>(first + 1) & history.mask;
    mark = history.mark[a] + fraction * (history.mark[b] - history.mark[a]);
    space = history.space[a] + fraction * (history.space[b] - history.space[a]);
}
