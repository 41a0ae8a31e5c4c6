// The decode driver around the decoder: header acceptance, the progress, channel, error and
// range lines, channel selection and the block-wise sample loop. None of these inputs holds
// enough tone for a byte, so no summary line appears.
#include "decoder/decode_stream.h"
#include "decoder/kcs_decoder.h"
#include "decoder/sample_reader.h"
#include "decoder/wav_acceptance.h"
#include "test_support.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

struct WavFields {
    std::string riff_id = "RIFF";
    std::string wave_id = "WAVE";
    std::string format_chunk_id = "fmt ";
    std::string data_id = "data";
    std::uint16_t format_tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t samples_per_sec = 21600;
    std::uint32_t bytes_per_sec = 21600;
    std::uint16_t bits_per_sample = 8;
    std::optional<std::uint32_t> data_size; // the length of the data when not given
};

void put_le(std::string& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A canonical header with the given fields, followed by the data.
std::string wav_file(const WavFields& fields, const std::string& data) {
    const std::uint32_t data_size =
        fields.data_size.value_or(static_cast<std::uint32_t>(data.size()));
    std::string bytes = fields.riff_id;
    put_le(bytes, data_size + 36, 4);
    bytes += fields.wave_id + fields.format_chunk_id;
    put_le(bytes, 16, 4);
    put_le(bytes, fields.format_tag, 2);
    put_le(bytes, fields.channels, 2);
    put_le(bytes, fields.samples_per_sec, 4);
    put_le(bytes, fields.bytes_per_sec, 4);
    put_le(bytes, static_cast<std::uint32_t>(fields.channels * fields.bits_per_sample / 8), 2);
    put_le(bytes, fields.bits_per_sample, 2);
    bytes += fields.data_id;
    put_le(bytes, data_size, 4);
    return bytes + data;
}

// Little-endian samples of the given width, for data built sample by sample.
std::string samples(const std::vector<std::int64_t>& values, int width) {
    std::string bytes;
    for (const std::int64_t value : values)
        put_le(bytes, static_cast<std::uint32_t>(value), width);
    return bytes;
}

std::string bytes_of(const std::vector<int>& values) {
    return std::string(values.begin(), values.end());
}

struct DecodeRun {
    std::int64_t result = 0;
    std::string diagnostics;  // the diagnostic stream
    std::string out;          // standard output
    long input_position = -1; // where the input was left
};

const std::string progress_8_bit_mono =
    "Decoding: 21600 samples/sec, 8 bits 1 channel(s) ~0 seconds. ";

class DecodeStreamTest : public ScratchTest {
  protected:
    DecodeRun decode(const std::string& file_bytes, std::int32_t channel = 0) {
        write_file(path("in.wav"), file_bytes);
        std::FILE* input = std::fopen(path("in.wav").c_str(), "rb");
        std::FILE* target = std::fopen(path("out.txt").c_str(), "w+b");
        DecodeRun run;
        {
            DiagnosticCapture capture;
            testing::internal::CaptureStdout();
            run.result = decode_stream(input, target, channel, 0);
            run.out = testing::internal::GetCapturedStdout();
            run.diagnostics = capture.text();
        }
        run.input_position = std::ftell(input);
        std::fclose(input);
        std::fclose(target);
        return run;
    }
};

struct RejectCase {
    const char* name;
    std::string file_bytes;
    std::int64_t result;
};

} // namespace

