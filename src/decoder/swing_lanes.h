// The swing tracker's turns over a stretch of 16-bit samples, found on sixteen lanes at once.
//
// Once the tracker has moved, its state between moves is a course: the level of the last move
// and whether that move went up. A sample moves it when it lies more than the hysteresis from
// the level; the move turns when it goes the other way than the last one. Turns are all that
// the events need: a downward turn starts a falling half, an upward turn ends one.
//
// Following the level is a chain from sample to sample, so one stretch is cut into sixteen
// lanes of equal length that are followed side by side in vectors (lane_loop.h). Each lane but the
// first starts on a guessed course and warms up on the 32 samples before it, which almost always
// brings it onto the course the tracker really takes there; the course it reaches is checked
// against the one the lane before ends on, and a lane that started wrong is followed again, one
// sample at a time. The turns are therefore exactly those of the tracker, whatever the samples.
#pragma once

#include <cstddef>
#include <cstdint>

// The tracker between moves, once it has moved at least once.
struct SwingCourse {
    std::int16_t level = 0; // sample value at the last move
    bool is_rising = false; // the last move went up

    [[nodiscard]] bool operator==(const SwingCourse&) const = default;
};

constexpr std::size_t swing_lane_count = 16;
// Samples a lane follows before its own; a multiple of 16.
constexpr std::size_t swing_warm_up_samples = 32;
// A lane's samples are a multiple of this (whole 64-bit words of turn bits) and at least this.
constexpr std::size_t swing_lane_quantum = 64;

// The number of samples, at most `count`, that find_turns can take at once: a multiple of
// swing_lane_count x swing_lane_quantum, or 0.
[[nodiscard]] std::size_t turn_stretch(std::size_t count);

// The largest hysteresis find_turns takes: lanes compare differences held within 16 bits, and a
// difference clipped to 32767 must still exceed it.
constexpr std::int16_t swing_lanes_hysteresis_limit = 32766;

// Which loop runs the lanes: the fastest the processor has, or the SSE2 one (plain arrays in a
// build without vectors) even where AVX2 would run, for the tests to hold each to the reference.
enum class LaneLoop { Fastest, Baseline };

// Follows the tracker from `course` over values[0, count), count being a turn_stretch, with a
// hysteresis from 0 to swing_lanes_hysteresis_limit. Sets bit n % 64 of turns[n / 64] when
// values[n] turns the tracker and clears it otherwise; returns the course after the last sample.
SwingCourse find_turns(SwingCourse course, std::int16_t hysteresis, const std::int16_t* values,
                       std::size_t count, std::uint64_t* turns, LaneLoop loop = LaneLoop::Fastest);

// The same, one sample at a time: the reference that find_turns must match, and its way of
// following a lane that started on the wrong course.
SwingCourse follow_turns(SwingCourse course, std::int16_t hysteresis, const std::int16_t* values,
                         std::size_t count, std::uint64_t* turns);
