// What every harness shares: quiet consoles, fresh options for each input, and files in memory
// that still have a descriptor, so that fstat reports their size as it would for a real file.
#pragma once

#include "rescue/rescue_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Sends standard output and the diagnostic stream to /dev/null, once per process. The option
// harness also writes to standard error, which the fuzzing script closes (-close_fd_mask).
void quiet_console();

// Puts the global options back to their defaults, as at the start of a run.
void reset_options();

// A file in memory holding `size` bytes of `data`, opened in `mode` at its start. The caller
// closes it.
[[nodiscard]] std::FILE* memory_file(const std::uint8_t* data, std::size_t size, const char* mode);

// The whole content of a stream, whatever its position, read through its descriptor.
[[nodiscard]] std::string file_bytes(std::FILE* stream);

// qirvex-rescue's baud rate and framing from the low five bits of `flags`: 600 baud, 7 data
// bits, 1 stop bit, and the parity (none, even, odd, or both rate and framing found) in bits 3
// and 4.
[[nodiscard]] RescueSettings rescue_settings_from(std::uint8_t flags);

// Ends the process with a report when an invariant of the code under test does not hold; the
// fuzzer counts it as a crash and keeps the input.
void require(bool holds, const char* what);
