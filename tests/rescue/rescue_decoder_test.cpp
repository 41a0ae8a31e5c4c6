// The rescue decoder on synthetic recordings: the encoder's clean audio, damaged in the ways real
// tapes are, must come back byte for byte at both baud rates.
#include "kcs_audio.h"
#include "test_support.h"

#include "cli/options.h"
#include "rescue/tone_detector.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace {

// A listing line, then every byte value in a fixed pseudo-random order: 60 words.
std::string sample_data() {
    std::string data = "10 PRINT \"OSI\"\r\n20 GOTO 10\r\n";
    std::mt19937 generator(1979);
    for (int i = 0; i < 32; ++i)
        data.push_back(static_cast<char>(generator() & 0xFF));
    return data;
}

RescueSettings settings_for(int baud) {
    RescueSettings settings;
    settings.baud = baud;
    return settings;
}

struct Condition {
    const char* name;
    Signal (*damage)(const Signal&);
};

Signal unchanged(const Signal& s) { return s; }
Signal fast5(const Signal& s) { return resample(s, 21600, 44100, 1.05); }
Signal slow5(const Signal& s) { return resample(s, 21600, 44100, 0.95); }
Signal at48000(const Signal& s) { return resample(s, 21600, 48000, 1.0); }
Signal at8000(const Signal& s) { return resample(s, 21600, 8000, 1.0); }
Signal noise0db(const Signal& s) { return add_noise(resample(s, 21600, 44100, 1.0), 0, 7); }
Signal inverted(const Signal& s) {
    Signal out = s;
    for (double& v : out)
        v = -v;
    return out;
}
// A quarter of full scale off centre and 6 dB too loud: one half of every cycle is cut flat.
Signal offset_clipped(const Signal& s) {
    Signal out = s;
    for (double& v : out)
        v = std::min(1.0, std::max(-1.0, 2 * v + 0.5));
    return out;
}
// A head out of line with the track: the signal averaged with itself 0.2 ms later, a comb whose
// first notch at 2500 Hz leaves mark 21 dB under space.
Signal azimuth(const Signal& s) {
    const Signal at44100 = resample(s, 21600, 44100, 1.0);
    const double delay = 0.0002 * 44100;
    const auto whole = static_cast<std::size_t>(delay);
    const double part = delay - static_cast<double>(whole);
    Signal out(at44100.size());
    for (std::size_t n = whole + 1; n < out.size(); ++n)
        out[n] =
            0.5 * (at44100[n] + (1 - part) * at44100[n - whole] + part * at44100[n - whole - 1]);
    return out;
}
// Mark 24 dB down: an equaliser's cut at 2400 Hz (Q 2), the peaking filter of the audio EQ
// cookbook that sox's equalizer uses.
Signal mark_cut(const Signal& s) {
    const double gain = std::pow(10.0, -24.0 / 40);
    const double w0 = 2 * std::numbers::pi * 2400 / 21600;
    const double alpha = std::sin(w0) / (2 * 2.0);
    const double a0 = 1 + alpha / gain;
    const double b0 = (1 + alpha * gain) / a0;
    const double b1 = -2 * std::cos(w0) / a0;
    const double b2 = (1 - alpha * gain) / a0;
    const double a1 = b1;
    const double a2 = (1 - alpha / gain) / a0;
    Signal out(s.size());
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t n = 0; n < out.size(); ++n) {
        out[n] = b0 * s[n] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = s[n];
        y2 = y1;
        y1 = out[n];
    }
    return out;
}
// The speed jumps every half second of tape, as where a worn belt slips and catches.
Signal speed_steps(const Signal& s) {
    const double speeds[] = {1.0, 1.02, 0.98, 1.01};
    const std::size_t piece = 10800;
    Signal out;
    for (std::size_t start = 0, k = 0; start < s.size(); start += piece, ++k) {
        const Signal part(s.begin() + static_cast<std::ptrdiff_t>(start),
                          s.begin() +
                              static_cast<std::ptrdiff_t>(std::min(s.size(), start + piece)));
        const Signal moved = resample(part, 21600, 44100, speeds[k % std::size(speeds)]);
        out.insert(out.end(), moved.begin(), moved.end());
    }
    return out;
}
Signal quiet30db(const Signal& s) {
    Signal out = s;
    for (double& v : out)
        v *= 0.0316;
    return out;
}

