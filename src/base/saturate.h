// Narrowing to 32 bits without overflow: a value beyond the range takes the nearest limit.
#pragma once

#include <cstdint>
#include <limits>

[[nodiscard]] constexpr std::int32_t saturate_to_int32(std::int64_t value) {
    constexpr std::int64_t low = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value < low ? low : (value > high ? high : value));
}
