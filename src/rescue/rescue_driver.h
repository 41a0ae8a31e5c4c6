// The qirvex-rescue program: reads the command line, opens and checks the recording, names and
// guards the target as qirvex does for a decode, runs the rescue decode and turns its result
// into messages and an exit status.
#pragma once

#include <cstdio>

// Exit statuses.
constexpr int rescue_clean = 0;   // every word decoded cleanly
constexpr int rescue_suspect = 1; // data written, but some words are suspect, the recording
                                  // was cut short, or no word was found at all
constexpr int rescue_failed = 2;  // usage, input or output error

// Where the program's own text goes.
struct RescueConsole {
    std::FILE* out = stdout;      // help and version
    std::FILE* messages = stderr; // errors, the summary, reports
};

// Runs the program.
[[nodiscard]] int run_rescue(int argc, char* const* argv, const RescueConsole& console);
