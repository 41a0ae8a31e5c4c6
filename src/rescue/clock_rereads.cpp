// Which re-reading of a doubtful word the frame clock takes, and how its edge and period follow.
#include "rescue/clock_rereads.h"

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
    Reading best = {bits, clock.edge, clock.frame.bit_samples, 0};
    for (const double stretch : stretches) {
        const Reading again = stretched(clock.frame, history, clock.edge, stretch);
        if (is_framed(clock.frame, again.bits) &&
            reading_score(clock.frame, again.bits) >
                reading_score(clock.frame, bits) + jump_margin) {
            bits = again.bits;
            best = again;
        }
    }
    const bool is_better = best.bit_samples != clock.frame.bit_samples;
    clock.frame.bit_samples = best.bit_samples;
    return is_better;
}

} // namespace

// The word is read again from the edge its changes point to, and the better reading kept.
WordBits reread_candidate(FrameClock& clock, const ToneHistory& history, WordBits bits,
                          bool& is_moved) {
    is_moved = false;
    for (int pass = 0; pass < candidate_passes; ++pass) {
        const Reading moved =
            moved_by_changes(clock.frame, history, {bits, clock.edge, clock.frame.bit_samples, 0});
        if (reading_score(clock.frame, moved.bits) > reading_score(clock.frame, bits)) {
            clock.edge += moved.moved_by;
            bits = moved.bits;
            is_moved = true;
        }
    }
    return bits;
}

bool reread_predicted(FrameClock& clock, const ToneHistory& history, WordBits& bits,
                      bool may_stretch) {
    bool is_reread = false;
    // The start edge's own window is read first: a word is read again only where it lies far.
    const double start_error = start_edge_error(clock.frame, history, clock.edge);
    if (std::fabs(start_error) > jump_limit_bits * clock.frame.bit_samples) {
        const Reading moved = read_word(clock.frame, history, clock.edge + start_error);
        if (reading_score(clock.frame, moved.bits) >
            reading_score(clock.frame, bits) + jump_margin) {
            clock.edge += start_error;
            bits = moved.bits;
            is_reread = true;
            ++clock.jumps;
        }
    }
    if (may_stretch && !has_stop_bits(clock.frame, bits) &&
        reread_stretched(clock, history, bits))
        is_reread = true;
    return is_reread;
}
