// The qirvex-rescue command line: options, target naming and guarding, messages and exit
// statuses, run in-process on files in a scratch folder.
#include "kcs_audio.h"
#include "test_support.h"

#include "cli/options.h"
#include "rescue/rescue_driver.h"
#include "rescue/rescue_options.h"

#include <algorithm>
#include <sstream>

namespace {

struct RunResult {
    int status = -1;
    std::string messages; // what the program wrote as messages
};

// Runs the program in-process; `out` is its standard output.
RunResult run(std::vector<std::string> arguments, std::FILE* out = stdout) {
    arguments.insert(arguments.begin(), "qirvex-rescue");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::FILE* messages = std::tmpfile();
    RunResult result;
    RescueConsole console;
    console.out = out;
    console.messages = messages;
    result.status = run_rescue(static_cast<int>(arguments.size()), argv.data(), console);
    result.messages = stream_contents(messages);
    std::fclose(messages);
    return result;
}

class RescueDriverTest : public ScratchTest {
  protected:
    // A clean recording of `data` at 21600 Hz in the scratch folder.
    std::string recording(const std::string& name, const std::string& data) {
        write_file(path(name), build_wav({encode_kcs(data)}, 21600, WavLayout::Pcm8));
        return path(name);
    }
};

TEST_F(RescueDriverTest, DerivesTheTargetAndSummarises) {
    const std::string input = recording("tape.wav", "HELLO");
    const RunResult result = run({input});
    EXPECT_EQ(rescue_clean, result.status);
    EXPECT_EQ("HELLO", read_file(path("tape.txt")));
    EXPECT_EQ("qirvex-rescue: wrote 5 bytes to " + path("tape.txt") +
                  ": 5 frames, 0 suspect, 300 baud 8N2 (rate and framing found), tape speed "
                  "100.00 %\n",
              result.messages);
}

TEST_F(RescueDriverTest, GuardsTheTarget) {
    const std::string input = recording("tape.wav", "NEW");
    write_file(path("tape.txt"), "OLD");
    RunResult result = run({input});
    EXPECT_EQ(rescue_failed, result.status);
    EXPECT_EQ("qirvex-rescue: " + path("tape.txt") +
                  ": the output file exists; use --force to overwrite it\n",
              result.messages);
    EXPECT_EQ("OLD", read_file(path("tape.txt")));

    result = run({"--force", input});
    EXPECT_EQ(rescue_clean, result.status);
    EXPECT_EQ("NEW", read_file(path("tape.txt")));

    // Not even --force lets the input be the target, under any of its names.
    result = run({"-f", input, folder.string() + "/./tape.wav"});
    EXPECT_EQ(rescue_failed, result.status);
    EXPECT_EQ("qirvex-rescue: " + folder.string() +
                  "/./tape.wav: this is the input file; name another output file\n",
              result.messages);
    EXPECT_FALSE(read_file(input).empty());
}

TEST_F(RescueDriverTest, ChecksEveryOutputBeforeCreatingAny) {
    const std::string input = recording("tape.wav", "NEW");
    write_file(path("old.tsv"), "OLD");
    write_file(path("old.txt"), "OLD");
    // Standard output writes to this file, in the cases that name it `out`.
    std::FILE* listing = std::fopen(path("listing.txt").c_str(), "wb");
    ASSERT_NE(nullptr, listing);
    const std::string again = folder.string() + "/./"; // the scratch folder, spelt otherwise
    const std::string same = ": this is the output file; name another file for --report";
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        std::string message; // after "qirvex-rescue: "
        std::FILE* out;
    };
    const Case cases[] = {
        {"existing record",
         {"--report=" + path("old.tsv"), input},
         path("old.tsv") + ": the output file exists; use --force to overwrite it",
         stdout},
        {"record in no folder",
         {"--report=" + path("no/words.tsv"), input},
         path("no/words.tsv") + ": cannot open for writing: No such file or directory",
         stdout},
        {"record named as the new output",
         {"--report=" + path("out.txt"), input, again + "out.txt"},
         path("out.txt") + same,
         stdout},
        {"record named as the existing output",
         {"-f", "--report=" + again + "old.txt", input, path("old.txt")},
         again + "old.txt" + same,
         stdout},
        {"record in the file of standard output",
         {"-f", "--report=" + path("listing.txt"), input, "-"},
         path("listing.txt") + same,
         listing},
        {"record to standard output, which is the output",
         {"-f", "--report=-", input, path("listing.txt")},
         "standard output" + same,
         listing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult result = run(c.arguments, c.out);
        EXPECT_EQ(rescue_failed, result.status);
        EXPECT_EQ("qirvex-rescue: " + c.message + "\n", result.messages);
        EXPECT_FALSE(std::filesystem::exists(path("tape.txt")));
        EXPECT_FALSE(std::filesystem::exists(path("out.txt")));
        EXPECT_EQ("OLD", read_file(path("old.tsv")));
        EXPECT_EQ("OLD", read_file(path("old.txt")));
        EXPECT_EQ("", read_file(path("listing.txt")));
    }
    std::fclose(listing);
}

TEST_F(RescueDriverTest, ExitStatusTellsCleanFromSuspect) {
    options.even_parity = true;
    const std::string input = recording("parity.wav", "AB");
    write_file(path("silence.wav"), build_wav({Signal(22050, 0.0)}, 22050, WavLayout::Pcm16));
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int status;
    };
    const Case cases[] = {
        {"matching parity", {"-f", "--parity=even", input}, rescue_clean},
        {"wrong parity", {"-f", "--parity", "odd", input}, rescue_suspect},
        {"silence", {"-f", path("silence.wav")}, rescue_suspect},
        {"missing channel", {"-f", "--channel", "2", input}, rescue_failed},
        {"missing input", {path("none.wav")}, rescue_failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.status, run(c.arguments).status);
    }
}

