// Readings of a word other than the one where the clock put it: from the edge its changes of
// tone point to, and at another bit period. Each is only a
// proposal; the frame clock decides which reading it takes (clock_rereads.h).
#pragma once

#include "rescue/tone_history.h"
#include "rescue/word_reading.h"

struct Reading {
    WordBits bits;
    double edge = 0;        // the start edge it was read from
    double bit_samples = 0; // the bit period it was read at
    double moved_by = 0;    // how far its edge lies from the reading it was proposed against
};

// The word read from `edge` at the frame's bit period.
[[nodiscard]] Reading read_word(const ReadingFrame& frame, const ToneHistory& history,
                                double edge);

// The word read again from the edge that the mean timing error of its changes of tone points to.
[[nodiscard]] Reading moved_by_changes(const ReadingFrame& frame, const ToneHistory& history,
                                       const Reading& reading);

// The word read from `edge` at a bit period longer by `stretch` (a share; negative: shorter)
// than the frame's.
[[nodiscard]] Reading stretched(const ReadingFrame& frame, const ToneHistory& history,
                                double edge, double stretch);
