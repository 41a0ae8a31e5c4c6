#include "programs/record_lines.h"

namespace {

bool is_line_end(std::uint8_t byte) { return byte == 0x0D || byte == 0x0A; }
bool is_padding(std::uint8_t byte) { return byte == 0x00 || byte == ' ' || byte == '\t'; }

} // namespace

std::vector<RecordLine> record_lines(const std::vector<std::uint8_t>& text) {
    std::vector<RecordLine> lines;
    std::size_t offset = 0;
    while (offset < text.size()) {
        while (offset < text.size() && (is_padding(text[offset]) || is_line_end(text[offset])))
            ++offset;
        const std::size_t start = offset;
        while (offset < text.size() && !is_line_end(text[offset]))
            ++offset;
        if (offset > start)
            lines.push_back({start, offset - start});
    }
    return lines;
}

bool read_hex_pairs(const std::vector<std::uint8_t>& text, const RecordLine& line,
                    std::size_t first, std::vector<std::uint8_t>& bytes,
                    std::vector<Problem>& problems) {
    std::size_t end = line.offset + line.size;
    while (end > first && is_padding(text[end - 1]))
        --end;
    bytes.clear();
    for (std::size_t at = first; at < end; at += 2) {
        const int high = hex_value(text[at]);
        if (high < 0) {
            problems.push_back(
                {at, "found " + byte_name(text[at]) + " where a hex digit was expected"});
            return false;
        }
        if (at + 1 >= end) {
            problems.push_back(
                {at + 1, "found the line end where a second hex digit was expected"});
            return false;
        }
        const int low = hex_value(text[at + 1]);
        if (low < 0) {
            problems.push_back(
                {at + 1, "found " + byte_name(text[at + 1]) + " where a hex digit was expected"});
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return true;
}

void append_hex_pairs(std::string& text, const std::vector<std::uint8_t>& bytes) {
    for (const std::uint8_t byte : bytes)
        text += hex_digits(byte, 2);
}
