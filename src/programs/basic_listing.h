// A BASIC listing as a decoded tape holds it: the lines of LIST with CR LF and NUL padding,
// usually between the echo of the commands that made the tape (LIST, SAVE) and BASIC's "OK".
#pragma once

#include "programs/memory_image.h"

#include <cstdint>
#include <string>
#include <vector>

// BASIC's input buffer holds 72 characters with the CR: a longer line loses its end.
constexpr std::size_t longest_basic_line = 71;

enum class LineEnd { Cr, Lf, CrLf };

// One line of the listing: where it starts in the input, and its characters without NULs.
struct ListingLine {
    std::size_t offset = 0; // of its first character
    std::string text;
    std::vector<std::size_t> char_offsets; // of each character of `text`
};

// The program's lines: from the first that begins with a digit to the last that does, NULs
// removed; lines around them (echoes, prompts) are left out.
[[nodiscard]] std::vector<ListingLine> listing_lines(const std::vector<std::uint8_t>& bytes);

// The lines joined, each ended by `line_end`.
[[nodiscard]] std::string join_listing(const std::vector<ListingLine>& lines, LineEnd line_end);

// Everything OSI BASIC would not load as it stands, each at its offset in the input: a byte with
// bit 7 set, a control character, a line over 71 characters, a line without a number, a line
// number that does not rise.
[[nodiscard]] std::vector<Problem> lint_listing(const std::vector<ListingLine>& lines);
