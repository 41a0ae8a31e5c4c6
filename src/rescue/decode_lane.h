// One reading of the recording at one bit rate: the decoded channel's front end, the tone
// history and the frame clock, calibrated on the look-ahead. The decoder runs one lane where
// the rate is given, and one per rate of the family while it finds the rate.
#pragma once

#include "rescue/calibration.h"
#include "rescue/frame_clock.h"
#include "rescue/look_ahead.h"
#include "rescue/rate_judge.h"
#include "rescue/tone_detector.h"
#include "rescue/tone_history.h"

#include <cstdint>
#include <vector>

struct DecodeLane {
    int baud = 0;
    Calibration calibration;
    ToneFront front;                     // the decoded channel's front end
    std::int64_t dc_outputs_to_skip = 0; // DC remover outputs that belong to no sample yet
    std::int64_t detector_samples = 0;   // DC-free samples pushed into the detectors
    ToneHistory history;
    FrameClock clock;
    RepeatCount repeats;                     // how many of its words read every bit twice or more
    std::vector<std::int32_t> channel_block; // the decoded channel of the frames in hand
};

// Sets up the lane from a calibration at its rate and replays the look-ahead into it.
// `origin_frames` is where the look-ahead begins in the recording.
void start_lane(DecodeLane& lane, const LookAhead& look_ahead, const WordFormat& format,
                const Calibration& calibration, std::int64_t origin_frames,
                std::vector<DecodedWord>& words);

// Runs `count` frames of `channels` samples through the lane, appending the words decided.
void push_lane(DecodeLane& lane, const std::int16_t* frames, std::int64_t count, int channels,
               std::int64_t origin_frames, std::vector<DecodedWord>& words);

// Appends the words the clock can still decide from what the history holds.
void drain_lane(DecodeLane& lane, std::int64_t origin_frames, std::vector<DecodedWord>& words);

// A detector's reading of a full-scale tone: zero before the lane is set up.
[[nodiscard]] double full_scale(const ToneFront& front);
