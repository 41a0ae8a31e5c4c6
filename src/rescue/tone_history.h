// The recent output of the two tone detectors, one pair of window sums per window start, kept in
// a ring long enough for the frame clock to look back over a frame and a little more. The sums
// are stored as they are and turned into magnitudes only where they are read, since the clock
// reads a few dozen window starts per word out of thousands.
#pragma once

#include "rescue/tone_detector.h"

#include <complex>
#include <cstdint>
#include <vector>

struct ToneHistory {
    std::vector<ToneSums> mark;  // mark detector sums per window start, by index & mask
    std::vector<ToneSums> space; // space detector sums per window start
    std::size_t mask = 0;        // ring size - 1 (the size is a power of two)
    std::int64_t newest = -1;    // the newest window start held; -1 before the first
};

// Room for at least span_windows window starts.
void configure_history(ToneHistory& history, std::int64_t span_windows);

// The ring's slots for the next window starts, from newest + 1 on: `count` of them, or fewer
// where the ring ends. The caller fills both runs and then adds them with add_history_slots, so
// that the detectors write their sums straight into the ring.
struct HistorySlots {
    ToneSums* mark = nullptr;
    ToneSums* space = nullptr;
    std::size_t count = 0;
};
[[nodiscard]] HistorySlots next_history_slots(ToneHistory& history, std::size_t count);

// Makes the `count` slots just filled the newest window starts.
void add_history_slots(ToneHistory& history, std::size_t count);

// Appends the sums of `count` window starts, from newest + 1 on.
void push_history_block(ToneHistory& history, const ToneSums* mark, const ToneSums* space,
                        std::size_t count);

// The oldest window start still held.
[[nodiscard]] std::int64_t oldest_held(const ToneHistory& history);

// The magnitudes at a window start between oldest_held and newest, interpolated linearly
// between the magnitudes of whole window starts.
void history_at(const ToneHistory& history, double window_start, double& mark, double& space);

// The sums themselves at a window start, interpolated the same way: each tone's amplitude and
// phase against its detector's oscillator.
struct TonePhasors {
    std::complex<double> mark;
    std::complex<double> space;
};
[[nodiscard]] TonePhasors phasors_at(const ToneHistory& history, double window_start);
