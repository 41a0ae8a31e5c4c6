// Two vector types for the sample loops: eight 16-bit lanes for qirvex's swing tracker, four
// 32-bit lanes for qirvex-rescue's DC remover. With SSE2 (every x86-64 processor has it) each
// operation is one instruction or a few; elsewhere, or in a build with -DQIRVEX_SIMD=OFF, the
// same operations run on plain arrays, which the compiler may vectorise on its own. Every
// operation is exact integer arithmetic, so both give the same results bit for bit; the tests run
// whichever the build chose.
//
// A mask is a lane of all ones (true) or all zeros (false), as the comparisons return. The 32-bit
// lanes wrap around as unsigned arithmetic does.
#pragma once

#include <array>
#include <cstdint>

#if defined(QIRVEX_SIMD) && QIRVEX_SIMD && (defined(__SSE2__) || defined(_M_X64))
#define QIRVEX_SIMD_SSE2 1
#include <emmintrin.h>
#else
#define QIRVEX_SIMD_SSE2 0
#endif

// Whether the types below are vector registers rather than plain arrays.
constexpr bool has_vector_lanes = QIRVEX_SIMD_SSE2 != 0;

#if QIRVEX_SIMD_SSE2

struct Int16x8 {
    __m128i lanes;
};

// Eight values from memory, which need no alignment.
inline Int16x8 load_lanes(const std::int16_t* values) {
    return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(values))};
}

inline void store_lanes(std::int16_t* values, Int16x8 a) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(values), a.lanes);
}

inline Int16x8 splat(std::int16_t value) { return {_mm_set1_epi16(value)}; }

// a - b, held within the 16-bit range.
inline Int16x8 saturated_difference(Int16x8 a, Int16x8 b) {
    return {_mm_subs_epi16(a.lanes, b.lanes)};
}

// Masks of a > b and a == b.
inline Int16x8 is_greater(Int16x8 a, Int16x8 b) { return {_mm_cmpgt_epi16(a.lanes, b.lanes)}; }
inline Int16x8 is_equal(Int16x8 a, Int16x8 b) { return {_mm_cmpeq_epi16(a.lanes, b.lanes)}; }

inline Int16x8 operator|(Int16x8 a, Int16x8 b) { return {_mm_or_si128(a.lanes, b.lanes)}; }
inline Int16x8 operator&(Int16x8 a, Int16x8 b) { return {_mm_and_si128(a.lanes, b.lanes)}; }
inline Int16x8 operator^(Int16x8 a, Int16x8 b) { return {_mm_xor_si128(a.lanes, b.lanes)}; }

// Shifts each lane as an unsigned 16-bit value.
template <int bits> Int16x8 shift_left(Int16x8 a) { return {_mm_slli_epi16(a.lanes, bits)}; }
template <int bits> Int16x8 shift_right(Int16x8 a) { return {_mm_srli_epi16(a.lanes, bits)}; }

// Turns eight rows of eight lanes into eight columns: afterwards rows[k] holds lane k of every
// row before, row 0 in lane 0.
inline void transpose(std::array<Int16x8, 8>& rows) {
    __m128i pairs[8];
    for (int k = 0; k < 4; ++k) {
        pairs[2 * k] = _mm_unpacklo_epi16(rows[2 * k].lanes, rows[2 * k + 1].lanes);
        pairs[2 * k + 1] = _mm_unpackhi_epi16(rows[2 * k].lanes, rows[2 * k + 1].lanes);
    }
    __m128i quads[8];
    for (int k = 0; k < 2; ++k) {
        quads[4 * k] = _mm_unpacklo_epi32(pairs[4 * k], pairs[4 * k + 2]);
        quads[4 * k + 1] = _mm_unpackhi_epi32(pairs[4 * k], pairs[4 * k + 2]);
        quads[4 * k + 2] = _mm_unpacklo_epi32(pairs[4 * k + 1], pairs[4 * k + 3]);
        quads[4 * k + 3] = _mm_unpackhi_epi32(pairs[4 * k + 1], pairs[4 * k + 3]);
    }
    for (int k = 0; k < 4; ++k) {
        rows[2 * k].lanes = _mm_unpacklo_epi64(quads[k], quads[k + 4]);
        rows[2 * k + 1].lanes = _mm_unpackhi_epi64(quads[k], quads[k + 4]);
    }
}

