// The front end against a plain reference that takes one sample at a time with a ring of its
// own: the DC remover's outputs and both sums of a detector for every sample, bit for bit, at
// every rate the decoder takes, on tone, noise and values at the ends of the 32-bit range, for
// blocks cut at every offset and of random lengths. Each of the detector's loops (the plain one
// and, where the processor has it, the AVX2 one) is also held to the reference on its own.
#include "rescue/tone_detector.h"
#include "rescue/tone_mixing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using Values = std::vector<std::int32_t>;

// The DC remover as first written: a ring, its 64-bit sum, and the centre found in the ring.
Values reference_dc(std::uint32_t rate_hz, const Values& input) {
    const auto length = static_cast<std::size_t>(std::lround(rate_hz / 1200.0));
    std::vector<std::int32_t> ring(length, 0);
    std::size_t next = 0;
    std::int64_t sum = 0;
    Values output;
    for (const std::int32_t sample : input) {
        sum += std::int64_t{sample} - ring[next];
        ring[next] = sample;
        next = (next + 1) % length;
        const std::size_t centre = (next + length - 1 - length / 2) % length;
        output.push_back(
            static_cast<std::int32_t>(static_cast<std::int64_t>(length) * ring[centre] - sum));
    }
    return output;
}

// A detector as first written: products of a Q14 sine table read at the phase and a quarter
// turn on, kept in rings of 64-bit values.
std::vector<std::int64_t> reference_sums(double tone_hz, std::uint32_t rate_hz, int window,
                                         const Values& input) {
    std::vector<std::int32_t> sine(1024);
    for (std::size_t k = 0; k < sine.size(); ++k)
        sine[k] = static_cast<std::int32_t>(
            std::lround(16384.0 * std::sin(2 * std::acos(-1.0) * static_cast<double>(k) / 1024)));
    const auto step = static_cast<std::uint32_t>(std::llround(tone_hz / rate_hz * 4294967296.0));
    std::vector<std::int64_t> ring_i(static_cast<std::size_t>(window), 0);
    std::vector<std::int64_t> ring_q(static_cast<std::size_t>(window), 0);
    std::size_t next = 0;
    std::uint32_t phase = 0;
    std::int64_t i = 0;
    std::int64_t q = 0;
    std::vector<std::int64_t> sums;
    for (const std::int32_t sample : input) {
        const std::int64_t product_i = std::int64_t{sample} * sine[(phase + (1u << 30)) >> 22];
        const std::int64_t product_q = std::int64_t{sample} * sine[phase >> 22];
        phase += step;
        i += product_i - ring_i[next];
        q += product_q - ring_q[next];
        ring_i[next] = product_i;
        ring_q[next] = product_q;
        next = (next + 1) % ring_i.size();
        sums.push_back(i);
        sums.push_back(q);
    }
    return sums;
}

struct FrontRun {
    Values dc;
    std::vector<std::int64_t> sums;
};

// The front end over blocks that end at each of `cuts` and at the end.
FrontRun in_blocks(double tone_hz, std::uint32_t rate_hz, int window, const Values& input,
                   const std::vector<std::size_t>& cuts) {
    DcRemover remover;
    ToneDetector detector;
    configure_dc_remover(remover, rate_hz);
    configure_tone_detector(detector, tone_hz, rate_hz, window);
    FrontRun run{input, {}};
    std::vector<ToneSums> sums(input.size());
    std::size_t done = 0;
    std::vector<std::size_t> ends = cuts;
    ends.push_back(input.size());
    for (std::size_t end : ends) {
        end = std::min(end, input.size());
        remove_dc_block(remover, run.dc.data() + done, end - done);
        push_tone_block(detector, input.data() + done, end - done, sums.data() + done);
        done = end;
    }
    for (const ToneSums& s : sums) {
        run.sums.push_back(s.i);
        run.sums.push_back(s.q);
    }
    return run;
}

Values noise(std::mt19937& random, std::size_t count, std::int32_t low, std::int32_t high) {
    std::uniform_int_distribution<std::int32_t> value(low, high);
    Values values(count);
    for (std::int32_t& v : values)
        v = value(random);
    return values;
}

struct Input {
    const char* name;
    std::function<Values(std::mt19937&, std::size_t)> make;
};

const std::vector<Input>& inputs() {
    static const std::vector<Input> all = {
        {"16-bit noise",
         [](std::mt19937& r, std::size_t c) { return noise(r, c, INT16_MIN, INT16_MAX); }},
        {"32-bit noise",
         [](std::mt19937& r, std::size_t c) {
             return noise(r, c, std::numeric_limits<std::int32_t>::min(),
                          std::numeric_limits<std::int32_t>::max());
         }},
        {"32-bit extremes",
         [](std::mt19937& r, std::size_t c) {
             Values values = noise(r, c, 0, 1);
             for (std::int32_t& v : values)
                 v = v == 0 ? std::numeric_limits<std::int32_t>::min()
                            : std::numeric_limits<std::int32_t>::max();
             return values;
         }},
        {"tone with offset",
         [](std::mt19937&, std::size_t c) {
             Values values(c);
             for (std::size_t n = 0; n < c; ++n)
                 values[n] = static_cast<std::int32_t>(
                     9000 + 20000 * std::sin(2 * std::acos(-1.0) * static_cast<double>(n) / 18.4));
             return values;
         }},
    };
    return all;
}