// The rate the damaged signal is recorded at.
std::uint32_t rate_of(const Condition& condition) {
    if (condition.damage == at48000)
        return 48000;
    if (condition.damage == at8000)
        return 8000;
    if (condition.damage == unchanged || condition.damage == inverted ||
        condition.damage == offset_clipped || condition.damage == quiet30db ||
        condition.damage == mark_cut)
        return 21600;
    return 44100;
}

const Condition conditions[] = {
    {"clean", unchanged},         {"5% fast", fast5},
    {"5% slow", slow5},           {"48000 Hz", at48000},
    {"8000 Hz", at8000},          {"noise at 0 dB SNR", noise0db},
    {"inverted", inverted},       {"offset and clipped", offset_clipped},
    {"30 dB quiet", quiet30db},   {"head out of line", azimuth},
    {"speed steps", speed_steps}, {"mark cut 24 dB", mark_cut},
};

class RescueDecoderTest : public ScratchTest {};

TEST_F(RescueDecoderTest, RecoversDamagedRecordingsExactly) {
    const std::string data = sample_data();
    for (const int baud : {300, 600}) {
        options = Options{};
        options.fast_rate = baud == 600 ? 1 : 0;
        const Signal clean = encode_kcs(data);
        for (const Condition& condition : conditions) {
            SCOPED_TRACE(std::to_string(baud) + " baud, " + condition.name);
            const std::string wav =
                build_wav({condition.damage(clean)}, rate_of(condition), WavLayout::Pcm16);
            const Rescued rescued = rescue_wav(wav, settings_for(baud));
            ASSERT_TRUE(rescued.is_read);
            EXPECT_EQ(data, rescued.bytes);
            EXPECT_EQ(0, rescued.result.suspect_words);
        }
    }
}

TEST_F(RescueDecoderTest, MeasuresTapeSpeed) {
    options.fast_rate = 0;
    const Signal clean = encode_kcs("speed");
    for (const double speed : {0.95, 0.98, 1.0, 1.03, 1.05}) {
        SCOPED_TRACE(speed);
        const Rescued rescued =
            rescue_wav(build_wav({resample(clean, 21600, 44100, speed)}, 44100, WavLayout::Pcm16),
                       settings_for(300));
        EXPECT_TRUE(rescued.result.has_leader);
        EXPECT_NEAR(speed, rescued.result.speed, 0.002);
        EXPECT_EQ("speed", rescued.bytes);
    }
}

TEST_F(RescueDecoderTest, CalibratesOnTheFirstToneAfterSilence) {
    // 9 s of silence, more than two look-aheads, before a tape that runs 5 % fast, as in a
    // capture that was started early.
    options.fast_rate = 0;
    Signal signal(9 * 44100, 0.0);
    const Signal tape = resample(encode_kcs("silence first"), 21600, 44100, 1.05);
    signal.insert(signal.end(), tape.begin(), tape.end());
    const Rescued rescued =
        rescue_wav(build_wav({signal}, 44100, WavLayout::Pcm16), settings_for(300));
    EXPECT_EQ("silence first", rescued.bytes);
    EXPECT_NEAR(1.05, rescued.result.speed, 0.002);
}

TEST_F(RescueDecoderTest, RecoversWithoutLeaderAndAcrossGaps) {
    struct Case {
        const char* name;
        int leader_ms;
        int word_padding_ms;
    };
    // Gaps of 1 ms to 20 ms of mark between words: from a fraction of a bit to six bits at
    // 300 baud, so the lock must notice idle line and search again. After gaps of about a bit
    // each word is found by a search inside the running line, and the words after it, which
    // confirm it, lie a gap further on too.
    const Case cases[] = {{"no leader", 0, 0},
                          {"1 ms gaps", 2000, 1},
                          {"3 ms gaps", 2000, 3},
                          {"whole-bit gaps", 2000, 10},
                          {"long gaps, no leader", 0, 20}};
    const std::string data = sample_data();
    for (const int baud : {300, 600}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(baud) + " baud, " + c.name);
            options = Options{};
            options.fast_rate = baud == 600 ? 1 : 0;
            options.leader_ms = c.leader_ms;
            options.word_padding_ms = c.word_padding_ms;
            const Signal clean = encode_kcs(data);
            const Rescued rescued = rescue_wav(
                build_wav({resample(clean, 21600, 44100, 1.02)}, 44100, WavLayout::Pcm16),
                settings_for(baud));
            EXPECT_EQ(data, rescued.bytes);
        }
    }
}

