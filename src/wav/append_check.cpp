// Before appending: the existing target must be a canonical WAV file in the encoder's own format,
// and its data must all be there. Afterwards: the final size fields.
#include "wav/wav_header.h"

#include "base/platform.h"
#include "cli/options.h"

#include <algorithm>
#include <cinttypes>
#include <climits>

namespace {

constexpr std::uint16_t encoder_bits_per_sample = 8;
constexpr std::uint16_t encoder_channels = 1;

// The appended samples are timed at the file's own rate, whatever the command line chose.
bool adopt_rate(std::uint32_t samples_per_sec) {
    if (samples_per_sec != default_rate_hz && samples_per_sec != legacy_rate_hz)
        return false;
    options.legacy_rate = samples_per_sec == legacy_rate_hz ? 1 : 0;
    options.sample_rate = static_cast<std::int32_t>(samples_per_sec);
    return true;
}

// fseek takes a long, which is 32 bits on some platforms; move in steps that fit.
bool seek_forward(std::FILE* stream, std::uint32_t bytes) {
    std::uint32_t left_bytes = bytes;
    do {
        const auto step = static_cast<long>(std::min<std::uint64_t>(left_bytes, LONG_MAX));
        if (std::fseek(stream, step, SEEK_CUR) != 0)
            return false;
        left_bytes -= static_cast<std::uint32_t>(step);
    } while (left_bytes > 0);
    return true;
}

void write_u32_at(std::FILE* stream, long offset, std::uint32_t value) {
    const auto bytes = u32_to_bytes(value);
    std::fseek(stream, offset, SEEK_SET);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

} // namespace

int open_append_target(std::FILE* stream, std::uint32_t& existing_data_size) {
    existing_data_size = 0;
    const std::int64_t length_bytes = file_size(stream);
    WavHeaderBytes bytes{};
    if (std::fread(bytes.data(), 1, bytes.size(), stream) != bytes.size())
        return append_corrupt;
    const WavHeader header = parse_wav_header(bytes);
    if (!is_riff_wave(header))
        return append_not_wav;
    // Any other chunk between "fmt " and "data", or a longer format chunk, lands here too.
    if (!has_riff_tag(header.data_id, "data", 4))
        return append_corrupt;
    std::fseek(stream, wav_header_bytes, SEEK_SET);
    if (header.format_tag != pcm_format_tag)
        return append_wrong_format;
    if (length_bytes < wav_header_bytes + std::int64_t{header.data_size})
        return append_corrupt;
    // The rate is printed as the unsigned value it is: 4294967295 Hz, not -1.
    std::printf("Existing file - Sample Rate: %" PRIu32 ", %d bits, %d channels\r\n",
                header.samples_per_sec, header.bits_per_sample, header.channels);
    if (!adopt_rate(header.samples_per_sec))
        return append_wrong_format;
    if (header.bits_per_sample != encoder_bits_per_sample || header.channels != encoder_channels)
        return append_wrong_format;
    if (!seek_forward(stream, header.data_size))
        return append_corrupt;
    existing_data_size = header.data_size;
    return append_accepted;
}

const char* append_refusal_reason(int code) {
    switch (code) {
    case append_wrong_format:
        return "The WAV format is not 21600/22050(Legacy)/8bit mono\n";
    case append_not_wav:
        return "The file is not WAV format.\n";
    case append_corrupt:
        return "The file is corrupt.\n";
    default:
        return "";
    }
}

// The pad byte that ends every run is a sample of the data chunk, so it is counted here.
void patch_wav_sizes(std::FILE* stream, std::uint32_t sample_count) {
    const std::uint32_t data_size = sample_count + 1;
    write_u32_at(stream, 40, data_size);
    write_u32_at(stream, 4, data_size + 36);
}
