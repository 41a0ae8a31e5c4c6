// The decode of several captures of one tape: each file read to its end (the channels of one
// file side by side, in one pass), each capture decoded on its own by the streaming core, and
// the words merged (capture_merge.h) and written as one decode's.
#pragma once

#include "rescue/capture_merge.h"
#include "rescue/decode_loop.h"
#include "rescue/rescue_options.h"

#include <cstdio>
#include <string>
#include <vector>

// A file to be read besides the main input.
struct OtherInput {
    std::string name;
    std::FILE* file = nullptr;
    AudioInput audio;
};

// One capture as decoded.
struct Reading {
    std::string name;          // the file, with the channel where channels are read apart
    std::uint32_t rate_hz = 0; // its sample rate
    RescueResult result;
    std::vector<DecodedWord> words;
};

struct MergedDecode {
    DecodeOutcome outcome;         // the first capture's findings, with the merged stream's counts
    std::vector<Reading> readings; // what each decode found (their words handed on)
    MergeTally tally;
};

// Opens the files of --merge and checks every input against the options: channels to read
// apart, or the channel chosen. On failure `problem` says what was found and what was expected,
// and `name` which file (empty: the main input); whatever was opened is left in `others`.
[[nodiscard]] bool open_other_inputs(const RescueOptions& options, const AudioInput& main,
                                     std::vector<OtherInput>& others, std::string& name,
                                     std::string& problem);

void close_other_inputs(std::vector<OtherInput>& others);

// The first of the inputs that `output` (a file name) would overwrite; empty when none.
[[nodiscard]] std::string input_overwritten(const std::string& output,
                                            std::vector<OtherInput>& others);

// Decodes the main input named `name` and the others, each capture from its start to its end
// (a signal stops at the file in hand), and writes the merged words to the targets.
[[nodiscard]] MergedDecode decode_merged(AudioInput& main, const std::string& name,
                                         std::vector<OtherInput>& others,
                                         const RescueOptions& options, const DecodeTargets& targets,
                                         Progress& progress);

// With -v: what each capture gave and how the merge judged them.
void report_merge(std::FILE* messages, const MergedDecode& merged);
