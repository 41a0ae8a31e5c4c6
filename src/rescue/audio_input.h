// The recording as samples, through libsndfile: WAV in all its layouts (PCM of 8 to 32 bits,
// float, u-law, A-law, ADPCM, WAVE_FORMAT_EXTENSIBLE, W64, RF64), AIFF/AIFC, CAF, FLAC, Ogg
// Vorbis and Opus, MP3, and headerless PCM whose layout the user names. Files are read from
// their descriptor, standard input as a pipe, where libsndfile never seeks. Every sample comes
// out in the 16-bit range, whatever its width or encoding, so the decoder sees one scale.
#pragma once

#include "rescue/rescue_decoder.h"

#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The layout of headerless samples, as `sox -t raw` or `arecord -t raw` write them.
struct RawLayout {
    bool is_raw = false;                              // the input has no header
    int format = SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE; // libsndfile subformat and byte order
    std::uint32_t rate_hz = 44100;                    // frames per second
    int channels = 1;                                 // samples per frame
};

// A name of a raw sample type (s16le, u8, f32le, ulaw, or arecord's S16_LE, FLOAT_LE ...) as a
// libsndfile subformat with its byte order; 0 for a name not known.
[[nodiscard]] int raw_format_code(const std::string& name);

// The names raw_format_code takes, for messages and the help text.
[[nodiscard]] const char* raw_format_names();

// The Windows build's reader of FLAC, MP3 and Ogg Vorbis (codec_input.h), which its libsndfile
// lacks; never used on Linux.
struct CodecReader;

struct AudioInput {
    SNDFILE* file = nullptr;
    CodecReader* codec = nullptr;   // Windows: the FLAC, MP3 or Ogg Vorbis decoder, in file's place
    std::FILE* stream = nullptr;    // what libsndfile reads, through its descriptor
    SF_INFO info{};                 // rate, channels, format and, when known, frames
    bool is_pipe = false;           // read as a stream: no seek, no known length
    bool is_float = false;          // decoded as floating point, not as integers
    bool is_block_coded = false;    // an encoding libsndfile decodes block by block (ADPCM, GSM)
    bool has_failing_reads = false; // the drained pipe's descriptor now fails every read
    bool has_ended = false;         // no more reads: one failed, or went past the input's end
    std::int64_t frames_read = 0;   // frames delivered so far
    std::vector<double> values;     // one block of floating-point samples, before scaling
};

// Opens the recording behind `stream` (a file or a pipe, at its start). On failure returns false
// with `problem` saying what was found and what was expected; nothing is printed here.
[[nodiscard]] bool open_audio(AudioInput& audio, std::FILE* stream, const RawLayout& raw,
                              std::string& problem);

// Reads up to max_frames interleaved frames into `frames`; fewer only at the end of the input
// or on a read error. Returns the frames read. Through a pipe, the input ends where its bytes
// end, whatever length its header declares.
[[nodiscard]] std::int64_t read_audio(AudioInput& audio, std::int16_t* frames,
                                      std::int64_t max_frames);

// How the input ended, after read_audio returned 0: empty when it ended where its header says,
// else what went wrong (a file shorter than its data chunk, a stream cut off, a decoding error).
[[nodiscard]] std::string audio_shortfall(AudioInput& audio);

// The bytes one sample of libsndfile's `format` takes by its encoding (the subformat); 0 where
// the encoding has no fixed size.
[[nodiscard]] int audio_sample_bytes(int format);

// The container and encoding, as "WAV (Microsoft), Signed 16 bit PCM".
[[nodiscard]] std::string audio_format_name(const AudioInput& audio);

void close_audio(AudioInput& audio);
