// The tape speed, measured on the first seconds of the recording. A tape played fast raises both
// tones and shortens the bits by the same factor, so one number, the measured mark frequency
// over 2400 Hz, retunes both detectors and the bit period.
//
// The leader is the first run of at least two 0.1 s blocks whose mean mark magnitude exceeds
// twice the space magnitude (the blocks are measured once, with the silence; see calibration.h). Across it the mark detector's phasor turns by 2 pi (f - 2400 Hz)
// per second; its turn over a lag of 1 ms, summed over the leader, gives f unambiguously within
// 500 Hz of 2400. Without a leader, every window that reads clearly mark is used instead.
#pragma once

#include "rescue/look_ahead.h"

#include <cstdint>
#include <vector>

struct SpeedEstimate {
    double speed = 1.0;                // measured mark frequency / 2400 Hz
    bool has_leader = false;           // a leader was found
    std::int64_t leader_start = 0;     // its first sample
    std::int64_t leader_end = 0;       // one past its last sample
    std::int64_t measured_windows = 0; // windows that went into the measurement; 0: none
};

// The detector magnitudes of a whole 0.1 s block of one channel at the nominal tones, summed
// over its windows, and how many of them read clearly one tone.
struct ToneBlock {
    double mark_sum = 0;
    double space_sum = 0;
    std::int64_t clear_windows = 0;
};

// The first leader in the blocks, where there is one: its start and end in samples.
void find_leader(const std::vector<ToneBlock>& blocks, std::int64_t block_samples,
                 SpeedEstimate& estimate);

// Measures the speed on one channel (from 0) of the look-ahead, at `baud`, on the leader that
// `estimate` holds or, without one, on every window that reads clearly mark.
void measure_speed(const LookAhead& look_ahead, int channel, int baud, SpeedEstimate& estimate);
