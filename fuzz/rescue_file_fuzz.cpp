// libsndfile and the whole rescue decoder: arbitrary bytes as the input file, opened as the
// program opens it (a regular file, or a pipe) and decoded into a memory target with the report
// of suspect words and dropouts on.
//
// The run's options come from the last four bytes, which are cut off before the rest becomes
// the file, so that every container reaches libsndfile whole; a seed is a recording with four
// bytes appended, all zero for 300 baud 8N2 from a file, the channel chosen by the decoder.
//   byte -4, bit by bit: 600 baud, 7 data bits, 1 stop bit, parity (two bits: none, even, odd,
//            none), read through a pipe, headerless samples
//   byte -3: the channel, 0 to 3 (bits 0-1; 0: the decoder chooses)
//   byte -2: for headerless samples, the sample type (bits 0-3, of the 14 that --raw-format
//            names) and the channels (bits 4-5, 1 to 4)
//   byte -1: for headerless samples, the rate (bits 0-2: 8000 ... 192000 Hz)
// A file is a memfd, a regular file with a descriptor, since libsndfile reads descriptors. A
// pipe gets the bytes before libsndfile reads it and its write end is closed, so no read ever
// waits and no second thread is needed; what does not fit into the pipe's buffer (64 KB, more
// than an input may hold) is cut off, as when a pipe closes early. A pipe's samples are first
// compared with those of a file of the same bytes.
//
// A refusal (a file libsndfile cannot read, a rate or channel count out of range, a channel
// that is not there) goes once more through the program itself, which must write nothing, exit
// with its failure status and say so in one line.
#include "fuzz_support.h"

#include "rescue/audio_input.h"
#include "rescue/decode_loop.h"
#include "rescue/rescue_driver.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t trailer_bytes = 4;
constexpr std::array<const char*, 14> raw_format_names = {
    "u8",    "s8",    "s16le", "s16be", "s24le", "s24be", "s32le",
    "s32be", "f32le", "f32be", "f64le", "f64be", "ulaw",  "alaw"};
constexpr std::array<std::uint32_t, 8> raw_rates_hz = {8000,  11025, 16000, 21600,
                                                       22050, 44100, 48000, 192000};

struct FileCase {
    RescueSettings settings;
    bool is_pipe = false;
    RawLayout raw;
    const char* raw_name = "";
};

FileCase read_case(const std::uint8_t* trailer) {
    FileCase c;
    const std::uint8_t flags = trailer[0];
    c.settings = rescue_settings_from(flags);
    c.is_pipe = (flags & 0x20) != 0;
    c.raw.is_raw = (flags & 0x40) != 0;
    c.settings.channel = trailer[1] & 3;
    c.raw_name = raw_format_names[(trailer[2] & 0x0F) % raw_format_names.size()];
    c.raw.format = raw_format_code(c.raw_name);
    c.raw.channels = 1 + ((trailer[2] >> 4) & 3);
    c.raw.rate_hz = raw_rates_hz[trailer[3] & 7];
    return c;
}

// The bytes in a pipe whose write end is closed, cut where its buffer is full; `held` is how
// many went in.
std::FILE* pipe_stream(const std::uint8_t* data, std::size_t size, std::size_t& held) {
    int ends[2] = {-1, -1};
    require(pipe(ends) == 0, "pipe");
    require(fcntl(ends[1], F_SETFL, O_NONBLOCK) == 0, "non-blocking pipe");
    for (held = 0; held < size;) {
        const ssize_t count = write(ends[1], data + held, size - held);
        if (count <= 0)
            break;
        held += static_cast<std::size_t>(count);
    }
    close(ends[1]);
    std::FILE* stream = fdopen(ends[0], "rb");
    require(stream != nullptr, "fdopen of a pipe");
    return stream;
}

std::FILE* input_stream(const FileCase& c, const std::uint8_t* data, std::size_t size) {
    std::size_t held = 0;
    return c.is_pipe ? pipe_stream(data, size, held) : memory_file(data, size, "rb");
}

