// Fixed-seed guards of the rescue decoder's tuned thresholds. Each case decodes a recording made
// here from fixed seeds (hiss at a given Eb/N0, hiss or pink noise alone, silence before noisy
// data, a leader and a noisy gap at 1200 baud, capture chains) and checks that the words lost or
// added, the stray words and the decoder's own counts stay within bands around the values
// measured when the thresholds were tuned. A threshold changed either way moves one of them out.
#include "kcs_audio.h"
#include "test_support.h"

#include "cli/options.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double encoder_rate_hz = 21600;
constexpr double capture_rate_hz = 44100;

// Random bytes, the same every run.
std::string random_bytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string data;
    for (std::size_t i = 0; i < count; ++i)
        data.push_back(static_cast<char>(generator() & 0xFF));
    return data;
}

// The encoder's audio at 21600 Hz, with the leader given: sine tones (-U, as make ber sends
// them) or its own square ones (as make robustness does). The options are set back afterwards,
// for the tests that run next in the same process.
Signal kcs(const std::string& data, int baud, int leader_ms, bool is_sine) {
    const Options saved = options;
    options = Options{};
    options.sine_tone = is_sine;
    options.fast_rate = baud == 600 ? 1 : 0;
    options.leader_ms = leader_ms;
    Signal signal = encode_kcs(data);
    options = saved;
    return signal;
}

// White Gaussian noise at Eb/N0 over the signal's mean power, as make ber adds it: with Ns
// samples per bit, sigma^2 = P Ns / (2 Eb/N0).
Signal with_hiss(const Signal& signal, double rate_hz, int baud, double ebn0_db, unsigned seed) {
    double power = 0;
    for (const double s : signal)
        power += s * s;
    power /= static_cast<double>(signal.size());
    const double sigma = std::sqrt(power * (rate_hz / baud) / (2 * std::pow(10, ebn0_db / 10)));
    std::mt19937 generator(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    Signal out = signal;
    for (double& s : out)
        s += noise(generator);
    return out;
}

// Pink noise from white by Paul Kellet's three-pole filter (within 0.5 dB of 1/f above 10 Hz at
// 44100 Hz), scaled to about `rms`.
Signal pink_noise(std::size_t count, double rms, unsigned seed) {
    std::mt19937 generator(seed);
    std::normal_distribution<double> white(0.0, 1.0);
    double b0 = 0, b1 = 0, b2 = 0;
    Signal out(count);
    for (double& s : out) {
        const double w = white(generator);
        b0 = 0.99765 * b0 + w * 0.0990460;
        b1 = 0.96300 * b1 + w * 0.2965164;
        b2 = 0.57000 * b2 + w * 1.0526913;
        // The filter's gain on unit white noise is about 3.5.
        s = rms / 3.5 * (b0 + b1 + b2 + w * 0.1848);
    }
    return out;
}

Signal white_noise(std::size_t count, double rms, unsigned seed) {
    std::mt19937 generator(seed);
    std::normal_distribution<double> white(0.0, rms);
    Signal out(count);
    for (double& s : out)
        s = white(generator);
    return out;
}

// A biquad section of the audio EQ cookbook, as sox's lowpass and allpass effects make them.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0; // normalised by a0
};

