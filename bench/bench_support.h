// Reports a benchmark's time per item (sample, event, word, cell) in nanoseconds.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

// items_per_iteration items were handled in each timed iteration.
inline void report_per_item(benchmark::State& state, std::int64_t items_per_iteration,
                            const char* name) {
    // A rate of seconds per item; the console shows it with an SI prefix, "n" for nanoseconds.
    state.counters[name] = benchmark::Counter(static_cast<double>(items_per_iteration),
                                              benchmark::Counter::kIsIterationInvariantRate |
                                                  benchmark::Counter::kInvert);
}
