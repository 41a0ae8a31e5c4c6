// FLAC, MP3 and Ogg Vorbis for the Windows build, whose libsndfile is built without the external
// libraries that decode them on Linux: dr_flac, dr_mp3 and stb_vorbis read them here, behind the
// same AudioInput, and give the same samples as libsndfile does (FLAC exactly; MP3 and Vorbis as
// floating point, scaled as libsndfile's are). The recording's first bytes choose, as libsndfile
// chooses: "fLaC", "OggS", an ID3v2 tag or an MPEG frame header. Ogg Opus is refused. Built only
// for Windows (audio_input.cpp calls it there).
#pragma once

#include "rescue/audio_input.h"

#include <cstdint>
#include <string>

enum class CodecOpening {
    NotCodec, // none of these formats: libsndfile reads it
    Opened,   // audio.codec decodes it; audio.info holds its rate, channels and frames
    Refused,  // a format that this build cannot read, or a damaged one; `problem` says why
};

// Looks at the start of the recording behind audio.stream (at its start) and opens it when it
// is FLAC, MP3 or Ogg Vorbis. Nothing is taken from a pipe unless the recording is opened here.
[[nodiscard]] CodecOpening open_codec(AudioInput& audio, std::string& problem);

// Reads up to max_frames interleaved frames, as read_audio does.
[[nodiscard]] std::int64_t read_codec(AudioInput& audio, std::int16_t* frames,
                                      std::int64_t max_frames);

// The container and encoding in libsndfile's words, as "MPEG-1/2 Audio, MPEG Layer III".
[[nodiscard]] std::string codec_format_name(const AudioInput& audio);

void close_codec(AudioInput& audio);
