#include "programs/basic_listing.h"

#include <optional>

namespace {

bool is_line_end(std::uint8_t byte) { return byte == 0x0D || byte == 0x0A; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Line numbers run to 63999 in OSI BASIC; more digits than fit in an int are damage anyway.
constexpr std::size_t most_number_digits = 6;

std::optional<long> line_number(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    long number = 0;
    std::size_t digits = 0;
    for (; at < text.size() && is_digit(text[at]) && digits < most_number_digits; ++at, ++digits)
        number = number * 10 + (text[at] - '0');
    if (digits == 0)
        return std::nullopt;
    return number;
}

// Every line with anything but NULs in it.
std::vector<ListingLine> all_lines(const std::vector<std::uint8_t>& bytes) {
    std::vector<ListingLine> lines;
    ListingLine line;
    bool is_open = false;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || is_line_end(bytes[i])) {
            if (is_open)
                lines.push_back(line);
            line = {};
            is_open = false;
        } else if (bytes[i] != 0x00) {
            if (!is_open)
                line.offset = i;
            is_open = true;
            line.text += static_cast<char>(bytes[i]);
            line.char_offsets.push_back(i);
        }
    }
    return lines;
}

void lint_characters(const ListingLine& line, std::vector<Problem>& problems) {
    for (std::size_t i = 0; i < line.text.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(line.text[i]);
        const std::size_t offset = line.char_offsets[i];
        if (byte >= 0x80)
            problems.push_back({offset, "found " + byte_name(byte) +
                                            " where OSI BASIC's 7-bit text was expected"});
        else if (byte < 0x20 || byte == 0x7F)
            problems.push_back({offset, "found control character " + byte_name(byte) +
                                            " where a printable character was expected"});
    }
}

} // namespace

std::vector<ListingLine> listing_lines(const std::vector<std::uint8_t>& bytes) {
    std::vector<ListingLine> lines = all_lines(bytes);
    std::size_t first = 0;
    while (first < lines.size() && !line_number(lines[first].text))
        ++first;
    std::size_t end = lines.size();
    while (end > first && !line_number(lines[end - 1].text))
        --end;
    return {lines.begin() + static_cast<std::ptrdiff_t>(first),
            lines.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::string join_listing(const std::vector<ListingLine>& lines, LineEnd line_end) {
    const char* end = line_end == LineEnd::Cr ? "\r" : line_end == LineEnd::Lf ? "\n" : "\r\n";
    std::string text;
    for (const ListingLine& line : lines)
        text += line.text + end;
    return text;
}

std::vector<Problem> lint_listing(const std::vector<ListingLine>& lines) {
    std::vector<Problem> problems;
    std::optional<long> last_number;
    for (const ListingLine& line : lines) {
        lint_characters(line, problems);
        if (line.text.size() > longest_basic_line)
            problems.push_back({line.offset, "found a line of " + std::to_string(line.text.size()) +
                                                 " characters where BASIC takes up to 71"});
        const std::optional<long> number = line_number(line.text);
        if (!number)
            problems.push_back({line.offset, "found a line without a number where each line "
                                             "begins with one"});
        else if (last_number && *number <= *last_number)
            problems.push_back({line.offset, "found line number " + std::to_string(*number) +
                                                 " after " + std::to_string(*last_number) +
                                                 " where line numbers rise"});
        if (number)
            last_number = number;
    }
    return problems;
}