struct Frames {
    int format = 0;                    // libsndfile's format; 0: not opened
    std::vector<std::int16_t> samples; // interleaved
};

// Up to `limit` frames of the recording behind `stream`, as read_audio gives them. The stream
// is closed.
Frames read_frames(std::FILE* stream, const RawLayout& raw, std::int64_t limit) {
    AudioInput audio;
    std::string problem;
    Frames frames;
    if (open_audio(audio, stream, raw, problem)) {
        frames.format = audio.info.format;
        constexpr std::int64_t block_frames = 4096;
        std::vector<std::int16_t> block(block_frames * audio.info.channels);
        for (std::int64_t got = 0; audio.frames_read < limit &&
                                   (got = read_audio(audio, block.data(), block_frames)) > 0;)
            frames.samples.insert(frames.samples.end(), block.begin(),
                                  block.begin() + got * audio.info.channels);
    }
    close_audio(audio);
    std::fclose(stream);
    return frames;
}

bool is_mpeg(int format) { return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG; }

// A pipe gives the samples that a file of the same bytes gives: the decoders that trust the
// header's count of blocks (libsndfile's ADPCM) must stop where the pipe's bytes end. Past the
// file's samples a pipe may give one part-block that a file leaves out (MS ADPCM does): under
// 2^17 frames, the most that a block of 64 KB holds. MP3 is left out: after garbage, mpg123
// finds other frames in a stream than in a file it can seek in.
void check_pipe_as_file(const FileCase& c, const std::uint8_t* data, std::size_t size) {
    constexpr std::int64_t part_block_frames = std::int64_t{1} << 17;
    std::size_t held = 0;
    std::FILE* pipe = pipe_stream(data, size, held);
    const Frames file = read_frames(memory_file(data, held, "rb"), c.raw, INT64_MAX);
    const Frames piped = read_frames(
        pipe, c.raw, static_cast<std::int64_t>(file.samples.size()) + part_block_frames + 1);
    if (is_mpeg(file.format) || is_mpeg(piped.format))
        return;
    const std::size_t common = std::min(file.samples.size(), piped.samples.size());
    require(std::equal(file.samples.begin(), file.samples.begin() + common, piped.samples.begin()),
            "a pipe gave other samples than a file of the same bytes");
    require(piped.samples.size() <= file.samples.size() + part_block_frames,
            "a pipe gave samples past the end of its bytes");
}

// The command line that asks the program for what the case asks of open_audio and the decoder.
std::vector<std::string> command_line(const FileCase& c) {
    std::vector<std::string> line = {"qirvex-rescue", "-r"};
    const WordFormat& format = c.settings.format;
    if (c.settings.baud != 0)
        line.insert(line.end(), {"-b", std::to_string(c.settings.baud)});
    line.insert(line.end(),
                {"-d", std::to_string(format.data_bits),
                 "-s", std::to_string(format.stop_bits), "-p",
                 format.parity == Parity::Even  ? "even"
                 : format.parity == Parity::Odd ? "odd"
                                                : "none"});
    if (c.settings.channel > 0)
        line.insert(line.end(), {"-c", std::to_string(c.settings.channel)});
    if (c.raw.is_raw)
        line.insert(line.end(),
                    {"--raw-format", c.raw_name, "--raw-rate", std::to_string(c.raw.rate_hz),
                     "--raw-channels", std::to_string(c.raw.channels)});
    line.insert(line.end(), {"-", "-"});
    return line;
}

// The program on a refused input: nothing written, the failure status, one line saying why.
void check_refusal(const FileCase& c, const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> line = command_line(c);
    std::vector<char*> argv;
    for (std::string& word : line)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    RescueConsole console;
    console.in = input_stream(c, data, size);
    console.out = memory_file(nullptr, 0, "w+b");
    console.messages = memory_file(nullptr, 0, "w+b");
    const int status = run_rescue(static_cast<int>(line.size()), argv.data(), console);
    const std::string written = file_bytes(console.out);
    const std::string messages = file_bytes(console.messages);
    std::fclose(console.in);
    std::fclose(console.out);
    std::fclose(console.messages);
    require(status == rescue_failed, "a refused input did not fail");
    require(written.empty(), "bytes written for a refused input");
    require(!messages.empty() && messages.find('\n') == messages.size() - 1,
            "a refusal said not exactly one line");
}

