// File setup and dispatch: decides between encoding and decoding, opens the input and the
// target under the overwrite and append rules, runs the job and closes both files.
#pragma once

#include "cli/options.h"

// Runs the job on the file arguments found by parse_options. Returns the exit status: 1 when
// the encode or decode went through, 0 or -1 on failure.
[[nodiscard]] int run_files(const FileArguments& files, char* const* argv);
