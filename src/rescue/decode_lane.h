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

// A clock's counts where a trial of rate and framing began.
struct ClockCounts {
    std::int64_t words = 0;
    std::int64_t suspect_words = 0;
    std::int64_t locks = 0;
};

// One reading of a lane's tones at one framing, from both tones or the space tone alone.
struct LaneReading {
    FrameClock clock;
    ClockCounts before_trial;       // a trial judges the reading by its words since
    RepeatCount repeats;            // how many of its words read every bit twice or more
    std::vector<DecodedWord> held;  // its words while the rate or framing is being found
    std::int64_t telling_words = 0; // of which framed, with data bits neither all 0 nor all 1
    bool is_retired = false;        // let go during a trial, for framing clearly less of the line
    bool is_dormant = false;        // waits for the line to start before it searches
};

struct DecodeLane {
    int baud = 0;
    Calibration calibration;
    std::int64_t origin_frames = 0;      // where the lane's first sample lies in the recording
    ToneFront front;                     // the decoded channel's front end
    std::int64_t dc_outputs_to_skip = 0; // DC remover outputs that belong to no sample yet
    std::int64_t detector_samples = 0;   // DC-free samples pushed into the detectors
    ToneHistory history;
    std::vector<LaneReading> readings;       // one per kind of reading tried, or the one kept
    bool is_holding = false;                 // the words are held by their readings, not handed on
    std::vector<std::int32_t> channel_block; // the decoded channel of the frames in hand
};

// Sets up the lane from a calibration at its rate, with a reading of each of `kinds`, the first
// sample being the recording's origin_frames'th.
void configure_lane(DecodeLane& lane, std::uint32_t rate_hz, const std::vector<ReadingKind>& kinds,
                    const Calibration& calibration, std::int64_t origin_frames);

// Runs `count` frames of `channels` samples through the lane, appending the words decided
// (held by each reading instead while the lane is holding).
void push_lane(DecodeLane& lane, const std::int16_t* frames, std::int64_t count, int channels,
               std::vector<DecodedWord>& words);

// Appends the words the clocks can decide from what the history holds.
void drain_lane(DecodeLane& lane, std::vector<DecodedWord>& words);

// The recording has ended: appends the words the clocks can still decide from what the history
// holds, judging each without the words that would have followed it.
void finish_lane(DecodeLane& lane, std::vector<DecodedWord>& words);

// Keeps the reading `index` alone and stops holding: the words it held are appended to `words`.
void keep_reading(DecodeLane& lane, std::size_t index, std::vector<DecodedWord>& words);

// A detector's reading of a full-scale tone: zero before the lane is set up.
[[nodiscard]] double full_scale(const ToneFront& front);
