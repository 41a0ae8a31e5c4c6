// Where each byte of a decoded tape was in its recording, read from the word record that
// `qirvex-rescue --report=FILE` writes beside the tape: a tab-separated line a word, under a
// header that names the columns (offset, seconds, sample, byte, ..., and reading where captures
// were merged). Only those columns are read; the others may change without harm.
#pragma once

#include "programs/memory_image.h"

#include <cstdint>
#include <string>
#include <vector>

// One word's place in the recording.
struct WordTime {
    double seconds = 0;      // from the start of the recording to the word's start bit
    std::int64_t sample = 0; // the same, in samples
    int reading = 0;         // the capture it came from, from 1, where captures were merged; or 0
};

// Reads `record` as the word record of `tape` (named `tape_name` in messages) into `times`, one
// a byte. A record that is not one, or whose words are not the tape's bytes one for one, is
// refused: false, with `problem` saying what was found where what was expected.
[[nodiscard]] bool read_word_record(const std::vector<std::uint8_t>& record,
                                    const std::vector<std::uint8_t>& tape,
                                    const std::string& tape_name, std::vector<WordTime>& times,
                                    std::string& problem);

// "at byte 12 at 3.5766 s (sample 157730): " + message, as qirvex-rescue names a mended byte;
// the byte alone where `times` has no word for it (an empty record, or the tape's end).
[[nodiscard]] std::string describe_at(const Problem& problem, const std::vector<WordTime>& times);
