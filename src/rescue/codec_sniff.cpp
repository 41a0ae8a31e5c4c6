// The tests of libsndfile's guess_file_type and id3_skip (1.2.2) that lead to FLAC, Ogg and
// MPEG audio, on the bytes of a recording's start.
#include "rescue/codec_sniff.h"

#include <cstring>

namespace {

bool has_marker(const RecordingStart& start, std::size_t at, const char* marker) {
    const std::size_t length = std::strlen(marker);
    return at + length <= start.count && std::memcmp(start.bytes.data() + at, marker, length) == 0;
}

// libsndfile's identify_mpeg: the sync bits, and a version, layer, bit rate and sample rate
// that are not reserved.
bool is_mpeg_frame(const RecordingStart& start, std::size_t at) {
    if (at + 4 > start.count)
        return false;
    const unsigned char b1 = start.bytes[at + 1];
    const unsigned char b2 = start.bytes[at + 2];
    return start.bytes[at] == 0xFF && (b1 & 0xE0) == 0xE0 && (b1 & 0x18) != 0x08 &&
           (b1 & 0x06) != 0 && (b2 & 0xF0) != 0xF0 && (b2 & 0x0C) != 0x0C;
}

// The bytes an ID3v2 tag takes, its 10-byte header included, as id3_skip counts them (a footer
// not counted); 0 where the recording does not open with one.
std::size_t id3_bytes(const RecordingStart& start) {
    if (start.count < 10 || !has_marker(start, 0, "ID3") || start.bytes[3] < 2 ||
        start.bytes[3] > 4)
        return 0;
    std::size_t size = 0;
    for (std::size_t n = 6; n < 10; ++n)
        size = (size << 7) | (start.bytes[n] & 0x7F);
    return size + 10;
}

// The first packet of an Ogg stream follows the page's 27-byte header and its segment table.
CodecKind ogg_kind(const RecordingStart& start, std::size_t at) {
    constexpr std::size_t page_header_bytes = 27;
    if (at + page_header_bytes > start.count)
        return CodecKind::Other;
    const std::size_t packet = at + page_header_bytes + start.bytes[at + page_header_bytes - 1];
    if (has_marker(start, packet, "\x01vorbis"))
        return CodecKind::Vorbis;
    return has_marker(start, packet, "OpusHead") ? CodecKind::Opus : CodecKind::Other;
}

// MPEG audio layer from the header's two layer bits: 3 is layer I, 1 layer III.
int mpeg_layer(const RecordingStart& start, std::size_t at) {
    return at + 1 < start.count ? 4 - ((start.bytes[at + 1] >> 1) & 3) : 0;
}

} // namespace

Sniffed sniff_recording(const RecordingStart& start, bool can_look_further) {
    Sniffed sniffed;
    sniffed.offset = id3_bytes(start);
    const std::size_t at = sniffed.offset;
    if (at > 0 && at + 4 > start.count) {
        if (!can_look_further)
            sniffed.kind = CodecKind::Mp3;
        return sniffed;
    }
    if (has_marker(start, at, "fLaC"))
        sniffed.kind = CodecKind::Flac;
    else if (has_marker(start, at, "OggS"))
        sniffed.kind = ogg_kind(start, at);
    else if (is_mpeg_frame(start, at))
        sniffed.kind = CodecKind::Mp3;
    if (sniffed.kind == CodecKind::Mp3)
        sniffed.mpeg_layer = mpeg_layer(start, at);
    return sniffed;
}
