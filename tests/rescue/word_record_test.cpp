// What the streaming core tells about each word beyond its byte: the bit period and the levels it
// was read against, the gap before it, and the discriminator of each bit, which must agree with
// the byte, the framing and the confidence that the core reports.
#include "kcs_audio.h"
#include "test_support.h"

#include "cli/options.h"
#include "rescue/rescue_decoder.h"
#include "rescue/sample_range.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace {

constexpr std::uint32_t rate_hz = 44100;
constexpr double speed = 1.02;

std::vector<DecodedWord> decode_words(const Signal& signal, const RescueSettings& settings,
                                      RescueResult& result) {
    std::vector<std::int16_t> samples(signal.size());
    std::transform(signal.begin(), signal.end(), samples.begin(),
                   [](double v) { return scaled_sample(v); });
    RescueDecoder decoder;
    start_rescue(decoder, settings, rate_hz, 1);
    std::vector<DecodedWord> words;
    push_frames(decoder, samples.data(), static_cast<std::int64_t>(samples.size()), words);
    finish_rescue(decoder, words);
    result = rescue_result(decoder);
    return words;
}

class WordRecordTest : public ScratchTest {};

// A tape with 20 ms of mark between words, its mark tone 10 dB under its space tone.
TEST_F(WordRecordTest, EachWordCarriesItsOwnReading) {
    options.leader_ms = 2000;
    options.word_padding_ms = 20;
    const std::string data = "10 PRINT \"RECORD\"\r\n";
    Signal signal = resample(encode_kcs(data), 21600, rate_hz, speed);
    // The treble rolled off by two one-pole low-passes at 600 Hz: 10.6 dB between the tones.
    const double pole = std::exp(-2 * std::numbers::pi * 600 / rate_hz);
    for (int pass = 0; pass < 2; ++pass) {
        double state = 0;
        for (double& v : signal)
            v = state = (1 - pole) * v + pole * state;
    }
    RescueResult result;
    const std::vector<DecodedWord> words = decode_words(signal, RescueSettings{}, result);
    ASSERT_EQ(data.size(), words.size());
    EXPECT_EQ(CalibrationSource::Leader, result.calibrated_on);
    EXPECT_GT(result.leader_end - result.leader_start, rate_hz);

    const double bit_samples = rate_hz / (300 * speed);
    const double word_samples = 11 * bit_samples;
    const double padding_samples = 0.020 * rate_hz / speed;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const DecodedWord& word = words[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(static_cast<unsigned char>(data[i]), word.byte);
        ASSERT_EQ(11, word.bit_count);
        // The bits' signs are the word as read: start space, data, stop bits mark.
        int byte = 0;
        for (int k = 0; k < 8; ++k)
            byte |= (word.bit_d[static_cast<std::size_t>(1 + k)] > 0 ? 1 : 0) << k;
        EXPECT_EQ(word.byte, byte);
        EXPECT_LT(word.bit_d[0], 0);
        EXPECT_GT(word.bit_d[9], 0);
        EXPECT_GT(word.bit_d[10], 0);
        float weakest = 1;
        for (int k = 0; k < word.bit_count; ++k)
            weakest = std::min(weakest, std::fabs(word.bit_d[static_cast<std::size_t>(k)]));
        EXPECT_NEAR(weakest * 100, word.confidence, 1);
        EXPECT_NEAR(bit_samples, word.bit_samples, bit_samples * 0.01);
        EXPECT_LT(word.mark_level, word.space_level / 2);
        const double gap = i == 0 ? 1.9 * rate_hz / speed : padding_samples;
        EXPECT_NEAR(gap, word.gap_before, i == 0 ? 0.2 * rate_hz : bit_samples / 4);
        if (i > 0) {
            EXPECT_NEAR(words[i - 1].edge + word_samples + padding_samples, word.edge,
                        bit_samples / 4);
        }
    }
}

TEST(RescueCore, DecodesWhatItsRangesHold) {
    struct Case {
        const char* name;
        int baud;
        int data_bits;
        int stop_bits;
        int channel;
        std::uint32_t rate_hz;
        int channels;
        bool is_decodable;
    };
    const Case cases[] = {
        {"300 baud, 8000 Hz", 300, 8, 2, 0, 8000, 1, true},
        {"7999 Hz", 300, 8, 2, 0, 7999, 1, false},
        {"192000 Hz", 300, 8, 2, 0, 192000, 1, true},
        {"192001 Hz", 300, 8, 2, 0, 192001, 1, false},
        {"75 baud", 75, 8, 2, 0, 44100, 1, true},
        {"1200 baud", 1200, 8, 2, 0, 44100, 1, true},
        {"500 baud: no whole cycles", 500, 8, 2, 0, 44100, 1, false},
        {"2400 baud: under one cycle of space", 2400, 8, 2, 0, 44100, 1, false},
        {"7 data bits, 1 stop", 600, 7, 1, 0, 44100, 1, true},
        {"6 data bits", 300, 6, 2, 0, 44100, 1, false},
        {"3 stop bits", 300, 8, 3, 0, 44100, 1, false},
        {"channel 2 of 2", 300, 8, 2, 2, 44100, 2, true},
        {"channel 3 of 2", 300, 8, 2, 3, 44100, 2, false},
        {"no channels", 300, 8, 2, 0, 44100, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RescueSettings settings;
        settings.baud = c.baud;
        settings.format.data_bits = c.data_bits;
        settings.format.stop_bits = c.stop_bits;
        settings.channel = c.channel;
        EXPECT_EQ(c.is_decodable, is_decodable(settings, c.rate_hz, c.channels));
    }
}

} // namespace
