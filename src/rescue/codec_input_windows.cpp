// The Windows build's FLAC, MP3 and Ogg Vorbis reader: the recording's first bytes looked at in
// place, then dr_flac, dr_mp3 or stb_vorbis on the C library's descriptor, which libsndfile
// would otherwise read. Built only for Windows.
#include "rescue/codec_input.h"

#include "base/platform.h"
#include "rescue/codec_sniff.h"
#include "rescue/pipe_look.h"
#include "rescue/sample_range.h"

#include <dr_flac.h>
#include <dr_mp3.h>
#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>

#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <vector>

enum class Codec { Flac, Mp3, Vorbis };

struct CodecReader {
    Codec codec = Codec::Flac;
    int descriptor = -1;              // the C library's descriptor of the input
    std::int64_t start = 0;           // where the codec's stream begins in a file, in bytes
    std::int64_t end = -1;            // where it ends in a file, before an ID3v1 tag; -1: unknown
    bool is_seekable = false;         // a regular file, not a pipe
    int mp3_layer = 3;                // MPEG audio layer, 1 to 3, from the first frame header
    drflac* flac = nullptr;           // FLAC: the open decoder
    drmp3 mp3{};                      // MP3: the decoder, open when has_mp3
    bool has_mp3 = false;             // dr_mp3 opened `mp3`
    stb_vorbis* vorbis = nullptr;     // Ogg Vorbis: the open decoder over `whole`
    std::vector<unsigned char> whole; // Ogg Vorbis: the recording, read whole (stb_vorbis reads
                                      // its pages from memory and trims the last one so)
    std::vector<float> values;        // one block of floating-point samples, before scaling
    // A pipe: the bytes read while the decoder opens, so that it can seek back among them as it
    // does in a file (dr_mp3 reads a frame ahead, then goes back to its start).
    std::vector<unsigned char> replay;
    std::int64_t position = 0;       // the decoder's place in the pipe, in bytes
    bool is_opening = true;          // bytes read are kept in `replay`
    std::vector<unsigned char> held; // the pipe's last bytes read, held back until more come,
                                     // since they may be an ID3v1 tag
    bool has_pipe_ended = false;     // the pipe gave all it had; a tag in `held` was dropped
};