// Without a leader or a trailer, the speed is measured on the bit period of the framed words: on
// the mark tone it was pulled by whatever else read clearly mark.
TEST_F(RescueDecoderTest, MeasuresTheSpeedOnFramedWordsWithoutALeader) {
    const std::string data = sample_data();
    for (const int baud : {300, 600}) {
        SCOPED_TRACE(baud);
        options.fast_rate = baud == 600 ? 1 : 0;
        options.leader_ms = 0;
        options.trailer_ms = 0;
        const Rescued rescued = rescue_wav(
            build_wav({resample(encode_kcs(data), 21600, 44100, 1.03)}, 44100, WavLayout::Pcm16),
            settings_for(baud));
        EXPECT_EQ(data, rescued.bytes);
        EXPECT_EQ(CalibrationSource::FramedWords, rescued.result.calibrated_on);
        EXPECT_NEAR(1.03, rescued.result.speed, 0.002);
    }
}

TEST_F(RescueDecoderTest, DecodesEveryFraming) {
    struct Framing {
        const char* name;
        bool seven_data_bits;
        bool even_parity;
        bool odd_parity;
        bool one_stop_bit;
        WordFormat format;
    };
    const Framing framings[] = {
        {"8N1", false, false, false, true, {8, Parity::None, 1}},
        {"7E1", true, true, false, true, {7, Parity::Even, 1}},
        {"7O2", true, false, true, false, {7, Parity::Odd, 2}},
        {"8E2", false, true, false, false, {8, Parity::Even, 2}},
    };
    const std::string data = sample_data();
    for (const Framing& framing : framings) {
        SCOPED_TRACE(framing.name);
        options = Options{};
        options.seven_data_bits = framing.seven_data_bits;
        options.even_parity = framing.even_parity;
        options.odd_parity = framing.odd_parity;
        options.one_stop_bit = framing.one_stop_bit;
        RescueSettings settings = settings_for(300);
        settings.format = framing.format;
        const Rescued rescued =
            rescue_wav(build_wav({encode_kcs(data)}, 21600, WavLayout::Pcm8), settings);
        std::string expected = data;
        if (framing.seven_data_bits)
            for (char& c : expected)
                c = static_cast<char>(c & 0x7F);
        EXPECT_EQ(expected, rescued.bytes);
        EXPECT_EQ(0, rescued.result.suspect_words);
    }
}

TEST_F(RescueDecoderTest, ReportsParityErrorsAndKeepsTheBytes) {
    options.even_parity = true;
    options.seven_data_bits = true;
    RescueSettings settings = settings_for(300);
    settings.format = {7, Parity::Odd, 2};
    // "A" (0x41) has two ones, so even parity sends 0 and odd parity expects 1; "C" has three.
    const Rescued rescued =
        rescue_wav(build_wav({encode_kcs("AC")}, 21600, WavLayout::Pcm16), settings);
    EXPECT_EQ("AC", rescued.bytes);
    EXPECT_EQ(2, rescued.result.suspect_words);
    // The start edges follow the 2000 ms leader, at samples 43200 and 43992 (2.0000 s and
    // 2.0367 s at 21600 Hz); the edge found may be a few samples off.
    const long expected_samples[] = {43200, 43992};
    const unsigned expected_bytes[] = {0x41, 0x43};
    std::size_t line_start = 0;
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        double seconds = 0;
        long sample = 0;
        unsigned byte = 0;
        int confidence = 0;
        ASSERT_EQ(4, std::sscanf(rescued.report.c_str() + line_start,
                                 "suspect word at %lf s (sample %ld): parity error, byte 0x%X, "
                                 "confidence %d\n",
                                 &seconds, &sample, &byte, &confidence));
        // Clean audio: every bit is decided with a wide margin, whatever the parity says.
        EXPECT_GE(confidence, 80);
        EXPECT_NEAR(expected_samples[i], sample, 8);
        EXPECT_NEAR(sample / 21600.0, seconds, 0.0001);
        EXPECT_EQ(expected_bytes[i], byte);
        line_start = rescued.report.find('\n', line_start) + 1;
    }
    EXPECT_EQ(rescued.report.size(), line_start);
}

