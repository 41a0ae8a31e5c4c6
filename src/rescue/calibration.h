// Calibration on the look-ahead: which channel to decode, how fast the tape runs, and how loud
// each tone is at the start, before the first sample reaches the frame clock.
#pragma once

#include "rescue/look_ahead.h"
#include "rescue/rescue_settings.h"
#include "rescue/speed_estimate.h"

#include <cstdint>

struct Calibration {
    int channel = 0;                // the channel to decode, from 0
    std::int64_t silent_frames = 0; // frames before the first tone, in whole blocks of 0.1 s
    SpeedEstimate estimate;         // the tape speed and where the leader lies
    double bit_samples = 0;         // the bit period at that speed, in samples
    double mark_level = 0;          // starting mark magnitude
    double space_level = 0;         // starting space magnitude
};

enum class SilenceRule {
    LetGo, // silence before the first tone is let go: the calibration stops at silent_frames
    Keep,  // the recording ends here: calibrate on whatever the look-ahead holds
};

// Calibrates on a look-ahead of at least one frame: the channel, once; the silence before the
// first tone and the leader, from one pass over that channel in blocks of 0.1 s; then, unless
// silence is to be let go, the speed and the starting levels.
[[nodiscard]] Calibration calibrate(const LookAhead& look_ahead, const RescueSettings& settings,
                                    SilenceRule rule);
