#include "programs/word_record.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// Longer than any number the record holds; a quoted line is cut to this many characters.
constexpr std::size_t longest_number_digits = 18;
constexpr std::size_t quoted_characters = 40;
// More captures of one tape than any run merges; a larger reading is not one.
constexpr std::int64_t most_readings = 1000;

// The record's lines without their ends (LF, or CR LF where a system wrote it as text).
std::vector<std::string> lines_of(const std::vector<std::uint8_t>& record) {
    std::vector<std::string> lines;
    std::string line;
    for (const std::uint8_t byte : record) {
        if (byte != '\n') {
            line += static_cast<char>(byte);
            continue;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        line.clear();
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::vector<std::string> cells_of(const std::string& line) {
    std::vector<std::string> cells(1);
    for (const char c : line)
        if (c == '\t')
            cells.emplace_back();
        else
            cells.back() += c;
    return cells;
}

// A line as a message quotes it: its start, printable, since a file of another kind (the tape
// itself, say) may be given by mistake.
std::string quoted(const std::string& line) {
    std::string text;
    for (std::size_t i = 0; i < line.size() && i < quoted_characters; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        text += c == '\t' ? ' ' : c >= ' ' && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return "\"" + text + (line.size() > quoted_characters ? "...\"" : "\"");
}

// Where the columns read here stand, by the header's names.
struct Columns {
    std::size_t offset = 0;
    std::size_t seconds = 0;
    std::size_t sample = 0;
    std::size_t byte = 0;
    std::optional<std::size_t> reading; // only where captures were merged
};

bool read_header(const std::string& line, Columns& columns) {
    const std::vector<std::string> names = cells_of(line);
    const char* first_names[] = {"offset", "seconds", "sample", "byte"};
    for (std::size_t i = 0; i < 4; ++i)
        if (i >= names.size() || names[i] != first_names[i])
            return false;
    columns = Columns{0, 1, 2, 3, std::nullopt};
    for (std::size_t i = 4; i < names.size(); ++i)
        if (names[i] == "reading")
            columns.reading = i;
    return true;
}

std::optional<std::int64_t> whole_number(const std::string& text) {
    if (text.empty() || text.size() > longest_number_digits)
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Digits, a point and digits, as the record writes seconds ("3.5766").
std::optional<double> decimal_number(const std::string& text) {
    const std::size_t point = text.find('.');
    if (point == std::string::npos || !whole_number(text.substr(0, point)) ||
        !whole_number(text.substr(point + 1)))
        return std::nullopt;
    return std::strtod(text.c_str(), nullptr);
}

// "0x41", as the record writes a byte.
std::optional<std::uint8_t> byte_value(const std::string& text) {
    if (text.size() != 4 || text[0] != '0' || text[1] != 'x')
        return std::nullopt;
    const int high = hex_value(static_cast<std::uint8_t>(text[2]));
    const int low = hex_value(static_cast<std::uint8_t>(text[3]));
    if (high < 0 || low < 0)
        return std::nullopt;
    return static_cast<std::uint8_t>(high * 16 + low);
}

struct WordLine {
    std::int64_t offset = 0;
    WordTime time;
    std::uint8_t byte = 0;
};

std::optional<WordLine> read_word_line(const std::string& line, const Columns& columns) {
    const std::vector<std::string> cells = cells_of(line);
    if (cells.size() <= columns.byte)
        return std::nullopt;
    const std::optional<std::int64_t> offset = whole_number(cells[columns.offset]);
    const std::optional<double> seconds = decimal_number(cells[columns.seconds]);
    const std::optional<std::int64_t> sample = whole_number(cells[columns.sample]);
    const std::optional<std::uint8_t> byte = byte_value(cells[columns.byte]);
    if (!offset || !seconds || !sample || !byte)
        return std::nullopt;
    WordLine word{*offset, {*seconds, *sample, 0}, *byte};
    // A word read from the first capture alone has no reading written.
    if (columns.reading && *columns.reading < cells.size()) {
        const std::optional<std::int64_t> reading = whole_number(cells[*columns.reading]);
        if (!reading || *reading > most_readings)
            return std::nullopt;
        word.time.reading = static_cast<int>(*reading);
    }
    return word;
}

std::string byte_hex(std::uint8_t byte) { return "0x" + hex_digits(byte, 2); }

} // namespace

bool read_word_record(const std::vector<std::uint8_t>& record,
                      const std::vector<std::uint8_t>& tape, const std::string& tape_name,
                      std::vector<WordTime>& times, std::string& problem) {
    const std::vector<std::string> lines = lines_of(record);
    Columns columns;
    if (lines.empty()) {
        problem = "found an empty file where qirvex-rescue's word record was expected";
        return false;
    }
    if (!read_header(lines[0], columns)) {
        problem = "found " + quoted(lines[0]) +
                  " where the header of qirvex-rescue's word record (offset, seconds, sample, "
                  "byte, ...) was expected";
        return false;
    }
    const std::size_t words = lines.size() - 1;
    if (words != tape.size()) {
        problem = "found " + std::to_string(words) +
                  (words == 1 ? " word where " : " words where ") + std::to_string(tape.size()) +
                  " were expected, one for each byte of " + tape_name;
        return false;
    }
    times.assign(tape.size(), WordTime{});
    for (std::size_t i = 0; i < words; ++i) {
        const std::string where = "line " + std::to_string(i + 2) + ": ";
        const std::optional<WordLine> word = read_word_line(lines[i + 1], columns);
        if (!word) {
            problem = where + "found " + quoted(lines[i + 1]) +
                      " where a word's offset, seconds, sample and byte were expected";
            return false;
        }
        if (word->offset != static_cast<std::int64_t>(i)) {
            problem = where + "found offset " + std::to_string(word->offset) + " where " +
                      std::to_string(i) + " was expected";
            return false;
        }
        if (word->byte != tape[i]) {
            problem = where + "found byte " + byte_hex(word->byte) + " where " + tape_name +
                      " holds " + byte_hex(tape[i]);
            return false;
        }
        times[i] = word->time;
    }
    return true;
}

std::string describe_at(const Problem& problem, const std::vector<WordTime>& times) {
    if (problem.offset >= times.size())
        return describe(problem);
    const WordTime& time = times[problem.offset];
    char place[96];
    std::snprintf(place, sizeof place, "at byte %zu at %.4f s (sample %lld)", problem.offset,
                  time.seconds, static_cast<long long>(time.sample));
    // Merged captures: the time counts in the capture the byte came from.
    const std::string reading =
        time.reading > 0 ? " of reading " + std::to_string(time.reading) : "";
    return place + reading + ": " + problem.message;
}
