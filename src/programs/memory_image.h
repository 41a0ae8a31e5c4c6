// A 6502's memory as a program file describes it: stretches of bytes, each with the address of
// its first byte, and the address the program starts at, when the file gives one. Every format
// of this folder reads into it and writes from it; nothing here reads or writes a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Addresses of the 6502: 0000 to FFFF.
constexpr std::uint32_t address_space_bytes = 0x10000;

struct Stretch {
    std::uint16_t start = 0;         // address of bytes[0]
    std::vector<std::uint8_t> bytes; // never runs past FFFF
};

struct MemoryImage {
    std::vector<Stretch> stretches;           // in rising address order, never touching
    std::optional<std::uint16_t> run_address; // where the program starts, if the file says
};

// Something wrong in an input, at the offset of the byte where it was found.
struct Problem {
    std::size_t offset = 0; // bytes from the start of the input
    std::string message;    // what was found and what was expected
};

// What a reader made of its input: everything it could read, and every place it could not.
struct ReadResult {
    MemoryImage image;
    std::vector<Problem> problems; // empty when the input was whole
    std::size_t end_offset = 0;    // where reading stopped: the end, or just past a 65V "G"
};

// "at byte 12: " + message, the form every problem is shown in.
[[nodiscard]] std::string describe(const Problem& problem);

// A byte as a message names it: "G" in quotes when printable, otherwise by name or in hex
// (CR, LF, NUL, byte 0xC1).
[[nodiscard]] std::string byte_name(std::uint8_t byte);

// The value of an upper or lower case hex digit; -1 for anything else.
[[nodiscard]] int hex_value(std::uint8_t digit);

// `value` as `digits` upper case hex digits.
[[nodiscard]] std::string hex_digits(std::uint32_t value, int digits);

// Number of bytes the image holds.
[[nodiscard]] std::size_t byte_count(const MemoryImage& image);

// The image in words, as the tools report it: "6 bytes in 1 stretch (0300-0305), run at 0300".
[[nodiscard]] std::string image_summary(const MemoryImage& image);

// Collects bytes by address in any order and makes an image of them. A byte stored twice with
// two values keeps the later one; the caller learns of it to report it.
class ImageBuilder {
  public:
    ImageBuilder();
    // Stores `byte` at `address`; false when the address already held another value.
    bool store(std::uint16_t address, std::uint8_t byte);
    void set_run_address(std::uint16_t address) { run_address_ = address; }
    [[nodiscard]] MemoryImage image() const;

  private:
    std::vector<std::uint8_t> values_;           // the byte at each address where one was stored
    std::vector<std::uint64_t> is_set_;          // a bit per address: a byte was stored there
    std::uint32_t lowest_ = address_space_bytes; // the lowest and highest address stored
    std::uint32_t highest_ = 0;
    std::optional<std::uint16_t> run_address_;
};

// The image of `bytes` loaded at `start`; bytes past FFFF are left out (false).
[[nodiscard]] bool image_of_bytes(const std::vector<std::uint8_t>& bytes, std::uint16_t start,
                                  MemoryImage& image);
