// The qirvex-rescue program: reads the command line, opens and checks the recording (a file or
// standard input), names and guards the target as qirvex does for a decode (or takes standard
// output), runs the decode and turns its outcome into messages and an exit status.
#pragma once

#include "rescue/progress.h"
#include "rescue/rescue_decoder.h"

#include <cstdint>
#include <cstdio>
#include <string>

// Exit statuses. A decode stopped by a signal exits with 128 plus the signal's number.
constexpr int rescue_clean = 0;   // every word decoded cleanly
constexpr int rescue_suspect = 1; // data written, but some words are suspect or were lost in a
                                  // dropout, the recording was cut short, or no word was found
constexpr int rescue_failed = 2;  // usage, input or output error
constexpr int rescue_signalled = 128;

// What the decode of one recording found, for the summary of a batch.
struct RecordingTally {
    ProgressShare progress;     // the decode's part of the batch's progress line
    bool is_decoded = false;    // the recording was decoded, so the counts below hold
    RescueResult result;        // what the decode found
    std::int64_t programs = -1; // programs listed or split; -1 where the bytes were written
    std::string problem;        // the first problem reported, without its hints; empty: none
};

// Where the program reads and writes besides its files.
struct RescueConsole {
    std::FILE* in = stdin;           // the recording when its name is "-"
    std::FILE* out = stdout;         // help, version, and the bytes when the output is "-"
    std::FILE* messages = stderr;    // errors, the progress line, the summary, reports
    bool is_interruptible = false;   // SIGINT, SIGTERM and SIGPIPE end the decode gracefully
    RecordingTally* tally = nullptr; // in a batch: what the decode found; null: decoded alone
};

struct RescueOptions;

// Runs the program.
[[nodiscard]] int run_rescue(int argc, char* const* argv, const RescueConsole& console);

// Decodes the recording that options.input names (or standard input for "-"), as the program
// does for one; returns the exit status.
[[nodiscard]] int rescue_recording(const RescueOptions& options, const RescueConsole& console);
