// The lane loop on two vectors of eight lanes. The samples are read eight steps at a time from
// each lane's row and transposed, so that one vector holds one step of eight lanes. Each lane's
// turn bits gather in a 16-bit word per vector lane, the oldest step lowest, and are moved to the
// stretch's turn bits every 16 steps.
#include "decoder/lane_loop.h"

#include "base/simd.h"

#include <array>

namespace {

constexpr std::size_t lanes_per_vector = 8;
constexpr std::size_t vector_count = lane_count / lanes_per_vector;
constexpr std::size_t word_bits = 64;
// The steps whose turn bits one lane vector holds.
constexpr std::size_t steps_per_turn_word = 16;

struct Lanes {
    std::array<Int16x8, vector_count> level;
    std::array<Int16x8, vector_count> rising;
    std::array<Int16x8, vector_count> turns;
};

// One step of eight lanes. A lane moves when its sample lies more than the hysteresis above or
// below its level, and turns when the move goes against its last one. The difference saturates
// at the 16-bit limits, beyond the largest hysteresis taken, so the comparisons come out as the
// exact ones.
inline void step(Int16x8 samples, Int16x8 hysteresis, Int16x8 below, Int16x8& level,
                 Int16x8& rising, Int16x8& turns) {
    const Int16x8 difference = saturated_difference(samples, level);
    const Int16x8 is_up = is_greater(difference, hysteresis);
    const Int16x8 is_move = is_up | is_greater(below, difference);
    level = level ^ ((samples ^ level) & is_move);
    const Int16x8 is_turn = is_move & (is_up ^ rising);
    rising = rising ^ is_turn;
    turns = shift_right<1>(turns) | shift_left<15>(is_turn);
}

// Runs eight steps of the eight lanes of vector v from rows[8v ..] + first_step.
void step_vector(Lanes& lanes, std::size_t v, const std::int16_t* const* rows,
                 std::size_t first_step, std::int16_t hysteresis) {
    std::array<Int16x8, lanes_per_vector> samples;
    for (std::size_t k = 0; k < lanes_per_vector; ++k)
        samples[k] = load_lanes(rows[v * lanes_per_vector + k] + first_step);
    transpose(samples);
    const Int16x8 above = splat(hysteresis);
    const Int16x8 below = splat(static_cast<std::int16_t>(-hysteresis));
    Int16x8 level = lanes.level[v];
    Int16x8 rising = lanes.rising[v];
    Int16x8 turns = lanes.turns[v];
    for (const Int16x8 step_samples : samples)
        step(step_samples, above, below, level, rising, turns);
    lanes.level[v] = level;
    lanes.rising[v] = rising;
    lanes.turns[v] = turns;
}

// Moves the turn words of the 16 steps from first_step on into the stretch's turn bits.
void store_turn_words(const Lanes& lanes, std::size_t lane_length, std::size_t first_step,
                      std::uint64_t* turns) {
    std::array<std::int16_t, lane_count> words;
    for (std::size_t v = 0; v < vector_count; ++v)
        store_lanes(words.data() + v * lanes_per_vector, lanes.turns[v]);
    deposit_turn_words(words.data(), lane_length, first_step, turns);
}

} // namespace

void deposit_turn_words(const std::int16_t* words, std::size_t lane_length,
                        std::size_t first_step, std::uint64_t* turns) {
    for (std::size_t lane = 0; lane < lane_count; ++lane) {
        const std::size_t bit = lane * lane_length + first_step;
        turns[bit / word_bits] |= std::uint64_t{static_cast<std::uint16_t>(words[lane])}
                                  << (bit % word_bits);
    }
}

void run_lanes(LaneArrays& arrays, const std::int16_t* const* rows, std::size_t steps,
               std::int16_t hysteresis, std::size_t lane_length, std::uint64_t* turns) {
    Lanes lanes{};
    for (std::size_t v = 0; v < vector_count; ++v) {
        lanes.level[v] = load_lanes(arrays.level + v * lanes_per_vector);
        lanes.rising[v] = load_lanes(arrays.rising + v * lanes_per_vector);
        lanes.turns[v] = load_lanes(arrays.turns + v * lanes_per_vector);
    }
    for (std::size_t first = 0; first < steps; first += lanes_per_vector) {
        for (std::size_t v = 0; v < vector_count; ++v)
            step_vector(lanes, v, rows, first, hysteresis);
        const std::size_t done = first + lanes_per_vector;
        if (turns != nullptr && done % steps_per_turn_word == 0)
            store_turn_words(lanes, lane_length, done - steps_per_turn_word, turns);
    }
    for (std::size_t v = 0; v < vector_count; ++v) {
        store_lanes(arrays.level + v * lanes_per_vector, lanes.level[v]);
        store_lanes(arrays.rising + v * lanes_per_vector, lanes.rising[v]);
        store_lanes(arrays.turns + v * lanes_per_vector, lanes.turns[v]);
    }
}

#if QIRVEX_AVX2_LANES

// Asked once: the processor does not change while the program runs.
bool can_run_lanes_avx2() {
    static const bool has_avx2 = __builtin_cpu_supports("avx2") != 0;
    return has_avx2;
}

#else

bool can_run_lanes_avx2() { return false; }

void run_lanes_avx2(LaneArrays& lanes, const std::int16_t* const* rows, std::size_t steps,
                    std::int16_t hysteresis, std::size_t lane_length, std::uint64_t* turns) {
    run_lanes(lanes, rows, steps, hysteresis, lane_length, turns);
}

#endif
