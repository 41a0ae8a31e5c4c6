// Only the canonical layout is accepted: "fmt " at byte 12 and "data" at byte 36, where a 16-byte
// format chunk puts it. The format chunk's own size is not read: a longer format chunk, or any
// other chunk in between, fails the tag check of "data".
#include "decoder/wav_acceptance.h"

#include "base/platform.h"

#include <algorithm>

namespace {

bool has_canonical_tags(const WavHeader& header) {
    return is_riff_wave(header) && has_riff_tag(header.data_id, "data", 4);
}

// Every derived quantity divides by one of these.
bool describes_samples(const WavHeader& header) {
    return header.channels != 0 && header.bits_per_sample != 0 && header.bytes_per_sec != 0;
}

} // namespace

int accept_wav_header(std::FILE* input, WavHeader& header) {
    // A size that cannot be read counts as 0, so such a file fails the size check.
    const std::int64_t input_bytes = std::max<std::int64_t>(file_size(input), 0);
    WavHeaderBytes bytes{};
    if (std::fread(bytes.data(), 1, bytes.size(), input) != bytes.size())
        return -1;
    header = parse_wav_header(bytes);
    if (!has_canonical_tags(header))
        return -1;
    std::fseek(input, wav_header_bytes, SEEK_SET);
    if (header.format_tag != pcm_format_tag || !describes_samples(header))
        return -2;
    if (input_bytes < std::int64_t{header.data_size} + wav_header_bytes)
        return -4;
    return 0;
}

FrameLayout frame_layout(const WavHeader& header, std::int32_t channel) {
    FrameLayout layout;
    const std::int64_t bits_per_frame = std::int64_t{header.channels} * header.bits_per_sample;
    layout.channels = header.channels;
    layout.bytes_per_frame = bits_per_frame / 8;
    layout.bytes_per_sample = layout.bytes_per_frame / header.channels;
    layout.frame_count = std::int64_t{header.data_size} * 8 / bits_per_frame;
    // Channel 0 means "any", taken as the first; a channel that does not exist selects none.
    if (channel == 0)
        layout.selected = 0;
    else if (channel >= 1 && channel <= layout.channels)
        layout.selected = channel - 1;
    return layout;
}

bool has_whole_samples(const FrameLayout& layout) {
    return layout.bytes_per_sample * layout.channels == layout.bytes_per_frame;
}
