// qirvex-program's driver: reads the input, runs the job, writes its files and prints.
#pragma once

#include <cstdio>

struct ProgramConsole {
    std::FILE* out = stdout;      // what was read and written
    std::FILE* messages = stderr; // faults, refusals, usage errors
};

// Runs the command line; returns the exit status.
[[nodiscard]] int run_program_tool(int argc, char* const* argv, const ProgramConsole& console);
