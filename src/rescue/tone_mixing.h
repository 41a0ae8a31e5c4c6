// The inner loop of a tone detector: mixing samples with the tone and keeping the window's sums.
// There is one plain form and, on x86-64 processors that have AVX2, one that mixes two samples
// per instruction; push_tone_block chooses once which to run. Both give the same sums bit for bit
// (the tests run each against a plain reference). The AVX2 form is compiled on its own with
// -mavx2 and takes only plain pointers and integers, so that no inline function compiled there
// can stand in for its plain twin where the processor lacks AVX2.
#pragma once

#include "rescue/tone_detector.h"

#include <cstddef>
#include <cstdint>

// Cosine and sine of one step of the tone table, in Q14.
struct Rotation {
    std::int32_t cos = 0;
    std::int32_t sin = 0;
};

constexpr int rotation_table_bits = 10;
// A phase's table index is its top bits.
constexpr int rotation_index_shift = 32 - rotation_table_bits;

// One full turn, 2^rotation_table_bits steps.
[[nodiscard]] const Rotation* rotation_table();

// A detector's state while a block is mixed, in plain fields.
struct ToneMix {
    const Rotation* table = nullptr; // 2^rotation_table_bits steps of one turn
    std::uint32_t phase = 0;         // the tone's phase, a full turn being 2^32
    std::uint32_t phase_step = 0;    // phase advance per sample
    ToneSums* ring = nullptr;        // the window's products, oldest at `next`
    std::size_t length = 0;          // the ring's length, at least 1
    std::size_t next = 0;            // ring slot overwritten next
    std::int64_t window_i = 0;       // sums of the ring
    std::int64_t window_q = 0;
};

// Mixes `count` samples into the window; sums[n] gets the window's sums after sample n.
void mix_tones(ToneMix& mix, const std::int32_t* samples, std::size_t count, ToneSums* sums);

// Whether this build and processor run mix_tones_avx2.
[[nodiscard]] bool can_mix_tones_avx2();

// mix_tones with AVX2; only where can_mix_tones_avx2() holds.
void mix_tones_avx2(ToneMix& mix, const std::int32_t* samples, std::size_t count, ToneSums* sums);
