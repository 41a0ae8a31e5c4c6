// The progress line of a long decode: how far through the file it is, in per cent and in tape
// time, redrawn in place on standard error. Only for a person watching: it is drawn only on a
// terminal, and only for a file whose length is known. In a batch, each decode hands its count to
// the batch's one line instead (ProgressShare).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>

// One decode's part of a batch's progress line: written by the thread that decodes the file, read
// by the thread that draws the line.
struct ProgressShare {
    std::atomic<std::int64_t> frames_done{0};  // frames read so far
    std::atomic<std::int64_t> total_frames{0}; // frames in the recording; 0: not known (yet)
};

struct Progress {
    std::FILE* stream = nullptr;                    // where the line is drawn; null: no line at all
    std::int64_t total_frames = 0;                  // frames in the recording
    std::uint32_t rate_hz = 0;                      // frames per second
    std::chrono::steady_clock::time_point drawn_at; // when the line was last drawn
    bool is_drawn = false;                          // a line stands on the terminal
    ProgressShare* share = nullptr;                 // in a batch: where the count goes
};

// Redraws the line for frames_done, at most five times a second; hands the count to the share.
void show_progress(Progress& progress, std::int64_t frames_done);

// Removes the line, so that the messages after it start on a clean line.
void clear_progress(Progress& progress);
