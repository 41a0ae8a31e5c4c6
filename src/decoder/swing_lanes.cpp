// The lanes run in lane_loop.h; here they are started, checked and, where one started on the
// wrong course, followed again.
#include "decoder/swing_lanes.h"

#include "decoder/lane_loop.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace {

static_assert(lane_count == swing_lane_count);

constexpr std::size_t word_bits = 64;

using LaneRows = std::array<const std::int16_t*, swing_lane_count>;
using LaneCourses = std::array<SwingCourse, swing_lane_count>;

// The first lane starts on the tracker's course; every other one on a guess: level at its first
// warm-up sample, rising.
LaneArrays starting_lanes(SwingCourse course, const std::int16_t* values, std::size_t lane_length) {
    LaneArrays lanes{};
    lanes.level[0] = course.level;
    lanes.rising[0] = static_cast<std::int16_t>(course.is_rising ? -1 : 0);
    for (std::size_t lane = 1; lane < swing_lane_count; ++lane) {
        lanes.level[lane] = values[lane * lane_length - swing_warm_up_samples];
        lanes.rising[lane] = -1;
    }
    return lanes;
}

LaneCourses courses_of(const LaneArrays& lanes) {
    LaneCourses courses;
    for (std::size_t lane = 0; lane < swing_lane_count; ++lane)
        courses[lane] = {lanes.level[lane], lanes.rising[lane] != 0};
    return courses;
}

} // namespace

std::size_t turn_stretch(std::size_t count) {
    const std::size_t lane_length =
        count / swing_lane_count / swing_lane_quantum * swing_lane_quantum;
    return lane_length >= swing_lane_quantum ? lane_length * swing_lane_count : 0;
}

SwingCourse find_turns(SwingCourse course, std::int16_t hysteresis, const std::int16_t* values,
                       std::size_t count, std::uint64_t* turns, LaneLoop loop) {
    assert(count > 0 && count == turn_stretch(count));
    assert(hysteresis >= 0 && hysteresis <= swing_lanes_hysteresis_limit);
    const auto run =
        loop == LaneLoop::Fastest && can_run_lanes_avx2() ? run_lanes_avx2 : run_lanes;
    const std::size_t lane_length = count / swing_lane_count;
    std::fill(turns, turns + count / word_bits, std::uint64_t{0});
    // The first lane warms up on samples at its own level, which leave its course alone.
    std::array<std::int16_t, swing_warm_up_samples> settled;
    settled.fill(course.level);
    LaneRows rows;
    rows[0] = settled.data();
    for (std::size_t lane = 1; lane < swing_lane_count; ++lane)
        rows[lane] = values + lane * lane_length - swing_warm_up_samples;
    LaneArrays lanes = starting_lanes(course, values, lane_length);
    run(lanes, rows.data(), swing_warm_up_samples, hysteresis, lane_length, nullptr);
    const LaneCourses entered = courses_of(lanes);
    for (std::size_t lane = 0; lane < swing_lane_count; ++lane)
        rows[lane] = values + lane * lane_length;
    run(lanes, rows.data(), lane_length, hysteresis, lane_length, turns);
    const LaneCourses left = courses_of(lanes);
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
