// libsndfile behind one small reader: opening, refusals in found/expected words, 16-bit samples.
#include "rescue/audio_input.h"

#include "base/platform.h"
#include "rescue/sample_range.h"
#if defined(_WIN32)
#include "rescue/codec_input.h"
#endif

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <mutex>

namespace {

struct RawFormatName {
    const char* name; // lower case, without underscores
    int format;       // libsndfile subformat and byte order
};

// sox's names (s16le) and arecord's (S16_LE, S24_3LE, FLOAT_LE, MU_LAW) for the same layouts.
constexpr std::array<RawFormatName, 21> raw_format_table = {{
    {"u8", SF_FORMAT_PCM_U8},
    {"s8", SF_FORMAT_PCM_S8},
    {"s16le", SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE},
    {"s16be", SF_FORMAT_PCM_16 | SF_ENDIAN_BIG},
    {"s24le", SF_FORMAT_PCM_24 | SF_ENDIAN_LITTLE},
    {"s243le", SF_FORMAT_PCM_24 | SF_ENDIAN_LITTLE},
    {"s24be", SF_FORMAT_PCM_24 | SF_ENDIAN_BIG},
    {"s243be", SF_FORMAT_PCM_24 | SF_ENDIAN_BIG},
    {"s32le", SF_FORMAT_PCM_32 | SF_ENDIAN_LITTLE},
    {"s32be", SF_FORMAT_PCM_32 | SF_ENDIAN_BIG},
    {"f32le", SF_FORMAT_FLOAT | SF_ENDIAN_LITTLE},
    {"floatle", SF_FORMAT_FLOAT | SF_ENDIAN_LITTLE},
    {"f32be", SF_FORMAT_FLOAT | SF_ENDIAN_BIG},
    {"floatbe", SF_FORMAT_FLOAT | SF_ENDIAN_BIG},
    {"f64le", SF_FORMAT_DOUBLE | SF_ENDIAN_LITTLE},
    {"float64le", SF_FORMAT_DOUBLE | SF_ENDIAN_LITTLE},
    {"f64be", SF_FORMAT_DOUBLE | SF_ENDIAN_BIG},
    {"float64be", SF_FORMAT_DOUBLE | SF_ENDIAN_BIG},
    {"ulaw", SF_FORMAT_ULAW},
    {"mulaw", SF_FORMAT_ULAW},
    {"alaw", SF_FORMAT_ALAW},
}};

// Encodings that libsndfile decodes to floating point: read as such, so that nothing beyond
// full scale wraps around on the way to integers.
bool is_float_encoding(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
        return true;
    default:
        return false;
    }
}

// libsndfile decodes ADPCM, GSM 6.10 and the like a block at a time, for as many blocks as the
// header declares: a block it cannot read is decoded all the same, from what its buffer still
// holds of the block before. A file's length bounds the count; a pipe's does not.
bool is_block_encoding(int format) {
    return audio_sample_bytes(format) == 0 && !is_float_encoding(format);
}

// A pipe of blocks is read a frame a call while it holds less than this (a second of IMA
// ADPCM stereo at 44100 Hz, four times what a read of a quarter second takes): its writer is
// slow or gone, and a read of many frames could find it empty.
constexpr std::int64_t ample_block_bytes = 44100;

// A frame a call, so that a call reads at most one block, and starts it only where bytes wait
// or none will come: libsndfile's read of a block finds the last bytes or none, never an end
// that a writer made while it waited. Once the writer has gone and the pipe is empty, its
// reads are made to fail: the call whose block read then finds nothing shows an error, and its
// frame, made from the block before, is not the recording's. Where the descriptor cannot be
// replaced, the empty pipe is the end. A file of the same bytes gives the same frames, but for
// a last part-block of MS ADPCM, which libsndfile leaves out of a file.
std::int64_t read_by_frames(AudioInput& audio, std::int16_t* frames, std::int64_t max_frames) {
    std::int64_t got = 0;
    while (got < max_frames && !audio.has_ended) {
        if (!audio.has_failing_reads && waiting_bytes(audio.stream) == 0) {
            if (is_writer_gone(audio.stream)) {
                audio.has_failing_reads = fail_further_reads(audio.stream);
                audio.has_ended = !audio.has_failing_reads;
            } else {
                wait_for_bytes(audio.stream);
            }
            continue;
        }
        const sf_count_t one = sf_readf_short(audio.file, frames + got * audio.info.channels, 1);
        if (one != 1 || sf_error(audio.file) != SF_ERR_NO_ERROR) {
            audio.has_ended = one != 0;
            break;
        }
        ++got;
    }
    return got;
}

