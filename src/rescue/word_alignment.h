// Two readings of one tape lined up word by word, by what they read: two plays start at
// different times and run at slightly different speeds, and a dropout in either loses words
// (counted in the next word's lost_before, or only seen as time without words) or frames stray
// ones, so that neither the times nor the counts line up, while the bytes mostly do. Each
// reading stands for the words it says it lost, and for the time between its words that would
// hold more, with as many places that pair with anything; runs of bytes read alike anchor the
// alignment, and between anchors a small edit-distance table places the rest, in time and
// memory linear in the length (two readings of an hour-long side, 100 000 words each, take a
// few megabytes).
#pragma once

#include "rescue/decoded_word.h"

#include <cstdint>
#include <vector>

// What a reading has at one place of the alignment, where it is not a word's index.
constexpr std::int64_t no_word = -1;     // it read nothing here
constexpr std::int64_t lost_word = -2;   // it lost a word here, in a dropout it counted
constexpr std::int64_t unread_word = -3; // it read nothing here, in time that would hold a word

// One place on the tape: the word each reading read there (its index), or no_word, lost_word
// or unread_word.
struct WordPair {
    std::int64_t a = no_word;
    std::int64_t b = no_word;
};

// Every word of both readings, each once and in order, and the words they say they lost, paired
// where they fall on the same place. A word left unpaired costs little where it is doubtful (a
// stray) or lies before the other reading begins or after it ends.
[[nodiscard]] std::vector<WordPair> align_words(const std::vector<DecodedWord>& a,
                                                const std::vector<DecodedWord>& b);

// A word that framed badly or was read through a dropout.
[[nodiscard]] bool is_doubtful(const DecodedWord& word);
