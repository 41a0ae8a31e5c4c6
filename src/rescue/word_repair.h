// Repair from structure on a decoded recording's words: what the tape holds is judged from all
// of its bytes, and a byte that content cannot hold takes the nearest reading it allows, where
// the bits changed were the decoder's least sure (programs/structure_repair.h).
#pragma once

#include "rescue/decoded_word.h"

#include <cstdint>
#include <cstdio>
#include <vector>

// Repairs the bytes of words of `data_bits` in place, flags each changed word, and names every
// change on `report` (null: no report). Returns the number of bytes changed.
std::int64_t repair_words(std::vector<DecodedWord>& words, int data_bits, std::FILE* report,
                          std::uint32_t rate_hz);