namespace {

// A file is read and sought back; a pipe is looked into (look_into_pipe). A console or device
// shows nothing here.
RecordingStart look_at_start(AudioInput& audio, int descriptor, bool is_seekable) {
    RecordingStart start;
    if (is_seekable) {
        const std::int64_t position = _telli64(descriptor);
        const int got = _read(descriptor, start.bytes.data(), sniff_bytes);
        start.count = got > 0 ? static_cast<std::size_t>(got) : 0;
        _lseeki64(descriptor, position, SEEK_SET);
        return start;
    }
    start.count = look_into_pipe(audio.stream, start.bytes.data(), sniff_bytes);
    return start;
}

std::int64_t file_size_of(int descriptor) {
    struct _stat64 status {};
    return _fstat64(descriptor, &status) == 0 ? status.st_size : -1;
}

// The bytes asked for, fewer only at the end of the input or on an error.
std::size_t read_fully(int descriptor, void* bytes, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const auto part = static_cast<unsigned>(std::min<std::size_t>(count - total, 1 << 20));
        const int got = _read(descriptor, static_cast<char*>(bytes) + total, part);
        if (got <= 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

// An ID3v1 tag: the 128 bytes "TAG..." at the end of an MP3 recording.
constexpr std::size_t id3v1_bytes = 128;

bool is_id3v1(const unsigned char* bytes) { return std::memcmp(bytes, "TAG", 3) == 0; }

// A pipe's bytes with a last ID3v1 tag left out (end_before_id3v1 says why): the last 128 bytes
// read are held back until more come, and dropped at the end if they are one.
std::size_t read_pipe(CodecReader& reader, unsigned char* bytes, std::size_t count) {
    std::vector<unsigned char>& held = reader.held;
    const std::size_t wanted = count + id3v1_bytes;
    if (!reader.has_pipe_ended && held.size() < wanted) {
        const std::size_t before = held.size();
        held.resize(wanted);
        const std::size_t got =
            read_fully(reader.descriptor, held.data() + before, wanted - before);
        held.resize(before + got);
        reader.has_pipe_ended = before + got < wanted;
        if (reader.has_pipe_ended && held.size() >= id3v1_bytes &&
            is_id3v1(held.data() + held.size() - id3v1_bytes))
            held.resize(held.size() - id3v1_bytes);
    }
    const std::size_t given =
        std::min(count, reader.has_pipe_ended ? held.size() : held.size() - id3v1_bytes);
    std::memcpy(bytes, held.data(), given);
    held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(given));
    return given;
}

// From a pipe, bytes kept in `replay` are given again before any new ones are read.
size_t read_bytes(void* user, void* bytes, size_t count) {
    auto& reader = *static_cast<CodecReader*>(user);
    if (reader.is_seekable && reader.end >= 0)
        count = static_cast<std::size_t>(std::clamp<std::int64_t>(
            reader.end - _telli64(reader.descriptor), 0, static_cast<std::int64_t>(count)));
    if (reader.is_seekable)
        return read_fully(reader.descriptor, bytes, count);
    const auto kept = static_cast<std::int64_t>(reader.replay.size());
    const auto again = static_cast<std::size_t>(
        std::clamp<std::int64_t>(kept - reader.position, 0, static_cast<std::int64_t>(count)));
    if (again > 0)
        std::memcpy(bytes, reader.replay.data() + reader.position, again);
    const std::size_t fresh =
        read_pipe(reader, static_cast<unsigned char*>(bytes) + again, count - again);
    if (reader.is_opening)
        reader.replay.insert(reader.replay.end(), static_cast<unsigned char*>(bytes) + again,
                             static_cast<unsigned char*>(bytes) + again + fresh);
    reader.position += static_cast<std::int64_t>(again + fresh);
    return again + fresh;
}

// A pipe seeks back only among the bytes kept while the decoder opened, and forward by reading.
bool seek_pipe(CodecReader& reader, std::int64_t target) {
    if (target < 0 || (target < reader.position && !reader.is_opening))
        return false;
    if (target <= static_cast<std::int64_t>(reader.replay.size()) && reader.is_opening) {
        reader.position = target;
        return true;
    }
    std::array<unsigned char, 4096> discard{};
    while (reader.position < target) {
        const auto part = static_cast<std::size_t>(
            std::min<std::int64_t>(target - reader.position, discard.size()));
        if (read_bytes(&reader, discard.data(), part) != part)
            return false;
    }
    return true;
}

// Seeks relative to the codec stream's start; a pipe cannot seek from its end.
template <typename Origin>
int seek_bytes(void* user, int offset, Origin origin, Origin from_start, Origin from_here) {
    auto& reader = *static_cast<CodecReader*>(user);
    if (!reader.is_seekable)
        return origin == from_start  ? seek_pipe(reader, offset)
               : origin == from_here ? seek_pipe(reader, reader.position + offset)
                                     : 0;
    if (origin == from_here)
        return _lseeki64(reader.descriptor, offset, SEEK_CUR) >= 0;
    if (origin == from_start)
        return _lseeki64(reader.descriptor, reader.start + offset, SEEK_SET) >= 0;
    return reader.end >= 0 ? _lseeki64(reader.descriptor, reader.end + offset, SEEK_SET) >= 0
                           : _lseeki64(reader.descriptor, offset, SEEK_END) >= 0;
}

template <typename Position> int tell_bytes(void* user, Position* position) {
    const auto& reader = *static_cast<CodecReader*>(user);
    *position = reader.is_seekable ? _telli64(reader.descriptor) - reader.start : reader.position;
    return 1;
}

drflac_bool32 seek_flac(void* user, int offset, drflac_seek_origin origin) {
    return seek_bytes(user, offset, origin, DRFLAC_SEEK_SET, DRFLAC_SEEK_CUR);
}

drflac_bool32 tell_flac(void* user, drflac_int64* position) { return tell_bytes(user, position); }

drmp3_bool32 seek_mp3(void* user, int offset, drmp3_seek_origin origin) {
    return seek_bytes(user, offset, origin, DRMP3_SEEK_SET, DRMP3_SEEK_CUR);
}

drmp3_bool32 tell_mp3(void* user, drmp3_int64* position) { return tell_bytes(user, position); }

// libsndfile's name of a FLAC stream's sample width.
int pcm_format(unsigned bits) {
    return bits <= 8    ? SF_FORMAT_PCM_S8
           : bits <= 16 ? SF_FORMAT_PCM_16
           : bits <= 24 ? SF_FORMAT_PCM_24
                        : SF_FORMAT_PCM_32;
}

bool open_flac(AudioInput& audio, CodecReader& reader, std::string& problem) {
    if (!reader.is_seekable) {
        problem = "found a FLAC recording, which cannot be read from a pipe: give the file's name "
                  "instead, or convert on the way, for example \"flac -dc in.flac | "
                  "qirvex-rescue - out\"";
        return false;
    }
    reader.flac = drflac_open(read_bytes, seek_flac, tell_flac, &reader, nullptr);
    if (reader.flac == nullptr) {
        problem = "found a FLAC recording that cannot be decoded, where a whole FLAC stream was "
                  "expected";
        return false;
    }
    audio.info.samplerate = static_cast<int>(reader.flac->sampleRate);
    audio.info.channels = reader.flac->channels;
    audio.info.frames = static_cast<sf_count_t>(reader.flac->totalPCMFrameCount);
    audio.info.format = SF_FORMAT_FLAC | pcm_format(reader.flac->bitsPerSample);
    return true;
}

constexpr std::array<int, 4> mpeg_layer_formats = {
    0, SF_FORMAT_MPEG_LAYER_I, SF_FORMAT_MPEG_LAYER_II, SF_FORMAT_MPEG_LAYER_III};

// An ID3v1 tag at the end of an MP3 file is kept from dr_mp3: minimp3,
// its core, takes a last frame that is followed by bytes other than a frame header for noise
// and drops it (15 frames of a lame file with --add-id3v2, measured), where mpg123 keeps it.
void end_before_id3v1(CodecReader& reader) {
    constexpr auto tag_bytes = static_cast<std::int64_t>(id3v1_bytes);
    const std::int64_t size = file_size_of(reader.descriptor);
    std::array<unsigned char, 3> tag{};
    if (size - tag_bytes < reader.start ||
        _lseeki64(reader.descriptor, size - tag_bytes, SEEK_SET) < 0 ||
        _read(reader.descriptor, tag.data(), 3) != 3 || !is_id3v1(tag.data()))
        reader.end = -1;
    else
        reader.end = size - tag_bytes;
    _lseeki64(reader.descriptor, reader.start, SEEK_SET);
}

bool open_mp3(AudioInput& audio, CodecReader& reader, std::string& problem) {
    if (reader.is_seekable)
        end_before_id3v1(reader);
    reader.has_mp3 =
        drmp3_init(&reader.mp3, read_bytes, seek_mp3, tell_mp3, nullptr, &reader, nullptr) != 0;
    if (!reader.has_mp3) {
        problem = "found no MPEG audio frame that can be decoded, where an MP3 recording was "
                  "expected";
        return false;
    }
    audio.info.samplerate = static_cast<int>(reader.mp3.sampleRate);
    audio.info.channels = static_cast<int>(reader.mp3.channels);
    const drmp3_uint64 total = reader.mp3.totalPCMFrameCount;
    const drmp3_uint64 trimmed =
        std::uint64_t{reader.mp3.delayInPCMFrames} + reader.mp3.paddingInPCMFrames;
    audio.info.frames =
        total != DRMP3_UINT64_MAX && total > trimmed ? static_cast<sf_count_t>(total - trimmed) : 0;
    audio.info.format = SF_FORMAT_MPEG | mpeg_layer_formats[reader.mp3_layer];
    return true;
}

bool open_vorbis(AudioInput& audio, CodecReader& reader, std::string& problem) {
    constexpr std::size_t chunk_bytes = 1 << 20;
    std::size_t got = 0;
    do {
        reader.whole.resize(reader.whole.size() + chunk_bytes);
        got = read_fully(reader.descriptor, reader.whole.data() + reader.whole.size() - chunk_bytes,
                         chunk_bytes);
        reader.whole.resize(reader.whole.size() - chunk_bytes + got);
    } while (got == chunk_bytes && reader.whole.size() < INT_MAX - chunk_bytes);
    int error = 0;
    reader.vorbis = stb_vorbis_open_memory(reader.whole.data(),
                                           static_cast<int>(reader.whole.size()), &error, nullptr);
    if (reader.vorbis == nullptr) {
        problem = "found an Ogg Vorbis recording that cannot be decoded (stb_vorbis error " +
                  std::to_string(error) + "), where a whole Vorbis stream was expected";
        return false;
    }
    const stb_vorbis_info info = stb_vorbis_get_info(reader.vorbis);
    audio.info.samplerate = static_cast<int>(info.sample_rate);
    audio.info.channels = info.channels;
    audio.info.frames = stb_vorbis_stream_length_in_samples(reader.vorbis);
    audio.info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    return true;
}

// A pipe's ID3v2 tag is taken out of it before MP3 decoding starts; a file's is sought past.
bool skip_tag(CodecReader& reader, std::size_t offset) {
    if (reader.is_seekable)
        return _lseeki64(reader.descriptor, reader.start, SEEK_SET) >= 0;
    std::vector<unsigned char> tag(offset);
    return read_fully(reader.descriptor, tag.data(), offset) == offset;
}

} // namespace

CodecOpening open_codec(AudioInput& audio, std::string& problem) {
    const int descriptor = _fileno(audio.stream);
    const bool is_seekable = !audio.is_pipe;
    const Sniffed sniffed =
        sniff_recording(look_at_start(audio, descriptor, is_seekable), is_seekable);
    if (sniffed.kind == CodecKind::Other)
        return CodecOpening::NotCodec;
    if (sniffed.kind == CodecKind::Opus) {
        problem = "found an Ogg Opus recording, which this Windows build cannot read; convert it "
                  "first, for example \"opusdec in.opus in.wav\", or use the Linux build";
        return CodecOpening::Refused;
    }
    auto* reader = new CodecReader;
    reader->descriptor = descriptor;
    reader->is_seekable = is_seekable;
    const auto offset = static_cast<std::int64_t>(sniffed.offset);
    reader->start = is_seekable ? _telli64(descriptor) + offset : 0;
    audio.codec = reader;
    bool is_open = skip_tag(*reader, sniffed.offset);
    switch (sniffed.kind) {
    case CodecKind::Flac:
        reader->codec = Codec::Flac;
        is_open = is_open && open_flac(audio, *reader, problem);
        break;
    case CodecKind::Mp3:
        reader->codec = Codec::Mp3;
        reader->mp3_layer = sniffed.mpeg_layer > 0 ? sniffed.mpeg_layer : 3;
        is_open = is_open && open_mp3(audio, *reader, problem);
        break;
    default:
        reader->codec = Codec::Vorbis;
        is_open = is_open && open_vorbis(audio, *reader, problem);
        break;
    }
    if (problem.empty() && !is_open)
        problem = "the recording ends inside its ID3v2 tag";
    reader->is_opening = false;
    reader->replay = {};
    if (!is_open)
        close_codec(audio);
    return is_open ? CodecOpening::Opened : CodecOpening::Refused;
}

std::int64_t read_codec(AudioInput& audio, std::int16_t* frames, std::int64_t max_frames) {
    CodecReader& reader = *audio.codec;
    const auto count = static_cast<std::uint64_t>(max_frames);
    if (reader.codec == Codec::Flac)
        return static_cast<std::int64_t>(drflac_read_pcm_frames_s16(reader.flac, count, frames));
    const int channels = audio.info.channels;
    reader.values.resize(static_cast<std::size_t>(max_frames * channels));
    const std::int64_t got =
        reader.codec == Codec::Mp3
            ? static_cast<std::int64_t>(
                  drmp3_read_pcm_frames_f32(&reader.mp3, count, reader.values.data()))
            : stb_vorbis_get_samples_float_interleaved(reader.vorbis, channels,
                                                       reader.values.data(),
                                                       static_cast<int>(reader.values.size()));
    for (std::int64_t n = 0; n < got * channels; ++n)
        frames[n] = scaled_sample(reader.values[static_cast<std::size_t>(n)]);
    return got;
}

std::string codec_format_name(const AudioInput& audio) {
    switch (audio.codec->codec) {
    case Codec::Flac: {
        const int bits = audio_sample_bytes(audio.info.format) * 8;
        return "FLAC (Free Lossless Audio Codec), Signed " + std::to_string(bits) + " bit PCM";
    }
    case Codec::Mp3: {
        constexpr std::array<const char*, 4> layers = {"", "I", "II", "III"};
        return std::string("MPEG-1/2 Audio, MPEG Layer ") + layers[audio.codec->mp3_layer];
    }
    case Codec::Vorbis:
        break;
    }
    return "OGG (OGG Container format), Vorbis";
}

void close_codec(AudioInput& audio) {
    CodecReader* reader = audio.codec;
    if (reader == nullptr)
        return;
    if (reader->flac != nullptr)
        drflac_close(reader->flac);
    if (reader->has_mp3)
        drmp3_uninit(&reader->mp3);
    if (reader->vorbis != nullptr)
        stb_vorbis_close(reader->vorbis);
    delete reader;
    audio.codec = nullptr;
}
