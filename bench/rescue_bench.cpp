// Microbenchmarks of qirvex-rescue's per-sample front end, in nanoseconds per sample: the DC
// remover and both tone detectors over one bit-long window at 44100 samples per second, run over
// blocks as the decoder runs them, and the detectors' plain mixing loop alone (the front end
// chooses the AVX2 one where the processor has it). Everything after it (the history and the bit
// clock) handles a few dozen window starts per word and is timed by the whole decode in make
// bench.
#include "rescue/tone_detector.h"
#include "rescue/tone_mixing.h"

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t rate_hz = 44100;
constexpr int window_samples = 147; // one bit at 300 baud
constexpr std::size_t block_samples = 1024;

// Ten seconds of alternating 1200 Hz and 2400 Hz bits at half of full scale.
std::vector<std::int32_t> fsk_tone() {
    std::vector<std::int32_t> samples(10 * rate_hz);
    const double pi = std::acos(-1.0);
    double phase = 0;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double tone_hz = (n / window_samples) % 2 == 0 ? 2400.0 : 1200.0;
        phase += 2 * pi * tone_hz / rate_hz;
        samples[n] = static_cast<std::int32_t>(16384 * std::sin(phase));
    }
    return samples;
}

void BM_RescueFrontEnd(benchmark::State& state) {
    const std::vector<std::int32_t> tone = fsk_tone();
    DcRemover remover;
    ToneDetector mark;
    ToneDetector space;
    configure_dc_remover(remover, rate_hz);
    configure_tone_detector(mark, 2400.0, rate_hz, window_samples);
    configure_tone_detector(space, 1200.0, rate_hz, window_samples);
    std::vector<std::int32_t> block(block_samples);
    std::vector<ToneSums> mark_sums(block_samples);
    std::vector<ToneSums> space_sums(block_samples);
    for (auto _ : state) {
        for (std::size_t done = 0; done + block_samples <= tone.size(); done += block_samples) {
            block.assign(tone.begin() + static_cast<std::ptrdiff_t>(done),
                         tone.begin() + static_cast<std::ptrdiff_t>(done + block_samples));
            remove_dc_block(remover, block.data(), block.size());
            push_tone_block(mark, block.data(), block.size(), mark_sums.data());
            push_tone_block(space, block.data(), block.size(), space_sums.data());
            benchmark::DoNotOptimize(mark_sums.data());
            benchmark::DoNotOptimize(space_sums.data());
        }
    }
    report_per_item(state, static_cast<std::int64_t>(tone.size() / block_samples * block_samples),
                    "ns_per_sample");
}
BENCHMARK(BM_RescueFrontEnd);

// Both detectors' plain loop over the same tone, whatever the processor has.
void BM_ToneMixingPlain(benchmark::State& state) {
    const std::vector<std::int32_t> tone = fsk_tone();
    ToneDetector mark;
    ToneDetector space;
    configure_tone_detector(mark, 2400.0, rate_hz, window_samples);
    configure_tone_detector(space, 1200.0, rate_hz, window_samples);
    ToneMix mark_mix{rotation_table(), 0, mark.phase_step, mark.products.data(),
                     mark.products.size()};
    ToneMix space_mix{rotation_table(), 0, space.phase_step, space.products.data(),
                      space.products.size()};
    std::vector<ToneSums> sums(block_samples);
    for (auto _ : state) {
        for (std::size_t done = 0; done + block_samples <= tone.size(); done += block_samples) {
            mix_tones(mark_mix, tone.data() + done, block_samples, sums.data());
            mix_tones(space_mix, tone.data() + done, block_samples, sums.data());
            benchmark::DoNotOptimize(sums.data());
        }
    }
    report_per_item(state, static_cast<std::int64_t>(tone.size() / block_samples * block_samples),
                    "ns_per_sample");
}
BENCHMARK(BM_ToneMixingPlain);

} // namespace