std::string open_problem(const AudioInput& audio, const RawLayout& raw) {
    std::string problem = std::string("found no recording that libsndfile can read (\"") +
                          sf_strerror(nullptr) + "\")";
    if (raw.is_raw)
        return problem + ", where headerless samples of the layout given were expected";
    problem += ", where a WAV, AIFF, CAF, FLAC, Ogg or MP3 recording was expected";
    if (audio.is_pipe)
        problem += "; FLAC, CAF and other formats that need seeking cannot be read from a pipe: "
                   "give the file's name instead, or convert on the way, for example "
                   "\"flac -dc in.flac | qirvex-rescue - out\"";
    else
        problem += "; for headerless samples give their layout with --raw-format";
    return problem;
}

bool check_layout(const SF_INFO& info, std::string& problem) {
    if (info.channels < 1) {
        problem = std::to_string(info.channels) + " channels, where at least 1 was expected";
        return false;
    }
    const auto rate = static_cast<std::int64_t>(info.samplerate);
    if (rate < lowest_rate_hz || rate > highest_rate_hz) {
        problem = std::to_string(rate) + " samples per second, where 8000 to 192000 were expected";
        return false;
    }
    return true;
}

// Programs that write WAV to a pipe cannot go back to fill in the length, and put a size near
// 2 GB (arecord, sox) or beyond in its place.
constexpr std::int64_t placeholder_bytes = 0x7FFF0000;

bool has_declared_length(const AudioInput& audio) {
    const int bytes = audio_sample_bytes(audio.info.format);
    const std::int64_t frames = audio.info.frames;
    return bytes > 0 && frames > 0 &&
           frames < placeholder_bytes / (std::int64_t{bytes} * audio.info.channels);
}

// What libsndfile noted while it read the header, and since.
std::string log_of(SNDFILE* file) {
    std::array<char, 16384> log{};
    sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
    return log.data();
}

// libsndfile reads the samples that are there when a file is shorter than its data chunk
// declares, and notes it in its log as "data : 88200 (should be 49956)".
bool is_data_chunk_cut(SNDFILE* file) {
    const std::string log = log_of(file);
    const char* line = std::strstr(log.c_str(), "data : ");
    long long declared = 0;
    long long present = 0;
    return line != nullptr &&
           std::sscanf(line, "data : %lld (should be %lld)", &declared, &present) == 2 &&
           declared > present;
}

// A header may place the samples further on than its end (AIFF's SSND offset). Through a
// pipe libsndfile cannot seek there: it notes so in its log and reads on from where it is,
// taking the bytes in between for samples.
bool is_where_samples_begin(const AudioInput& audio, std::string& problem) {
    if (!audio.is_pipe ||
        log_of(audio.file).find("pipe seek to value other than pipeoffset") == std::string::npos)
        return true;
    problem = "found a header that places its samples elsewhere, where a pipe needs them right "
              "after it; give the file's name instead";
    return false;
}

} // namespace

int audio_sample_bytes(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        return 1;
    case SF_FORMAT_PCM_16:
        return 2;
    case SF_FORMAT_PCM_24:
        return 3;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 4;
    case SF_FORMAT_DOUBLE:
        return 8;
    default:
        return 0;
    }
}

int raw_format_code(const std::string& name) {
    std::string key;
    for (const char c : name)
        if (c != '_' && c != '-')
            key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    for (const RawFormatName& entry : raw_format_table)
        if (key == entry.name)
            return entry.format;
    return 0;
}

const char* raw_format_names() {
    return "u8, s8, s16le, s16be, s24le, s24be, s32le, s32be, f32le, f32be, f64le, f64be, ulaw "
           "or alaw";
}