TEST_F(RescueDriverTest, CountsWordsLostInADropout) {
    // The space of "HELLO WORLD" falls silent: 8N2 words of 792 samples after 2 s of leader.
    Signal signal = encode_kcs("HELLO WORLD");
    const auto word_start = [](int word) { return static_cast<std::size_t>(43200 + 792 * word); };
    std::fill(signal.begin() + word_start(5), signal.begin() + word_start(6), 0.0);
    write_file(path("dropout.wav"), build_wav({signal}, 21600, WavLayout::Pcm16));
    const RunResult result = run({"-f", "-r", path("dropout.wav"), path("out.txt")});
    EXPECT_EQ(rescue_suspect, result.status);
    EXPECT_EQ("HELLOWORLD", read_file(path("out.txt")));
    // The report names the first word after the loss, at the start edge the clock found.
    long sample = 0;
    std::istringstream lines(result.messages);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(1, std::sscanf(line.c_str(),
                             "1 word(s) lost in a dropout before 2.2200 s (sample %ld)", &sample))
        << line;
    EXPECT_NEAR(static_cast<long>(word_start(6)), sample, 8);
    std::getline(lines, line);
    EXPECT_EQ("qirvex-rescue: wrote 10 bytes to " + path("out.txt") +
                  ": 10 frames, 0 suspect, 1 lost in dropouts, 300 baud 8N2 (rate and framing "
                  "found), tape speed 100.00 %",
              line);
    // The word record flags the first word after the loss.
    run({"-f", "--report=" + path("words.tsv"), path("dropout.wav"), path("out.txt")});
    std::istringstream record(read_file(path("words.tsv")));
    for (int row = 0; row <= 6; ++row)
        std::getline(record, line);
    std::istringstream fields(line);
    std::string column;
    for (int i = 0; i < 6; ++i)
        std::getline(fields, column, '\t');
    EXPECT_EQ("after-dropout", column) << line;
}

TEST_F(RescueDriverTest, RecordsEveryWord) {
    options.even_parity = true;
    const std::string input = recording("parity.wav", "AB");
    const RunResult result = run({"-f", "--parity=odd", "--report=" + path("words.tsv"), input});
    EXPECT_EQ(rescue_suspect, result.status);
    // A header, then per word: offset, seconds, sample, byte, confidence, flags, bits.
    std::istringstream record(read_file(path("words.tsv")));
    std::string line;
    std::getline(record, line);
    EXPECT_EQ("offset\tseconds\tsample\tbyte\tconfidence\tflags\tbits", line);
    // "A" and "B" start 2000 ms into the tape, one 12-bit word (864 samples) apart at 21600 Hz.
    const long expected_samples[] = {43200, 44064};
    const char* expected_bytes[] = {"0x41", "0x42"};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(std::getline(record, line));
        std::istringstream fields(line);
        long offset = -1;
        double seconds = 0;
        long sample = 0;
        std::string byte;
        int confidence = -1;
        std::string flags;
        std::string bits;
        fields >> offset >> seconds >> sample >> byte >> confidence >> flags >> bits;
        // Start, 8 data, parity, 2 stop bits: the start bit read space.
        EXPECT_EQ(11, std::count(bits.begin(), bits.end(), ',')) << bits;
        EXPECT_EQ('-', bits.front()) << bits;
        EXPECT_EQ(i, offset);
        EXPECT_NEAR(expected_samples[i], sample, 8);
        EXPECT_EQ(expected_bytes[i], byte);
        EXPECT_GE(confidence, 80);
        EXPECT_EQ(0u, flags.rfind("parity", 0)) << flags;
    }
    EXPECT_FALSE(std::getline(record, line));

    // The record needs a file of its own, guarded as the output is.
    EXPECT_EQ(rescue_failed, run({"--report=-", input, "-"}).status);
    EXPECT_EQ(rescue_failed, run({"-f", "--report=" + input, input}).status);
    EXPECT_FALSE(read_file(input).empty());
}

