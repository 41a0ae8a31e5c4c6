// The audio input: every WAV layout gives the same samples, every refusal says what it found and
// what was expected, and no truncation of a valid file reads past what is there.
#include "kcs_audio.h"
#include "test_support.h"

#include "rescue/audio_input.h"

#include <cmath>

namespace {

struct Opened {
    bool is_accepted = false;
    std::string problem;
    std::vector<std::int16_t> samples; // every frame read, interleaved
    int channels = 0;
    int rate_hz = 0;
    std::string shortfall;
};

// Opens and reads the recording behind `input`, and closes it.
Opened read_stream(std::FILE* input, const RawLayout& raw) {
    Opened opened;
    AudioInput audio;
    opened.is_accepted = open_audio(audio, input, raw, opened.problem);
    if (opened.is_accepted) {
        opened.channels = audio.info.channels;
        opened.rate_hz = audio.info.samplerate;
        std::vector<std::int16_t> block(static_cast<std::size_t>(3 * audio.info.channels));
        for (std::int64_t got = 0; (got = read_audio(audio, block.data(), 3)) > 0;)
            opened.samples.insert(opened.samples.end(), block.begin(),
                                  block.begin() + got * audio.info.channels);
        opened.shortfall = audio_shortfall(audio);
        close_audio(audio);
    }
    std::fclose(input);
    return opened;
}

Opened open_bytes(const std::string& bytes, const RawLayout& raw = {}) {
    return read_stream(file_holding(bytes), raw);
}

// Half scale, a quarter below zero, silence and both full scales, on two channels.
const std::vector<Signal> known_channels = {{0.5, -0.25, 0.0, 1.0, -1.0},
                                            {0.0, 0.5, -0.5, -1.0, 1.0}};

TEST(AudioInput, EveryWavLayoutGivesTheSameSamples) {
    struct Case {
        WavLayout layout;
        std::vector<std::int16_t> expected;
    };
    // Interleaved left, right. 8-bit codes are value x 127 + 128, read back x 256; wider
    // integer codes keep their top 16 bits, so -1 (-full scale + 1) reads -32768; floats scale
    // by 32767.
    const std::vector<std::int16_t> pcm16 = {16384,  0,     -8192,  16384,  0,
                                             -16384, 32767, -32767, -32767, 32767};
    const std::vector<std::int16_t> wide = {16384,  0,     -8192,  16384,  0,
                                            -16384, 32767, -32768, -32768, 32767};
    const std::vector<std::int16_t> floats = {16384,  0,     -8192,  16384,  0,
                                              -16384, 32767, -32767, -32767, 32767};
    const Case cases[] = {
        {WavLayout::Pcm8, {16384, 0, -8192, 16384, 0, -16384, 32512, -32512, -32512, 32512}},
        {WavLayout::Pcm16, pcm16},
        {WavLayout::Pcm24, wide},
        {WavLayout::Pcm32, wide},
        {WavLayout::Float32, floats},
        {WavLayout::Float64, floats},
        {WavLayout::Extensible16, pcm16},
        {WavLayout::ExtensibleFloat, floats},
        {WavLayout::ExtraChunks, pcm16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.layout));
        const Opened opened = open_bytes(build_wav(known_channels, 44100, c.layout));
        ASSERT_TRUE(opened.is_accepted) << opened.problem;
        EXPECT_EQ(2, opened.channels);
        EXPECT_EQ(44100, opened.rate_hz);
        EXPECT_EQ(c.expected, opened.samples);
        EXPECT_EQ("", opened.shortfall);
    }
}

// A valid 16-bit mono file with some header bytes replaced.
std::string patched(std::size_t offset, const std::string& bytes) {
    std::string wav = build_wav({{0.1, 0.2}}, 22050, WavLayout::Pcm16);
    wav.replace(offset, bytes.size(), bytes);
    return wav;
}