namespace {

// The decodes of a batch open their files in turn: libsndfile keeps the error of a failed open
// in a variable of its own, not the file's (sf_strerror(nullptr) reads it), and the Windows
// build's decoders note what the processor can do in variables of their own when first used.
std::mutex opening_turn;

bool open_in_turn(AudioInput& audio, std::FILE* stream, const RawLayout& raw,
                  std::string& problem) {
    audio = AudioInput{};
    audio.stream = stream;
    audio.is_pipe = !is_regular_file(stream);
    if (raw.is_raw) {
        audio.info.format = SF_FORMAT_RAW | raw.format;
        audio.info.samplerate = static_cast<int>(raw.rate_hz);
        audio.info.channels = raw.channels;
        if (!check_layout(audio.info, problem))
            return false;
    }
#if defined(_WIN32)
    // What Debian's libsndfile reads through its external libraries, this build reads itself.
    if (!raw.is_raw) {
        switch (open_codec(audio, problem)) {
        case CodecOpening::Opened:
            if (check_layout(audio.info, problem))
                return true;
            close_codec(audio);
            return false;
        case CodecOpening::Refused:
            return false;
        case CodecOpening::NotCodec:
            break;
        }
    }
#endif
    audio.file = sf_open_fd(fileno(stream), SFM_READ, &audio.info, SF_FALSE);
    if (audio.file == nullptr) {
        problem = open_problem(audio, raw);
        return false;
    }
    if (!check_layout(audio.info, problem) || !is_where_samples_begin(audio, problem)) {
        close_audio(audio);
        return false;
    }
    audio.is_float = is_float_encoding(audio.info.format);
    audio.is_block_coded = is_block_encoding(audio.info.format);
    return true;
}

} // namespace

bool open_audio(AudioInput& audio, std::FILE* stream, const RawLayout& raw, std::string& problem) {
    const std::lock_guard<std::mutex> turn(opening_turn);
    return open_in_turn(audio, stream, raw, problem);
}

std::int64_t read_audio(AudioInput& audio, std::int16_t* frames, std::int64_t max_frames) {
    if (audio.has_ended)
        return 0;
    sf_count_t got = 0;
#if defined(_WIN32)
    if (audio.codec != nullptr) {
        got = read_codec(audio, frames, max_frames);
        audio.frames_read += got;
        return got;
    }
#endif
    if (audio.is_block_coded && audio.is_pipe && waiting_bytes(audio.stream) < ample_block_bytes) {
        got = read_by_frames(audio, frames, max_frames);
    } else if (!audio.is_float) {
        got = sf_readf_short(audio.file, frames, max_frames);
    } else {
        audio.values.resize(static_cast<std::size_t>(max_frames * audio.info.channels));
        got = sf_readf_double(audio.file, audio.values.data(), max_frames);
        for (sf_count_t n = 0; n < got * audio.info.channels; ++n)
            frames[n] = scaled_sample(audio.values[static_cast<std::size_t>(n)]);
    }
    // libsndfile's MS ADPCM decoder answers a block it could not read with -1, and the next call
    // with the block before once more: the input ends at the first.
    if (got < 0) {
        audio.has_ended = true;
        got = 0;
    }
    audio.frames_read += got;
    return got;
}

std::string audio_shortfall(AudioInput& audio) {
    constexpr const char* cut = "the recording ends before the length its header declares";
#if defined(_WIN32)
    if (audio.codec != nullptr)
        return "";
#endif
    // The blocks ran out before the header's count of them (and the failed read was ours).
    if (audio.is_block_coded && audio.has_ended && audio.frames_read < audio.info.frames)
        return cut;
    if (sf_error(audio.file) != SF_ERR_NO_ERROR)
        return std::string("reading stopped: ") + sf_strerror(audio.file);
    const bool is_cut = audio.is_pipe
                            ? has_declared_length(audio) && audio.frames_read < audio.info.frames
                            : is_data_chunk_cut(audio.file);
    return is_cut ? cut : "";
}

std::string audio_format_name(const AudioInput& audio) {
#if defined(_WIN32)
    if (audio.codec != nullptr)
        return codec_format_name(audio);
#endif
    std::string name;
    for (const int mask : {SF_FORMAT_TYPEMASK, SF_FORMAT_SUBMASK}) {
        SF_FORMAT_INFO format{};
        format.format = audio.info.format & mask;
        if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &format, sizeof format) == 0 &&
            format.name != nullptr)
            name += (name.empty() ? "" : ", ") + std::string(format.name);
    }
    return name.empty() ? "unknown format" : name;
}

void close_audio(AudioInput& audio) {
#if defined(_WIN32)
    close_codec(audio);
#endif
    if (audio.file != nullptr)
        sf_close(audio.file);
    audio.file = nullptr;
}
