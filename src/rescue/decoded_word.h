// The serial word as the line carries it, and a word as the rescue decoder reads it: the byte,
// what befell it, and how sure each of its bits was, for whoever judges the bytes afterwards (a
// listing's lint, a program format's repair, the page's view of one word).
//
//     [start][d0 .. d7][parity][stop][stop]   bit k starts at edge + k x bit_samples
#pragma once

#include <array>

enum class Parity { None, Even, Odd };

struct WordFormat {
    int data_bits = 8; // 7 or 8
    Parity parity = Parity::None;
    int stop_bits = 2; // 1 or 2

    friend constexpr bool operator==(const WordFormat&, const WordFormat&) = default;
};

// Start bit, data bits, parity bit and stop bits.
[[nodiscard]] constexpr int word_bits(const WordFormat& format) {
    return 1 + format.data_bits + (format.parity == Parity::None ? 0 : 1) + format.stop_bits;
}

// The most bits a word has: start, 8 data, parity, 2 stop.
constexpr int max_bits = 12;

struct DecodedWord {
    int byte = 0;                  // the data bits, least significant first on tape
    bool is_framing_error = false; // a stop bit read space, or the start bit mark
    bool is_parity_error = false;  // the parity bit disagreed with the data
    bool is_reread = false;        // read again from a moved edge or period, which read better
    bool is_faint = false;         // its tones were 10 dB or more under their levels: a dropout
    bool is_repaired = false;      // its byte was changed afterwards to one its content allows
    int confidence = 0;            // the margin of its most doubtful bit, 0 (a coin toss) to 100
    int lost_before = 0;           // words lost in a dropout just before it
    double edge = 0;               // the start edge, in samples from the start of the recording
    double gap_before = 0;         // samples from the end of the word before (or the start)
    double bit_samples = 0;        // the bit period it was read at, in samples
    int baud = 0;                  // the bit rate of the line it was read on
    WordFormat format;             // and its framing
    double mark_level = 0;         // the mark level it was read against, a share of full scale
    double space_level = 0;        // the space level likewise
    int bit_count = 0;             // the bits read, start to last stop
    // Each bit's discriminator d, -1 (clean space) to +1 (clean mark): the bit read mark where
    // d > 0, and |d| is its margin. The least sure bits are those nearest 0.
    std::array<float, max_bits> bit_d{};
    // Where several captures of one tape were merged (capture_merge.h):
    int reading = 0;           // the capture the byte was taken from, from 1; 0: not merged
    bool is_confirmed = false; // another capture read the same byte here
};
