// Ending a decode early without losing what it found. Ctrl-C (SIGINT), SIGTERM and a reader that
// went away (SIGPIPE) are noted, and the input is made to read as ended at once, even where a
// read is waiting on a silent pipe: the decode then finishes as at the end of the recording,
// with everything decoded so far in the output and the summary printed.
#pragma once

#include <cstdio>

// Watches for the three signals on behalf of a decode that reads `input`; null for a decode
// that reads no stream (a sound card), which looks at interruption_signal between blocks.
void watch_for_interruption(std::FILE* input);

// The signal that ended the input, or 0 while none has arrived.
[[nodiscard]] int interruption_signal();

// The signal's name, as "SIGINT".
[[nodiscard]] const char* signal_name(int signal_number);

// True for the signal of a reader that went away, after which nothing reaches the output.
[[nodiscard]] bool is_output_gone(int signal_number);
