// Reading a serial word out of the tone history, for the frame clock: the discriminator at any
// window start, the bits of a word at an edge, the changes of tone in it and their timing errors,
// and the word they assemble into.
#pragma once

#include "rescue/decoded_word.h"
#include "rescue/tone_history.h"

#include <array>

// Which tones a word's bits are read from. Both tones, weighed against each other, read best in
// hiss. A capture chain that rolls the treble off and delays the two tones unequally (a cheap
// deck or mixer) leaves the weak mark tone's edges out of step with the space tone's, by more
// than half a bit at 600 baud; the space tone alone still changes where the bits do. Read from it
// alone, 600-baud files with mark 12 to 19 dB under space and 1.2 to 1.3 ms of skew between the
// tones came back exactly, where both tones read 20 to 72 % of their bytes.
enum class ToneReader { BothTones, SpaceAlone };

// What one reading of a lane reads: its serial word, and the tones its bits are read from.
struct ReadingKind {
    WordFormat format;
    ToneReader reader = ToneReader::BothTones;

    friend constexpr bool operator==(const ReadingKind&, const ReadingKind&) = default;
};

// What a word is read against: the serial word and the tones read, the bit period, how far either
// side of a boundary its timing is read, and the running tone levels Am and As that the
// discriminator divides out.
struct ReadingFrame {
    WordFormat format;
    ToneReader reader = ToneReader::BothTones;
    double bit_samples = 0;
    double probe_samples = 0;
    double mark_level = 1;
    double space_level = 1;
};

struct Magnitudes {
    double mark = 0;
    double space = 0;
};

[[nodiscard]] Magnitudes magnitudes_at(const ToneHistory& history, double window_start);

// d = (m/Am - s/As) / (m/Am + s/As): from -1 (clean space) to +1 (clean mark), with the weaker
// tone's share weighed down where the levels Am and As lie more than 6 dB apart. Read from the
// space tone alone, d = 1 - 2 s/As.
[[nodiscard]] double discriminator(const ReadingFrame& frame, const Magnitudes& m);

// d for a window that may straddle a change of tone: where one tone is far weaker than the other,
// read from the stronger tone alone, as 1 - 2 s/As (or 2 m/Am - 1), since the weaker tone's
// detector then reads mostly the stronger one's leakage.
[[nodiscard]] double straddle_d_at(const ReadingFrame& frame, const ToneHistory& history,
                                   double window_start);

struct WordBits {
    std::array<bool, max_bits> is_mark{};
    int count = 0;
    double clarity = 0;  // mean |d| over the bits
    double weakest = 1;  // the least |d| of any bit: the margin of the most doubtful decision
    double strength = 0; // mean magnitude of the decided tones, as a share of their levels
    double start = 0;    // d of the start bit
    std::array<double, max_bits> d{}; // each bit's d
};

// The bits of a word whose start edge is at `edge`, each read from the window that starts with it.
[[nodiscard]] WordBits read_bits(const ReadingFrame& frame, const ToneHistory& history, double edge);

// How well the clear data bits of words kept each tone's phase: the cosine of each bit's phase
// against the one its word's other bits of that tone give, summed apart for bits just after a
// change of tone and bits after one of their own tone. Hiss turns both alike. A capture chain
// that delays the two tones unequally turns a tone's phase as it starts, so that bits just after
// a change keep it worse.
struct PhaseEvidence {
    double after_change = 0; // cosines summed
    double after_change_bits = 0;
    double steady = 0;
    double steady_bits = 0;
};

// The word's doubtful data and parity bits decided again against the phase of each tone. KCS
// tones make whole cycles in a bit, so a tone read a whole number of bits further on has the same
// phase against its detector, and the word's other bits of that tone give it. The part of a
// bit's sums along that phase keeps the tone and half the noise: the noise across the phase no
// longer counts, as in coherent detection. The word's clarity and weakest margin stay those of
// its magnitudes, which the readings are weighed by. Beside the bits, the word's evidence of
// kept phases. Bits read from the space tone alone are left as they are, with no evidence.
struct CoheredBits {
    WordBits bits;
    PhaseEvidence evidence;
};
[[nodiscard]] CoheredBits cohered_bits(const ReadingFrame& frame, const ToneHistory& history,
                                       double edge, const WordBits& bits);

// The changes of tone of a word: the bit each starts, and its timing error in samples.
struct WordChanges {
    std::array<int, max_bits> bit{};
    std::array<double, max_bits> error{};
    int count = 0;
};

// Where a word's tones change, and how far each change lies from where the clock expects it.
[[nodiscard]] WordChanges tone_changes(const ReadingFrame& frame, const ToneHistory& history,
                                       double edge, const WordBits& bits);

// The mean timing error of the changes, in samples.
[[nodiscard]] double mean_error(const WordChanges& found);

// The mean timing error of a word read at `edge`, in samples.
[[nodiscard]] double timing_error(const ReadingFrame& frame, const ToneHistory& history, double edge,
                                  const WordBits& bits);

// How the changes scatter about the straight line through them (the word's offset and period
// error), as a variance in bits squared: the noise of one timing measurement, whatever the
// timing itself does. Negative when there are fewer than three changes to tell.
struct ChangeFit {
    double slope = 0;    // samples per bit: the word's own bit period less the clock's
    double scatter = -1; // bits squared; negative when there are too few changes to tell
};
[[nodiscard]] ChangeFit fit_changes(const ReadingFrame& frame, const WordChanges& found);

[[nodiscard]] bool has_stop_bits(const ReadingFrame& frame, const WordBits& bits);

// The start bit reads space and the stop bits mark.
[[nodiscard]] bool is_framed(const ReadingFrame& frame, const WordBits& bits);

// The offset of the mark to space edge that starts a word, from the window straddling it.
[[nodiscard]] double start_edge_error(const ReadingFrame& frame, const ToneHistory& history,
                                      double edge);

// Framed readings beat unframed ones; among equals, the clearer wins.
[[nodiscard]] double reading_score(const ReadingFrame& frame, const WordBits& bits);

// The word's tones read 10 dB or more under their levels: it was read through a dropout.
[[nodiscard]] bool is_faint_reading(const WordBits& bits);

// The byte, its flags, its confidence and each bit's d, from a word's bits; the levels are the
// frame's, in detector magnitudes.
[[nodiscard]] DecodedWord assemble(const ReadingFrame& frame, const WordBits& bits, double edge);
