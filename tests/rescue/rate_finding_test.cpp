// The bit rate and framing found from the audio where none is given, found again where a side
// changes them between programs, and a wrong rate that is given told by its words, which read
// every one of the line's bits two or four times.
#include "kcs_audio.h"
#include "test_support.h"

#include "cli/options.h"
#include "rescue/rescue_decoder.h"
#include "rescue/sample_range.h"
#include "rescue/tape_side.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t rate_hz = 21600;

// 8N2 words at `baud`, each bit whole cycles of 1200 Hz (space) or 2400 Hz (mark), after a
// second of mark: the audio of a CUTS-rate tape, which the project's encoder does not write.
Signal tones(const std::string& data, int baud) {
    std::vector<bool> bits(static_cast<std::size_t>(baud), true);
    for (const char c : data) {
        bits.push_back(false);
        for (int k = 0; k < 8; ++k)
            bits.push_back(((static_cast<unsigned char>(c) >> k) & 1) != 0);
        bits.insert(bits.end(), {true, true});
    }
    bits.insert(bits.end(), 20, true);
    const int samples_per_bit = static_cast<int>(rate_hz) / baud;
    Signal signal;
    for (const bool is_mark : bits)
        for (int n = 0; n < samples_per_bit; ++n)
            signal.push_back(0.7 * std::sin(2 * std::numbers::pi * (is_mark ? 2400 : 1200) * n /
                                            rate_hz));
    return signal;
}

Signal encoded(const std::string& data, int baud) {
    if (baud == 1200)
        return tones(data, baud);
    options = Options{};
    options.fast_rate = baud == 600 ? 1 : 0;
    return encode_kcs(data);
}

struct Decoded {
    std::string bytes;
    RescueResult result;
};

// Pushed in pieces of `piece` frames, or all at once; the framing given as 8N2 unless found.
Decoded decode(const Signal& signal, int baud, std::size_t piece = 0, bool is_framing_found = false,
               std::vector<DecodedWord>* all_words = nullptr) {
    std::vector<std::int16_t> samples(signal.size());
    std::transform(signal.begin(), signal.end(), samples.begin(),
                   [](double v) { return scaled_sample(v); });
    RescueSettings settings;
    settings.baud = baud;
    if (is_framing_found)
        settings.found = FramingFound{true, true, true};
    RescueDecoder decoder;
    start_rescue(decoder, settings, rate_hz, 1);
    std::vector<DecodedWord> words;
    const std::size_t step = piece > 0 ? piece : samples.size();
    for (std::size_t done = 0; done < samples.size(); done += step)
        push_frames(decoder, samples.data() + done,
                    static_cast<std::int64_t>(std::min(step, samples.size() - done)), words);
    finish_rescue(decoder, words);
    Decoded decoded{"", rescue_result(decoder)};
    for (const DecodedWord& word : words)
        decoded.bytes.push_back(static_cast<char>(word.byte));
    if (all_words != nullptr)
        *all_words = words;
    return decoded;
}

// The encoder's audio of `data` in a framing: "8N2", "7E1"...
Signal framed(const std::string& data, int baud, const std::string& framing) {
    options = Options{};
    options.fast_rate = baud == 600 ? 1 : 0;
    options.seven_data_bits = framing[0] == '7';
    options.even_parity = framing[1] == 'E';
    options.odd_parity = framing[1] == 'O';
    options.one_stop_bit = framing[2] == '1';
    return encode_kcs(data);
}

// The bytes as a framing of `data_bits` carries them.
std::string carried(const std::string& data, char data_bits) {
    std::string bytes = data;
    if (data_bits == '7')
        for (char& c : bytes)
            c = static_cast<char>(c & 0x7F);
    return bytes;
}

std::string listing() {
    std::string text;
    for (int n = 1; n <= 12; ++n)
        text += std::to_string(n * 10) + " PRINT \"LINE " + std::to_string(n) + "\";I*" +
                std::to_string(n) + "\r\n";
    return text;
}

class RateFindingTest : public ScratchTest {};

