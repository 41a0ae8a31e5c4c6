// Several captures of one tape read together: two plays of it, or the two channels of a stereo
// capture, each losing different bytes to noise and dropouts. The readings are lined up by
// what they read (word_alignment.h), and at each place the byte is taken from the reading that
// framed it best; a byte two readings read alike is confirmed, and a word that only one reading
// has is kept where the others lost words there.
#pragma once

#include "rescue/decoded_word.h"

#include <cstdint>
#include <vector>

struct MergeTally {
    std::vector<std::int64_t> taken; // bytes taken from each reading, from the first
    std::int64_t confirmed = 0;      // bytes two readings read alike
    std::int64_t disagreements = 0;  // places where a reading read another byte than the rest
    std::int64_t strays = 0; // doubtful words one reading alone read where the others read on
                             // without a loss: left out
};

// One stream from the readings, first to last: each word marked with the reading it came from
// (from 1) and whether it was confirmed, and its lost_before the words that every reading lost
// there.
// The readings are taken over, so that an hour of words is not held twice.
[[nodiscard]] std::vector<DecodedWord>
merge_readings(std::vector<std::vector<DecodedWord>> readings, MergeTally& tally);

// Whether `x` frames better than `y`: a clean word beats a suspect one, a confirmed word an
// unconfirmed one, a word at full level one read through a dropout; then the higher
// confidence, then the clearer bits.
[[nodiscard]] bool frames_better(const DecodedWord& x, const DecodedWord& y);
