// The rescue decode of one recording: channel choice, speed measurement on the first seconds,
// then one streaming pass of DC removal, tone detection and the frame clock, writing each
// decoded byte straight to the target. Memory stays constant: only the first seconds of one
// channel are held, for the speed measurement.
#pragma once

#include "base/kcs.h"
#include "rescue/frame_clock.h"
#include "rescue/wav_reader.h"

#include <cstdint>
#include <cstdio>

struct RescueSettings {
    int baud = slow_baud; // slow_baud or fast_baud
    WordFormat format;    // the serial word
    int channel = 0;      // 1-based channel to decode; 0: the one with the strongest tone
};

struct RescueResult {
    int channel = 0;                // the channel decoded, from 1
    double speed = 1.0;             // measured tape speed, 1.0 = exact
    bool has_leader = false;        // the speed came from a leader
    bool is_speed_measured = false; // false: no mark tone found, nominal speed assumed
    double mark_level = 0;          // final running mark level, share of full scale
    double space_level = 0;         // final running space level, share of full scale
    std::int64_t frames_read = 0;   // sample frames read
    std::int64_t bytes = 0;         // bytes written to the target
    std::int64_t suspect_words = 0; // words with a framing or parity error
    std::int64_t locks = 0;         // free searches that found a word and locked
    std::int64_t lock_losses = 0;   // locks dropped after three bad words
    std::int64_t jumps = 0;         // timing jumps taken at once
    bool is_read_short = false;     // the file ended before its data chunk did
};

// Decodes the samples of `input` (positioned at its first sample, described by `format`) into
// `target`. Writes one line per suspect word to `report` unless it is null. Returns false only
// when the input could not be positioned again after the channel choice.
[[nodiscard]] bool rescue_stream(std::FILE* input, const WavFormat& format, std::FILE* target,
                                 const RescueSettings& settings, std::FILE* report,
                                 RescueResult& result);