// A listing in deep noise: --mend holds the output to the end, and it differs from the plain
// decode only in bytes it names, each now one a listing holds; on a clean recording it changes
// nothing.
TEST_F(RescueDriverTest, RepairsOnlyWhatItNames) {
    std::string listing;
    for (int n = 1; n <= 30; ++n)
        listing += std::to_string(n * 10) + " FOR I=1 TO " + std::to_string(n) + ":PRINT I:NEXT\r\n";
    options.fast_rate = 1;
    const Signal clean = resample(encode_kcs(listing), 21600, 44100, 1.0);
    write_file(path("noisy.wav"), build_wav({add_noise(clean, -7, 11)}, 44100, WavLayout::Pcm16));
    write_file(path("clean.wav"), build_wav({clean}, 44100, WavLayout::Pcm16));

    EXPECT_EQ(rescue_clean, run({"-f", "-b", "600", "--mend", path("clean.wav")}).status);
    EXPECT_EQ(listing, read_file(path("clean.txt")));

    run({"-f", "-b", "600", path("noisy.wav"), path("plain.txt")});
    const RunResult repaired =
        run({"-f", "-b", "600", "-r", "--mend", path("noisy.wav"), path("repaired.txt")});
    EXPECT_EQ(rescue_suspect, repaired.status);
    const std::string plain = read_file(path("plain.txt"));
    const std::string fixed = read_file(path("repaired.txt"));
    ASSERT_EQ(plain.size(), fixed.size());
    std::istringstream lines(repaired.messages);
    std::string line;
    std::vector<std::size_t> named;
    while (std::getline(lines, line))
        if (line.rfind("repaired byte ", 0) == 0)
            named.push_back(std::stoul(line.substr(14)));
    ASSERT_FALSE(named.empty()) << "no byte was repaired: the case tests nothing";
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const bool is_named = std::find(named.begin(), named.end(), i) != named.end();
        EXPECT_EQ(is_named, plain[i] != fixed[i]) << "byte " << i;
        if (is_named) {
            const auto byte = static_cast<unsigned char>(fixed[i]);
            EXPECT_TRUE(byte == '\r' || byte == '\n' || byte == 0 || (byte >= 0x20 && byte < 0x7F));
        }
    }
    EXPECT_NE(std::string::npos, repaired.messages.find(" repaired, 600 baud 8N2 (framing found), tape speed"));
}

TEST_F(RescueDriverTest, RefusedInputLeavesNoTarget) {
    write_file(path("song.wav"), "OggS and then some bytes of another format entirely");
    const RunResult result = run({path("song.wav")});
    EXPECT_EQ(rescue_failed, result.status);
    EXPECT_EQ("qirvex-rescue: " + path("song.wav") +
                  ": found no recording that libsndfile can read (\"File contains data in an "
                  "unimplemented format.\"), where a WAV, AIFF, CAF, FLAC, Ogg or MP3 recording "
                  "was expected; for headerless samples give their layout with --raw-format\n",
              result.messages);
    EXPECT_FALSE(std::filesystem::exists(path("song.txt")));
}

TEST_F(RescueDriverTest, RefusesAnEarlierSplitNamingItsFolderOnce) {
    const std::string input = recording("tape.wav", basic_listing(3));
    EXPECT_EQ(rescue_clean, run({"--split=" + path("side"), input}).status);
    const RunResult again = run({"--split=" + path("side"), input});
    EXPECT_EQ(rescue_failed, again.status);
    EXPECT_EQ("qirvex-rescue: " + path("side") +
                  ": holds the programs of an earlier split (index.tsv); use --force to replace "
                  "them\n",
              again.messages);
}

