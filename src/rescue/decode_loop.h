// The decode of one opened recording: block by block from the input into the streaming core,
// each decided byte written as soon as its word is decided, and the output flushed often enough
// that a person watching sees the listing appear line by line.
#pragma once

#include "rescue/audio_input.h"
#include "rescue/progress.h"
#include "rescue/rescue_decoder.h"

#include <cstdint>
#include <cstdio>
#include <string>

struct DecodeTargets {
    std::FILE* target = nullptr; // the decoded bytes
    std::FILE* report = nullptr; // one line per suspect word; null: no report
    std::FILE* record = nullptr; // a tab-separated line for every word; null: no record
    bool is_repaired = false;    // the words are held to the end and repaired from structure
};

struct DecodeOutcome {
    RescueResult result;
    std::string shortfall;  // how the input fell short of its header; empty: it did not
    int signal = 0;         // the signal that ended the input early; 0: none
    bool is_written = true; // every byte reached the target's stream
    std::int64_t repaired = 0; // bytes changed by repair from structure
};

// Decodes `audio` to the targets, drawing `progress` on the way.
[[nodiscard]] DecodeOutcome decode_recording(AudioInput& audio, const RescueSettings& settings,
                                             const DecodeTargets& targets, Progress& progress);