// The bytes one sample takes where every sample takes the same; 0 for compressed encodings,
// FLAC among them, whose subformat names the width of the samples it packs.
std::int64_t fixed_sample_bytes(int format) {
    return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC ? 0 : audio_sample_bytes(format);
}

// The report holds a line for each suspect word and one for each dropout that lost words, with
// their count; nothing else.
void check_report(const std::string& report, const RescueResult& result) {
    std::int64_t suspect = 0;
    std::int64_t lost = 0;
    for (std::size_t start = 0; start < report.size();) {
        const std::size_t end = report.find('\n', start);
        require(end != std::string::npos, "a report line without its line end");
        const std::string line = report.substr(start, end - start);
        int words = 0;
        if (line.starts_with("suspect word at "))
            ++suspect;
        else if (std::sscanf(line.c_str(), "%d word(s) lost in a dropout", &words) == 1)
            lost += words;
        else
            require(false, "a report line that is neither a suspect word nor a dropout");
        start = end + 1;
    }
    require(suspect == result.suspect_words, "report lines are not the suspect words");
    require(lost == result.lost_words, "the dropouts reported are not the words lost");
}

void decode(const FileCase& c, AudioInput& audio, std::size_t file_bytes_given) {
    const SF_INFO opened = audio.info;
    require(!audio_format_name(audio).empty(), "format name");
    std::FILE* target = memory_file(nullptr, 0, "w+b");
    std::FILE* report = memory_file(nullptr, 0, "w+b");
    Progress progress; // no stream: no progress line
    const DecodeOutcome outcome = decode_recording(audio, c.settings, {target, report}, progress);
    const std::string decoded = file_bytes(target);
    const std::string reported = file_bytes(report);
    std::fclose(target);
    std::fclose(report);

    const RescueResult& result = outcome.result;
    require(outcome.is_written && outcome.signal == 0, "a memory target failed");
    require(static_cast<std::int64_t>(decoded.size()) == result.bytes,
            "bytes written are not the words decoded");
    check_report(reported, result);
    require(result.suspect_words <= result.bytes, "more suspect words than words");
    require(result.frames_read == audio.frames_read, "frames pushed are not the frames read");
    // libsndfile never reads past the length it found; an unknown length reads as a huge one.
    require(result.frames_read <= opened.frames, "frames beyond the recording's length");
    const std::int64_t sample_bytes = fixed_sample_bytes(opened.format);
    require(result.frames_read * opened.channels * sample_bytes <=
                static_cast<std::int64_t>(file_bytes_given),
            "more samples than the file holds");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::array<std::uint8_t, trailer_bytes> no_trailer{};
    const bool has_trailer = size >= trailer_bytes;
    const FileCase c = read_case(has_trailer ? data + size - trailer_bytes : no_trailer.data());
    const std::size_t file_size = has_trailer ? size - trailer_bytes : size;
    if (c.is_pipe)
        check_pipe_as_file(c, data, file_size);

    std::FILE* input = input_stream(c, data, file_size);
    AudioInput audio;
    std::string problem;
    const bool is_open = open_audio(audio, input, c.raw, problem);
    require(is_open == (audio.file != nullptr), "an open recording without a file, or back");
    require(is_open || (!problem.empty() && problem.find('\n') == std::string::npos),
            "a refusal without a one-line reason");
    const bool is_decodable = is_open && c.settings.channel <= audio.info.channels;
    if (is_decodable)
        decode(c, audio, file_size);
    close_audio(audio);
    std::fclose(input);
    if (!is_decodable)
        check_refusal(c, data, file_size);
    return 0;
}
