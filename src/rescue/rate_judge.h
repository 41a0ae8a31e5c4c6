// Telling the bit rate from the words: a reading at twice or four times the line's rate still
// frames words (the start bit read as two or four space bits, a data bit as two or four equal
// bits), so a wrong rate can read clean-looking words. Inside such words every run of equal
// bits is two or four bits long, or a multiple of it; the runs at the word's ends may be cut
// short, since a predicted word may start in the middle of one of the line's bits.
#pragma once

#include "rescue/decoded_word.h"

#include <array>
#include <cstdint>

struct RepeatCount {
    std::int64_t judged = 0;                // words with a run of bits inside them
    std::array<std::int64_t, 2> repeated{}; // of which read every bit twice, four times
};

void count_repeats(RepeatCount& count, const DecodedWord& word);

// 2 or 4 where the words read every bit that many times: the line runs at that fraction of the
// lane's rate; 1 where they do not, or too few words were read to tell.
[[nodiscard]] int repeat_factor(const RepeatCount& count);
