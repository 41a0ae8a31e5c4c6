// The mixing loop with AVX2, two samples at a time: one vector holds the in-phase and quadrature
// products of both, (i0, q0, i1, q1), from one 32 x 32 -> 64-bit multiply. The window's sums run
// in a vector that holds them twice, (i, q, i, q): each pair of samples adds both steps to it, and
// the sums after the first sample are that plus the first step alone. A sample left over at the
// ring's end or the block's goes through the plain step.
//
// Compiled with -mavx2 and run only where can_mix_tones_avx2() holds (tone_mixing.h says why
// nothing here but plain pointers and integers crosses its border).
#include "rescue/tone_mixing.h"

#include <immintrin.h>

namespace {

// The rotation of `phase`, widened to 64-bit lanes: (cos, sin).
inline __m128i rotation_at(const Rotation* table, std::uint32_t phase) {
    return _mm_cvtepi32_epi64(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(table + (phase >> rotation_index_shift))));
}

// One sample, as the plain loop takes it.
inline void mix_one(const ToneMix& mix, std::uint32_t phase, std::int32_t sample, ToneSums& slot,
                    std::int64_t& window_i, std::int64_t& window_q, ToneSums& out) {
    const Rotation& rotation = mix.table[phase >> rotation_index_shift];
    const std::int64_t product_i = std::int64_t{sample} * rotation.cos;
    const std::int64_t product_q = std::int64_t{sample} * rotation.sin;
    window_i += product_i - slot.i;
    window_q += product_q - slot.q;
    slot.i = product_i;
    slot.q = product_q;
    out.i = window_i;
    out.q = window_q;
}

} // namespace

void mix_tones_avx2(ToneMix& mix, const std::int32_t* samples, std::size_t count, ToneSums* sums) {
    // Local copies of the state: the stores below could point anywhere for all the compiler
    // knows, so fields of `mix` would be read again for every pair.
    const Rotation* const table = mix.table;
    const std::uint32_t phase_step = mix.phase_step;
    std::uint32_t phase = mix.phase;
    std::size_t next = mix.next;
    std::int64_t window_i = mix.window_i;
    std::int64_t window_q = mix.window_q;
    for (std::size_t done = 0; done < count;) {
        const std::size_t left = count - done;
        const std::size_t run = left < mix.length - next ? left : mix.length - next;
        ToneSums* const slots = mix.ring + next;
        const std::int32_t* const block = samples + done;
        ToneSums* const out = sums + done;
        __m256i window = _mm256_set_epi64x(window_q, window_i, window_q, window_i);
        std::size_t k = 0;
        for (; k + 2 <= run; k += 2) {
            const __m128i first = rotation_at(table, phase);
            const __m128i second = rotation_at(table, phase + phase_step);
            phase += 2 * phase_step;
            const __m256i rotations =
                _mm256_inserti128_si256(_mm256_castsi128_si256(first), second, 1);
            // (x0, x0, x1, x1), each in the low half of a 64-bit lane.
            const __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(block + k));
            const __m256i values = _mm256_cvtepi32_epi64(_mm_unpacklo_epi32(pair, pair));
            const __m256i products = _mm256_mul_epi32(values, rotations);
            auto* const slot = reinterpret_cast<__m256i*>(slots + k);
            const __m256i steps = _mm256_sub_epi64(products, _mm256_loadu_si256(slot));
            _mm256_storeu_si256(slot, products);
            // (0, first step) and (second step, first step).
            const __m256i first_only = _mm256_permute2x128_si256(steps, steps, 0x08);
            const __m256i swapped = _mm256_permute2x128_si256(steps, steps, 0x01);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k),
                                _mm256_add_epi64(window, _mm256_add_epi64(steps, first_only)));
            window = _mm256_add_epi64(window, _mm256_add_epi64(steps, swapped));
        }
        alignas(16) std::int64_t held[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(held), _mm256_castsi256_si128(window));
        window_i = held[0];
        window_q = held[1];
        if (k < run) {
            mix_one(mix, phase, block[k], slots[k], window_i, window_q, out[k]);
            phase += phase_step;
        }
        done += run;
        next = next + run == mix.length ? 0 : next + run;
    }
    mix.phase = phase;
    mix.next = next;
    mix.window_i = window_i;
    mix.window_q = window_q;
}
