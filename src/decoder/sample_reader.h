// The sample loop: reads the data chunk frame by frame, converts the samples, feeds the selected
// channel through the swing tracker into the decoder and keeps the range of the first two
// channels.
#pragma once

#include "decoder/kcs_decoder.h"
#include "decoder/wav_acceptance.h"

#include <cstdint>
#include <cstdio>

// The extremes seen on the first two channels; all start at 0, so a range always includes 0.
struct SampleRange {
    std::int32_t left_min = 0;
    std::int32_t left_max = 0;
    std::int32_t right_min = 0;
    std::int32_t right_max = 0;
};

// Reads layout.frame_count frames from the input (at the first sample) and hands each event of
// the selected channel to the decoder. A frame that cannot be read whole ends the loop with
// "Error reading file." on the diagnostic stream; the input is left after the last frame read.
[[nodiscard]] SampleRange read_samples(std::FILE* input, const FrameLayout& layout,
                                       KcsDecoder& decoder);
