// Test audio for the rescue decoder: clean KCS from the project's encoder, the damage real
// recordings suffer (speed, noise, inversion, offset and clipping, other rates, stereo), and
// WAV files in the layouts that recorders write.
#pragma once

#include "rescue/decode_loop.h"

#include <cstdint>
#include <string>
#include <vector>

// Samples as -1..1.
using Signal = std::vector<double>;

// The encoder's output for `data` under the current qirvex options, as samples at 21600 Hz.
[[nodiscard]] Signal encode_kcs(const std::string& data);

// Resamples by linear interpolation to rate_hz x ... read at `speed` times the original pace
// (1.05: the tape runs 5 % fast, so tones rise and bits shorten).
[[nodiscard]] Signal resample(const Signal& signal, double from_hz, double to_hz, double speed);

// Adds white Gaussian noise at snr_db below the signal's own power, from a fixed seed.
[[nodiscard]] Signal add_noise(const Signal& signal, double snr_db, unsigned seed);

enum class WavLayout {
    Pcm8,            // 8-bit unsigned
    Pcm16,           // 16-bit, canonical 44-byte header
    Pcm24,           // 24-bit
    Pcm32,           // 32-bit integer
    Float32,         // IEEE float
    Float64,         // IEEE double
    Extensible16,    // WAVE_FORMAT_EXTENSIBLE holding 16-bit PCM
    ExtensibleFloat, // WAVE_FORMAT_EXTENSIBLE holding 32-bit float
    ExtraChunks,     // 16-bit with LIST before "fmt ", fact and an odd-sized bext before "data"
};

// A complete WAV file of the channels (all the same length), clamped to full scale.
[[nodiscard]] std::string build_wav(const std::vector<Signal>& channels, std::uint32_t rate_hz,
                                    WavLayout layout);

struct Rescued {
    bool is_read = false; // the recording was opened and decoded
    std::string bytes;    // what was written to the target
    RescueResult result;
    std::string report; // the --report lines
};

// Runs the rescue decode on a recording held in memory.
[[nodiscard]] Rescued rescue_wav(const std::string& wav, const RescueSettings& settings);
