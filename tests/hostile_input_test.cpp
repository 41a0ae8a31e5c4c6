// Hostile input that a fuzzer rarely reaches: recordings cut at every length, header fields at
// their extremes, and file names and targets that are not what they seem. Every case must end
// with its documented message and status and change no file that the rules protect.
#include "test_support.h"

#include "cli/options.h"
#include "decoder/decode_stream.h"
#include "encoder/encode_stream.h"

#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The shell sees the status -1 as 255.
constexpr int refused_status = 255;
const std::string text = "10 A\r\n";

void put_le(std::string& bytes, std::size_t offset, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

struct Outcome {
    std::int64_t result = 0;
    std::string file;        // the target afterwards
    std::string diagnostics; // the diagnostic stream
    std::string out;         // standard output
};

class HostileInput : public ScratchTest {
  protected:
    // The text as the encoder records it, with a short leader and trailer.
    std::string recording() {
        options.leader_ms = 100;
        options.trailer_ms = 50;
        const JobRun run = run_job(text, encode_stream);
        EXPECT_EQ(1, run.result);
        options = Options{};
        return run.target;
    }

    // Writes `bytes` to a scratch file, opens it in `mode` and runs `job` on it and a temporary
    // file; `file` is then the scratch file when it was opened for update, else the other one.
    template <typename Job> Outcome run_on(const std::string& bytes, const char* mode, Job job) {
        write_file(path("file"), bytes);
        std::FILE* file = std::fopen(path("file").c_str(), mode);
        std::FILE* other = std::tmpfile();
        Outcome outcome;
        ConsoleText console;
        outcome.result = capture_console(console, [&] { return job(file, other); });
        outcome.out = console.out;
        outcome.diagnostics = console.diagnostics;
        std::fclose(file);
        outcome.file =
            mode[0] == 'r' && mode[1] == '+' ? read_file(path("file")) : stream_contents(other);
        std::fclose(other);
        return outcome;
    }

    // Decodes `wav` into a fresh target; `file` is then the decoded data.
    Outcome decode(const std::string& wav) {
        return run_on(wav, "rb", [](std::FILE* input, std::FILE* target) {
            return decode_stream(input, target, 0, 0);
        });
    }

    // Appends "A" to `wav`; `file` is then the target afterwards.
    Outcome append_to(const std::string& wav) {
        options.append = true;
        return run_on(wav, "r+b", [](std::FILE* target, std::FILE* input) {
            std::fputc('A', input);
            std::rewind(input);
            return std::int64_t{encode_stream(input, target)};
        });
    }

    void make_recording(const std::string& name) { write_file(path(name), recording()); }

    ProcessResult run(const std::vector<std::string>& arguments) {
        return run_qirvex(arguments, folder.string());
    }
    std::string contents(const std::string& name) const { return read_file(path(name)); }
};

// Cuts at every length up to two bit cells past the header, then at every 97th byte.
std::vector<std::size_t> cut_lengths(std::size_t size) {
    std::vector<std::size_t> cuts;
    for (std::size_t cut = 0; cut < size; cut += cut < 44 + 144 ? 1 : 97)
        cuts.push_back(cut);
    return cuts;
}

} // namespace

TEST_F(HostileInput, EveryTruncationIsRejectedWithoutWritingAByte) {
    const std::string wav = recording();
    for (const std::size_t cut : cut_lengths(wav.size())) {
        SCOPED_TRACE(cut);
        const Outcome outcome = decode(wav.substr(0, cut));
        EXPECT_EQ(cut < 44 ? -1 : -4, outcome.result);
        EXPECT_EQ("", outcome.diagnostics + outcome.out + outcome.file);
    }
}

TEST_F(HostileInput, TruncationWithItsSizeMendedDecodesAPrefix) {
    const std::string wav = recording();
    for (std::size_t cut = 44; cut <= wav.size(); cut += 97) {
        SCOPED_TRACE(cut);
        std::string mended = wav.substr(0, cut);
        put_le(mended, 40, static_cast<std::uint32_t>(cut - 44), 4);
        const Outcome outcome = decode(mended);
        EXPECT_EQ(static_cast<std::int64_t>(cut - 44), outcome.result);
        EXPECT_EQ(0u, text.find(outcome.file)) << outcome.file;
    }
}

TEST_F(HostileInput, EveryTruncatedTargetIsRefusedForAppendAndLeftAlone) {
    const std::string wav = recording();
    for (const std::size_t cut : cut_lengths(wav.size())) {
        SCOPED_TRACE(cut);
        const std::string cut_wav = wav.substr(0, cut);
        const Outcome outcome = append_to(cut_wav);
        EXPECT_EQ(0, outcome.result);
        EXPECT_EQ("qirvex: Can't append to this file. The file is corrupt.\n", outcome.diagnostics);
        EXPECT_EQ(cut_wav, outcome.file);
    }
}

