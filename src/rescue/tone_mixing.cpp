// The tone table, the plain mixing loop, and the check for the AVX2 one.
#include "rescue/tone_mixing.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int table_size = 1 << rotation_table_bits;
constexpr double sine_scale = 16384.0; // Q14: the table holds sin x 2^14
// A quarter turn in table steps, to read cosine where sine is.
constexpr int quarter_steps = table_size / 4;

} // namespace

// The values are rounded to integers, so any correctly working sin() gives the same table.
const Rotation* rotation_table() {
    static const std::array<Rotation, table_size> table = [] {
        std::array<std::int32_t, table_size> sine{};
        const double pi = std::acos(-1.0);
        for (int i = 0; i < table_size; ++i)
            sine[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(
                std::lround(sine_scale * std::sin(2 * pi * i / table_size)));
        std::array<Rotation, table_size> rotations{};
        for (std::size_t i = 0; i < table_size; ++i)
            rotations[i] = {sine[(i + quarter_steps) % table_size], sine[i]};
        return rotations;
    }();
    return table.data();
}

void mix_tones(ToneMix& mix, const std::int32_t* samples, std::size_t count, ToneSums* sums) {
    // Local copies of the state, so that the loop keeps it in registers.
    std::uint32_t phase = mix.phase;
    std::size_t next = mix.next;
    ToneSums window{mix.window_i, mix.window_q};
    for (std::size_t done = 0; done < count;) {
        // Up to the end of the ring or of the block, whichever comes first.
        const std::size_t run = std::min(count - done, mix.length - next);
        for (std::size_t k = 0; k < run; ++k) {
            const Rotation& rotation = mix.table[phase >> rotation_index_shift];
            const std::int64_t sample = samples[done + k];
            const ToneSums product{sample * rotation.cos, sample * rotation.sin};
            ToneSums& oldest = mix.ring[next + k];
            window.i += product.i - oldest.i;
            window.q += product.q - oldest.q;
            oldest = product;
            sums[done + k] = window;
            phase += mix.phase_step;
        }
        done += run;
        next = next + run == mix.length ? 0 : next + run;
    }
    mix.phase = phase;
    mix.next = next;
    mix.window_i = window.i;
    mix.window_q = window.q;
}

#if QIRVEX_AVX2_MIXING

// Asked once: the processor does not change while the program runs.
bool can_mix_tones_avx2() {
    static const bool has_avx2 = __builtin_cpu_supports("avx2") != 0;
    return has_avx2;
}

#else

bool can_mix_tones_avx2() { return false; }

void mix_tones_avx2(ToneMix& mix, const std::int32_t* samples, std::size_t count, ToneSums* sums) {
    mix_tones(mix, samples, count, sums);
}

#endif