TEST_F(RescueDriverTest, EveryTruncationIsHandled) {
    options.leader_ms = 50;
    options.trailer_ms = 20;
    const std::string wav = build_wav({encode_kcs("K")}, 21600, WavLayout::Pcm8);
    // The 8-bit data chunk has an odd length, so a pad byte follows it.
    const std::size_t data_end = wav.size() - 1;
    for (std::size_t length = 0; length < wav.size(); ++length) {
        SCOPED_TRACE(length);
        write_file(path("cut.wav"), wav.substr(0, length));
        const RunResult result = run({"-f", "-b", "300", path("cut.wav")});
        // A cut header is an input error, or an empty recording; a cut recording is suspect,
        // whatever it held.
        if (length < data_end)
            EXPECT_TRUE(result.status == rescue_failed || result.status == rescue_suspect);
        else
            EXPECT_EQ(rescue_clean, result.status);
        const std::string bytes = read_file(path("cut.txt"));
        EXPECT_TRUE(bytes.empty() || bytes == "K") << bytes;
    }
}

TEST(RescueOptions, ReadsGnuStyleCommandLines) {
    struct Case {
        std::vector<std::string> arguments;
        int baud;
        int data_bits;
        Parity parity;
        int stop_bits;
        int channel;
        bool force;
        bool report;
        bool verbose;
        const char* input;
        const char* target;
    };
    const Case cases[] = {
        {{"in.wav"}, 0, 8, Parity::None, 2, 0, false, false, false, "in.wav", ""},
        {{"--baud", "600", "in.wav", "out"},
         600,
         8,
         Parity::None,
         2,
         0,
         false,
         false,
         false,
         "in.wav",
         "out"},
        {{"-b600", "-d", "7", "--parity=odd", "in.wav"},
         600,
         7,
         Parity::Odd,
         2,
         0,
         false,
         false,
         false,
         "in.wav",
         ""},
        {{"-R1", "-s1", "--channel=2", "in.wav"},
         600,
         8,
         Parity::None,
         1,
         2,
         false,
         false,
         false,
         "in.wav",
         ""},
        {{"-R0", "-frv", "in.wav"}, 300, 8, Parity::None, 2, 0, true, true, true, "in.wav", ""},
        {{"in.wav", "--verb", "--for", "out", "--rep"},
         0,
         8,
         Parity::None,
         2,
         0,
         true,
         true,
         true,
         "in.wav",
         "out"},
        {{"--", "-in.wav"}, 0, 8, Parity::None, 2, 0, false, false, false, "-in.wav", ""},
        {{"-c", "3", "--stop-bits", "1", "--parity", "even", "in.wav"},
         0,
         8,
         Parity::Even,
         1,
         3,
         false,
         false,
         false,
         "in.wav",
         ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.begin(), "qirvex-rescue");
        std::vector<char*> argv;
        std::string joined;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
            joined += argument + " ";
        }
        SCOPED_TRACE(joined);
        RescueOptions parsed;
        std::string problem;
        ASSERT_EQ(ParseOutcome::Run,
                  parse_rescue_options(static_cast<int>(argv.size()), argv.data(), parsed, problem))
            << problem;
        EXPECT_EQ(c.baud, parsed.settings.baud);
        EXPECT_EQ(c.data_bits, parsed.settings.format.data_bits);
        EXPECT_EQ(c.parity, parsed.settings.format.parity);
        EXPECT_EQ(c.stop_bits, parsed.settings.format.stop_bits);
        EXPECT_EQ(c.channel, parsed.settings.channel);
        EXPECT_EQ(c.force, parsed.force_overwrite);
        EXPECT_EQ(c.report, parsed.is_report);
        EXPECT_EQ(c.verbose, parsed.is_verbose);
        EXPECT_EQ(c.input, parsed.input);
        EXPECT_EQ(c.target, parsed.target);
    }
}

