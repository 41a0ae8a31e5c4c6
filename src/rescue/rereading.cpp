// Reading a word again where one reading is doubtful, and keeping the reading that frames and
// reads clearest.
#include "rescue/rereading.h"

#include <array>
#include <cmath>

namespace {

// A predicted start edge further than this (in bits) from where the word's start edge lies is
// read again from there: a gap of a fraction of a bit between words.
constexpr double jump_limit_bits = 0.2;
// A moved reading must be this much clearer (mean |d|) to be taken, or framed where the other
// is not: in hiss a moved reading is clearer by chance half the time, and every such jump threw
// the clock off by a noisy amount (62 jumps in 4000 words at 12 dB Eb/N0).
constexpr double jump_margin = 0.03;

// Times a searched word is read again from the edge its own transitions point to.
constexpr int candidate_passes = 2;

// A word whose stop bits fail may have been read at the period before a sudden change of speed,
// its bits further out of step with every bit (0.45 bit by the stop bit after a step of 4 % at
// 600 baud). It is read again at periods longer and shorter by these shares, and the clearest
// reading that frames is taken, with its period, when it beats the best so far by the jump
// margin. Only on quiet audio: in hiss, four more readings of every bad word frame noise.
constexpr std::array<double, 4> stretches = {0.02, -0.02, 0.04, -0.04};

// Returns true when a stretched reading was taken.
bool reread_stretched(FrameClock& clock, const ToneHistory& history, WordBits& bits) {
    FrameClock stretched = clock;
    double best_period = clock.bit_samples;
    for (const double stretch : stretches) {
        stretched.bit_samples = clock.bit_samples * (1 + stretch);
        const WordBits again = read_bits(stretched, history, clock.edge);
        if (is_framed(stretched, again) &&
            reading_score(stretched, again) > reading_score(clock, bits) + jump_margin) {
            bits = again;
            best_period = stretched.bit_samples;
        }
    }
    const bool is_better = best_period != clock.bit_samples;
    clock.bit_samples = best_period;
    return is_better;
}

} // namespace

// The start edge alone is one noisy window: the mean error over all of the word's transitions
// says more. The word is read again from the edge they point to, and the better reading kept.
WordBits reread_candidate(FrameClock& clock, const ToneHistory& history, WordBits bits,
                          bool& is_moved) {
    is_moved = false;
    for (int pass = 0; pass < candidate_passes; ++pass) {
        const double error = timing_error(clock, history, clock.edge, bits);
        const WordBits moved = read_bits(clock, history, clock.edge + error);
        if (reading_score(clock, moved) > reading_score(clock, bits)) {
            clock.edge += error;
            bits = moved;
            is_moved = true;
        }
    }
    return bits;
}

bool reread_predicted(FrameClock& clock, const ToneHistory& history, WordBits& bits,
                      bool may_stretch) {
    bool is_reread = false;
    const double start_error = start_edge_error(clock, history, clock.edge);
    if (std::fabs(start_error) > jump_limit_bits * clock.bit_samples) {
        const WordBits moved = read_bits(clock, history, clock.edge + start_error);
        if (reading_score(clock, moved) > reading_score(clock, bits) + jump_margin) {
            clock.edge += start_error;
            bits = moved;
            is_reread = true;
            ++clock.jumps;
        }
    }
    if (may_stretch && !has_stop_bits(clock, bits) && reread_stretched(clock, history, bits))
        is_reread = true;
    return is_reread;
}
