// What the decoder accepts of a WAV input, and the frame layout it derives from the header.
#pragma once

#include "wav/wav_header.h"

#include <cstdint>
#include <cstdio>

// The shape of the sample data, derived from the header in 64 bits so that nothing overflows.
struct FrameLayout {
    std::int64_t bytes_per_frame = 0;  // channels x bits_per_sample / 8
    std::int64_t bytes_per_sample = 0; // bytes_per_frame / channels
    std::int32_t channels = 0;         // interleaved channels
    std::int32_t selected = -1;        // 0-based index of the decoded channel, -1 for none
    std::int64_t frame_count = 0;      // data_size x 8 / (channels x bits_per_sample)
};

// Reads the 44-byte header of the input (at its first byte) and leaves the input at the first
// sample. Returns 0 when the header is accepted, or -1 (not the canonical RIFF/WAVE/fmt/data
// layout), -2 (not PCM, or no channels, bits or byte rate) or -4 (file shorter than its data).
// Prints nothing.
[[nodiscard]] int accept_wav_header(std::FILE* input, WavHeader& header);

// The layout of an accepted header, decoding `channel` (0 and 1 both mean the first).
[[nodiscard]] FrameLayout frame_layout(const WavHeader& header, std::int32_t channel);

// False when a frame does not split into whole samples of one width (for example 4-bit stereo).
[[nodiscard]] bool has_whole_samples(const FrameLayout& layout);