TEST_F(DecodeStreamTest, RejectedHeadersGiveTheFirstFaultsCodeAndPrintNothing) {
    // The header with one or two fields changed, and three bytes of data.
    const auto wav_with = [](void (*change)(WavFields&)) {
        WavFields fields;
        change(fields);
        return wav_file(fields, "\x80\x81\x82");
    };
    std::string long_format = wav_with([](WavFields&) {});
    long_format.insert(36, std::string(2, '\0'));
    std::string list_chunk = wav_with([](WavFields&) {});
    list_chunk.insert(36, std::string("LIST\x04\0\0\0abcd", 12));

    const RejectCase cases[] = {
        {"43 bytes", wav_file({}, "").substr(0, 43), -1},
        {"RIFF", wav_with([](WavFields& f) { f.riff_id = "RIFX"; }), -1},
        {"WAVE", wav_with([](WavFields& f) { f.wave_id = "WAVF"; }), -1},
        {"fmt", wav_with([](WavFields& f) { f.format_chunk_id = "fmx "; }), -1},
        {"data", wav_with([](WavFields& f) { f.data_id = "dat "; }), -1},
        {"format chunk of 18 bytes", long_format, -1},
        {"chunk before the data", list_chunk, -1},
        {"tag before format", wav_with([](WavFields& f) {
             f.riff_id = "RIFX";
             f.format_tag = 3;
         }),
         -1},
        {"format_tag 3", wav_with([](WavFields& f) { f.format_tag = 3; }), -2},
        {"format before size", wav_with([](WavFields& f) {
             f.format_tag = 3;
             f.data_size = 9;
         }),
         -2},
        {"no channels", wav_with([](WavFields& f) { f.channels = 0; }), -2},
        {"no bits", wav_with([](WavFields& f) { f.bits_per_sample = 0; }), -2},
        {"no byte rate", wav_with([](WavFields& f) { f.bytes_per_sec = 0; }), -2},
        {"no channels before size", wav_with([](WavFields& f) {
             f.channels = 0;
             f.data_size = 9;
         }),
         -2},
        {"one byte short", wav_with([](WavFields& f) { f.data_size = 4; }), -4},
    };
    for (const RejectCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodeRun run = decode(c.file_bytes);
        EXPECT_EQ(c.result, run.result);
        EXPECT_EQ("", run.diagnostics);
        EXPECT_EQ("", run.out);
    }
}

TEST_F(DecodeStreamTest, FourthByteOfFmtIsNotExamined) {
    for (const char fourth : {'\0', 'X'}) {
        SCOPED_TRACE(static_cast<int>(fourth));
        WavFields fields;
        fields.format_chunk_id = std::string("fmt") + fourth;
        const DecodeRun run = decode(wav_file(fields, "\x80\x90"));
        EXPECT_EQ(2, run.result);
        EXPECT_EQ(progress_8_bit_mono + "Sample Range: 0 to 16 \r\n", run.diagnostics);
    }
}

TEST_F(DecodeStreamTest, EmptyDataChunk) {
    const DecodeRun run = decode(wav_file({}, ""));
    EXPECT_EQ(0, run.result);
    EXPECT_EQ(progress_8_bit_mono + "Sample Range: 0 to 0 \r\n", run.diagnostics);
    EXPECT_EQ("", run.out);
}

TEST_F(DecodeStreamTest, ReadsOnlyTheDataChunk) {
    WavFields fields;
    fields.data_size = 2;
    // The byte after the data chunk (0x00, the lowest sample) stays out of the range.
    const DecodeRun run = decode(wav_file(fields, bytes_of({0x90, 0x70, 0x00})));
    EXPECT_EQ(2, run.result);
    EXPECT_EQ(progress_8_bit_mono + "Sample Range: -16 to 16 \r\n", run.diagnostics);
    EXPECT_EQ(46, run.input_position);
}

