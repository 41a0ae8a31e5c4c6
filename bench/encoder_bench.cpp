// Microbenchmarks of the encoder's writers into a buffered stream that discards its bytes: a
// serial word in nanoseconds per word, and a long run of mark tone per cell.
#include "encoder/serial_framing.h"
#include "encoder/tone_writer.h"

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void BM_WriteWord(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "wb");
    int byte = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(write_word(++byte, sink));
    std::fclose(sink);
    report_per_item(state, 1, "ns_per_word");
}
BENCHMARK(BM_WriteWord);

// One second of leader: 1200 cells.
void BM_WriteToneCells(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "wb");
    for (auto _ : state)
        benchmark::DoNotOptimize(write_tone_ms(1000, sink));
    std::fclose(sink);
    report_per_item(state, 1200, "ns_per_cell");
}
BENCHMARK(BM_WriteToneCells);

} // namespace
