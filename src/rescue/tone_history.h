// The recent output of the two tone detectors, one pair of magnitudes per window start, kept in
// a ring long enough for the frame clock to look back over a frame and a little more.
#pragma once

#include <cstdint>
#include <vector>

struct ToneHistory {
    std::vector<double> mark;  // mark magnitude per window start, by index & mask
    std::vector<double> space; // space magnitude per window start
    std::size_t mask = 0;      // ring size - 1 (the size is a power of two)
    std::int64_t newest = -1;  // the newest window start held; -1 before the first
};

// Room for at least span_windows window starts.
void configure_history(ToneHistory& history, std::int64_t span_windows);

// Appends the magnitudes of window start newest + 1.
void push_history(ToneHistory& history, double mark, double space);

// The oldest window start still held.
[[nodiscard]] std::int64_t oldest_held(const ToneHistory& history);

// The magnitudes at a window start between oldest_held and newest, interpolated linearly
// between whole window starts.
void history_at(const ToneHistory& history, double window_start, double& mark, double& space);