// A rate the decoder has no timing for would decode nothing: it is refused with what to do, and
// nothing else is printed. A rate beyond 2^31 shows as the number it is.
TEST_F(DecodeStreamTest, RateOutsideTheDecodersRangeIsRefused) {
    WavFields fields;
    fields.bytes_per_sec = 10;
    for (const std::uint32_t rate : {8000u, 15999u, 65537u, 3000000000u}) {
        fields.samples_per_sec = rate;
        const DecodeRun run = decode(wav_file(fields, std::string(25, '\x80')));
        EXPECT_EQ(refused_rate, run.result);
        EXPECT_EQ(
            "qirvex: The recording has " + std::to_string(rate) +
                " samples/sec; qirvex decodes 16000 to 65536. qirvex-rescue reads any rate.\n",
            run.diagnostics);
    }
    for (const std::uint32_t rate : {16000u, 65536u}) {
        fields.samples_per_sec = rate;
        EXPECT_EQ("Decoding: " + std::to_string(rate) +
                      " samples/sec, 8 bits 1 channel(s) ~2 seconds. Sample Range: 0 to 0 \r\n",
                  decode(wav_file(fields, std::string(25, '\x80'))).diagnostics);
    }
}

// A channel that selects nothing is refused with the channels there are; any other gets the
// channel line, which shows 1 for channel 0.
TEST_F(DecodeStreamTest, ChannelLineOrRefusal) {
    struct ChannelCase {
        std::uint16_t channels;
        std::int32_t channel;
        const char* channel_line; // nullptr: refused
    };
    const ChannelCase cases[] = {
        {2, 0, "Channel 1: "}, {2, 1, "Channel 1: "}, {2, 2, "Channel 2: "}, {2, 3, nullptr},
        {2, -1, nullptr},      {1, 2, nullptr},       {4, 3, "Channel 3: "}, {4, 5, nullptr},
    };
    const std::string mono_refusal =
        "qirvex: -C2 asks for channel 2, but the recording has 1 channel. Leave out -C.\n";
    for (const ChannelCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, channel " +
                     std::to_string(c.channel));
        WavFields fields;
        fields.channels = c.channels;
        const DecodeRun run = decode(wav_file(fields, ""), c.channel);
        const std::string count = std::to_string(c.channels);
        if (c.channel_line == nullptr) {
            EXPECT_EQ(refused_channel, run.result);
            const std::string asked = std::to_string(c.channel);
            EXPECT_EQ(c.channels == 1 ? mono_refusal
                                      : "qirvex: -C" + asked + " asks for channel " + asked +
                                            ", but the recording has " + count +
                                            " channels. Use -C1 to -C" + count + ".\n",
                      run.diagnostics);
            continue;
        }
        std::string expected = "Decoding: 21600 samples/sec, 8 bits " + count +
                               " channel(s) ~0 seconds. " + c.channel_line +
                               "Sample Range:L= 0 to 0 R= 0 to 0 \r\n";
        if (c.channels == 4)
            expected += "Additional 2 channels ignored\r\n";
        EXPECT_EQ(expected, run.diagnostics);
    }
}

TEST_F(DecodeStreamTest, RangeOfTheFirstTwoChannels) {
    struct RangeCase {
        const char* name;
        std::uint16_t channels;
        std::uint16_t bits_per_sample;
        std::string data;
        const char* range;
    };
    const std::int64_t min32 = -2147483648LL;
    const RangeCase cases[] = {
        {"8-bit stereo", 2, 8, bytes_of({0, 100, 255, 128}),
         "Sample Range:L= -128 to 127 R= -28 to 0 \r\n"},
        {"16-bit stereo", 2, 16, samples({-32768, 5, 32767, 7}, 2),
         "Sample Range:L= -32768 to 32767 R= 0 to 7 \r\n"},
        {"32-bit mono", 1, 32, samples({min32, 2147483647}, 4),
         "Sample Range: -2147483648 to 2147483647 \r\n"},
        {"32-bit stereo", 2, 32, samples({5, -7, min32, 2147483647}, 4),
         "Sample Range:L= -2147483648 to 5 R= -7 to 2147483647 \r\n"},
        {"four channels", 4, 8, bytes_of({10, 20, 0, 255}),
         "Sample Range:L= -118 to 0 R= -108 to 0 \r\nAdditional 2 channels ignored\r\n"},
        {"24-bit mono reads as 0", 1, 24, bytes_of({255, 255, 127, 0, 0, 128}),
         "Sample Range: 0 to 0 \r\n"},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        WavFields fields;
        fields.channels = c.channels;
        fields.bits_per_sample = c.bits_per_sample;
        const DecodeRun run = decode(wav_file(fields, c.data));
        EXPECT_EQ(static_cast<std::int64_t>(c.data.size()), run.result);
        const std::string progress = "Decoding: 21600 samples/sec, " +
                                     std::to_string(c.bits_per_sample) + " bits " +
                                     std::to_string(c.channels) + " channel(s) ~0 seconds. ";
        const std::string channel_line = c.channels > 1 ? "Channel 1: " : "";
        EXPECT_EQ(progress + channel_line + c.range, run.diagnostics);
    }
}

