// Framing and bit clock: where each serial word starts, and what its bits read.
//
// Every bit is read from the discriminator d = (m/Am - s/As) / (m/Am + s/As), with m and s the
// detector magnitudes of the window that starts at the bit's first sample and Am, As the running
// mark and space levels. d runs from -1 (clean space) to +1 (clean mark) whatever the level,
// polarity, band tilt or clipping of the recording. A reading of the space tone alone reads
// d = 1 - 2 s/As instead.
//
// A free search looks for the first falling crossing of d, where the window straddles a mark to
// space edge half and half, and takes the start edge half a bit later. It accepts the word there
// when its start bit reads space and its stop bits read mark. From then on the clock is locked:
// it predicts the next start edge one word later instead of searching, and steers its edge and
// bit period from each word's timing error, a second-order loop whose gains shrink as the
// timing noise grows. A doubtful word is read again from a moved edge or at another bit period.
// A start bit that reads mark even where its edge points is an idle gap (unless it is a blurred
// start bit in an otherwise clear word), and sends the clock back to searching; so do three bad
// words in a row, and silence. Through a dropout, where both tones fall faint, the clock steps
// on word by word and counts the words it stepped over as lost once it reads on in step. Where
// noise rather than silence broke the lock, the words between are counted lost too when the
// search finds the line again in step, straight after a word's stop bits rather than idle mark.
#pragma once

#include "rescue/decoded_word.h"
#include "rescue/tone_history.h"
#include "rescue/word_reading.h"

#include <cstdint>

enum class ClockPhase { Searching, Checking, Locked };

struct FrameClock {
    // The word format, the bit period the loop tracks, and the running levels of decided mark
    // and space bits: what every word is read against.
    ReadingFrame frame;
    double tuned_bit_samples = 0; // the bit period at the measured speed, in samples
    double noise_level = 0;       // running magnitude of the other tone over decided bits
    double previous_end = 0;      // where the last word decided ended
    ClockPhase phase = ClockPhase::Searching;
    std::int64_t search_from = 0;      // the next window start the search examines
    std::int64_t mark_since = 0;       // where the search last saw the line turn to mark
    double mark_before_edge = 0;       // how long it read mark before the edge it found
    bool is_after_quiet = false;       // it searches across a quiet that broke the lock
    double first_candidate = -1;       // the first start edge the search found since this was
                                       // set to -1: where readings of other framings start
    bool is_armed = false;             // the search has seen clear mark since its last crossing
    bool is_at_end = false;            // the recording has ended: no newer window starts come
    double edge = 0;                   // start edge of the word being checked or predicted
    int bad_in_row = 0;                // words in a row whose stop bits failed while locked
    int coasted_words = 0;             // words stepped over in the current dropout
    std::int64_t words = 0;            // words decoded
    std::int64_t words_in_step = 0;    // framed in step since a search found the line anew
    std::int64_t suspect_words = 0;    // of which framing or parity failed
    double framed_period_sum = 0;      // the bit periods the framed words were read at, summed
    std::int64_t lost_words = 0;       // stepped over in dropouts that the clock read on after
    std::int64_t locks = 0;            // times a free search found a word and locked
    std::int64_t lock_losses = 0;      // times three bad words dropped the lock
    std::int64_t jumps = 0;            // timing errors above the jump limit taken at once
    double timing_noise = 0.05 * 0.05; // variance of one change's timing error, bits squared
    // How well the recent words kept each tone's phase, in running sums: whether doubtful bits
    // are read along the phases, where a bit holds two cycles of space or more.
    PhaseEvidence phase_evidence;
    bool is_phase_readable = false;
};

// A clock for the `kind` of reading at a bit period of bit_samples, in which the space tone makes
// space_cycles_per_bit cycles (4 at 300 baud), with starting levels.
void configure_clock(FrameClock& clock, const ReadingKind& kind, double bit_samples,
                     double space_cycles_per_bit, double mark_level, double space_level);

// The window starts the history must hold for the clock to look back over a word.
[[nodiscard]] std::int64_t clock_history_span(const WordFormat& format, double bit_samples);

// Runs the clock over the history as far as it reaches. Returns true with `word` set when a word
// was decoded (call again for more), false when the clock needs newer window starts.
[[nodiscard]] bool next_word(FrameClock& clock, const ToneHistory& history, DecodedWord& word);
