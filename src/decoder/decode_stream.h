// The decode driver: WAV acceptance, the sample loop and the reports.
#pragma once

#include <cstdint>
#include <cstdio>

// A header that describes a recording the decoder cannot read, about which it says so: a sample
// rate out of its range, or a channel the file does not have. Either writes nothing.
constexpr std::int64_t refused_rate = -5;
constexpr std::int64_t refused_channel = -6;

// Decodes the WAV input (at its first byte) into target. Returns data_size (64-bit, so that a
// data chunk of 2 GB or more still reads as success), or -1 (no canonical header), -2 (not PCM,
// or a header that describes no samples) or -4 (file shorter than its data) for a rejected
// header, about which nothing is printed, or refused_rate or refused_channel after a message.
[[nodiscard]] std::int64_t decode_stream(std::FILE* input, std::FILE* target,
                                         std::int32_t channel, std::int32_t fast_rate);