TEST_F(DecodeStreamTest, TwelveBitMonoReadsTwoThirdsOfTheData) {
    WavFields fields;
    fields.bits_per_sample = 12;
    // Nine bytes hold six one-byte frames; the last three bytes are never read.
    const DecodeRun run =
        decode(wav_file(fields, bytes_of({128, 128, 128, 128, 128, 144, 0, 0, 0})));
    EXPECT_EQ(9, run.result);
    EXPECT_EQ("Decoding: 21600 samples/sec, 12 bits 1 channel(s) ~0 seconds. "
              "Sample Range: 0 to 16 \r\n",
              run.diagnostics);
    EXPECT_EQ(50, run.input_position);
}

TEST_F(DecodeStreamTest, FewerThanEightBitsMonoCannotReadAFrame) {
    WavFields fields;
    fields.bits_per_sample = 4;
    const std::string progress = "Decoding: 21600 samples/sec, 4 bits 1 channel(s) ~0 seconds. ";
    const DecodeRun run = decode(wav_file(fields, "\x10\x20\x30"));
    EXPECT_EQ(3, run.result);
    EXPECT_EQ(progress + "Error reading file.\r\nSample Range: 0 to 0 \r\n", run.diagnostics);
    // Without data there is no frame to fail on.
    EXPECT_EQ(progress + "Sample Range: 0 to 0 \r\n", decode(wav_file(fields, "")).diagnostics);
}

TEST_F(DecodeStreamTest, FramesOfPartSamplesAreMalformed) {
    struct MalformedCase {
        std::uint16_t bits_per_sample;
        const char* message;
    };
    const MalformedCase cases[] = {
        {4, "Error malformed wav: 0 x 2d <> 1\n"},
        {12, "Error malformed wav: 1 x 2d <> 3\n"},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.bits_per_sample);
        WavFields fields;
        fields.channels = 2;
        fields.bits_per_sample = c.bits_per_sample;
        const DecodeRun run = decode(wav_file(fields, "\x10\x20\x30\x40"));
        EXPECT_EQ(4, run.result);
        EXPECT_EQ(c.message, run.out);
        EXPECT_EQ("Decoding: 21600 samples/sec, " + std::to_string(c.bits_per_sample) +
                      " bits 2 channel(s) ~0 seconds. Channel 1: ",
                  run.diagnostics);
        EXPECT_EQ(44, run.input_position);
    }
}

TEST_F(DecodeStreamTest, DataLongerThanOneBlockIsReadToItsLastFrame) {
    // Two whole 64 KB blocks and a few frames more; the extremes sit in the first and last frame.
    std::string data(2 * 65536 + 5, '\x80');
    data.front() = '\x01';
    data.back() = '\xFF';
    const DecodeRun run = decode(wav_file({}, data));
    EXPECT_EQ(static_cast<std::int64_t>(data.size()), run.result);
    EXPECT_EQ("Decoding: 21600 samples/sec, 8 bits 1 channel(s) ~6 seconds. "
              "Sample Range: -127 to 127 \r\n",
              run.diagnostics);
    EXPECT_EQ(static_cast<long>(44 + data.size()), run.input_position);
}

