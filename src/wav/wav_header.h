// The one WAV layout this program knows: the 44-byte canonical RIFF/WAVE PCM header, a "fmt "
// chunk of 16 bytes followed directly by the "data" chunk, samples from offset 44. Every number
// is unsigned little-endian.
#pragma once

#include "base/byte_order.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int wav_header_bytes = 44;

// The two output rates, in sample frames per second: the default, at which one tone cell lasts
// 1/1200 s, and the legacy rate (-Q).
constexpr std::uint32_t default_rate_hz = 21600;
constexpr std::uint32_t legacy_rate_hz = 22050;

// The largest data chunk, in bytes, for which riff_size (data_size + 36) still fits in 32 bits.
constexpr std::uint32_t max_data_size_bytes = 0xFFFFFFFFu - 36;

struct WavHeader {
    char riff_id[4];                 // "RIFF"
    std::uint32_t riff_size;         // bytes after this field: data_size + 36
    char wave_id[4];                 // "WAVE"
    char format_chunk_id[4];         // "fmt "
    std::uint32_t format_chunk_size; // 16
    std::uint16_t format_tag;        // 1 = integer PCM
    std::uint16_t channels;          // interleaved channels
    std::uint32_t samples_per_sec;   // sample frames per second
    std::uint32_t bytes_per_sec;     // samples_per_sec x block_align
    std::uint16_t block_align;       // bytes per sample frame
    std::uint16_t bits_per_sample;   // bits per sample
    char data_id[4];                 // "data"
    std::uint32_t data_size;         // sample bytes after the header
};

using WavHeaderBytes = std::array<std::uint8_t, wav_header_bytes>;

// The format tag of integer PCM.
constexpr std::uint16_t pcm_format_tag = 1;

// True when the first `length` bytes of a four-byte chunk id are those of `tag`.
[[nodiscard]] bool has_riff_tag(const char (&id)[4], const char* tag, std::size_t length);

// True when the header begins "RIFF", "WAVE", "fmt". The fourth byte of "fmt " is not examined:
// some writers put a NUL there.
[[nodiscard]] bool is_riff_wave(const WavHeader& header);

// Reads the fields out of the 44 raw header bytes, whatever the host's byte order.
[[nodiscard]] WavHeader parse_wav_header(const WavHeaderBytes& bytes);

// The template the encoder writes for a new file, at 21600 or (legacy) 22050 samples per
// second: 8-bit unsigned mono PCM, both sizes 0 until patched.
[[nodiscard]] const WavHeaderBytes& wav_header_template(bool is_legacy_rate);

// Writes the template chosen by options.legacy_rate in one write; true when all 44 bytes were
// accepted.
[[nodiscard]] bool write_wav_header(std::FILE* stream);

// Codes of open_append_target.
constexpr int append_accepted = 1;
constexpr int append_wrong_format = -2; // not 21600/22050 Hz 8-bit mono integer PCM
constexpr int append_not_wav = -3;      // not a RIFF/WAVE file with a "fmt" chunk first
constexpr int append_corrupt = -4;      // header cut short, data chunk misplaced or truncated

// Checks an existing target (open for update, at its start) before samples are appended.
// Returns 1 with the stream after the last sample and existing_data_size set, or -2 (format),
// -3 (not WAV) or -4 (corrupt) with existing_data_size 0. Adopts the file's rate into options.
[[nodiscard]] int open_append_target(std::FILE* stream, std::uint32_t& existing_data_size);

// The reason the append refusal message gives for a code of open_append_target.
[[nodiscard]] const char* append_refusal_reason(int code);

// Writes the final sizes: data_size = sample_count + 1 (the pad byte), riff_size = data_size +
// 36. Nothing is checked.
void patch_wav_sizes(std::FILE* stream, std::uint32_t sample_count);