// The masks of sixteen lanes as sixteen bits: bit k is lane k of `low`, bit 8 + k lane k of
// `high`.
inline std::uint16_t mask_bits(Int16x8 low, Int16x8 high) {
    return static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_packs_epi16(low.lanes, high.lanes)));
}

struct Int32x4 {
    __m128i lanes;
};

inline Int32x4 load_lanes(const std::int32_t* values) {
    return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(values))};
}

inline void store_lanes(std::int32_t* values, Int32x4 a) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(values), a.lanes);
}

inline Int32x4 splat32(std::uint32_t value) {
    return {_mm_set1_epi32(static_cast<std::int32_t>(value))};
}

inline Int32x4 operator+(Int32x4 a, Int32x4 b) { return {_mm_add_epi32(a.lanes, b.lanes)}; }
inline Int32x4 operator-(Int32x4 a, Int32x4 b) { return {_mm_sub_epi32(a.lanes, b.lanes)}; }

// The low 32 bits of each product. SSE2 multiplies lanes 0 and 2 into 64 bits at a time.
inline Int32x4 operator*(Int32x4 a, Int32x4 b) {
    const __m128i even = _mm_mul_epu32(a.lanes, b.lanes);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a.lanes, 32), _mm_srli_epi64(b.lanes, 32));
    return {_mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                               _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)))};
}

// Moves every lane `count` places up (lane k to lane k + count), filling with zeros.
template <int count> Int32x4 shift_lanes_up(Int32x4 a) {
    return {_mm_slli_si128(a.lanes, 4 * count)};
}

// Lane 3 in every lane.
inline Int32x4 last_lane(Int32x4 a) {
    return {_mm_shuffle_epi32(a.lanes, _MM_SHUFFLE(3, 3, 3, 3))};
}

inline std::uint32_t first_lane(Int32x4 a) {
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(a.lanes));
}

#else

struct Int16x8 {
    std::array<std::int16_t, 8> lanes;
};

namespace int16x8_steps {

// Applies `op` lane by lane.
template <typename Op> Int16x8 each(Int16x8 a, Int16x8 b, Op op) {
    Int16x8 result{};
    for (std::size_t k = 0; k < 8; ++k)
        result.lanes[k] = static_cast<std::int16_t>(op(a.lanes[k], b.lanes[k]));
    return result;
}

inline std::int16_t mask_of(bool is_true) { return static_cast<std::int16_t>(is_true ? -1 : 0); }

} // namespace int16x8_steps

inline Int16x8 load_lanes(const std::int16_t* values) {
    Int16x8 result{};
    for (std::size_t k = 0; k < 8; ++k)
        result.lanes[k] = values[k];
    return result;
}

inline void store_lanes(std::int16_t* values, Int16x8 a) {
    for (std::size_t k = 0; k < 8; ++k)
        values[k] = a.lanes[k];
}

inline Int16x8 splat(std::int16_t value) {
    Int16x8 result{};
    result.lanes.fill(value);
    return result;
}

inline Int16x8 saturated_difference(Int16x8 a, Int16x8 b) {
    return int16x8_steps::each(a, b, [](std::int32_t x, std::int32_t y) {
        const std::int32_t difference = x - y;
        return difference > INT16_MAX ? INT16_MAX
                                      : (difference < INT16_MIN ? INT16_MIN : difference);
    });
}