namespace {

// Runs raw sample data (no header) through the sample loop with the given layout.
struct ReaderRun {
    SampleRange range;
    std::int32_t last_event_sample = 0; // as the decoder recorded it
    std::string diagnostics;
    long input_position = -1;
};

ReaderRun read_raw(const std::string& file_path, const std::string& data,
                   const FrameLayout& layout) {
    write_file(file_path, data);
    std::FILE* input = std::fopen(file_path.c_str(), "rb");
    ReaderRun run;
    std::FILE* target = std::tmpfile();
    KcsDecoder decoder(target);
    {
        DiagnosticCapture capture;
        run.range = read_samples(input, layout, decoder);
        run.diagnostics = capture.text();
    }
    run.last_event_sample = decoder.last_event_sample;
    run.input_position = std::ftell(input);
    std::fclose(input);
    std::fclose(target);
    return run;
}

WavHeader header_of(std::uint16_t channels, std::uint16_t bits_per_sample,
                    std::uint32_t data_size) {
    WavHeader header{};
    header.channels = channels;
    header.bits_per_sample = bits_per_sample;
    header.data_size = data_size;
    return header;
}

class SampleReaderTest : public ScratchTest {};

} // namespace

// Each channel carries one short cycle ending at its own frame, so the decoder's latest event
// tells which channel was tracked.
TEST_F(SampleReaderTest, TracksTheSelectedChannel) {
    // Frames 1 to 6 of four channels: the first ends a cycle at frame 6, the second at frame 4,
    // the third at frame 5, the fourth never.
    const std::vector<int> channel_bytes[] = {
        {128, 200, 56, 56, 56, 200},
        {128, 200, 56, 200, 128, 128},
        {128, 128, 200, 56, 200, 128},
        {128, 128, 128, 128, 128, 128},
    };
    std::string data;
    for (int frame = 0; frame < 6; ++frame)
        for (const auto& channel : channel_bytes)
            data += static_cast<char>(channel[frame]);
    struct SelectCase {
        std::int32_t channel;
        std::int32_t last_event_sample;
    };
    const SelectCase cases[] = {{0, 6}, {1, 6}, {2, 4}, {3, 5}, {4, 0}, {5, 0}, {-1, 0}};
    for (const SelectCase& c : cases) {
        SCOPED_TRACE(c.channel);
        const FrameLayout layout = frame_layout(header_of(4, 8, 24), c.channel);
        const ReaderRun run = read_raw(path("four.raw"), data, layout);
        EXPECT_EQ(c.last_event_sample, run.last_event_sample);
        EXPECT_EQ("", run.diagnostics);
    }
}

TEST_F(SampleReaderTest, StopsBeforeATruncatedLastFrame) {
    // 16-bit stereo, 20000 whole frames (more than one block) and half a frame, while the
    // layout asks for 20001. The right channel ends a cycle at frame 20000; the half frame's
    // left sample, 32767, must not reach the range.
    std::vector<std::int64_t> values(2 * 20000, 0);
    values[2 * 19997 + 1] = 5000;
    values[2 * 19998 + 1] = -5000;
    values[2 * 19999 + 1] = 5000;
    values[2 * 19999] = -32768;
    const std::string data = samples(values, 2) + samples({32767}, 2);
    const FrameLayout layout = frame_layout(header_of(2, 16, 4 * 20001), 2);
    const ReaderRun run = read_raw(path("stereo.raw"), data, layout);
    EXPECT_EQ("Error reading file.\r\n", run.diagnostics);
    EXPECT_EQ(20000, run.last_event_sample);
    EXPECT_EQ(-32768, run.range.left_min);
    EXPECT_EQ(0, run.range.left_max);
    EXPECT_EQ(-5000, run.range.right_min);
    EXPECT_EQ(5000, run.range.right_max);
    EXPECT_EQ(static_cast<long>(data.size()), run.input_position);
}