Biquad cookbook(double hz, double q, bool is_allpass) {
    const double w0 = 2 * std::numbers::pi * hz / capture_rate_hz;
    const double alpha = std::sin(w0) / (2 * q);
    const double c = std::cos(w0);
    const double a0 = 1 + alpha;
    if (is_allpass)
        return {(1 - alpha) / a0, -2 * c / a0, 1, -2 * c / a0, (1 - alpha) / a0};
    return {(1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}

Signal filtered(const Signal& s, const Biquad& f) {
    Signal out(s.size());
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t n = 0; n < s.size(); ++n) {
        out[n] = f.b0 * s[n] + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
        x2 = x1;
        x1 = s[n];
        y2 = y1;
        y1 = out[n];
    }
    return out;
}

// The capture chains of scripts/degrade.py: two low-pass sections at treble_hz (1700 Hz: mark
// 12.1 dB under space; 1200 Hz: 18.8 dB), then four allpass sections at 1200 Hz that delay
// 1200 Hz 1.06 ms more than 2400 Hz. A treble_hz of 0 leaves the treble alone.
Signal capture_chain(const Signal& at44100, double treble_hz) {
    Signal s = at44100;
    for (int i = 0; treble_hz > 0 && i < 2; ++i)
        s = filtered(s, cookbook(treble_hz, 0.707, false));
    for (int i = 0; i < 4; ++i)
        s = filtered(s, cookbook(1200, 0.707, true));
    return s;
}

// A DC offset of a quarter of the peak that moves by another quarter over 0.2 s half way,
// scaled back so that the sum never clips.
Signal dc_offset_and_step(const Signal& s) {
    double peak = 0;
    for (const double v : s)
        peak = std::max(peak, std::abs(v));
    const std::size_t middle = s.size() / 2;
    const double ramp = 0.2 * capture_rate_hz;
    Signal out(s.size());
    for (std::size_t n = 0; n < s.size(); ++n) {
        const double moved = std::clamp((static_cast<double>(n) - middle) / ramp, 0.0, 1.0);
        out[n] = (s[n] + peak * (0.25 + 0.25 * moved)) / 1.5;
    }
    return out;
}

// KCS at 1200 baud (one cycle of 1200 Hz for a 0, two of 2400 Hz for a 1), 8N2, which the
// encoder does not send: a leader of mark, a gap of silence, 20 bits of mark as a machine
// writes before its words, then the words.
Signal cuts_1200(const std::string& data, double leader_s, double gap_s) {
    const int bit_samples = static_cast<int>(encoder_rate_hz / 1200);
    Signal out;
    const auto append_bit = [&](bool is_mark) {
        for (int n = 0; n < bit_samples; ++n)
            out.push_back(0.5 *
                          std::sin(2 * std::numbers::pi * (is_mark ? 2 : 1) * n / bit_samples));
    };
    for (int b = 0; b < static_cast<int>(leader_s * 1200); ++b)
        append_bit(true);
    out.resize(out.size() + static_cast<std::size_t>(gap_s * encoder_rate_hz), 0.0);
    for (int b = 0; b < 20; ++b)
        append_bit(true);
    for (const char c : data) {
        // [start][d0 .. d7][stop][stop]
        append_bit(false);
        for (int i = 0; i < 8; ++i)
            append_bit(((static_cast<unsigned char>(c) >> i) & 1) != 0);
        append_bit(true);
        append_bit(true);
    }
    for (int b = 0; b < 1200; ++b)
        append_bit(true);
    return out;
}

// Length of the longest common subsequence of two byte strings.
std::size_t common_length(const std::string& a, const std::string& b) {
    std::vector<std::size_t> previous(b.size() + 1, 0), current(b.size() + 1, 0);
    for (const char x : a) {
        for (std::size_t j = 0; j < b.size(); ++j)
            current[j + 1] = x == b[j] ? previous[j] + 1 : std::max(previous[j + 1], current[j]);
        std::swap(previous, current);
    }
    return previous[b.size()];
}

struct Recording {
    Signal signal;
    double rate_hz = encoder_rate_hz;
    std::string expected; // the bytes the recording holds
};

// What one case measured when the thresholds were tuned: bytes of the expected missing from the
// decode (lost or changed), bytes decoded beyond them (added, changed or stray), and the
// decoder's counts.
struct Measured {
    std::int64_t missing = 0;
    std::int64_t extra = 0;
    std::int64_t suspect = 0;
    std::int64_t lock_losses = 0;
    std::int64_t jumps = 0;
};

struct Guard {
    std::string name;
    int baud;
    std::function<Recording()> make;
    Measured measured;
};

// A count passes within a tenth of its measured value and one more, either way. The builds with
// and without vectors sum the tones bit for bit alike (tone_mixing.h), and the sanitizer build
// measured the same counts, so the slack is for a change of code that moves a word or two, not
// for rounding; halving or doubling a tuned threshold moves some case out of it.
void expect_near_measured(const char* what, std::int64_t value, std::int64_t measured) {
    const std::int64_t slack = measured / 10 + 1;
    EXPECT_TRUE(value >= measured - slack && value <= measured + slack)
        << what << ": " << value << ", measured " << measured << " (band " << measured - slack
        << " to " << measured + slack << ")";
}

void check_guard(const Guard& guard) {
    SCOPED_TRACE(guard.name);
    const Recording recording = guard.make();
    RescueSettings settings;
    settings.baud = guard.baud;
    const Rescued rescued =
        rescue_wav(build_wav({recording.signal}, static_cast<std::uint32_t>(recording.rate_hz),
                             WavLayout::Float32),
                   settings);
    ASSERT_TRUE(rescued.is_read);
    const auto common = static_cast<std::int64_t>(common_length(recording.expected, rescued.bytes));
    const RescueResult& r = rescued.result;
    const Measured& m = guard.measured;
    expect_near_measured("bytes missing",
                         static_cast<std::int64_t>(recording.expected.size()) - common, m.missing);
    expect_near_measured("bytes extra", static_cast<std::int64_t>(rescued.bytes.size()) - common,
                         m.extra);
    expect_near_measured("suspect words", r.suspect_words, m.suspect);
    expect_near_measured("lock losses", r.lock_losses, m.lock_losses);
    expect_near_measured("timing jumps", r.jumps, m.jumps);
}

// About 55 s of words at either rate: 1500 at 300 baud, 3000 at 600.
Recording noisy_words(int baud, double ebn0_db) {
    const std::string data = random_bytes(baud == 600 ? 3000 : 1500, 1977);
    const Signal clean = kcs(data, baud, 2000, true);
    return {with_hiss(clean, encoder_rate_hz, baud, ebn0_db, static_cast<unsigned>(baud + ebn0_db)),
            encoder_rate_hz, data};
}

} // namespace