TEST(AudioInput, RefusalsSayWhatWasFoundAndExpected) {
    const std::string unreadable =
        "found no recording that libsndfile can read (\"Format not recognised.\"), where a WAV, "
        "AIFF, CAF, FLAC, Ogg or MP3 recording was expected; for headerless samples give their "
        "layout with --raw-format";
    struct Case {
        const char* name;
        std::string bytes;
        RawLayout raw;
        std::string problem;
    };
    RawLayout raw;
    raw.is_raw = true;
    RawLayout no_channels = raw;
    no_channels.channels = 0;
    RawLayout slow_raw = raw;
    slow_raw.rate_hz = 4000;
    // Offsets in the canonical layout: 24 rate, 28 byte rate.
    const Case cases[] = {
        {"text", "10 PRINT \"HELLO\"\r\n", {}, unreadable},
        {"empty", "", {}, unreadable},
        {"slow rate",
         patched(24, std::string("\x3F\x1F\0\0\x7E\x3E\0\0", 8)),
         {},
         "7999 samples per second, where 8000 to 192000 were expected"},
        {"fast rate",
         patched(24, std::string("\x01\xEE\x02\0\x02\xDC\x05\0", 8)),
         {},
         "192001 samples per second, where 8000 to 192000 were expected"},
        {"raw without channels", "abcd", no_channels, "0 channels, where at least 1 was expected"},
        {"raw too slow", "abcd", slow_raw,
         "4000 samples per second, where 8000 to 192000 were expected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Opened opened = open_bytes(c.bytes, c.raw);
        EXPECT_FALSE(opened.is_accepted);
        EXPECT_EQ(c.problem, opened.problem);
    }
}

TEST(AudioInput, RawSamplesInEveryLayout) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::int16_t> expected;
    };
    const Case cases[] = {
        {"u8", std::string("\xC0\x80\x00", 3), {16384, 0, -32768}},
        {"S16_LE", std::string("\x00\x40\x00\xC0", 4), {16384, -16384}},
        {"s16be", std::string("\x40\x00\xC0\x00", 4), {16384, -16384}},
        {"s24le", std::string("\x00\x00\x40\xFF\xFF\xFF", 6), {16384, -1}},
        {"f32le", std::string("\x00\x00\x00\x3F\x00\x00\x80\xC0", 8), {16384, -32767}},
        {"ulaw", std::string("\xFF\x7F", 2), {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawLayout raw;
        raw.is_raw = true;
        raw.rate_hz = 8000;
        raw.format = raw_format_code(c.name);
        ASSERT_NE(0, raw.format);
        const Opened opened = open_bytes(c.bytes, raw);
        ASSERT_TRUE(opened.is_accepted) << opened.problem;
        EXPECT_EQ(c.expected, opened.samples);
    }
    EXPECT_EQ(0, raw_format_code("s12le"));
}

TEST(AudioInput, EveryTruncationReadsOnlyWhatIsThere) {
    const std::string wav = build_wav(known_channels, 8000, WavLayout::ExtraChunks);
    const Opened whole = open_bytes(wav);
    ASSERT_TRUE(whole.is_accepted);
    const std::size_t header_bytes = wav.size() - 5 * 4;
    for (std::size_t length = header_bytes; length < wav.size(); ++length) {
        SCOPED_TRACE(length);
        const Opened opened = open_bytes(wav.substr(0, length));
        ASSERT_TRUE(opened.is_accepted) << opened.problem;
        // Only whole frames of 4 bytes are read, they are the file's own, and the cut is told.
        EXPECT_EQ((length - header_bytes) / 4 * 2, opened.samples.size());
        EXPECT_TRUE(
            std::equal(opened.samples.begin(), opened.samples.end(), whole.samples.begin()));
        EXPECT_EQ("the recording ends before the length its header declares", opened.shortfall);
    }
    // Cut inside the header, a file is refused or read as empty, never past its end.
    for (std::size_t length = 0; length < header_bytes; ++length) {
        SCOPED_TRACE(length);
        EXPECT_TRUE(open_bytes(wav.substr(0, length)).samples.empty());
    }
}

// `samples` at 8000 Hz, mono, as libsndfile writes them in a WAV file of `encoding`.
std::string libsndfile_wav(const std::vector<std::int16_t>& samples, int encoding) {
    std::FILE* file = std::tmpfile();
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | encoding;
    SNDFILE* wav = sf_open_fd(fileno(file), SFM_WRITE, &info, SF_FALSE);
    EXPECT_NE(nullptr, wav) << sf_strerror(nullptr);
    if (wav != nullptr) {
        EXPECT_EQ(static_cast<sf_count_t>(samples.size()),
                  sf_writef_short(wav, samples.data(), static_cast<sf_count_t>(samples.size())));
        sf_close(wav);
    }
    const std::string bytes = stream_contents(file);
    std::fclose(file);
    return bytes;
}

TEST(AudioInput, APipeOfBlocksEndsWhereItsBytesEnd) {
    // libsndfile decodes ADPCM for as many blocks as the header declares, each block it cannot
    // read from the bytes of the one before; a file's length bounds the blocks, a pipe's does
    // not. A rising tone, so that no block repeats another.
    std::vector<std::int16_t> tone(6000);
    for (std::size_t n = 0; n < tone.size(); ++n)
        tone[n] = static_cast<std::int16_t>(12000 * std::sin(0.0002 * static_cast<double>(n * n)));
    struct Case {
        const char* name;
        int encoding;
        std::size_t extra_frames; // that the pipe may give: a file leaves out a last part-block
    };
    const Case cases[] = {
        {"IMA ADPCM", SF_FORMAT_IMA_ADPCM, 0},
        {"MS ADPCM", SF_FORMAT_MS_ADPCM, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string wav = libsndfile_wav(tone, c.encoding);
        // Cut inside a block of 256 bytes; the header still declares every block.
        const std::string cut = wav.substr(0, wav.size() - 1000);
        const Opened file = open_bytes(cut);
        const Opened pipe = read_stream(pipe_holding(cut), {});
        ASSERT_TRUE(file.is_accepted && pipe.is_accepted) << file.problem << pipe.problem;
        ASSERT_GE(pipe.samples.size(), file.samples.size());
        EXPECT_LE(pipe.samples.size() - file.samples.size(), c.extra_frames);
        EXPECT_TRUE(std::equal(file.samples.begin(), file.samples.end(), pipe.samples.begin()));
        EXPECT_EQ("the recording ends before the length its header declares", file.shortfall);
        EXPECT_EQ(file.shortfall, pipe.shortfall);
    }
}

TEST(AudioInput, APipeIsRefusedSamplesItCannotSkipTo) {
    // AIFF, 8-bit mono at 8000 Hz: four frames after an SSND offset of two bytes.
    const std::string aiff("FORM\0\0\0\x34"
                           "AIFF"
                           "COMM\0\0\0\x12\0\x01\0\0\0\x04\0\x08\x40\x0B\xFA\0\0\0\0\0\0\0"
                           "SSND\0\0\0\x0E\0\0\0\x02\0\0\0\0"
                           "xx\x40\xC0\x20\xE0",
                           60);
    const Opened file = open_bytes(aiff);
    ASSERT_TRUE(file.is_accepted) << file.problem;
    EXPECT_EQ((std::vector<std::int16_t>{16384, -16384, 8192, -8192}), file.samples);
    const Opened pipe = read_stream(pipe_holding(aiff), {});
    EXPECT_FALSE(pipe.is_accepted);
    EXPECT_EQ("found a header that places its samples elsewhere, where a pipe needs them right "
              "after it; give the file's name instead",
              pipe.problem);
}

} // namespace
