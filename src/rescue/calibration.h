// Calibration on the look-ahead: which channel to decode, how fast the tape runs, and how loud
// each tone is at the start, before the first sample reaches the frame clock.
#pragma once

#include "rescue/look_ahead.h"
#include "rescue/rescue_settings.h"
#include "rescue/speed_estimate.h"

struct Calibration {
    int channel = 0;        // the channel to decode, from 0
    SpeedEstimate estimate; // the tape speed and where the leader lies
    double bit_samples = 0; // the bit period at that speed, in samples
    double mark_level = 0;  // starting mark magnitude
    double space_level = 0; // starting space magnitude
};

// The frames at the start of the look-ahead that hold no tone, in whole blocks of 0.1 s, up to
// the block before the first one that does.
[[nodiscard]] std::int64_t silence_before_tone(const LookAhead& look_ahead,
                                               const RescueSettings& settings);

// Calibrates on a look-ahead of at least one frame.
[[nodiscard]] Calibration calibrate(const LookAhead& look_ahead, const RescueSettings& settings);