TEST_F(HostileInput, ExtremeHeaderFieldsInTheDecoder) {
    struct Case {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
        int width;
        std::int64_t result;
        std::string diagnostics; // "" when rejected, else what the progress line starts with
    };
    const std::string wav = recording();
    // A rate without timing is refused with its number, before anything is read or decoded.
    const Case cases[] = {
        {"data_size 2^32-1", 40, 0xFFFFFFFF, 4, -4, ""},
        {"data_size 2^31-1", 40, 0x7FFFFFFF, 4, -4, ""},
        {"rate 0", 24, 0, 4, refused_rate, "qirvex: The recording has 0 samples/sec"},
        {"rate 15999", 24, 15999, 4, refused_rate, "qirvex: The recording has 15999 samples/sec"},
        {"rate 65537", 24, 65537, 4, refused_rate, "qirvex: The recording has 65537 samples/sec"},
        {"rate 2^32-1", 24, 0xFFFFFFFF, 4, refused_rate,
         "qirvex: The recording has 4294967295 samples/sec"},
        {"bytes_per_sec 0", 28, 0, 4, -2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string changed = wav;
        put_le(changed, c.offset, c.value, c.width);
        const Outcome outcome = decode(changed);
        EXPECT_EQ(c.result, outcome.result);
        EXPECT_EQ("", outcome.file);
        EXPECT_EQ(c.diagnostics, outcome.diagnostics.substr(0, c.diagnostics.size()));
        if (c.diagnostics.empty()) {
            EXPECT_EQ("", outcome.diagnostics);
        }
    }
}

TEST_F(HostileInput, SixtyFiveThousandChannelsOrBits) {
    // One frame of 65535 8-bit channels; then 65535-bit samples, which read as 0.
    std::string wide = recording().substr(0, 44) + std::string(65535, '\x80');
    put_le(wide, 22, 65535, 2);
    put_le(wide, 40, 65535, 4);
    Outcome outcome = decode(wide);
    EXPECT_EQ(65535, outcome.result);
    EXPECT_EQ("Decoding: 21600 samples/sec, 8 bits 65535 channel(s) ~3 seconds. Channel 1: "
              "Sample Range:L= 0 to 0 R= 0 to 0 \r\nAdditional 65533 channels ignored\r\n",
              outcome.diagnostics);

    std::string deep = wide.substr(0, 44 + 16382);
    put_le(deep, 22, 1, 2);
    put_le(deep, 34, 65535, 2);
    put_le(deep, 40, 16382, 4);
    outcome = decode(deep);
    EXPECT_EQ(16382, outcome.result);
    EXPECT_EQ("Decoding: 21600 samples/sec, 65535 bits 1 channel(s) ~0 seconds. "
              "Sample Range: 0 to 0 \r\n",
              outcome.diagnostics);

    // Both at once: a frame of half a gigabyte that splits into no whole samples.
    put_le(wide, 34, 65535, 2);
    outcome = decode(wide);
    EXPECT_EQ(65535, outcome.result);
    EXPECT_EQ("Error malformed wav: 8191 x 65535d <> 536854528\n", outcome.out);
}

TEST_F(HostileInput, ExtremeHeaderFieldsInTheAppendCheck) {
    struct Case {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
        int width;
        std::string out; // the "Existing file" line, or "" when refused before it
    };
    const std::string refused = "qirvex: Can't append to this file. The WAV format is not "
                                "21600/22050(Legacy)/8bit mono\n";
    const Case cases[] = {
        {"rate 0", 24, 0, 4, "Existing file - Sample Rate: 0, 8 bits, 1 channels\r\n"},
        {"rate 15999", 24, 15999, 4, "Existing file - Sample Rate: 15999, 8 bits, 1 channels\r\n"},
        {"rate 65537", 24, 65537, 4, "Existing file - Sample Rate: 65537, 8 bits, 1 channels\r\n"},
        {"rate 2^32-1", 24, 0xFFFFFFFF, 4,
         "Existing file - Sample Rate: 4294967295, 8 bits, 1 channels\r\n"},
        {"channels", 22, 65535, 2,
         "Existing file - Sample Rate: 21600, 8 bits, 65535 channels\r\n"},
        {"bits", 34, 65535, 2, "Existing file - Sample Rate: 21600, 65535 bits, 1 channels\r\n"},
        {"data_size 2^32-1", 40, 0xFFFFFFFF, 4, ""},
    };
    const std::string wav = recording();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string changed = wav;
        put_le(changed, c.offset, c.value, c.width);
        const Outcome outcome = append_to(changed);
        EXPECT_EQ(0, outcome.result);
        EXPECT_EQ(c.out, outcome.out);
        EXPECT_EQ(c.out.empty() ? "qirvex: Can't append to this file. The file is corrupt.\n"
                                : refused,
                  outcome.diagnostics);
        EXPECT_EQ(changed, outcome.file);
    }
    // bytes_per_sec is not the append check's business.
    std::string changed = wav;
    put_le(changed, 28, 0, 4);
    EXPECT_EQ(1, append_to(changed).result);
}

