// The first seconds of a recording, held while the decoder calibrates on them and then replayed
// into it: interleaved frames of samples in the 16-bit range, every channel.
#pragma once

#include "rescue/tone_detector.h"

#include <cstdint>
#include <vector>

// The seconds that are analysed for the channel and the speed.
constexpr double look_ahead_seconds = 4.0;

struct LookAhead {
    std::vector<std::int16_t> samples; // interleaved frames
    int channels = 0;                  // samples per frame
    std::uint32_t rate_hz = 0;         // frames per second
};

[[nodiscard]] inline std::int64_t look_ahead_frames(const LookAhead& look_ahead) {
    return static_cast<std::int64_t>(look_ahead.samples.size()) / look_ahead.channels;
}

// Calls visit(y) for each DC-free sample of one channel (from 0), aligned so that the n-th call
// gets sample n of the recording: a fresh DC remover for every pass, so that the passes need no
// copy of the channel.
template <typename Visit>
void for_each_dc_free(const LookAhead& look_ahead, int channel, Visit&& visit) {
    DcRemover remover;
    configure_dc_remover(remover, look_ahead.rate_hz);
    const std::int64_t delay = dc_remover_delay(remover);
    const std::int64_t frames = look_ahead_frames(look_ahead);
    const std::int16_t* sample = look_ahead.samples.data() + channel;
    for (std::int64_t n = 0; n < frames; ++n, sample += look_ahead.channels) {
        const std::int32_t y = remove_dc(remover, *sample);
        if (n >= delay)
            visit(y);
    }
}
