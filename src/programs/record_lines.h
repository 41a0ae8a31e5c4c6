// What the line-based formats (Intel HEX, S-records, MOS checksum records) share: lines ended by
// CR, LF or both, padded with NULs, and records of hex digit pairs.
#pragma once

#include "programs/memory_image.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One line of the input, without its line end and the NULs and blanks before it.
struct RecordLine {
    std::size_t offset = 0; // of its first byte in the input
    std::size_t size = 0;   // its bytes, up to the line end
};

// The lines of `text` that hold anything but NULs and blanks.
[[nodiscard]] std::vector<RecordLine> record_lines(const std::vector<std::uint8_t>& text);

// The bytes of the hex digit pairs from `first` to the end of `line` (trailing blanks ignored);
// false, with the problem named, at the first digit that is not one or a pair that is not whole.
[[nodiscard]] bool read_hex_pairs(const std::vector<std::uint8_t>& text, const RecordLine& line,
                                  std::size_t first, std::vector<std::uint8_t>& bytes,
                                  std::vector<Problem>& problems);

// Appends `bytes` as upper case hex digit pairs.
void append_hex_pairs(std::string& text, const std::vector<std::uint8_t>& bytes);

// Calls store(address, byte) for each byte of the image, `per_line` at a time: a record never
// crosses a stretch's end.
template <typename Record>
void for_each_record(const MemoryImage& image, std::size_t per_line, Record&& record) {
    for (const Stretch& stretch : image.stretches)
        for (std::size_t first = 0; first < stretch.bytes.size(); first += per_line) {
            const std::size_t count = std::min(per_line, stretch.bytes.size() - first);
            const auto begin = stretch.bytes.begin() + static_cast<std::ptrdiff_t>(first);
            record(static_cast<std::uint16_t>(stretch.start + first),
                   std::vector<std::uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(count)));
        }
}

// Reads the record lines of `text` in turn with read_record(reading, text, line), until one of
// them ends the records; a text that runs out first gets `missing_end` at its end. The reading
// holds the result, the image builder, is_ended and problem(offset, text).
template <typename Reading>
ReadResult read_record_text(Reading& reading, const std::vector<std::uint8_t>& text,
                            const char* missing_end) {
    reading.result.end_offset = text.size();
    for (const RecordLine& line : record_lines(text)) {
        read_record(reading, text, line);
        if (reading.is_ended) {
            reading.result.end_offset = line.offset + line.size;
            break;
        }
    }
    if (!reading.is_ended)
        reading.problem(text.size(), missing_end);
    reading.result.image = reading.builder.image();
    return reading.result;
}
