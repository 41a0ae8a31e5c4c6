// Images and comparisons shared by the program format tests.
#pragma once

#include "programs/memory_image.h"

#include <string>
#include <vector>

// An image as text, so that a failure shows where two differ: "0200: A2 FF | 0300: 60 | run 0200".
inline std::string image_text(const MemoryImage& image) {
    std::string text;
    for (const Stretch& stretch : image.stretches) {
        text += text.empty() ? "" : " | ";
        text += hex_digits(stretch.start, 4);
        text += ':';
        for (const std::uint8_t byte : stretch.bytes) {
            text += ' ';
            text += hex_digits(byte, 2);
        }
    }
    if (image.run_address) {
        text += " | run ";
        text += hex_digits(*image.run_address, 4);
    }
    return text;
}

inline std::vector<std::uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

inline std::string problems_text(const std::vector<Problem>& problems) {
    std::string text;
    for (const Problem& problem : problems)
        text += describe(problem) + "\n";
    return text;
}

// A program of `size` bytes that runs through every value, at `start`.
inline MemoryImage counting_image(std::uint16_t start, std::size_t size) {
    MemoryImage image;
    image.stretches.push_back({start, {}});
    for (std::size_t i = 0; i < size; ++i)
        image.stretches[0].bytes.push_back(static_cast<std::uint8_t>(i * 7 + 3));
    image.run_address = start;
    return image;
}
