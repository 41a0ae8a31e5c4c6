// Sixteen lanes followed side by side, two vectors of eight. The samples are read eight steps at
// a time from each lane's row and transposed, so that one vector holds one step of eight lanes.
// Each lane's turn bits gather in a 16-bit word per vector lane, the oldest step lowest, and are
// moved to the stretch's turn bits every 16 steps.
#include "decoder/swing_lanes.h"

#include "base/simd.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace {

constexpr std::size_t lanes_per_vector = 8;
constexpr std::size_t vector_count = swing_lane_count / lanes_per_vector;
constexpr std::size_t word_bits = 64;
// The steps whose turn bits one lane vector holds.
constexpr std::size_t steps_per_turn_word = 16;

struct Lanes {
    std::array<Int16x8, vector_count> level;  // each lane's level
    std::array<Int16x8, vector_count> rising; // mask: the lane's last move went up
    std::array<Int16x8, vector_count> turns;  // the latest 16 steps' turn bits, oldest lowest
};

using LaneRows = std::array<const std::int16_t*, swing_lane_count>;

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
void step_vector(Lanes& lanes, std::size_t v, const LaneRows& rows, std::size_t first_step,
                 std::int16_t hysteresis) {
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

// Moves the turn words of the 16 steps from first_step on into the stretch's turn bits, which
// hold zeros there.
void store_turn_words(const Lanes& lanes, std::size_t lane_length, std::size_t first_step,
                      std::uint64_t* turns) {
    std::array<std::int16_t, swing_lane_count> words;
    for (std::size_t v = 0; v < vector_count; ++v)
        store_lanes(words.data() + v * lanes_per_vector, lanes.turns[v]);
    for (std::size_t lane = 0; lane < swing_lane_count; ++lane) {
        const std::size_t bit = lane * lane_length + first_step;
        turns[bit / word_bits] |= std::uint64_t{static_cast<std::uint16_t>(words[lane])}
                                  << (bit % word_bits);
    }
}

// Runs `steps` steps (a multiple of 16) from the rows; with `turns`, records the turn bits.
void run_lanes(Lanes& lanes, const LaneRows& rows, std::size_t steps, std::int16_t hysteresis,
               std::size_t lane_length, std::uint64_t* turns) {
    for (std::size_t first = 0; first < steps; first += lanes_per_vector) {
        for (std::size_t v = 0; v < vector_count; ++v)
            step_vector(lanes, v, rows, first, hysteresis);
        const std::size_t done = first + lanes_per_vector;
        if (turns != nullptr && done % steps_per_turn_word == 0)
            store_turn_words(lanes, lane_length, done - steps_per_turn_word, turns);
    }
}

// The first lane starts on the tracker's course; every other one on a guess: level at its first
// warm-up sample, rising.
Lanes starting_lanes(SwingCourse course, const std::int16_t* values, std::size_t lane_length) {
    std::array<std::int16_t, swing_lane_count> level;
    std::array<std::int16_t, swing_lane_count> rising;
    level[0] = course.level;
    rising[0] = static_cast<std::int16_t>(course.is_rising ? -1 : 0);
    for (std::size_t lane = 1; lane < swing_lane_count; ++lane) {
        level[lane] = values[lane * lane_length - swing_warm_up_samples];
        rising[lane] = -1;
    }
    Lanes lanes{};
    for (std::size_t v = 0; v < vector_count; ++v) {
        lanes.level[v] = load_lanes(level.data() + v * lanes_per_vector);
        lanes.rising[v] = load_lanes(rising.data() + v * lanes_per_vector);
        lanes.turns[v] = splat(0);
    }
    return lanes;
}

std::array<SwingCourse, swing_lane_count> courses_of(const Lanes& lanes) {
    std::array<std::int16_t, swing_lane_count> level;
    std::array<std::int16_t, swing_lane_count> rising;
    for (std::size_t v = 0; v < vector_count; ++v) {
        store_lanes(level.data() + v * lanes_per_vector, lanes.level[v]);
        store_lanes(rising.data() + v * lanes_per_vector, lanes.rising[v]);
    }
    std::array<SwingCourse, swing_lane_count> courses;
    for (std::size_t lane = 0; lane < swing_lane_count; ++lane)
        courses[lane] = {level[lane], rising[lane] != 0};
    return courses;
}

} // namespace

std::size_t turn_stretch(std::size_t count) {
    const std::size_t lane_length =
        count / swing_lane_count / swing_lane_quantum * swing_lane_quantum;
    return lane_length >= swing_lane_quantum ? lane_length * swing_lane_count : 0;
}

SwingCourse find_turns(SwingCourse course, std::int16_t hysteresis, const std::int16_t* values,
                       std::size_t count, std::uint64_t* turns) {
    assert(count > 0 && count == turn_stretch(count));
    assert(hysteresis >= 0 && hysteresis <= swing_lanes_hysteresis_limit);
    const std::size_t lane_length = count / swing_lane_count;
    std::fill(turns, turns + count / word_bits, std::uint64_t{0});
    // The first lane warms up on samples at its own level, which leave its course alone.
    std::array<std::int16_t, swing_warm_up_samples> settled;
    settled.fill(course.level);
    LaneRows rows;
    rows[0] = settled.data();
    for (std::size_t lane = 1; lane < swing_lane_count; ++lane)
        rows[lane] = values + lane * lane_length - swing_warm_up_samples;
    Lanes lanes = starting_lanes(course, values, lane_length);
    run_lanes(lanes, rows, swing_warm_up_samples, hysteresis, lane_length, nullptr);
    const std::array<SwingCourse, swing_lane_count> entered = courses_of(lanes);
    for (std::size_t lane = 0; lane < swing_lane_count; ++lane)
        rows[lane] = values + lane * lane_length;
    run_lanes(lanes, rows, lane_length, hysteresis, lane_length, turns);
    const std::array<SwingCourse, swing_lane_count> left = courses_of(lanes);
    // Each lane is exact when it entered on the course the lane before it left on.
    SwingCourse exact = course;
    for (std::size_t lane = 0; lane < swing_lane_count; ++lane) {
        if (entered[lane] == exact) {
            exact = left[lane];
            continue;
        }
        exact = follow_turns(exact, hysteresis, values + lane * lane_length, lane_length,
                             turns + lane * lane_length / word_bits);
    }
    return exact;
}

SwingCourse follow_turns(SwingCourse course, std::int16_t hysteresis, const std::int16_t* values,
                         std::size_t count, std::uint64_t* turns) {
    for (std::size_t first = 0; first < count; first += word_bits) {
        std::uint64_t word = 0;
        const std::size_t in_word = std::min(word_bits, count - first);
        for (std::size_t bit = 0; bit < in_word; ++bit) {
            const std::int16_t sample = values[first + bit];
            const std::int32_t difference = sample - course.level;
            const bool is_up = difference > hysteresis;
            const bool is_down = difference < -hysteresis;
            if (!is_up && !is_down)
                continue;
            course.level = sample;
            if (is_up != course.is_rising) {
                course.is_rising = is_up;
                word |= std::uint64_t{1} << bit;
            }
        }
        turns[first / word_bits] = word;
    }
    return course;
}