TEST(RescueOptions, UsageErrorsSayWhatWasExpected) {
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        {{}, "qirvex-rescue: no input file given, where a recording was expected\n"},
        {{"--raw-format", "s12le", "-"},
         "qirvex-rescue: --raw-format: found \"s12le\" where u8, s8, s16le, s16be, s24le, "
         "s24be, s32le, s32be, f32le, f32be, f64le, f64be, ulaw or alaw was expected\n"},
        {{"--raw-rate=7999", "-"},
         "qirvex-rescue: --raw-rate: found \"7999\" where a rate from 8000 to 192000 was "
         "expected\n"},
        {{"a", "b", "c"},
         "qirvex-rescue: found 3 file names, where an input and at most one output were "
         "expected\n"},
        {{"--baud", "900", "in.wav"},
         "qirvex-rescue: --baud: found \"900\" where 300, 600, 1200 or another rate of whole "
         "1200 Hz cycles was expected\n"},
        {{"-d9", "in.wav"}, "qirvex-rescue: --data-bits: found \"9\" where 7 or 8 was expected\n"},
        {{"--parity=mark", "in.wav"},
         "qirvex-rescue: --parity: found \"mark\" where none, even or odd was expected\n"},
        {{"-s", "0", "in.wav"},
         "qirvex-rescue: --stop-bits: found \"0\" where 1 or 2 was expected\n"},
        {{"--channel", "0", "in.wav"},
         "qirvex-rescue: --channel: found \"0\" where a channel number from 1 was expected\n"},
        {{"in.wav", "--baud"},
         "qirvex-rescue: --baud: found the end of the line where a value was expected\n"},
        {{"--force=yes", "in.wav"},
         "qirvex-rescue: --force: found a value where none was expected\n"},
        {{"--r", "in.wav"}, "qirvex-rescue: ambiguous option \"--r\"\n"},
        {{"--report", "words.tsv", "in.wav"},
         "qirvex-rescue: --report: found \"words.tsv\" after a space; write --report=words.tsv for "
         "the record of every word, or -r for the suspect words\n"},
        {{"--rep", "-", "-"},
         "qirvex-rescue: --report: found \"-\" after a space; write --report=- for the record of "
         "every word, or -r for the suspect words\n"},
        {{"--speed", "in.wav"}, "qirvex-rescue: unknown option \"--speed\"\n"},
        {{"-x", "in.wav"}, "qirvex-rescue: unknown option \"-x\"\n"},
        // qirvex's spellings.
        {{"-F", "in.wav"},
         "qirvex-rescue: unknown option \"-F\"; qirvex-rescue spells it -f (force)\n"},
        {{"-C2", "in.wav"},
         "qirvex-rescue: unknown option \"-C\"; qirvex-rescue spells it -c (channel, counted "
         "from 1)\n"},
        {{"-vD", "in.wav"},
         "qirvex-rescue: unknown option \"-D\"; qirvex-rescue spells it -d 7 (data bits)\n"},
        {{"-S", "in.wav"},
         "qirvex-rescue: unknown option \"-S\"; qirvex-rescue spells it -s 1 (stop bits)\n"},
        {{"-O", "in.wav"},
         "qirvex-rescue: unknown option \"-O\"; qirvex-rescue spells it -p odd (parity)\n"},
        {{"-E", "in.wav"},
         "qirvex-rescue: unknown option \"-E\"; qirvex-rescue spells it -p even (parity)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const RunResult result = run(c.arguments);
        EXPECT_EQ(rescue_failed, result.status);
        EXPECT_EQ(std::string(c.message) + "Try 'qirvex-rescue --help' for more information.\n",
                  result.messages);
    }
}

