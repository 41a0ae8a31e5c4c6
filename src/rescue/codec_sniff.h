// Which reader a recording's first bytes call for, as libsndfile's guess of a file's type reads
// them: "fLaC", "OggS" with a Vorbis or Opus first packet, an MPEG audio frame header, any of
// them after an ID3v2 tag. The Windows build chooses its FLAC, MP3 and Ogg Vorbis decoders by
// it (codec_input.h); plain computation on bytes, tested and fuzzed on every platform.
#pragma once

#include <array>
#include <cstddef>

// Enough for every header looked at: an Ogg page's 27 bytes, its segment table of up to 255
// and a codec's 8-byte name; an ID3v2 tag of up to 490 bytes and what follows it.
constexpr std::size_t sniff_bytes = 512;

// The start of a recording, as far as it is there.
struct RecordingStart {
    std::array<unsigned char, sniff_bytes> bytes{};
    std::size_t count = 0; // bytes that are there
};

enum class CodecKind { Other, Flac, Mp3, Vorbis, Opus };

struct Sniffed {
    CodecKind kind = CodecKind::Other;
    std::size_t offset = 0; // where the codec's stream begins: after an ID3v2 tag, if any
    int mpeg_layer = 0;     // MP3: the audio layer, 1 to 3, from the frame header; 0 where the
                            // header is beyond the start
};

// What the start shows. A tag that reaches beyond the start is taken to lead to MP3, as it
// mostly does, where `can_look_further` is false (a pipe); a file can be looked at further on,
// and shows Other here, for libsndfile to read.
[[nodiscard]] Sniffed sniff_recording(const RecordingStart& start, bool can_look_further);
