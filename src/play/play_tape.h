// The tape that qirvex-play plays: an audio file as it is (a WAV that qirvex wrote, or any
// recording libsndfile reads), or any other file encoded on the way by qirvex's own encoder
// (src/encoder) into a temporary WAV file, exactly as `qirvex` would write it.
#pragma once

#include "play/play_options.h"

#include <sndfile.h>

#include <cstdio>
#include <string>

struct PlayTape {
    SNDFILE* file = nullptr;     // the samples, through libsndfile
    SF_INFO info{};              // rate, channels and length in frames
    std::FILE* stream = nullptr; // the file libsndfile reads: the input or the encoded tape
    bool is_encoded = false;     // the input was encoded on the way
};

// Opens the input as a tape. A file that libsndfile reads is played as it is; one that looks
// like a WAV file (its name ends in .wav, or it begins with RIFF) but is not readable is
// refused; anything else is encoded at the options' baud rate and mode. False, with `problem`
// saying what was found and what was expected, when neither works.
[[nodiscard]] bool open_tape(PlayTape& tape, const PlayOptions& options, std::string& problem);

void close_tape(PlayTape& tape);
