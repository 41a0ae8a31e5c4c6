// Framing and bit clock: where each serial word starts, and what its bits read.
//
// Every bit is read from the discriminator d = (m/Am - s/As) / (m/Am + s/As), with m and s the
// detector magnitudes of the window that starts at the bit's first sample and Am, As the running
// mark and space levels. d runs from -1 (clean space) to +1 (clean mark) whatever the level,
// polarity, band tilt or clipping of the recording.
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
// on word by word and counts the words it stepped over as lost once it reads on in step.
//
//     [start][d0 .. d7][parity][stop][stop]   bit k starts at edge + k x bit_samples
#pragma once

#include "rescue/tone_history.h"

#include <cstdint>

enum class Parity { None, Even, Odd };

struct WordFormat {
    int data_bits = 8; // 7 or 8
    Parity parity = Parity::None;
    int stop_bits = 2; // 1 or 2
};

// Start bit, data bits, parity bit and stop bits.
[[nodiscard]] int word_bits(const WordFormat& format);

enum class ClockPhase { Searching, Checking, Locked };

struct FrameClock {
    WordFormat format;
    double bit_samples = 0;       // the bit period the loop tracks, in samples
    double tuned_bit_samples = 0; // the bit period at the measured speed, in samples
    double probe_samples = 0;     // how far either side of a boundary its timing is read
    double mark_level = 1;        // Am: running mark magnitude of decided mark bits
    double space_level = 1;       // As: running space magnitude of decided space bits
    double noise_level = 0;       // running magnitude of the other tone over decided bits
    ClockPhase phase = ClockPhase::Searching;
    std::int64_t search_from = 0;      // the next window start the search examines
    bool is_armed = false;             // the search has seen clear mark since its last crossing
    double edge = 0;                   // start edge of the word being checked or predicted
    int bad_in_row = 0;                // words in a row whose stop bits failed while locked
    int coasted_words = 0;             // words stepped over in the current dropout
    std::int64_t words = 0;            // words decoded
    std::int64_t suspect_words = 0;    // of which framing or parity failed
    std::int64_t lost_words = 0;       // stepped over in dropouts that the clock read on after
    std::int64_t locks = 0;            // times a free search found a word and locked
    std::int64_t lock_losses = 0;      // times three bad words dropped the lock
    std::int64_t jumps = 0;            // timing errors above the jump limit taken at once
    double timing_noise = 0.05 * 0.05; // variance of one change's timing error, bits squared
};

struct DecodedWord {
    int byte = 0;                  // the data bits, least significant first on tape
    bool is_framing_error = false; // a stop bit read space, or the start bit mark
    bool is_parity_error = false;  // the parity bit disagreed with the data
    bool is_reread = false;        // read again from a moved edge or period, which read better
    bool is_faint = false;         // its tones were 10 dB or more under their levels: a dropout
    int confidence = 0;            // the margin of its most doubtful bit, 0 (a coin toss) to 100
    int lost_before = 0;           // words lost in a dropout just before it
    double edge = 0;               // the start edge, in samples from the start of the recording
};

// A clock for `format` at a bit period of bit_samples, in which the space tone makes
// space_cycles_per_bit cycles (4 at 300 baud), with starting levels.
void configure_clock(FrameClock& clock, const WordFormat& format, double bit_samples,
                     double space_cycles_per_bit, double mark_level, double space_level);

// The window starts the history must hold for the clock to look back over a word.
[[nodiscard]] std::int64_t clock_history_span(const WordFormat& format, double bit_samples);

// Runs the clock over the history as far as it reaches. Returns true with `word` set when a word
// was decoded (call again for more), false when the clock needs newer window starts.
[[nodiscard]] bool next_word(FrameClock& clock, const ToneHistory& history, DecodedWord& word);