TEST(ThresholdGuard, WordsInHiss) {
    // At 7 dB one bit in 25 is wrong, a third of the words: the clock searches inside running
    // lines all the time, and one word after a searched one confirming it instead of two adds a
    // sixth more bytes that were not sent.
    const Guard guards[] = {
        {"300 baud, 7 dB", 300, [] { return noisy_words(300, 7); }, {826, 287, 122, 1, 88}},
        {"300 baud, 9 dB", 300, [] { return noisy_words(300, 9); }, {176, 142, 57, 0, 67}},
        {"300 baud, 10 dB", 300, [] { return noisy_words(300, 10); }, {35, 29, 23, 0, 29}},
        {"300 baud, 12 dB", 300, [] { return noisy_words(300, 12); }, {1, 1, 3, 0, 5}},
        {"600 baud, 7 dB", 600, [] { return noisy_words(600, 7); }, {1512, 522, 202, 3, 193}},
        {"600 baud, 9 dB", 600, [] { return noisy_words(600, 9); }, {234, 151, 80, 1, 68}},
        {"600 baud, 10 dB", 600, [] { return noisy_words(600, 10); }, {66, 59, 44, 0, 29}},
        {"600 baud, 12 dB", 600, [] { return noisy_words(600, 12); }, {3, 3, 2, 0, 3}},
    };
    for (const Guard& guard : guards)
        check_guard(guard);
}

namespace {

// Six seconds of hiss or pink noise alone, at 44100 Hz, a tenth of full scale.
Recording noise_alone(bool is_pink, unsigned seed) {
    const auto count = static_cast<std::size_t>(6 * capture_rate_hz);
    return {is_pink ? pink_noise(count, 0.1, seed) : white_noise(count, 0.1, seed), capture_rate_hz,
            ""};
}

// 6 s of digital silence, more than the look-ahead, then words without a leader at 10 dB
// Eb/N0: the calibration must take the noisy words for tone, not for more silence.
Recording silence_first(int baud) {
    const std::string data = random_bytes(300, 1979);
    const Signal noisy = with_hiss(kcs(data, baud, 0, true), encoder_rate_hz, baud, 10, 11);
    Signal signal(static_cast<std::size_t>(6 * encoder_rate_hz), 0.0);
    signal.insert(signal.end(), noisy.begin(), noisy.end());
    return {signal, encoder_rate_hz, data};
}

// A 2 s leader at 1200 baud, then 0.5 s of hiss 34 dB under the tones before the words: the
// hiss reads clearly space, but must not set the space level.
Recording leader_then_noisy_gap() {
    const std::string data = random_bytes(400, 1981);
    Signal signal = cuts_1200(data, 2.0, 0.5);
    const Signal hiss = white_noise(static_cast<std::size_t>(0.5 * encoder_rate_hz), 0.01, 13);
    std::copy(hiss.begin(), hiss.end(),
              signal.begin() + static_cast<std::ptrdiff_t>(2 * encoder_rate_hz));
    return {signal, encoder_rate_hz, data};
}

// The file of the capture-chain rows: a listing and random bytes, as qirvex sends them.
std::string chain_data() { return basic_listing(8) + random_bytes(200, 1983); }

// One capture chain over the encoder's square-wave audio at 44100 Hz: hiss (at snr_db, or none
// when 0) on the tape, then the chain, then the DC offset and step when asked for; a leader of
// nul_words NUL words in place of the mark leader.
Recording chain(int baud, double snr_db, double treble_hz, bool has_phase, bool has_dc,
                int nul_words) {
    const std::string data = std::string(static_cast<std::size_t>(nul_words), '\0') + chain_data();
    Signal s = resample(kcs(data, baud, nul_words > 0 ? 0 : 2000, false), encoder_rate_hz,
                        capture_rate_hz, 1.0);
    if (snr_db != 0)
        s = add_noise(s, snr_db, 17);
    if (has_phase)
        s = capture_chain(s, treble_hz);
    if (has_dc)
        s = dc_offset_and_step(s);
    for (double& v : s)
        v *= 0.5;
    return {s, capture_rate_hz, data};
}

// The phase skew of the capture chains at 1200 baud, where it is more than a bit: 1200-baud words
// after a 2 s leader, hiss at snr_db (none when 0), then the allpass sections.
Recording skew_at_1200(double snr_db) {
    const std::string data = chain_data();
    Signal s = resample(cuts_1200(data, 2.0, 0.0), encoder_rate_hz, capture_rate_hz, 1.0);
    if (snr_db != 0)
        s = add_noise(s, snr_db, 19);
    s = capture_chain(s, 0);
    for (double& v : s)
        v *= 0.5;
    return {s, capture_rate_hz, data};
}

} // namespace