struct Setting {
    std::uint32_t rate_hz;
    double tone_hz;
    int window;
};

// Every rate from 8000 to 192000 Hz that the decoder names, odd and even DC windows, both
// tones a little off speed, windows of one bit at either baud rate.
const Setting settings[] = {{8000, 2400.0, 27},   {21600, 1200.0, 72}, {22050, 2520.0, 37},
                            {44100, 2400.0, 147}, {48000, 1140.0, 80}, {96000, 2400.0, 320},
                            {192000, 1200.0, 640}};

} // namespace

TEST(ToneDetector, MatchesReferenceWithACutAtEveryOffset) {
    constexpr std::size_t count = 1200;
    for (const Setting& setting : settings) {
        for (const Input& input : inputs()) {
            SCOPED_TRACE(std::string(input.name) + " at " + std::to_string(setting.rate_hz));
            std::mt19937 random(setting.rate_hz);
            const Values values = input.make(random, count);
            const Values dc = reference_dc(setting.rate_hz, values);
            const std::vector<std::int64_t> sums =
                reference_sums(setting.tone_hz, setting.rate_hz, setting.window, values);
            for (std::size_t cut = 0; cut <= count; ++cut) {
                const FrontRun run =
                    in_blocks(setting.tone_hz, setting.rate_hz, setting.window, values, {cut});
                ASSERT_EQ(dc, run.dc) << "cut at " << cut;
                ASSERT_EQ(sums, run.sums) << "cut at " << cut;
            }
        }
    }
}

TEST(ToneDetector, MatchesReferenceOverRandomBlocks) {
    constexpr std::size_t count = 100000;
    for (const Setting& setting : settings) {
        for (const Input& input : inputs()) {
            SCOPED_TRACE(std::string(input.name) + " at " + std::to_string(setting.rate_hz));
            std::mt19937 random(setting.rate_hz + 1);
            const Values values = input.make(random, count);
            std::uniform_int_distribution<std::size_t> block(1, 40000);
            std::vector<std::size_t> cuts;
            for (std::size_t end = block(random); end < count; end += block(random))
                cuts.push_back(end);
            const FrontRun run =
                in_blocks(setting.tone_hz, setting.rate_hz, setting.window, values, cuts);
            EXPECT_EQ(reference_dc(setting.rate_hz, values), run.dc);
            EXPECT_EQ(reference_sums(setting.tone_hz, setting.rate_hz, setting.window, values),
                      run.sums);
        }
    }
}

namespace {

using Mixer = void (*)(ToneMix&, const std::int32_t*, std::size_t, ToneSums*);

// One loop's sums over blocks that end at `cut` and at the end.
std::vector<std::int64_t> mixed(Mixer mixer, const Setting& setting, const Values& input,
                                std::size_t cut) {
    ToneDetector detector;
    configure_tone_detector(detector, setting.tone_hz, setting.rate_hz, setting.window);
    ToneMix mix{rotation_table(), 0, detector.phase_step, detector.products.data(),
                detector.products.size()};
    std::vector<ToneSums> sums(input.size());
    mixer(mix, input.data(), cut, sums.data());
    mixer(mix, input.data() + cut, input.size() - cut, sums.data() + cut);
    std::vector<std::int64_t> flat;
    for (const ToneSums& s : sums) {
        flat.push_back(s.i);
        flat.push_back(s.q);
    }
    return flat;
}

} // namespace

TEST(ToneMixing, EachLoopMatchesReferenceWithACutAtEveryOffset) {
    std::vector<std::pair<const char*, Mixer>> mixers = {{"plain", mix_tones}};
    if (can_mix_tones_avx2())
        mixers.emplace_back("AVX2", mix_tones_avx2);
    constexpr std::size_t count = 700;
    for (const auto& [loop, mixer] : mixers) {
        for (const Setting& setting : settings) {
            for (const Input& input : inputs()) {
                SCOPED_TRACE(std::string(loop) + ", " + input.name + " at " +
                             std::to_string(setting.rate_hz));
                std::mt19937 random(setting.rate_hz + 2);
                const Values values = input.make(random, count);
                const std::vector<std::int64_t> expected =
                    reference_sums(setting.tone_hz, setting.rate_hz, setting.window, values);
                for (std::size_t cut = 0; cut <= count; ++cut)
                    ASSERT_EQ(expected, mixed(mixer, setting, values, cut)) << "cut at " << cut;
            }
        }
    }
}