inline Int16x8 is_greater(Int16x8 a, Int16x8 b) {
    return int16x8_steps::each(
        a, b, [](std::int16_t x, std::int16_t y) { return int16x8_steps::mask_of(x > y); });
}

inline Int16x8 is_equal(Int16x8 a, Int16x8 b) {
    return int16x8_steps::each(
        a, b, [](std::int16_t x, std::int16_t y) { return int16x8_steps::mask_of(x == y); });
}

inline Int16x8 operator|(Int16x8 a, Int16x8 b) {
    return int16x8_steps::each(a, b, [](std::int16_t x, std::int16_t y) { return x | y; });
}

inline Int16x8 operator&(Int16x8 a, Int16x8 b) {
    return int16x8_steps::each(a, b, [](std::int16_t x, std::int16_t y) { return x & y; });
}

inline Int16x8 operator^(Int16x8 a, Int16x8 b) {
    return int16x8_steps::each(a, b, [](std::int16_t x, std::int16_t y) { return x ^ y; });
}

template <int bits> Int16x8 shift_left(Int16x8 a) {
    return int16x8_steps::each(a, a, [](std::int16_t x, std::int16_t) {
        return static_cast<std::uint16_t>(static_cast<std::uint16_t>(x) << bits);
    });
}

template <int bits> Int16x8 shift_right(Int16x8 a) {
    return int16x8_steps::each(a, a, [](std::int16_t x, std::int16_t) {
        return static_cast<std::uint16_t>(static_cast<std::uint16_t>(x) >> bits);
    });
}

inline void transpose(std::array<Int16x8, 8>& rows) {
    const std::array<Int16x8, 8> before = rows;
    for (std::size_t row = 0; row < 8; ++row)
        for (std::size_t lane = 0; lane < 8; ++lane)
            rows[lane].lanes[row] = before[row].lanes[lane];
}

inline std::uint16_t mask_bits(Int16x8 low, Int16x8 high) {
    unsigned bits = 0;
    for (std::size_t k = 0; k < 8; ++k) {
        bits |= (low.lanes[k] < 0 ? 1u : 0u) << k;
        bits |= (high.lanes[k] < 0 ? 1u : 0u) << (k + 8);
    }
    return static_cast<std::uint16_t>(bits);
}

struct Int32x4 {
    std::array<std::uint32_t, 4> lanes;
};

inline Int32x4 load_lanes(const std::int32_t* values) {
    Int32x4 result{};
    for (std::size_t k = 0; k < 4; ++k)
        result.lanes[k] = static_cast<std::uint32_t>(values[k]);
    return result;
}

inline void store_lanes(std::int32_t* values, Int32x4 a) {
    for (std::size_t k = 0; k < 4; ++k)
        values[k] = static_cast<std::int32_t>(a.lanes[k]);
}

inline Int32x4 splat32(std::uint32_t value) {
    Int32x4 result{};
    result.lanes.fill(value);
    return result;
}

inline Int32x4 operator+(Int32x4 a, Int32x4 b) {
    for (std::size_t k = 0; k < 4; ++k)
        a.lanes[k] += b.lanes[k];
    return a;
}

inline Int32x4 operator-(Int32x4 a, Int32x4 b) {
    for (std::size_t k = 0; k < 4; ++k)
        a.lanes[k] -= b.lanes[k];
    return a;
}

inline Int32x4 operator*(Int32x4 a, Int32x4 b) {
    for (std::size_t k = 0; k < 4; ++k)
        a.lanes[k] *= b.lanes[k];
    return a;
}

template <int count> Int32x4 shift_lanes_up(Int32x4 a) {
    Int32x4 result{};
    for (std::size_t k = count; k < 4; ++k)
        result.lanes[k] = a.lanes[k - count];
    return result;
}

inline Int32x4 last_lane(Int32x4 a) { return splat32(a.lanes[3]); }

inline std::uint32_t first_lane(Int32x4 a) { return a.lanes[0]; }

#endif
