// Encode, then decode, through the library: the bytes come back for every framing, both baud
// rates, both tone shapes and both output rates, and through what a sound card makes of them.
#include "test_support.h"

#include "cli/options.h"
#include "decoder/decode_stream.h"
#include "encoder/encode_stream.h"

#include <cstdlib>
#include <random>

namespace {

// A listing with CR LF line ends, then every byte value in a fixed pseudo-random order.
std::string sample_data() {
    std::string data = "10 PRINT \"KCS\"\r\n20 GOTO 10\r\n";
    std::mt19937 generator(1977);
    for (int i = 0; i < 96; ++i)
        data.push_back(static_cast<char>(generator() & 0xFF));
    return data;
}

std::string seven_bit(std::string data) {
    for (char& c : data)
        c = static_cast<char>(c & 0x7F);
    return data;
}

struct DecodeResult {
    std::int64_t result = 0;
    std::string bytes;
    std::string report; // what went to the diagnostic stream
};

std::string encode(const std::string& data) {
    const JobRun run = run_job(data, encode_stream);
    EXPECT_EQ(1, run.result);
    return run.target;
}

DecodeResult decode(const std::string& wav) {
    const JobRun run = run_job(wav, [](std::FILE* input, std::FILE* target) {
        return decode_stream(input, target, options.channel, options.fast_rate);
    });
    return {run.result, run.target, run.console.diagnostics};
}

// The summary line of a clean decode. The default 2000 ms leader measures 2400.50 Hz at 21600
// samples per second and 2450.50 Hz at 22050, where the tones run 2 % fast and so do the bits.
std::string clean_summary(std::size_t count) {
    const bool is_fast = options.fast_rate != 0;
    const std::string rate = options.legacy_rate != 0
                                 ? (is_fast ? "2450.50Hz @ 612" : "2450.50Hz @ 306")
                                 : (is_fast ? "2400.50Hz @ 600" : "2400.50Hz @ 300");
    return "\r\nInput frequency: " + rate + " bps; Wrote " + std::to_string(count) + " bytes\r\n";
}

struct Framing {
    bool seven_data_bits;
    bool even_parity;
    bool odd_parity;
    bool one_stop_bit;
};

std::string describe(const Framing& framing) {
    std::string name;
    name += framing.seven_data_bits ? '7' : '8';
    name += framing.even_parity ? 'E' : (framing.odd_parity ? 'O' : 'N');
    name += framing.one_stop_bit ? '1' : '2';
    if (framing.even_parity && framing.odd_parity)
        name += "+O";
    return name;
}

class RoundTrip : public ScratchTest {};

TEST_F(RoundTrip, EveryFramingRateShapeAndOutputRate) {
    const std::string data = sample_data();
    for (int mask = 0; mask < 16; ++mask) {
        const Framing framing{(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0};
        for (int variant = 0; variant < 8; ++variant) {
            options = Options{};
            options.seven_data_bits = framing.seven_data_bits;
            options.even_parity = framing.even_parity;
            options.odd_parity = framing.odd_parity;
            options.one_stop_bit = framing.one_stop_bit;
            options.fast_rate = variant & 1;
            options.sine_tone = (variant & 2) != 0;
            if ((variant & 4) != 0) {
                options.legacy_rate = 1;
                options.sample_rate = 22050;
            }
            SCOPED_TRACE(describe(framing) + (options.fast_rate ? " 600" : " 300") +
                         (options.sine_tone ? " sine" : " square") +
                         (options.legacy_rate ? " 22050" : " 21600"));
            const DecodeResult decoded = decode(encode(data));
            const std::string expected = framing.seven_data_bits ? seven_bit(data) : data;
            EXPECT_EQ(expected, decoded.bytes);
            EXPECT_NE(std::string::npos, decoded.report.find(clean_summary(data.size())))
                << decoded.report;
        }
    }
}

// At 600 baud the calibration from a full default leader must leave room for one bit of the
// program's own mark tone.
TEST_F(RoundTrip, SixHundredBaudWithTheDefaultLeader) {
    const std::string data = sample_data();
    for (int variant = 0; variant < 4; ++variant) {
        options = Options{};
        options.fast_rate = 1;
        options.sine_tone = (variant & 1) != 0;
        if ((variant & 2) != 0) {
            options.legacy_rate = 1;
            options.sample_rate = 22050;
        }
        SCOPED_TRACE(variant);
        const DecodeResult decoded = decode(encode(data));
        EXPECT_EQ(data, decoded.bytes);
        EXPECT_NE(std::string::npos, decoded.report.find(clean_summary(data.size())))
            << decoded.report;
    }
}

TEST_F(RoundTrip, BasicModeKeepsTheTextAndPadsLineEnds) {
    options.basic_mode = true;
    options.null_count = 10;
    options.eol_padding_ms = 20;
    const DecodeResult decoded = decode(encode("10 A=1\r\n20 END\r\n"));
    std::string line_end = "\r";
    line_end.append(10, '\0');
    line_end += '\n';
    EXPECT_EQ(line_end + "10 A=1" + line_end + "20 END" + line_end, decoded.bytes);
}

TEST_F(RoundTrip, PaddedWordsAndShortLeader) {
    options.word_padding_ms = 10;
    options.eol_padding_ms = 100;
    options.leader_ms = 1000;
    options.trailer_ms = 0;
    const std::string data = sample_data();
    EXPECT_EQ(data, decode(encode(data)).bytes);
}

// What a sound card records: sox converts the program's own output to 16-bit at a higher rate,
// with 3 dB of headroom, mono or stereo with the signal on one side.
class SoundCardRoundTrip : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        if (std::system("sox --version > /dev/null 2>&1") != 0)
            GTEST_SKIP() << "sox is not installed";
    }

