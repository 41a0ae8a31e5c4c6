// The program as a user runs it: exit status, console texts and the files left behind.
#include "test_support.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The shell sees the status -1 as 255.
constexpr int refused_status = 255;

const std::string listing = "10 PRINT \"HELLO\"\r\n20 GOTO 10\r\n";

class EndToEnd : public ScratchTest {
  protected:
    ProcessResult run(const std::vector<std::string>& arguments) {
        return run_qirvex(arguments, folder.string());
    }
    bool exists(const std::string& name) const { return fs::exists(folder / name); }
    std::string contents(const std::string& name) const { return read_file(path(name)); }

    // Runs the program through the shell with standard output and standard error going to one
    // file, as a console shows them, and returns that text.
    std::string console_text(const std::string& arguments) {
        const std::string command = "cd '" + folder.string() + "' && '" + qirvex_binary() + "' " +
                                    arguments + " > console.txt 2>&1";
        EXPECT_NE(-1, std::system(command.c_str()));
        return contents("console.txt");
    }

    // Encodes the listing into `wav_name` through the program itself.
    void make_wav(const std::string& wav_name) {
        write_file(path("source.txt"), listing);
        const ProcessResult result = run({"source.txt", wav_name});
        ASSERT_EQ(1, result.status) << result.err;
    }
};

TEST_F(EndToEnd, NoArgumentsPrintsOnlyTheUsage) {
    const ProcessResult result = run({});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(0u, result.out.find("QIRVEX - Transcodes"));
    EXPECT_EQ("", result.err);
}