TEST_F(RateFindingTest, FindsEachRateAndTellsAWrongOneGiven) {
    const std::string data = listing();
    for (const int baud : {300, 600, 1200}) {
        SCOPED_TRACE(std::to_string(baud) + " baud");
        const Signal signal = encoded(data, baud);
        const Decoded found = decode(signal, 0);
        EXPECT_EQ(data, found.bytes);
        EXPECT_EQ(baud, found.result.baud);
        EXPECT_TRUE(found.result.is_baud_found);
        EXPECT_EQ(1, found.result.repeat_factor);
        // The rate is chosen at the same frames however the recording comes in pieces.
        EXPECT_EQ(found.bytes, decode(signal, 0, 777).bytes);
        // Given at two and four times the line's rate, the words still frame, but repeat.
        for (const int factor : {2, 4}) {
            if (baud * factor > 1200)
                continue;
            SCOPED_TRACE(baud * factor);
            EXPECT_EQ(factor, decode(signal, baud * factor).result.repeat_factor);
        }
        EXPECT_EQ(1, decode(signal, baud).result.repeat_factor);
    }
}

// Random bytes, NULs and bytes of one run each (0x80, 0xF0) at their own rate are not taken for
// a wrong rate, and a short tape still finds its rate.
TEST_F(RateFindingTest, OddBytesAtTheirOwnRateAreNotTakenForRepeats) {
    std::string data(64, '\0');
    for (int i = 0; i < 256; ++i)
        data.push_back(static_cast<char>((i * 167 + 13) & 0xFF));
    data += std::string(40, '\x80') + std::string(40, '\xF0');
    for (const int baud : {300, 600}) {
        SCOPED_TRACE(baud);
        const Decoded given = decode(encoded(data, baud), baud);
        EXPECT_EQ(data, given.bytes);
        EXPECT_EQ(1, given.result.repeat_factor);
        const Decoded found = decode(encoded("HELLO", baud), 0);
        EXPECT_EQ("HELLO", found.bytes);
        EXPECT_EQ(baud, found.result.baud);
    }
}

TEST_F(RateFindingTest, FindsEveryFramingTheEncoderWrites) {
    const std::string data = listing().substr(0, 96);
    for (const char* framing : {"8N2", "8N1", "8E2", "8E1", "8O2", "8O1", "7N2", "7N1", "7E2",
                                "7E1", "7O2", "7O1"}) {
        for (const int baud : {300, 600}) {
            SCOPED_TRACE(std::string(framing) + " at " + std::to_string(baud));
            const Decoded found = decode(framed(data, baud, framing), 0, 0, true);
            EXPECT_EQ(carried(data, framing[0]), found.bytes);
            EXPECT_EQ(baud, found.result.baud);
            EXPECT_EQ(framing, framing_name(found.result.format));
            EXPECT_EQ(0, found.result.suspect_words);
            // The space tone alone frames a 600-baud 7N2 line as 8N1 at 300 baud.
            EXPECT_EQ(ToneReader::BothTones, found.result.reader);
        }
    }
}

// A side of two programs, the second at another rate and framing after a pause: each word is
// read, and carries, its own program's line.
TEST_F(RateFindingTest, FindsTheLineAgainAfterAQuiet) {
    const std::string first = listing().substr(0, 120);
    const std::string second = listing().substr(120, 120);
    Signal side = framed(first, 300, "8N2");
    side.insert(side.end(), rate_hz * 3 / 2, 0.0);
    const Signal next = framed(second, 600, "7E1");
    side.insert(side.end(), next.begin(), next.end());
    std::vector<DecodedWord> words;
    const Decoded found = decode(side, 0, 0, true, &words);
    ASSERT_EQ(first + second, found.bytes);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const bool is_second = i >= first.size();
        EXPECT_EQ(is_second ? 600 : 300, words[i].baud) << i;
        EXPECT_EQ(is_second ? "7E1" : "8N2", framing_name(words[i].format)) << i;
    }
    // Found alike however the recording comes in pieces.
    EXPECT_EQ(found.bytes, decode(side, 0, 1000, true).bytes);
}

} // namespace
