// The progress line of a batch: recordings done of all, and megabytes of audio read of all, where
// every recording's size is known. As the one-file line (progress.h): for a person watching, on a
// terminal only, redrawn in place.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// As often as the one-file line is redrawn.
constexpr auto batch_redraw_interval = std::chrono::milliseconds(200);

struct BatchCount {
    std::size_t done = 0;         // recordings decoded
    std::size_t total = 0;        // recordings in the batch
    std::int64_t bytes_read = 0;  // of the recordings' files, by the share of frames decoded
    std::int64_t bytes_total = 0; // their sizes; -1 where one is not known
};

struct BatchLine {
    std::FILE* stream = nullptr; // where the line is drawn; null: nowhere
    std::size_t width = 0;       // characters of the line standing; 0: none stands
};

// Draws the line for `count` over the one standing.
void draw_batch_line(BatchLine& line, const BatchCount& count);

// Removes the line, so that what is printed next starts on a clean line.
void clear_batch_line(BatchLine& line);
