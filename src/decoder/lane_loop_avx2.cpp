// The lane loop with AVX2: all sixteen lanes in one vector. Eight steps are read at a time: row
// k's eight samples go to the low half of vector k and row k + 8's to its high half, and one
// transpose within each half turns vector k into step k of all sixteen lanes. The step is the
// one of lane_loop.cpp; a lane takes its sample as its level with a byte blend.
//
// Compiled with -mavx2 and run only where can_run_lanes_avx2() holds (lane_loop.h says why
// nothing here but plain arrays and pointers crosses its border).
#include "decoder/lane_loop.h"

#include <immintrin.h>

namespace {

constexpr std::size_t steps_per_load = 8;
constexpr std::size_t steps_per_turn_word = 16;

// Transposes the 8 x 8 blocks of 16-bit values in the low halves and in the high halves.
inline void transpose_halves(__m256i* rows) {
    __m256i pairs[8];
    for (int k = 0; k < 4; ++k) {
        pairs[2 * k] = _mm256_unpacklo_epi16(rows[2 * k], rows[2 * k + 1]);
        pairs[2 * k + 1] = _mm256_unpackhi_epi16(rows[2 * k], rows[2 * k + 1]);
    }
    __m256i quads[8];
    for (int k = 0; k < 2; ++k) {
        quads[4 * k] = _mm256_unpacklo_epi32(pairs[4 * k], pairs[4 * k + 2]);
        quads[4 * k + 1] = _mm256_unpackhi_epi32(pairs[4 * k], pairs[4 * k + 2]);
        quads[4 * k + 2] = _mm256_unpacklo_epi32(pairs[4 * k + 1], pairs[4 * k + 3]);
        quads[4 * k + 3] = _mm256_unpackhi_epi32(pairs[4 * k + 1], pairs[4 * k + 3]);
    }
    for (int k = 0; k < 4; ++k) {
        rows[2 * k] = _mm256_unpacklo_epi64(quads[k], quads[k + 4]);
        rows[2 * k + 1] = _mm256_unpackhi_epi64(quads[k], quads[k + 4]);
    }
}

inline __m128i load_eight(const std::int16_t* values) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(values));
}

// Moves the turn words of the 16 steps from first_step on into the stretch's turn bits.
void store_turn_words(__m256i words, std::size_t lane_length, std::size_t first_step,
                      std::uint64_t* turns) {
    std::int16_t held[lane_count];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(held), words);
    deposit_turn_words(held, lane_length, first_step, turns);
}

} // namespace

void run_lanes_avx2(LaneArrays& lanes, const std::int16_t* const* rows, std::size_t steps,
                    std::int16_t hysteresis, std::size_t lane_length, std::uint64_t* turns) {
    const __m256i above = _mm256_set1_epi16(hysteresis);
    const __m256i below = _mm256_set1_epi16(static_cast<std::int16_t>(-hysteresis));
    __m256i level = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes.level));
    __m256i rising = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes.rising));
    __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes.turns));
    for (std::size_t first = 0; first < steps; first += steps_per_load) {
        __m256i samples[steps_per_load];
        for (std::size_t k = 0; k < steps_per_load; ++k)
            samples[k] =
                _mm256_inserti128_si256(_mm256_castsi128_si256(load_eight(rows[k] + first)),
                                        load_eight(rows[k + steps_per_load] + first), 1);
        transpose_halves(samples);
        for (const __m256i step_samples : samples) {
            const __m256i difference = _mm256_subs_epi16(step_samples, level);
            const __m256i is_up = _mm256_cmpgt_epi16(difference, above);
            const __m256i is_move = _mm256_or_si256(is_up, _mm256_cmpgt_epi16(below, difference));
            level = _mm256_blendv_epi8(level, step_samples, is_move);
            const __m256i is_turn = _mm256_and_si256(is_move, _mm256_xor_si256(is_up, rising));
            rising = _mm256_xor_si256(rising, is_turn);
            words = _mm256_or_si256(_mm256_srli_epi16(words, 1), _mm256_slli_epi16(is_turn, 15));
        }
        const std::size_t done = first + steps_per_load;
        if (turns != nullptr && done % steps_per_turn_word == 0)
            store_turn_words(words, lane_length, done - steps_per_turn_word, turns);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes.level), level);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes.rising), rising);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes.turns), words);
}
