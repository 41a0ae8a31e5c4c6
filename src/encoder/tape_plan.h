// What each input byte becomes on the tape, under the options of the run, and so how long the
// tape of a whole input is before any of it is written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

enum class ByteSound {
    Word,            // one serial word
    WordThenPadding, // a CR's word, then the end-of-line padding (-P outside BASIC mode)
    EndOfLine,       // a CR in BASIC mode: the whole end-of-line sequence
    Nothing,         // a NUL or LF after a CR in BASIC mode, which the sequence already holds
};

// The sound of one input byte. `after_cr` carries BASIC mode's memory of a CR from one byte to
// the next; it starts false.
[[nodiscard]] ByteSound byte_sound(int byte, bool& after_cr);

// The samples that a byte's sound takes when every write is accepted in full.
[[nodiscard]] std::int64_t sound_length_samples(ByteSound sound);

// The samples of the data chunk after encoding `input` (at its first byte) behind
// `existing_samples`: leader, BASIC's first end-of-line sequence, the words and paddings, trailer.
// Reads the input to its end, or only until the count passes `enough_samples`, then puts it back
// at its first byte. Nothing when the input is no regular file, which cannot be read twice, or a
// read fails.
[[nodiscard]] std::optional<std::uint64_t> planned_data_samples(std::FILE* input,
                                                                std::uint64_t existing_samples,
                                                                std::uint64_t enough_samples);