TEST_F(RescueDriverTest, ListsAndSplitsASide) {
    Signal side = encode_kcs("10 REM ALPHA\r\n20 PRINT \"A\"\r\n30 GOTO 10\r\n");
    side.insert(side.end(), 21600, 0.0);
    const Signal second = encode_kcs(".0300/A2\r00\rA9\r41\r60\r.0300G");
    side.insert(side.end(), second.begin(), second.end());
    write_file(path("side.wav"), build_wav({side}, 21600, WavLayout::Pcm16));
    const RunResult split = run({"--split=" + path("programs"), path("side.wav")});
    EXPECT_EQ(rescue_clean, split.status) << split.messages;
    EXPECT_EQ("10 REM ALPHA\r\n20 PRINT \"A\"\r\n30 GOTO 10\r\n",
              read_file(path("programs/01-basic-ALPHA.bas")));
    EXPECT_EQ(".0300/A2\r00\rA9\r41\r60\r.0300G", read_file(path("programs/02-65v-0300.65v")));
    std::istringstream index(read_file(path("programs/index.tsv")));
    std::string line;
    std::getline(index, line);
    EXPECT_EQ("number\tstart\tend\tbaud\tframing\tbytes\tkind\tfirst\tsuspect\tlost\tverdict\tfile",
              line);
    std::getline(index, line);
    EXPECT_EQ(0u, line.find("1\t2.000\t")) << line;
    EXPECT_NE(std::string::npos,
              line.find("\t300\t8N2\t40\tbasic\t10 REM ALPHA\t0\t0\tclean\t01-basic-ALPHA.bas"))
        << line;
    EXPECT_EQ("qirvex-rescue: 2 program(s), 2 clean, 0 damaged; 0 junk stretch(es) (0 bytes); "
              "written to " + path("programs") + "; tape speed 100.00 %\n",
              split.messages);
    // A second split into the same folder is refused unless forced; --list prints the table.
    EXPECT_EQ(rescue_failed, run({"--split=" + path("programs"), path("side.wav")}).status);
    EXPECT_EQ(rescue_clean, run({"-f", "--split=" + path("programs"), path("side.wav")}).status);
    std::FILE* table = std::tmpfile();
    EXPECT_EQ(rescue_clean, run({"-q", "--list", path("side.wav")}, table).status);
    const std::string listed = stream_contents(table);
    std::fclose(table);
    EXPECT_NE(std::string::npos, listed.find("  2   0:"));
    EXPECT_NE(std::string::npos, listed.find("65v            0      0  clean    0300\n"));
}

TEST_F(RescueDriverTest, RefusesASideWithAnOutputOrACapture) {
    const std::string input = recording("tape.wav", "HELLO");
    std::filesystem::create_directories(path("held"));
    write_file(path("held/index.tsv"), "");
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"--list", input, "out.txt"},
         "found the output \"out.txt\", where --list prints the programs and --split writes them "
         "to a folder\nTry 'qirvex-rescue --help' for more information."},
        {{"--list", "--capture"}, "--list and --split read a recording, not --capture\nTry "
                                  "'qirvex-rescue --help' for more information."},
        {{"--split=" + path("held"), input},
         path("held") + ": holds the programs of an earlier split (index.tsv); use --force to "
                        "replace them"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const RunResult result = run(c.arguments);
        EXPECT_EQ(rescue_failed, result.status);
        EXPECT_EQ("qirvex-rescue: " + c.message + "\n", result.messages);
    }
}

// A framing given that frames every word of another line, its parity or stop bit read as bit 7,
// or that fails most words, is named: wrong bytes never end with status 0.
TEST_F(RescueDriverTest, NamesAGivenFramingThatReadsAnotherLine) {
    const std::string text = "10 PRINT \"FRAMING\"\r\n20 GOTO 10\r\n";
    struct Case {
        const char* name;
        bool seven_data_bits;
        bool even_parity;
        std::vector<std::string> given;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"7E2 read as 8O1", true, true, {"-d", "8", "-p", "odd", "-s", "1"}, rescue_suspect,
         "every word's bit 7 is the even parity of the rest: the recording is 7E2, read as 8O1, "
         "so the bytes are wrong; give -d 7 -p even -s 2 or leave out the framing"},
        {"7N2 read as 8N1", true, false, {"-d", "8", "-p", "none", "-s", "1"}, rescue_suspect,
         "every word's bit 7 is set: the recording is 7N2, read as 8N1, so the bytes are wrong; "
         "give -d 7 -p none -s 2 or leave out the framing"},
        {"8N2 read as 8E2", false, false, {"-d", "8", "-p", "even", "-s", "2"}, rescue_suspect,
         "fail the framing given, 8E2: the recording is written in another; leave out "
         "--data-bits, --parity and --stop-bits to find it"},
        {"8N2 read as given", false, false, {"-d", "8", "-p", "none", "-s", "2"}, rescue_clean, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options = Options{};
        options.seven_data_bits = c.seven_data_bits;
        options.even_parity = c.even_parity;
        const std::string input = recording("framed.wav", text);
        std::vector<std::string> arguments = {"-f", "-q"};
        arguments.insert(arguments.end(), c.given.begin(), c.given.end());
        arguments.push_back(input);
        const RunResult result = run(arguments);
        EXPECT_EQ(c.status, result.status);
        if (c.message.empty())
            EXPECT_EQ("", result.messages);
        else
            EXPECT_NE(std::string::npos, result.messages.find(c.message)) << result.messages;
    }
}

} // namespace
