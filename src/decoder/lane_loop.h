// The loop of find_turns' sixteen lanes (swing_lanes.h): each step moves every lane on by one
// sample. One form runs on SSE2 vectors of eight lanes (or plain arrays without them), another,
// where the processor has AVX2, on one vector of all sixteen; find_turns chooses once. The AVX2
// form is compiled on its own with -mavx2 and takes plain arrays and pointers only, so that no
// inline function compiled there can stand in for plain code where the processor lacks AVX2.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t lane_count = 16;

// The lanes' state between runs of the loop, lane by lane.
struct LaneArrays {
    std::int16_t level[lane_count];  // each lane's level
    std::int16_t rising[lane_count]; // -1 when the lane's last move went up, else 0
    std::int16_t turns[lane_count];  // the latest 16 steps' turn bits, the oldest lowest
};

// Runs `steps` steps (a multiple of 16) of the lanes, lane k reading rows[k][0 ..]. With `turns`,
// every 16 steps moves each lane's turn bits into the stretch's: step s of lane k is bit
// k x lane_length + s (those bits hold zeros before).
void run_lanes(LaneArrays& lanes, const std::int16_t* const* rows, std::size_t steps,
               std::int16_t hysteresis, std::size_t lane_length, std::uint64_t* turns);

// Moves the lanes' turn words of the 16 steps from first_step on (words[k] for lane k, the
// oldest step lowest) into the stretch's turn bits. Plain code, which both loops call.
void deposit_turn_words(const std::int16_t* words, std::size_t lane_length,
                        std::size_t first_step, std::uint64_t* turns);

// Whether this build and processor run run_lanes_avx2.
[[nodiscard]] bool can_run_lanes_avx2();

// run_lanes with AVX2; only where can_run_lanes_avx2() holds.
void run_lanes_avx2(LaneArrays& lanes, const std::int16_t* const* rows, std::size_t steps,
                    std::int16_t hysteresis, std::size_t lane_length, std::uint64_t* turns);