TEST_F(EndToEnd, UnknownOptionGoesToStandardError) {
    const ProcessResult result = run({"-ox"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(" Unknown argument:ox\r\n", result.err);
    EXPECT_NE(std::string::npos, result.out.find(" (ver 1.3)\r\n"));
}

TEST_F(EndToEnd, EncodeThenDecodeGivesTheBytesBack) {
    write_file(path("prog.bas"), listing);
    ProcessResult result = run({"prog.bas"});
    ASSERT_EQ(1, result.status) << result.err;
    EXPECT_EQ("", result.out + result.err);
    ASSERT_TRUE(exists("prog.wav"));

    result = run({"prog.wav"});
    ASSERT_EQ(1, result.status) << result.err;
    EXPECT_EQ(listing, contents("prog.txt"));
    EXPECT_NE(std::string::npos,
              result.err.find("Wrote " + std::to_string(listing.size()) + " bytes\r\n"));
}

TEST_F(EndToEnd, BasicModeAddsNulsBetweenCarriageReturnAndLineFeed) {
    write_file(path("prog.bas"), "10 PRINT 1\n20 END\r\n");
    ASSERT_EQ(1, run({"-B", "prog.bas"}).status);
    ASSERT_EQ(1, run({"prog.wav"}).status);
    const std::string nuls(10, '\0');
    EXPECT_EQ("\r" + nuls + "\n10 PRINT 1\n20 END\r" + nuls + "\n", contents("prog.txt"));
}

TEST_F(EndToEnd, SixHundredBaudRoundTrip) {
    write_file(path("data.bin"), std::string("\x00\xff\x7f\x80 binary", 10));
    ASSERT_EQ(1, run({"-R1", "data.bin", "fast.wav"}).status);
    ASSERT_EQ(1, run({"-R1", "fast.wav", "back.bin"}).status);
    EXPECT_EQ(contents("data.bin"), contents("back.bin"));
}

TEST_F(EndToEnd, UpperCaseExtensionIsDecoded) {
    make_wav("PROG.WAV");
    const ProcessResult result = run({"PROG.WAV"});
    EXPECT_EQ(1, result.status) << result.err;
    EXPECT_EQ(listing, contents("PROG.txt"));
}

TEST_F(EndToEnd, RiffContentIsDecodedWhateverTheName) {
    make_wav("song.wav");
    fs::rename(folder / "song.wav", folder / "song.wav.bak");
    const ProcessResult result = run({"song.wav.bak"});
    EXPECT_EQ(1, result.status) << result.err;
    EXPECT_EQ(listing, contents("song.wav.txt"));
}

TEST_F(EndToEnd, TextNamedWavIsRejectedAfterTheTargetWasEmptied) {
    write_file(path("notes.wav"), "just some notes, not audio at all\n");
    ProcessResult result = run({"notes.wav"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.err);
    EXPECT_TRUE(exists("notes.txt"));

    write_file(path("notes.txt"), "old notes");
    result = run({"-F", "notes.wav"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", contents("notes.txt"));
}

TEST_F(EndToEnd, SmallRiffFileIsEncoded) {
    write_file(path("tiny.bin"), "RIFF" + std::string(28, 'x'));
    const ProcessResult result = run({"tiny.bin"});
    EXPECT_EQ(1, result.status) << result.err;
    EXPECT_EQ(0u, contents("tiny.wav").find("RIFF"));
    EXPECT_GT(contents("tiny.wav").size(), 44u + 32u * 792u);
}

TEST_F(EndToEnd, DerivedNamesCutAtTheLastDotAnywhere) {
    write_file(path(".profile"), "x");
    EXPECT_EQ(1, run({".profile"}).status);
    EXPECT_TRUE(exists(".wav"));

    fs::create_directory(folder / "old.d");
    write_file(path("old.d/prog"), "x");
    EXPECT_EQ(1, run({"old.d/prog"}).status);
    EXPECT_TRUE(exists("old.wav"));
    EXPECT_FALSE(exists("old.d/prog.wav"));

    write_file(path("prog"), "x");
    EXPECT_EQ(1, run({"prog"}).status);
    EXPECT_TRUE(exists("prog.wav"));
}

TEST_F(EndToEnd, ExistingTargetNeedsForce) {
    write_file(path("prog.bas"), listing);
    write_file(path("prog.wav"), "keep me");
    ProcessResult result = run({"prog.bas"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("qirvex: Target file 'prog.wav' exists. Use -f to force overwrite\n", result.err);
    EXPECT_EQ("keep me", contents("prog.wav"));

    result = run({"prog.bas", "prog.wav"});
    EXPECT_EQ(refused_status, result.status);
    EXPECT_EQ("qirvex: Target file 'prog.wav' exists. Use -f to force overwrite\n", result.err);
    EXPECT_EQ("keep me", contents("prog.wav"));

    result = run({"-f", "prog.bas"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ(0u, contents("prog.wav").find("RIFF"));
}

TEST_F(EndToEnd, AppendToMissingTargets) {
    write_file(path("prog.bas"), listing);
    ProcessResult result = run({"-A", "prog.bas", "tape.wav"});
    EXPECT_EQ(refused_status, result.status);
    EXPECT_EQ("qirvex: Target file 'tape.wav' can't be opened for append.\n", result.err);
    EXPECT_FALSE(exists("tape.wav"));

    // A derived one too, when there is no tape to add to; a decode starts a new text.
    result = run({"-A", "prog.bas"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("qirvex: Target file 'prog.wav' can't be opened for append.\n", result.err);
    EXPECT_FALSE(exists("prog.wav"));
    make_wav("prog.wav");
    result = run({"-A", "prog.wav"});
    EXPECT_EQ(1, result.status) << result.err;
    EXPECT_EQ(listing, contents("prog.txt"));
}

TEST_F(EndToEnd, AppendingDecodesAddToTheData) {
    make_wav("one.wav");
    write_file(path("one.txt"), "before:");
    const ProcessResult result = run({"-A", "-F", "one.wav"});
    EXPECT_EQ(1, result.status) << result.err;
    EXPECT_EQ("before:" + listing, contents("one.txt"));
}

TEST_F(EndToEnd, AppendingEncodesMakeOneTape) {
    make_wav("tape.wav");
    const std::size_t first_size = contents("tape.wav").size();
    write_file(path("two.bas"), "30 END\r\n");
    const ProcessResult result = run({"-A", "two.bas", "tape.wav"});
    EXPECT_EQ(1, result.status) << result.err;
    EXPECT_EQ("Existing file - Sample Rate: 21600, 8 bits, 1 channels\r\n", result.out);
    EXPECT_GT(contents("tape.wav").size(), first_size);
    ASSERT_EQ(1, run({"tape.wav"}).status);
    EXPECT_EQ(listing + "30 END\r\n", contents("tape.txt"));
}

// A rate or a channel the decoder cannot read is refused with what to do, and the target that
// the run created is taken back.
TEST_F(EndToEnd, RecordingThatCannotBeDecodedLeavesNoTarget) {
    make_wav("prog.wav");
    std::string recording = contents("prog.wav");
    write_file(path("fast.wav"), recording.replace(24, 4, std::string("\x00\x77\x01\x00", 4)));
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"fast.wav"},
         "qirvex: The recording has 96000 samples/sec; qirvex decodes 16000 to "
         "65536. qirvex-rescue reads any rate.\n"},
        {{"fast.wav", "named.txt"},
         "qirvex: The recording has 96000 samples/sec; qirvex decodes "
         "16000 to 65536. qirvex-rescue reads any rate.\n"},
        {{"-C2", "prog.wav"},
         "qirvex: -C2 asks for channel 2, but the recording has 1 channel. Leave out -C.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        const ProcessResult result = run(c.arguments);
        EXPECT_EQ(0, result.status);
        EXPECT_EQ(c.message, result.err);
        EXPECT_EQ("", result.out);
        EXPECT_FALSE(exists("fast.txt") || exists("named.txt") || exists("prog.txt"));
    }
}

// A name that is not the file the run created is never removed: a link keeps its place, and the
// file it leads to, which -F emptied, stays empty rather than holding an unfinished tape.
TEST_F(EndToEnd, OnlyAFileTheRunCreatedIsRemoved) {
    make_wav("prog.wav");
    std::string recording = contents("prog.wav");
    write_file(path("fast.wav"), recording.replace(24, 4, std::string("\x00\x77\x01\x00", 4)));
    write_file(path("real.txt"), "kept");
    fs::create_symlink("real.txt", folder / "link.txt");
    ProcessResult result = run({"-F", "fast.wav", "link.txt"});
    EXPECT_EQ(0, result.status);
    EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
    EXPECT_EQ("", contents("real.txt"));

    // A tape the disk took only in part, found when the last bytes would not go: removed.
    write_file(path("long.bas"), basic_listing(400));
    result = run_program(
        "/bin/sh",
        {"-c", "trap '' XFSZ; ulimit -f 100; exec '" + qirvex_binary() + "' long.bas long.wav"},
        folder.string());
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("Error writing to target file\r\nqirvex: Removed the unfinished 'long.wav'.\n",
              result.err);
    EXPECT_FALSE(exists("long.wav"));
}

// Polls until the file holds more than `bytes`; false when it never does.
bool grows_beyond(const fs::path& file, std::uintmax_t bytes) {
    for (int tries = 0; tries < 1000; ++tries) {
        std::error_code error;
        if (fs::file_size(file, error) > bytes && !error)
            return true;
        usleep(10000);
    }
    return false;
}

// Stopped while it waits for more input, an encode takes back what it wrote: a new tape is
// removed, an appended one cut back to what it was. The program then ends by the signal.
TEST_F(EndToEnd, StoppedEncodeLeavesNoBrokenTape) {
    make_wav("old.wav");
    const std::string old_tape = contents("old.wav");
    const struct {
        std::vector<std::string> arguments;
        int signal;
        const char* message;
    } cases[] = {
        {{"/dev/stdin", "new.wav"},
         SIGINT,
         "qirvex: Stopped by SIGINT.\nqirvex: Removed the unfinished 'new.wav'.\n"},
        {{"-A", "/dev/stdin", "old.wav"},
         SIGTERM,
         "qirvex: Stopped by SIGTERM.\nqirvex: Took the unfinished addition off 'old.wav'.\n"},
    };
    for (const auto& c : cases) {
        const std::string& target = c.arguments.back();
        SCOPED_TRACE(target);
        RunningProgram qirvex(qirvex_binary(), c.arguments, folder.string());
        // Enough words to pass the target's buffer, so that the file shows the encode under way.
        ASSERT_TRUE(qirvex.write(std::string(400, 'A')));
        ASSERT_TRUE(grows_beyond(folder / target, old_tape.size()));
        qirvex.signal(c.signal);
        const ProcessResult result = qirvex.finish();
        EXPECT_EQ(128 + c.signal, result.status);
        EXPECT_EQ(c.message, result.err);
    }
    EXPECT_FALSE(exists("new.wav"));
    EXPECT_EQ(old_tape, contents("old.wav"));

    // Started with Ctrl-C ignored, as a script's background job is, the encode goes through.
    RunningProgram ignoring(
        "/bin/sh", {"-c", "trap '' INT; exec '" + qirvex_binary() + "' /dev/stdin ign.wav"},
        folder.string());
    ASSERT_TRUE(ignoring.write(listing + std::string(400, 'A')));
    ASSERT_TRUE(grows_beyond(folder / "ign.wav", 0));
    ignoring.signal(SIGINT);
    EXPECT_EQ(1, ignoring.finish().status);
    ASSERT_EQ(1, run({"ign.wav"}).status);
    EXPECT_EQ(listing + std::string(400, 'A'), contents("ign.txt"));
}

TEST_F(EndToEnd, ThirdFileArgumentIsIgnored) {
    write_file(path("a.txt"), "x");
    EXPECT_EQ(1, run({"a.txt", "b.wav", "c.wav"}).status);
    EXPECT_TRUE(exists("b.wav"));
    EXPECT_FALSE(exists("c.wav"));
}

TEST_F(EndToEnd, InputThatCannotBeOpened) {
    ProcessResult result = run({""});
    EXPECT_EQ(refused_status, result.status);
    EXPECT_EQ("qirvex: Can't open '' for input.\n", result.err);

    result = run({"missing%s.txt"});
    EXPECT_EQ(refused_status, result.status);
    EXPECT_EQ("qirvex: Can't open 'missing%s.txt' for input.\n", result.err);
    EXPECT_FALSE(exists("missing%s.wav"));
}

TEST_F(EndToEnd, LongNamesAppearWholeInMessages) {
    const std::string name = std::string(3000, 'n') + ".txt";
    const ProcessResult result = run({name});
    EXPECT_EQ(refused_status, result.status);
    EXPECT_EQ("qirvex: Can't open '" + name + "' for input.\n", result.err);
}

TEST_F(EndToEnd, DeviceTargetsAreWrittenLikeFiles) {
    write_file(path("prog.bas"), listing);
    const ProcessResult result = run({"-F", "prog.bas", "/dev/null"});
    EXPECT_EQ(1, result.status) << result.err;
    EXPECT_EQ("", result.err);
}

TEST_F(EndToEnd, TargetThatIsTheInputIsRefused) {
    write_file(path("data.txt"), listing);
    // Explicit, under another spelling, with -F and with -A: nothing is emptied or appended.
    for (const auto& flag : {"-F", "-A"}) {
        const ProcessResult result = run({flag, "data.txt", "./data.txt"});
        EXPECT_EQ(refused_status, result.status);
        EXPECT_EQ("qirvex: Target file './data.txt' is the input file.\n", result.err);
        EXPECT_EQ(listing, contents("data.txt"));
    }
    // Derived: a RIFF file named .txt would decode into itself.
    make_wav("rec.wav");
    fs::rename(folder / "rec.wav", folder / "rec.txt");
    const std::string recording = contents("rec.txt");
    const ProcessResult result = run({"-F", "rec.txt"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("qirvex: Target file 'rec.txt' is the input file.\n", result.err);
    EXPECT_EQ(recording, contents("rec.txt"));
}

TEST_F(EndToEnd, FullDiskIsNeverSuccess) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    write_file(path("prog.bas"), listing);
    ProcessResult result = run({"-F", "prog.bas", "/dev/full"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("Error writing to target file\r\n", result.err);

    make_wav("prog.wav");
    result = run({"-F", "prog.wav", "/dev/full"});
    EXPECT_EQ(0, result.status);
    EXPECT_NE(std::string::npos, result.err.find("Wrote "));
    EXPECT_EQ("Error writing to target file\r\n",
              result.err.substr(result.err.size() -
                                std::string("Error writing to target file\r\n").size()));
}

TEST_F(EndToEnd, ReadOnlyTargetCannotBeRecreated) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write to read-only files";
    write_file(path("prog.bas"), listing);
    write_file(path("prog.wav"), "locked");
    fs::permissions(path("prog.wav"), fs::perms::owner_read);
    ProcessResult result = run({"prog.bas"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("qirvex: Can't open 'prog.wav' for output.\n", result.err);
    result = run({"-A", "prog.bas", "prog.wav"});
    EXPECT_EQ(refused_status, result.status);
    EXPECT_EQ("qirvex: Target file 'prog.wav' can't be opened for append.\n", result.err);
}

// The -X trace is buffered during the sample loop: on the console it must still come whole and
// before the summary.
TEST_F(EndToEnd, TraceKeepsTheOrderOfConsoleText) {
    make_wav("prog.wav");
    const std::string traced = console_text("-X -F prog.wav prog.txt");
    EXPECT_EQ(run({"-X", "-F", "prog.wav", "prog.txt"}).err, traced);
    // The last byte of the listing is a line feed.
    const std::size_t last_byte_line = traced.rfind("=0A] \r\n");
    ASSERT_NE(std::string::npos, last_byte_line);
    EXPECT_LT(last_byte_line, traced.find("\r\nInput frequency: "));
}

} // namespace
