// A reader for the WAV files that people actually have: RIFF/WAVE with its chunks in any order
// before the samples (LIST, fact, bext and any others are skipped), integer PCM of 8, 16, 24 or
// 32 bits, IEEE float of 32 or 64 bits, WAVE_FORMAT_EXTENSIBLE carrying either, any rate from
// 8000 to 192000 samples per second and any number of channels. Samples come out scaled to the
// 16-bit range whatever their width, so that everything after this reader sees one scale.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

constexpr std::uint32_t lowest_rate_hz = 8000;
constexpr std::uint32_t highest_rate_hz = 192000;

enum class SampleEncoding { Integer, Float };

struct WavFormat {
    SampleEncoding encoding = SampleEncoding::Integer;
    int channels = 0;                // interleaved channels per sample frame
    std::uint32_t rate_hz = 0;       // sample frames per second
    int bits = 0;                    // bits per sample: 8, 16, 24, 32 (or 64 for float)
    int frame_bytes = 0;             // bytes per sample frame: channels x bits / 8
    std::int64_t data_offset = 0;    // file offset of the first sample, in bytes
    std::int64_t frame_count = 0;    // whole sample frames that the file really holds
    bool is_truncated = false;       // the data chunk declares more than the file holds
    std::int64_t declared_bytes = 0; // the data chunk's own size field, in bytes
};

// Reads the chunks up to the start of the samples and leaves the stream there. On failure
// returns false with `problem` describing what was found and what was expected; nothing is
// printed here.
[[nodiscard]] bool read_wav_format(std::FILE* input, WavFormat& format, std::string& problem);

// Reads up to max_frames whole sample frames into `out` (max_frames x channels values,
// interleaved, scaled to -32768..32767). Returns the frames read; fewer than asked only at the
// end of the file. The caller keeps count against format.frame_count.
[[nodiscard]] std::int64_t read_wav_frames(std::FILE* input, const WavFormat& format,
                                           std::int32_t* out, std::int64_t max_frames);

// Puts the stream back at the first sample frame; false when the stream cannot seek.
[[nodiscard]] bool rewind_to_samples(std::FILE* input, const WavFormat& format);
