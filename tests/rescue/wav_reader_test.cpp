// The WAV reader: every layout gives the same samples, every refusal says what it found, and
// no truncation of a valid file makes it read past what is there.
#include "kcs_audio.h"
#include "test_support.h"

#include "rescue/wav_reader.h"

namespace {

struct Opened {
    bool is_accepted = false;
    WavFormat format;
    std::string problem;
    std::vector<std::int32_t> samples; // every frame read, interleaved
};

Opened open_wav(const std::string& bytes) {
    std::FILE* input = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), input);
    std::rewind(input);
    Opened opened;
    opened.is_accepted = read_wav_format(input, opened.format, opened.problem);
    if (opened.is_accepted) {
        opened.samples.resize(static_cast<std::size_t>(opened.format.frame_count) *
                              static_cast<std::size_t>(opened.format.channels));
        const std::int64_t got =
            read_wav_frames(input, opened.format, opened.samples.data(), opened.format.frame_count);
        EXPECT_EQ(opened.format.frame_count, got);
    }
    std::fclose(input);
    return opened;
}

// Half scale, a quarter below zero, silence and both full scales, on two channels.
const std::vector<Signal> known_channels = {{0.5, -0.25, 0.0, 1.0, -1.0},
                                            {0.0, 0.5, -0.5, -1.0, 1.0}};

TEST(WavReader, EveryLayoutGivesTheSameSamples) {
    struct Case {
        WavLayout layout;
        int bits;
        std::vector<std::int32_t> expected;
    };
    // Interleaved left, right. 8-bit codes are value x 127 + 128, read back x 256; wider
    // integer codes keep their top 16 bits, so -1 (-full scale + 1) reads -32768; floats scale
    // by 32767.
    const std::vector<std::int32_t> wide = {16384,  0,     -8192,  16384,  0,
                                            -16384, 32767, -32768, -32768, 32767};
    const std::vector<std::int32_t> floats = {16384,  0,     -8192,  16384,  0,
                                              -16384, 32767, -32767, -32767, 32767};
    const Case cases[] = {
        {WavLayout::Pcm8, 8, {16384, 0, -8192, 16384, 0, -16384, 32512, -32512, -32512, 32512}},
        {WavLayout::Pcm16, 16, {16384, 0, -8192, 16384, 0, -16384, 32767, -32767, -32767, 32767}},
        {WavLayout::Pcm24, 24, wide},
        {WavLayout::Pcm32, 32, wide},
        {WavLayout::Float32, 32, floats},
        {WavLayout::Float64, 64, floats},
        {WavLayout::Extensible16,
         16,
         {16384, 0, -8192, 16384, 0, -16384, 32767, -32767, -32767, 32767}},
        {WavLayout::ExtensibleFloat, 32, floats},
        {WavLayout::ExtraChunks,
         16,
         {16384, 0, -8192, 16384, 0, -16384, 32767, -32767, -32767, 32767}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.layout));
        const Opened opened = open_wav(build_wav(known_channels, 44100, c.layout));
        ASSERT_TRUE(opened.is_accepted) << opened.problem;
        EXPECT_EQ(2, opened.format.channels);
        EXPECT_EQ(44100u, opened.format.rate_hz);
        EXPECT_EQ(c.bits, opened.format.bits);
        EXPECT_EQ(5, opened.format.frame_count);
        EXPECT_FALSE(opened.format.is_truncated);
        EXPECT_EQ(c.expected, opened.samples);
    }
}

// A valid 16-bit mono file with one header byte replaced.
std::string patched(std::size_t offset, const std::string& bytes) {
    std::string wav = build_wav({{0.1, 0.2}}, 22050, WavLayout::Pcm16);
    wav.replace(offset, bytes.size(), bytes);
    return wav;
}

TEST(WavReader, RefusalsSayWhatWasFoundAndExpected) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* problem;
    };
    // Offsets in the canonical layout: 8 "WAVE", 12 "fmt ", 20 tag, 22 channels, 24 rate,
    // 32 block align, 34 bits, 36 "data".
    const Case cases[] = {
        {"short", "RIFF", "a file of fewer than 12 bytes, where a RIFF/WAVE header was expected"},
        {"not RIFF", patched(0, "OggS"), "found \"OggS\" where \"RIFF\" was expected"},
        {"not WAVE", patched(8, "AVI "), "found \"AVI \" where \"WAVE\" was expected"},
        {"binary id", patched(0, std::string("\x01\x02\"Z", 4)),
         "found \"\\x01\\x02\\x22Z\" where \"RIFF\" was expected"},
        {"ADPCM", patched(20, std::string("\x02\0", 2)),
         "format tag 0x0002 (Microsoft ADPCM), where integer PCM (1) or float (3) was expected"},
        {"no channels", patched(22, std::string("\0\0", 2)),
         "0 channels, where at least 1 was expected"},
        {"slow rate", patched(24, std::string("\x3F\x1F\0\0", 4)),
         "7999 samples per second, where 8000 to 192000 were expected"},
        {"12-bit", patched(34, std::string("\x0C\0", 2)),
         "12-bit integer samples, where 8, 16, 24 or 32 bits were expected"},
        {"16-bit float", patched(20, std::string("\x03\0", 2)),
         "16-bit float samples, where 32 or 64 bits were expected"},
        {"block align", patched(32, std::string("\x04\0", 2)),
         "a block align of 4 bytes, where 1 channel(s) of 16 bits take 2"},
        {"data first", patched(12, "data"),
         "a \"data\" chunk where a \"fmt \" chunk was expected first"},
        {"no data", patched(36, "junk"), "the end of the file where a \"data\" chunk was expected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Opened opened = open_wav(c.bytes);
        EXPECT_FALSE(opened.is_accepted);
        EXPECT_EQ(c.problem, opened.problem);
    }
}

TEST(WavReader, EveryTruncationReadsOnlyWhatIsThere) {
    const std::string wav = build_wav(known_channels, 8000, WavLayout::ExtraChunks);
    const Opened whole = open_wav(wav);
    ASSERT_TRUE(whole.is_accepted);
    const auto header_bytes = static_cast<std::size_t>(whole.format.data_offset);
    for (std::size_t length = 0; length < wav.size(); ++length) {
        SCOPED_TRACE(length);
        const Opened opened = open_wav(wav.substr(0, length));
        EXPECT_EQ(length >= header_bytes, opened.is_accepted);
        if (!opened.is_accepted)
            continue;
        // Only whole frames of 4 bytes are read, and they are the file's own.
        EXPECT_TRUE(opened.format.is_truncated);
        EXPECT_EQ(static_cast<std::int64_t>((length - header_bytes) / 4),
                  opened.format.frame_count);
        EXPECT_TRUE(
            std::equal(opened.samples.begin(), opened.samples.end(), whole.samples.begin()));
    }
}

} // namespace
