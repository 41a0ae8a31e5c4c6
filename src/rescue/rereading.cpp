// Readings of a word from a moved edge or at another period, proposed to the frame clock.
#include "rescue/rereading.h"

Reading read_word(const ReadingFrame& frame, const ToneHistory& history, double edge) {
    return {read_bits(frame, history, edge), edge, frame.bit_samples, 0};
}

// The start edge alone is one noisy window: the mean error over all of the word's changes of
// tone says more.
Reading moved_by_changes(const ReadingFrame& frame, const ToneHistory& history,
                         const Reading& reading) {
    const double error = timing_error(frame, history, reading.edge, reading.bits);
    Reading moved = read_word(frame, history, reading.edge + error);
    moved.moved_by = error;
    return moved;
}

Reading stretched(const ReadingFrame& frame, const ToneHistory& history, double edge,
                  double stretch) {
    ReadingFrame longer = frame;
    longer.bit_samples = frame.bit_samples * (1 + stretch);
    return read_word(longer, history, edge);
}
