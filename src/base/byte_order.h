// Little-endian fields and samples, as RIFF files store them, whatever the host's byte order.
#pragma once

#include <array>
#include <cstdint>

[[nodiscard]] constexpr std::uint16_t bytes_to_u16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

[[nodiscard]] constexpr std::uint32_t bytes_to_u32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// A 32-bit field as it is stored: least significant byte first.
[[nodiscard]] constexpr std::array<std::uint8_t, 4> u32_to_bytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// Signed samples: two's complement, least significant byte first.
[[nodiscard]] constexpr std::int32_t bytes_to_s16(const std::uint8_t* bytes) {
    return static_cast<std::int16_t>(bytes_to_u16(bytes));
}

[[nodiscard]] constexpr std::int32_t bytes_to_s32(const std::uint8_t* bytes) {
    return static_cast<std::int32_t>(bytes_to_u32(bytes));
}
