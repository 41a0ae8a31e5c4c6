// Reading the canonical header field by field, and the two templates the encoder writes.
#include "wav/wav_header.h"

#include "cli/options.h"

#include <cstring>

namespace {

constexpr void store_u32(WavHeaderBytes& bytes, std::size_t offset, std::uint32_t value) {
    const auto field = u32_to_bytes(value);
    for (std::size_t i = 0; i < field.size(); ++i)
        bytes[offset + i] = field[i];
}

// 8-bit unsigned mono PCM at the given rate; riff_size and data_size stay 0 until
// patch_wav_sizes writes them at the end of the run.
constexpr WavHeaderBytes make_template(std::uint32_t rate_hz) {
    WavHeaderBytes bytes = {
        'R', 'I', 'F', 'F', 0,  0, 0, 0, // riff_id, riff_size
        'W', 'A', 'V', 'E',              // wave_id
        'f', 'm', 't', ' ', 16, 0, 0, 0, // format_chunk_id, format_chunk_size
        1,   0,   1,   0,                // format_tag (PCM), channels
        0,   0,   0,   0,   0,  0, 0, 0, // samples_per_sec, bytes_per_sec: below
        1,   0,   8,   0,                // block_align, bits_per_sample
        'd', 'a', 't', 'a', 0,  0, 0, 0, // data_id, data_size
    };
    store_u32(bytes, 24, rate_hz);
    // One byte per sample frame, so bytes_per_sec equals the rate.
    store_u32(bytes, 28, rate_hz);
    return bytes;
}

constexpr WavHeaderBytes default_template = make_template(default_rate_hz);
constexpr WavHeaderBytes legacy_template = make_template(legacy_rate_hz);

} // namespace

bool has_riff_tag(const char (&id)[4], const char* tag, std::size_t length) {
    return std::memcmp(id, tag, length) == 0;
}

bool is_riff_wave(const WavHeader& header) {
    return has_riff_tag(header.riff_id, "RIFF", 4) && has_riff_tag(header.wave_id, "WAVE", 4) &&
           has_riff_tag(header.format_chunk_id, "fmt", 3);
}

WavHeader parse_wav_header(const WavHeaderBytes& bytes) {
    WavHeader header{};
    std::memcpy(header.riff_id, &bytes[0], 4);
    header.riff_size = bytes_to_u32(&bytes[4]);
    std::memcpy(header.wave_id, &bytes[8], 4);
    std::memcpy(header.format_chunk_id, &bytes[12], 4);
    header.format_chunk_size = bytes_to_u32(&bytes[16]);
    header.format_tag = bytes_to_u16(&bytes[20]);
    header.channels = bytes_to_u16(&bytes[22]);
    header.samples_per_sec = bytes_to_u32(&bytes[24]);
    header.bytes_per_sec = bytes_to_u32(&bytes[28]);
    header.block_align = bytes_to_u16(&bytes[32]);
    header.bits_per_sample = bytes_to_u16(&bytes[34]);
    std::memcpy(header.data_id, &bytes[36], 4);
    header.data_size = bytes_to_u32(&bytes[40]);
    return header;
}

const WavHeaderBytes& wav_header_template(bool is_legacy_rate) {
    return is_legacy_rate ? legacy_template : default_template;
}

bool write_wav_header(std::FILE* stream) {
    const WavHeaderBytes& bytes = wav_header_template(options.legacy_rate != 0);
    return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}
