#include "programs/binary_image.h"

#include "programs/monitor_65v.h"

#include <algorithm>

namespace {

// The first instructions of cc65's boot loader (libsrc/osic1p/bootstrap.s), which set the
// program's address and its length (stored as its complement, counted up to zero):
//     LDY #0; LDA #<load; LDX #>load; STA ptr; STX ptr+1;
//     LDA #<size; EOR #$FF; STA count; LDA #>size; EOR #$FF; STA count+1
// -1 marks a byte that differs from build to build.
constexpr int loader_pattern[] = {0xA0, 0x00, 0xA9, -1,   0xA2, -1,   0x85, -1,   0x86, -1,   0xA9,
                                  -1,   0x49, 0xFF, 0x85, -1,   0xA9, -1,   0x49, 0xFF, 0x85, -1};
constexpr std::size_t load_low_at = 3;
constexpr std::size_t load_high_at = 5;
constexpr std::size_t size_low_at = 11;
constexpr std::size_t size_high_at = 17;

struct LoaderSettings {
    std::uint16_t load_address = 0;
    std::size_t size_bytes = 0;
};

std::optional<LoaderSettings> loader_settings(const MemoryImage& loader) {
    if (loader.stretches.size() != 1)
        return std::nullopt;
    const std::vector<std::uint8_t>& code = loader.stretches[0].bytes;
    constexpr std::size_t pattern_size = sizeof loader_pattern / sizeof loader_pattern[0];
    if (code.size() < pattern_size)
        return std::nullopt;
    for (std::size_t i = 0; i < pattern_size; ++i)
        if (loader_pattern[i] >= 0 && code[i] != loader_pattern[i])
            return std::nullopt;
    return LoaderSettings{static_cast<std::uint16_t>(code[load_high_at] << 8 | code[load_low_at]),
                          static_cast<std::size_t>(code[size_high_at] << 8 | code[size_low_at])};
}

// Whether the file opens as a 65V text: NULs and line ends, then ".".
bool opens_as_65v(const std::vector<std::uint8_t>& bytes) {
    for (const std::uint8_t byte : bytes)
        if (byte != 0x0D && byte != 0x0A && byte != 0x00)
            return byte == '.';
    return false;
}

ReadResult read_booted(const std::vector<std::uint8_t>& bytes) {
    ReadResult loader = read_65v(bytes);
    if (!loader.problems.empty() || !loader.image.run_address)
        return loader;
    const std::optional<LoaderSettings> settings = loader_settings(loader.image);
    if (!settings) {
        ReadResult result;
        result.problems.push_back({0, "found a 65V text whose loader is not cc65's, where the "
                                      "program's bytes or cc65's boot loader were expected"});
        return result;
    }
    // The loader reads its count of bytes and starts the program: anything after them is not
    // the program's.
    const std::size_t available = bytes.size() - loader.end_offset;
    const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(loader.end_offset);
    const std::vector<std::uint8_t> program(
        begin, begin + static_cast<std::ptrdiff_t>(std::min(available, settings->size_bytes)));
    ReadResult result = read_binary(program, settings->load_address);
    for (Problem& problem : result.problems)
        problem.offset += loader.end_offset;
    if (available != settings->size_bytes)
        result.problems.push_back({bytes.size(), "found " + std::to_string(available) +
                                                     " bytes after the loader where it reads " +
                                                     std::to_string(settings->size_bytes)});
    result.image.run_address = settings->load_address;
    return result;
}

} // namespace

ReadResult read_binary(const std::vector<std::uint8_t>& bytes, std::uint16_t start) {
    ReadResult result;
    result.end_offset = bytes.size();
    if (!image_of_bytes(bytes, start, result.image))
        result.problems.push_back({address_space_bytes - start,
                                   "found " + std::to_string(bytes.size()) + " bytes where " +
                                       std::to_string(address_space_bytes - start) +
                                       " fit between " + hex_digits(start, 4) + " and FFFF"});
    return result;
}

ReadResult read_cc65(const std::vector<std::uint8_t>& bytes, std::uint16_t start) {
    if (opens_as_65v(bytes))
        return read_booted(bytes);
    ReadResult result = read_binary(bytes, start);
    result.image.run_address = start;
    return result;
}

bool is_cc65_boot(const std::vector<std::uint8_t>& bytes) {
    if (!opens_as_65v(bytes))
        return false;
    const ReadResult loader = read_65v(bytes);
    return loader.problems.empty() && loader.image.run_address && loader_settings(loader.image);
}

std::string binary_name(const std::string& stem, std::uint16_t start) {
    return stem + "." + hex_digits(start, 4) + ".bin";
}

std::optional<std::uint16_t> address_in_name(const std::string& name) {
    // ".AAAA." just before the last extension.
    const std::size_t last_dot = name.rfind('.');
    if (last_dot == std::string::npos || last_dot < 5 || name[last_dot - 5] != '.')
        return std::nullopt;
    std::uint32_t address = 0;
    for (std::size_t i = last_dot - 4; i < last_dot; ++i) {
        const int digit = hex_value(static_cast<std::uint8_t>(name[i]));
        if (digit < 0)
            return std::nullopt;
        address = address * 16 + static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::uint16_t>(address);
}

std::string go_file_name(const std::string& stem) { return stem + ".go"; }

std::string go_file_text(std::uint16_t run_address) { return hex_digits(run_address, 4) + "\n"; }

std::string go_file_beside(const std::string& name) {
    if (!address_in_name(name))
        return "";
    // ".AAAA.ext" ends the name; the stem is what comes before it.
    const std::size_t address_dot = name.rfind('.') - 5;
    return go_file_name(name.substr(0, address_dot));
}

std::optional<std::uint16_t> address_in_go_file(const std::vector<std::uint8_t>& text) {
    constexpr std::size_t digits = 4;
    std::size_t end = text.size();
    while (end > digits && (text[end - 1] == '\n' || text[end - 1] == '\r'))
        --end;
    if (end != digits)
        return std::nullopt;
    std::uint32_t address = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int digit = hex_value(text[i]);
        if (digit < 0)
            return std::nullopt;
        address = address * 16 + static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::uint16_t>(address);
}
