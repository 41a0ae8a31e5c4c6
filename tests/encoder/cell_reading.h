// Reading encoded samples back as cells and bits, so that tests compare sequences as strings.
#pragma once

#include "encoder/tone_cells.h"

#include <algorithm>
#include <cctype>
#include <string>

// One letter per 18-sample cell: M mark_square, S space_square, m mark_sine, s space_sine, ? any
// other content; a trailing part of a cell reads +.
inline std::string cell_names(const std::string& samples) {
    const std::pair<const ToneCell*, char> cells[] = {
        {&mark_square, 'M'}, {&space_square, 'S'}, {&mark_sine, 'm'}, {&space_sine, 's'}};
    std::string names;
    for (std::size_t at = 0; at < samples.size(); at += cell_samples) {
        if (samples.size() - at < cell_samples) {
            names += '+';
            break;
        }
        char name = '?';
        for (const auto& [cell, letter] : cells)
            if (std::equal(
                    cell->begin(), cell->end(), samples.begin() + static_cast<long>(at),
                    [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
                name = letter;
        names += name;
    }
    return names;
}

// Groups cell names into bits: 1 where all cells_per_bit cells are mark cells of one shape, 0
// where all are space cells, ? otherwise.
inline std::string bits_of_cells(const std::string& names, int cells_per_bit) {
    std::string bits;
    const auto bit_cells = static_cast<std::size_t>(cells_per_bit);
    for (std::size_t at = 0; at < names.size(); at += bit_cells) {
        const std::string cells = names.substr(at, bit_cells);
        const bool is_uniform =
            cells.size() == bit_cells && cells.find_first_not_of(cells[0]) == std::string::npos;
        const char kind = is_uniform ? static_cast<char>(std::tolower(cells[0])) : '?';
        bits += kind == 'm' ? '1' : kind == 's' ? '0' : '?';
    }
    return bits;
}

inline std::string bits_of_samples(const std::string& samples, int cells_per_bit = 4) {
    return bits_of_cells(cell_names(samples), cells_per_bit);
}