TEST(ThresholdGuard, NoiseAloneMakesFewWords) {
    struct File {
        int baud;
        bool is_pink;
        unsigned seed;
        Measured measured;
    };
    const File files[] = {
        {300, false, 1, {0, 7, 4, 0, 0}},
        {300, false, 2, {}},
        {300, false, 3, {}},
        {300, true, 1, {}},
        {300, true, 2, {}},
        {300, true, 3, {0, 2, 1, 0, 1}},
        {600, false, 1, {0, 1, 0, 0, 0}},
        {600, false, 2, {0, 1, 0, 0, 0}},
        {600, false, 3, {}},
        {600, true, 1, {}},
        {600, true, 2, {}},
        {600, true, 3, {}},
    };
    for (const File& f : files)
        check_guard(
            {std::string(f.is_pink ? "pink" : "white") + " noise, seed " + std::to_string(f.seed),
             f.baud, [&] { return noise_alone(f.is_pink, f.seed); }, f.measured});
}

TEST(ThresholdGuard, FindsNoisyWordsAfterSilenceAndGaps) {
    const Guard guards[] = {
        {"silence before words at 10 dB",
         300,
         [] { return silence_first(300); },
         {9, 6, 1, 0, 9}},
        {"silence before words at 10 dB",
         600,
         [] { return silence_first(600); },
         {7, 7, 8, 0, 9}},
        {"1200-baud leader, noisy gap", 1200, leader_then_noisy_gap, {}},
    };
    for (const Guard& guard : guards)
        check_guard(guard);
}

TEST(ThresholdGuard, CaptureChains) {
    const Guard guards[] = {
        {"phase skew 1.06 ms", 600, [] { return chain(600, 0, 0, true, false, 0); }, {}},
        {"mark 19 dB under, skew 1.33 ms",
         300,
         [] { return chain(300, 0, 1200, true, false, 0); },
         {}},
        // Read from the space tone alone: a change of the thresholds that choose it loses
        // hundreds of bytes here.
        {"mark 12 dB under, skew 1.22 ms",
         600,
         [] { return chain(600, 0, 1700, true, false, 0); },
         {}},
        {"mark 12 dB under, skew 1.22 ms, hiss 18 dB",
         600,
         [] { return chain(600, 18, 1700, true, false, 0); },
         {}},
        {"mark 19 dB under, skew 1.33 ms",
         600,
         [] { return chain(600, 0, 1200, true, false, 0); },
         {}},
        {"all", 600, [] { return chain(600, 0, 1700, true, true, 109); }, {0, 0, 0, 0, 2}},
        {"all, hiss 18 dB",
         600,
         [] { return chain(600, 18, 1700, true, true, 109); },
         {0, 0, 0, 0, 3}},
        // Where the chains defeat the decoder, a change of threshold moves a few words.
        {"phase skew 1.06 ms", 1200, [] { return skew_at_1200(0); }, {118, 69, 7, 2, 0}},
        {"phase skew 1.06 ms, hiss 18 dB",
         1200,
         [] { return skew_at_1200(18); },
         {145, 96, 6, 2, 1}},
    };
    for (const Guard& guard : guards)
        check_guard(guard);
}

// Both tones read under half of these bytes; the space tone alone reads them all, and says so.
TEST(ThresholdGuard, TonesOutOfStepAreReadFromTheSpaceToneAlone) {
    const Recording recording = chain(600, 0, 1700, true, false, 0);
    RescueSettings settings;
    settings.baud = 600;
    const Rescued rescued =
        rescue_wav(build_wav({recording.signal}, static_cast<std::uint32_t>(recording.rate_hz),
                             WavLayout::Float32),
                   settings);
    EXPECT_EQ(recording.expected, rescued.bytes);
    EXPECT_EQ(ToneReader::SpaceAlone, rescued.result.reader);
}
