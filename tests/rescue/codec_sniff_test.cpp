// The choice of the Windows build's FLAC, MP3 and Ogg Vorbis readers by a recording's first
// bytes: each kind libsndfile's guess leads to, the ID3v2 tag before it, and the headers that
// must not be taken for one.
#include "rescue/codec_sniff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

RecordingStart start_of(const std::vector<unsigned char>& bytes) {
    RecordingStart start;
    start.count = std::min(bytes.size(), start.bytes.size());
    std::copy_n(bytes.begin(), start.count, start.bytes.begin());
    return start;
}

std::vector<unsigned char> text(const std::string& characters) {
    return {characters.begin(), characters.end()};
}

// An ID3v2.3 tag of `size` bytes after its 10-byte header (a syncsafe size), then `after`.
std::vector<unsigned char> tagged(unsigned size, const std::vector<unsigned char>& after) {
    std::vector<unsigned char> bytes(10 + size + after.size(), 0);
    const std::string magic = "ID3\x03";
    std::copy(magic.begin(), magic.end(), bytes.begin());
    for (int n = 0; n < 4; ++n)
        bytes[static_cast<std::size_t>(6 + n)] =
            static_cast<unsigned char>(size >> (7 * (3 - n)) & 0x7F);
    std::copy(after.begin(), after.end(), bytes.begin() + 10 + size);
    return bytes;
}

// An Ogg page header with one segment, then the first packet's bytes.
std::vector<unsigned char> ogg_page(const std::string& packet) {
    std::vector<unsigned char> bytes = text("OggS");
    bytes.resize(26, 0);
    bytes.push_back(1);
    bytes.push_back(static_cast<unsigned char>(packet.size()));
    const auto name = text(packet);
    bytes.insert(bytes.end(), name.begin(), name.end());
    return bytes;
}

const char* kind_name(CodecKind kind) {
    switch (kind) {
    case CodecKind::Other:
        return "other";
    case CodecKind::Flac:
        return "FLAC";
    case CodecKind::Mp3:
        return "MP3";
    case CodecKind::Vorbis:
        return "Vorbis";
    case CodecKind::Opus:
        return "Opus";
    }
    return "?";
}

// "MP3 layer 3 at 0" and the like, so that a failure shows all three at once.
std::string sniffed_text(const std::vector<unsigned char>& bytes, bool can_look_further) {
    const Sniffed sniffed = sniff_recording(start_of(bytes), can_look_further);
    return std::string(kind_name(sniffed.kind)) + " layer " + std::to_string(sniffed.mpeg_layer) +
           " at " + std::to_string(sniffed.offset);
}

} // namespace

TEST(CodecSniff, FindsWhatLibsndfileWouldHandToItsExternalLibraries) {
    struct Row {
        const char* label;
        std::vector<unsigned char> bytes;
        const char* expected;
    };
    const std::vector<Row> rows = {
        {"FLAC", text("fLaC\0\0\0\x22"), "FLAC layer 0 at 0"},
        {"FLAC after an ID3v2 tag", tagged(20, text("fLaC")), "FLAC layer 0 at 30"},
        {"Ogg Vorbis", ogg_page("\x01vorbis"), "Vorbis layer 0 at 0"},
        {"Ogg Opus", ogg_page("OpusHead"), "Opus layer 0 at 0"},
        {"Ogg FLAC",
         ogg_page("\x7f"
                  "FLAC"),
         "other layer 0 at 0"},
        {"an Ogg page cut short", text("OggS\0\0"), "other layer 0 at 0"},
        {"MPEG-1 layer III", {0xFF, 0xFB, 0x50, 0xC4}, "MP3 layer 3 at 0"},
        {"MPEG-1 layer II", {0xFF, 0xFD, 0x50, 0xC4}, "MP3 layer 2 at 0"},
        {"MPEG-2 layer III", {0xFF, 0xF3, 0x50, 0xC4}, "MP3 layer 3 at 0"},
        {"MP3 after an ID3v2 tag", tagged(5, {0xFF, 0xFB, 0x50, 0xC4}), "MP3 layer 3 at 15"},
        {"reserved MPEG version", {0xFF, 0xEB, 0x50, 0xC4}, "other layer 0 at 0"},
        {"reserved layer", {0xFF, 0xF9, 0x50, 0xC4}, "other layer 0 at 0"},
        {"reserved bit rate", {0xFF, 0xFB, 0xF0, 0xC4}, "other layer 0 at 0"},
        {"reserved sample rate", {0xFF, 0xFB, 0x5C, 0xC4}, "other layer 0 at 0"},
        {"a sync word cut short", {0xFF, 0xFB, 0x50}, "other layer 0 at 0"},
        {"WAV", text("RIFF\x24\0\0\0WAVEfmt "), "other layer 0 at 0"},
        {"WAV after an ID3v2 tag", tagged(4, text("RIFF\x24\0\0\0WAVE")), "other layer 0 at 14"},
        {"ID3 of an unknown version",
         {'I', 'D', '3', 5, 0, 0, 0, 0, 0, 0, 0xFF, 0xFB, 0x50, 0xC4},
         "other layer 0 at 0"},
        {"nothing", {}, "other layer 0 at 0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(row.expected, sniffed_text(row.bytes, true));
    }
}

// A pipe shows only its first bytes: a tag that reaches beyond them is taken to lead to MP3,
// where a file is left to libsndfile, which reads on after the tag itself.
TEST(CodecSniff, TagBeyondTheStartLeadsToMp3OnlyWhereNoMoreCanBeSeen) {
    const std::vector<unsigned char> long_tag = tagged(4000, {0xFF, 0xFB, 0x50, 0xC4});
    EXPECT_EQ("MP3 layer 0 at 4010", sniffed_text(long_tag, false));
    EXPECT_EQ("other layer 0 at 4010", sniffed_text(long_tag, true));
}