TEST_F(RescueDecoderTest, PicksTheChannelWithTheTone) {
    const std::string data = sample_data();
    const Signal clean = resample(encode_kcs(data), 21600, 44100, 1.0);
    // The other channel carries hiss at -40 dBFS.
    Signal hiss(clean.size());
    std::mt19937 generator(3);
    std::normal_distribution<double> noise(0.0, 0.01);
    for (double& v : hiss)
        v = noise(generator);
    for (const int tone_channel : {1, 2}) {
        SCOPED_TRACE(tone_channel);
        const std::vector<Signal> channels =
            tone_channel == 1 ? std::vector<Signal>{clean, hiss} : std::vector<Signal>{hiss, clean};
        const std::string wav = build_wav(channels, 44100, WavLayout::Pcm16);
        const Rescued rescued = rescue_wav(wav, settings_for(300));
        EXPECT_EQ(tone_channel, rescued.result.channel);
        EXPECT_EQ(data, rescued.bytes);
        // Asking for the silent channel finds nothing.
        RescueSettings silent = settings_for(300);
        silent.channel = 3 - tone_channel;
        EXPECT_EQ("", rescue_wav(wav, silent).bytes);
    }
}

TEST_F(RescueDecoderTest, EveryLayoutDecodesTheSame) {
    const std::string data = "layout";
    const Signal clean = resample(encode_kcs(data), 21600, 22050, 1.0);
    const WavLayout layouts[] = {
        WavLayout::Pcm8,         WavLayout::Pcm16,           WavLayout::Pcm24,
        WavLayout::Pcm32,        WavLayout::Float32,         WavLayout::Float64,
        WavLayout::Extensible16, WavLayout::ExtensibleFloat, WavLayout::ExtraChunks};
    for (const WavLayout layout : layouts) {
        SCOPED_TRACE(static_cast<int>(layout));
        const Rescued rescued = rescue_wav(build_wav({clean}, 22050, layout), settings_for(300));
        ASSERT_TRUE(rescued.is_read);
        EXPECT_EQ(data, rescued.bytes);
    }
}

// The decoder runs the DC remover and the detectors over blocks of any length; the state they
// carry from one block to the next must give the same output as one sample at a time.
TEST(ToneDetector, BlocksGiveTheSameOutputAsSingleSamples) {
    std::mt19937 generator(1981);
    std::vector<std::int32_t> signal(5000);
    for (std::int32_t& v : signal)
        v = static_cast<std::int32_t>(generator() % 60000) - 20000;
    DcRemover one_remover;
    DcRemover block_remover;
    ToneDetector one;
    ToneDetector block;
    configure_dc_remover(one_remover, 44100);
    configure_dc_remover(block_remover, 44100);
    configure_tone_detector(one, 2400.0, 44100, 147);
    configure_tone_detector(block, 2400.0, 44100, 147);
    std::vector<std::int32_t> expected;
    std::vector<std::int64_t> expected_sums;
    for (const std::int32_t v : signal) {
        expected.push_back(remove_dc(one_remover, v));
        push_tone_sample(one, expected.back());
        expected_sums.push_back(one.sums.i);
        expected_sums.push_back(one.sums.q);
    }
    std::vector<std::int32_t> got = signal;
    std::vector<ToneSums> sums(signal.size());
    // Blocks shorter and longer than both rings, so that their ends fall everywhere.
    for (std::size_t done = 0, length = 1; done < got.size(); done += length, length += 23) {
        length = std::min(length, got.size() - done);
        remove_dc_block(block_remover, got.data() + done, length);
        push_tone_block(block, got.data() + done, length, sums.data() + done);
    }
    std::vector<std::int64_t> got_sums;
    for (const ToneSums& s : sums) {
        got_sums.push_back(s.i);
        got_sums.push_back(s.q);
    }
    EXPECT_EQ(expected, got);
    EXPECT_EQ(expected_sums, got_sums);
}

} // namespace
