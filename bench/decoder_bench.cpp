// Microbenchmarks of the decoder's per-sample and per-event stages, on the tone the encoder
// writes: the swing tracker in nanoseconds per sample, one sample at a time and over blocks on
// its lanes, the whole sample loop (conversion, tracker, range and decoder) per sample, and the
// classifier with the frame assembler per event.
#include "cli/options.h"
#include "decoder/kcs_decoder.h"
#include "decoder/sample_reader.h"
#include "decoder/swing_block.h"
#include "decoder/swing_tracker.h"
#include "encoder/tone_cells.h"

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// About ten seconds of 8N2 words of pseudo-random bytes at 21600 samples per second, as raw
// unsigned 8-bit samples: 4 cells per bit, 11 bits per word.
std::vector<std::uint8_t> encoded_tone(std::size_t words) {
    std::mt19937 random(12345);
    std::vector<std::uint8_t> samples;
    auto put_bit = [&samples](int bit) {
        const ToneCell& cell = bit != 0 ? mark_square : space_square;
        for (int i = 0; i < 4; ++i)
            samples.insert(samples.end(), cell.begin(), cell.end());
    };
    for (int i = 0; i < 1200; ++i)
        put_bit(1);
    for (std::size_t w = 0; w < words; ++w) {
        const unsigned byte = random() & 0xFF;
        put_bit(0);
        for (int k = 0; k < 8; ++k)
            put_bit(static_cast<int>((byte >> k) & 1));
        put_bit(1);
        put_bit(1);
    }
    return samples;
}

const std::vector<std::uint8_t>& tone() {
    static const std::vector<std::uint8_t> samples = encoded_tone(3000);
    return samples;
}

std::vector<HalfPeriod> events_of(const std::vector<std::uint8_t>& samples) {
    SwingTracker tracker = make_swing_tracker(1);
    std::vector<HalfPeriod> events;
    std::int64_t frame = 0;
    for (const std::uint8_t byte : samples) {
        HalfPeriod event;
        if (track_sample(tracker, byte - 128, ++frame, event))
            events.push_back(event);
    }
    return events;
}

void BM_SwingTracker(benchmark::State& state) {
    const std::vector<std::uint8_t>& samples = tone();
    for (auto _ : state) {
        SwingTracker tracker = make_swing_tracker(1);
        std::int64_t frame = 0;
        std::int64_t lengths = 0;
        for (const std::uint8_t byte : samples) {
            HalfPeriod event;
            if (track_sample(tracker, byte - 128, ++frame, event))
                lengths += event.length + event.sample_index;
        }
        benchmark::DoNotOptimize(lengths);
    }
    report_per_item(state, static_cast<std::int64_t>(samples.size()), "ns_per_sample");
}
BENCHMARK(BM_SwingTracker);

// The same tone through track_block, in the sample loop's chunks of 8192 values.
void BM_SwingBlock(benchmark::State& state) {
    const std::vector<std::uint8_t>& samples = tone();
    std::vector<std::int16_t> values;
    for (const std::uint8_t byte : samples)
        values.push_back(static_cast<std::int16_t>(byte - 128));
    constexpr std::size_t chunk = 8192;
    std::vector<HalfPeriod> events(chunk);
    for (auto _ : state) {
        SwingTracker tracker = make_swing_tracker(1);
        std::int64_t lengths = 0;
        for (std::size_t done = 0; done < values.size(); done += chunk) {
            const std::size_t count = std::min(chunk, values.size() - done);
            const std::size_t found =
                track_block(tracker, values.data() + done, count,
                            static_cast<std::int64_t>(done) + 1, events.data());
            for (std::size_t n = 0; n < found; ++n)
                lengths += events[n].length + events[n].sample_index;
        }
        benchmark::DoNotOptimize(lengths);
    }
    report_per_item(state, static_cast<std::int64_t>(samples.size()), "ns_per_sample");
}
BENCHMARK(BM_SwingBlock);

// The classifier and the frame assembler, fed the tracker's events of the same tone.
void BM_Classifier(benchmark::State& state) {
    const std::vector<HalfPeriod> events = events_of(tone());
    std::FILE* sink = std::fopen("/dev/null", "wb");
    for (auto _ : state) {
        KcsDecoder decoder(sink);
        decoder.configure_rate(21600, 300);
        for (const HalfPeriod& event : events)
            decoder.on_half_period(event.length, event.sample_index);
        benchmark::DoNotOptimize(decoder.bytes_written);
    }
    std::fclose(sink);
    report_per_item(state, static_cast<std::int64_t>(events.size()), "ns_per_event");
}
BENCHMARK(BM_Classifier);

// The whole sample loop on 8-bit mono and on 16-bit stereo (the left channel), read from memory.
void read_from_memory(benchmark::State& state, std::vector<std::uint8_t> data, FrameLayout layout) {
    std::FILE* sink = std::fopen("/dev/null", "wb");
    for (auto _ : state) {
        std::FILE* input = fmemopen(data.data(), data.size(), "rb");
        KcsDecoder decoder(sink);
        decoder.configure_rate(21600, 300);
        benchmark::DoNotOptimize(read_samples(input, layout, decoder));
        std::fclose(input);
    }
    std::fclose(sink);
    report_per_item(state, layout.frame_count, "ns_per_sample");
}

void BM_SampleLoop8BitMono(benchmark::State& state) {
    const std::vector<std::uint8_t>& samples = tone();
    FrameLayout layout{1, 1, 1, 0, static_cast<std::int64_t>(samples.size())};
    read_from_memory(state, samples, layout);
}
BENCHMARK(BM_SampleLoop8BitMono);

void BM_SampleLoop16BitStereo(benchmark::State& state) {
    std::vector<std::uint8_t> data;
    for (const std::uint8_t byte : tone()) {
        const auto value = static_cast<std::uint16_t>((byte - 128) * 256);
        for (int channel = 0; channel < 2; ++channel) {
            data.push_back(static_cast<std::uint8_t>(value & 0xFF));
            data.push_back(static_cast<std::uint8_t>(value >> 8));
        }
    }
    FrameLayout layout{4, 2, 2, 0, static_cast<std::int64_t>(tone().size())};
    read_from_memory(state, data, layout);
}
BENCHMARK(BM_SampleLoop16BitStereo);

} // namespace