    std::string convert(const std::string& wav, const std::string& sox_arguments) {
        write_file(path("in.wav"), wav);
        const std::string command = "sox -D '" + path("in.wav") + "' " + sox_arguments;
        EXPECT_EQ(0, std::system(command.c_str())) << command;
        return read_file(path("out.wav"));
    }
};

TEST_F(SoundCardRoundTrip, SixteenBitResampledMonoAndStereo) {
    const std::string data = sample_data();
    const std::string wav = encode(data);
    struct Case {
        int rate;
        std::string channels; // sox remix: "1" mono, "1 0" left, "0 1" right
        int channel_option;
    };
    const std::vector<Case> cases = {
        {44100, "1", 0},   {48000, "1", 0},   {44100, "1 0", 1},
        {44100, "0 1", 2}, {48000, "1 0", 0}, {48000, "0 1", 2},
    };
    for (const Case& test_case : cases) {
        SCOPED_TRACE(std::to_string(test_case.rate) + " remix " + test_case.channels);
        const std::string out = path("out.wav");
        const std::string recorded =
            convert(wav, "-b 16 -r " + std::to_string(test_case.rate) + " '" + out + "' remix " +
                             test_case.channels + " gain -3");
        options = Options{};
        options.channel = test_case.channel_option;
        EXPECT_EQ(data, decode(recorded).bytes);
    }
}

} // namespace

namespace {

// Even parity read as odd: every word is written and every one counts a parity error.
TEST_F(RoundTrip, WrongParityIsCountedInTheSummary) {
    const std::string data = "PARITY\r\n";
    options.even_parity = true;
    const std::string wav = encode(data);
    options.even_parity = false;
    options.odd_parity = true;
    const DecodeResult decoded = decode(wav);
    EXPECT_EQ(data, decoded.bytes);
    EXPECT_NE(std::string::npos,
              decoded.report.find("@ 300 bps; Wrote 8 bytes 8 parity error(s)\r\nSample Range: "))
        << decoded.report;
}

} // namespace