TEST_F(HostileInput, EmptyFileNamedWav) {
    write_file(path("x.wav"), "");
    const ProcessResult result = run({"x.wav"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.out + result.err);
    EXPECT_EQ("", contents("x.wav"));
    EXPECT_TRUE(fs::exists(folder / "x.txt"));
}

TEST_F(HostileInput, DirectoryIsNoInput) {
    fs::create_directory(folder / "songs");
    fs::create_directory(folder / "take.wav");
    write_file(path("songs.wav"), "keep me");
    for (const std::string name : {"songs", "take.wav"}) {
        SCOPED_TRACE(name);
        const ProcessResult result = run({"-F", name});
        EXPECT_EQ(refused_status, result.status);
        EXPECT_EQ("qirvex: Can't open '" + name + "' for input.\n", result.err);
    }
    EXPECT_EQ("keep me", contents("songs.wav"));
    EXPECT_FALSE(fs::exists(folder / "take.txt"));
    // A directory as the target cannot be opened for output either.
    write_file(path("a.txt"), text);
    const ProcessResult result = run({"a.txt", "songs"});
    EXPECT_EQ(refused_status, result.status);
    EXPECT_EQ("qirvex: Can't open 'songs' for output.\n", result.err);
}

TEST_F(HostileInput, TargetThatIsTheInputThroughALink) {
    write_file(path("data.txt"), text);
    fs::create_hard_link(folder / "data.txt", folder / "hard.wav");
    fs::create_symlink("data.txt", folder / "soft.wav");
    for (const std::string link : {"hard.wav", "soft.wav"}) {
        for (const char* flag : {"-F", "-A"}) {
            SCOPED_TRACE(link + " " + flag);
            const ProcessResult result = run({flag, "data.txt", link});
            EXPECT_EQ(refused_status, result.status);
            EXPECT_EQ("qirvex: Target file '" + link + "' is the input file.\n", result.err);
        }
    }
    // A derived target: rec.wav decodes into rec.txt, here a link back to the recording.
    make_recording("rec.wav");
    const std::string wav = contents("rec.wav");
    fs::create_symlink("rec.wav", folder / "rec.txt");
    const ProcessResult result = run({"-F", "rec.wav"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("qirvex: Target file 'rec.txt' is the input file.\n", result.err);
    EXPECT_EQ(wav, contents("rec.wav"));
    EXPECT_EQ(text, contents("data.txt"));
}

TEST_F(HostileInput, LeaderBeyondTheSizeLimit) {
    write_file(path("a.txt"), text);
    const ProcessResult result = run({"-L2000000000", "a.txt"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("qirvex: The input is too long for one WAV file: its tape needs more than the "
              "4294967259 bytes of data that the format holds. Encode it in parts.\n",
              result.err);
    EXPECT_FALSE(std::filesystem::exists(path("a.wav")));
    // From a pipe, the limit is met after the header; the unfinished file is removed.
    RunningProgram qirvex(qirvex_binary(), {"-L2000000000", "/dev/stdin", "b.wav"},
                          folder.string());
    EXPECT_TRUE(qirvex.write(text));
    const ProcessResult piped = qirvex.finish();
    EXPECT_EQ(0, piped.status);
    EXPECT_EQ("qirvex: WAV data would exceed the 4 GB limit of the format\r\n"
              "qirvex: Removed the unfinished 'b.wav'.\n",
              piped.err);
    EXPECT_FALSE(std::filesystem::exists(path("b.wav")));
}

TEST_F(HostileInput, NamesWithPercentSignsAndBytesThatAreNotUtf8) {
    for (const std::string& stem : {std::string("100%s%n%d"), std::string("caf\xE9\xFF\x80")}) {
        SCOPED_TRACE(stem);
        write_file(path(stem + ".bas"), text);
        ProcessResult result = run({stem + ".bas"});
        ASSERT_EQ(1, result.status) << result.err;
        result = run({stem + ".wav"});
        ASSERT_EQ(1, result.status) << result.err;
        EXPECT_EQ(text, contents(stem + ".txt"));
        // Messages carry the name byte for byte, never as a format.
        result = run({stem + ".bas"});
        EXPECT_EQ(0, result.status);
        EXPECT_EQ("qirvex: Target file '" + stem + ".wav' exists. Use -f to force overwrite\n",
                  result.err);
    }
}

TEST_F(HostileInput, NamesLongerThanTheWorkingCopy) {
    // No file system opens a name this long; each message carries the whole name.
    const std::string long_name = std::string(9000, 'n') + ".wav";
    write_file(path("a.txt"), text);
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{long_name}, "qirvex: Can't open '" + long_name + "' for input.\n"},
        {{"a.txt", long_name}, "qirvex: Can't open '" + long_name + "' for output.\n"},
        {{"-A", "a.txt", long_name},
         "qirvex: Target file '" + long_name + "' can't be opened for append.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.size());
        const ProcessResult result = run(c.arguments);
        EXPECT_EQ(refused_status, result.status);
        EXPECT_EQ(c.message, result.err);
    }
    EXPECT_EQ(1u, std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}
