// The command lines of the sound card: qirvex-rescue's --capture and --list-devices beside its
// other options, and qirvex-play's options, with the words of their refusals.
#include "play/play_options.h"
#include "rescue/rescue_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Runs `parse` on the arguments after the program's name.
template <typename Options, typename Parse>
auto parse_line(Parse parse, std::vector<std::string> arguments, Options& options,
                std::string& problem) {
    arguments.insert(arguments.begin(), "program");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    return parse(static_cast<int>(argv.size()), argv.data(), options, problem);
}

struct CaptureCase {
    std::vector<std::string> arguments;
    ParseOutcome outcome;
    const char* device;
    const char* target;
};

TEST(CaptureOptions, DeviceAfterEqualsAndTheOneFileIsTheOutput) {
    const CaptureCase cases[] = {
        {{"--capture"}, ParseOutcome::Run, "", "-"},
        {{"--capture=monitor", "out.txt"}, ParseOutcome::Run, "monitor", "out.txt"},
        // Without "=", a word after --capture is the output, as after any flag.
        {{"-b", "600", "--capture", "out.txt"}, ParseOutcome::Run, "", "out.txt"},
        {{"--cap=2", "-"}, ParseOutcome::Run, "2", "-"},
        {{"--capture", "a", "b"}, ParseOutcome::Error, "", ""},
        {{"--list-devices"}, ParseOutcome::ListDevices, "", ""},
    };
    for (const CaptureCase& c : cases) {
        SCOPED_TRACE(c.arguments.front() + " ... " + c.arguments.back());
        RescueOptions options;
        std::string problem;
        ASSERT_EQ(c.outcome, parse_line(parse_rescue_options, c.arguments, options, problem))
            << problem;
        if (c.outcome != ParseOutcome::Run)
            continue;
        EXPECT_TRUE(options.is_capture);
        EXPECT_EQ(c.device, options.device);
        EXPECT_EQ(c.target, options.target);
        EXPECT_EQ("", options.input);
    }
}

TEST(CaptureOptions, TwoFilesAreRefusedWithTheSpellingOfADevice) {
    RescueOptions options;
    std::string problem;
    ASSERT_EQ(
        ParseOutcome::Error,
        parse_line(parse_rescue_options, {"--capture", "monitor", "out.txt"}, options, problem));
    EXPECT_EQ("found 2 file names, where --capture takes at most an output (a device is named "
              "with --capture=DEVICE)",
              problem);
}

struct PlayCase {
    std::vector<std::string> arguments;
    PlayParse outcome;
    const char* problem; // the whole refusal; empty where none
};

TEST(PlayOptions, ReadsDeviceLevelBaudAndRefusesWhatIsOutOfRange) {
    const PlayCase cases[] = {
        {{"-d", "qirvex_test", "-l50", "-qB", "--baud=600", "prog.bas"}, PlayParse::Run, ""},
        {{"--level", "0", "t.wav"},
         PlayParse::Error,
         "--level: found \"0\" where a level from 1 to 100 (per cent of the tape's own) was "
         "expected"},
        {{"--level=101", "t.wav"},
         PlayParse::Error,
         "--level: found \"101\" where a level from 1 to 100 (per cent of the tape's own) was "
         "expected"},
        {{"-b", "1200", "t.wav"},
         PlayParse::Error,
         "--baud: found \"1200\" where 300 or 600 was expected"},
        {{"t.wav", "-d"},
         PlayParse::Error,
         "--device: found the end of the line where a value was expected"},
        {{"-q"}, PlayParse::Error, "no file given, where a tape or a file to encode was expected"},
        {{"a.wav", "b.wav"}, PlayParse::Error, "found 2 file names, where one tape was expected"},
        {{"--quiet=1", "t.wav"},
         PlayParse::Error,
         "--quiet: found a value where none was expected"},
        {{"-x", "t.wav"}, PlayParse::Error, "unknown option \"-x\""},
        {{"--l", "t.wav"}, PlayParse::Error, "ambiguous option \"--l\""},
        {{"--list"}, PlayParse::ListDevices, ""},
    };
    for (const PlayCase& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        PlayOptions options;
        std::string problem;
        EXPECT_EQ(c.outcome, parse_line(parse_play_options, c.arguments, options, problem));
        EXPECT_EQ(c.problem, problem);
    }
    PlayOptions options;
    std::string problem;
    ASSERT_EQ(PlayParse::Run, parse_line(parse_play_options, cases[0].arguments, options, problem));
    EXPECT_EQ("qirvex_test", options.device);
    EXPECT_EQ(50, options.level_percent);
    EXPECT_EQ(600, options.baud);
    EXPECT_TRUE(options.is_basic);
    EXPECT_TRUE(options.is_quiet);
    EXPECT_EQ("prog.bas", options.input);
}

} // namespace
