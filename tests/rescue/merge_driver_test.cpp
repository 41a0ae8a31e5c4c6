// qirvex-rescue --merge and --merge-channels end to end: tapes made by qirvex, damaged in a
// different place in each copy by sox, and read together by the program as a process.
#include "test_support.h"

#include "rescue/rescue_options.h"

#include <cstdlib>
#include <sstream>

namespace {

class MergeDriverTest : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        if (std::system("sox --version > /dev/null 2>&1") != 0)
            GTEST_SKIP() << "sox is not installed";
        // 12 lines of a listing, 300 baud: 8.2 s of words after 2 s of leader.
        listing = basic_listing(12);
        write_file(path("tape.txt"), listing);
        // qirvex exits with 1 after an encode, as the program it follows does.
        ASSERT_EQ(1, run_qirvex({"-F", "tape.txt", "clean.wav"}, folder.string()).status);
    }

    bool shell(const std::string& command) {
        const std::string line = "cd '" + folder.string() + "' && { " + command + "; } 2>/dev/null";
        return std::system(line.c_str()) == 0;
    }

    // A copy of the clean tape silent from `from` for half a second, made by sox `effects` after.
    void silenced(const std::string& name, double from, const std::string& effects = "") {
        char command[256];
        std::snprintf(command, sizeof command,
                      "sox -D -R clean.wav -b 16 %s trim 0 =%.2f =%.2f pad 0.5@%.2f %s",
                      name.c_str(), from, from + 0.5, from, effects.c_str());
        ASSERT_TRUE(shell(command)) << command;
    }

    ProcessResult rescue(const std::vector<std::string>& arguments) {
        return run_program(rescue_binary(), arguments, folder.string());
    }

    std::string listing;
};

TEST_F(MergeDriverTest, TwoPlaysComeBackWhereNeitherDoesAlone) {
    silenced("play1.wav", 4.0);
    // The second play starts 1.3 s later, runs 1 % fast and was recorded at 44100 Hz.
    silenced("play2.wav", 7.0, "pad 1.3 speed 1.01 rate 44100");
    const ProcessResult first = rescue({"-q", "play1.wav", "one.txt"});
    const ProcessResult second = rescue({"-q", "play2.wav", "two.txt"});
    EXPECT_NE(listing, read_file(path("one.txt")));
    EXPECT_NE(listing, read_file(path("two.txt")));

    const ProcessResult merged = rescue({"-q", "--merge=play2.wav", "play1.wav", "merged.txt"});
    EXPECT_EQ(0, merged.status) << merged.err;
    EXPECT_EQ(listing, read_file(path("merged.txt")));
    // The second play read first gives the same bytes.
    const ProcessResult swapped = rescue({"-q", "--merge", "play1.wav", "play2.wav", "-"});
    EXPECT_EQ(0, swapped.status) << swapped.err;
    EXPECT_EQ(listing, swapped.out);
}

TEST_F(MergeDriverTest, StereoChannelsAreReadAsTwoCaptures) {
    silenced("left.wav", 3.0);
    silenced("right.wav", 8.0);
    ASSERT_TRUE(shell("sox -M left.wav right.wav stereo.wav"));
    for (const char* channel : {"1", "2"}) {
        SCOPED_TRACE(channel);
        rescue({"-q", "-c", channel, "stereo.wav", "one.txt"});
        EXPECT_NE(listing, read_file(path("one.txt")));
    }
    const ProcessResult merged = rescue({"-v", "--merge-channels", "stereo.wav", "-"});
    EXPECT_EQ(0, merged.status) << merged.err;
    EXPECT_EQ(listing, merged.out);
    EXPECT_NE(std::string::npos,
              merged.err.find("qirvex-rescue: reading 2, stereo.wav, channel 2: "))
        << merged.err;
    EXPECT_NE(std::string::npos, merged.err.find("qirvex-rescue: merged " +
                                                 std::to_string(listing.size()) + " bytes: "))
        << merged.err;
}

// The record names the capture of each byte and whether the other read it alike: the words
// silenced in the first play come from the second, unconfirmed.
TEST_F(MergeDriverTest, RecordNamesTheCaptureOfEachByte) {
    silenced("play1.wav", 5.0);
    ASSERT_TRUE(shell("cp clean.wav play2.wav"));
    ASSERT_EQ(0,
              rescue({"-q", "--merge=play2.wav", "--report=words.tsv", "play1.wav", "-"}).status);
    std::istringstream record(read_file(path("words.tsv")));
    std::string line;
    std::getline(record, line);
    EXPECT_EQ("offset\tseconds\tsample\tbyte\tconfidence\tflags\tbits\treading\tconfirmed", line);
    std::string unconfirmed; // "offset:reading" of each byte only one capture read
    std::size_t words = 0;
    for (; std::getline(record, line); ++words) {
        const std::size_t last = line.rfind('\t');
        const std::size_t reading = line.rfind('\t', last - 1) + 1;
        if (line.substr(last + 1) == "no")
            unconfirmed.append(" ")
                .append(std::to_string(words))
                .append(":")
                .append(line, reading, last - reading);
    }
    EXPECT_EQ(listing.size(), words);
    // 300 baud, 8N2: 27.3 words a second after 2 s of leader; the silence from 5.0 s covers words
    // 82 to 95, and the first play's clock reads on from the first word after it.
    std::string expected;
    for (int word = 82; word <= 95; ++word)
        expected.append(" ").append(std::to_string(word)).append(":2");
    EXPECT_EQ(expected, unconfirmed);
}

TEST(MergeOptions, EveryCaptureToMergeIsKeptInOrder) {
    std::vector<std::string> arguments = {"qirvex-rescue", "--merge=two.wav", "one.wav",
                                          "--merge", "three.wav", "--merge-ch", "out.txt"};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    RescueOptions options;
    std::string problem;
    ASSERT_EQ(ParseOutcome::Run, parse_rescue_options(static_cast<int>(argv.size()), argv.data(),
                                                      options, problem))
        << problem;
    EXPECT_EQ((std::vector<std::string>{"two.wav", "three.wav"}), options.merged);
    EXPECT_TRUE(options.is_merging_channels);
    EXPECT_EQ("one.wav", options.input);
    EXPECT_EQ("out.txt", options.target);
}

TEST_F(MergeDriverTest, RefusesWhatItCannotMerge) {
    ASSERT_TRUE(shell("cp clean.wav play2.wav"));
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        std::string message; // after "qirvex-rescue: "
    };
    const std::string usage = "\nTry 'qirvex-rescue --help' for more information.";
    const Case cases[] = {
        {"channels of a mono input",
         {"--merge-channels", "clean.wav", "out.txt"},
         "clean.wav: --merge-channels reads each channel as a capture; found 1 channel, where 2 "
         "or more were expected"},
        {"standard input",
         {"--merge=play2.wav", "-", "out.txt"},
         "--merge reads captures held in files; found \"-\" (standard input) as the input" + usage},
        {"standard input to merge",
         {"--merge=-", "clean.wav", "out.txt"},
         "--merge: found \"-\" where the name of another capture's file was expected" + usage},
        {"a sound card",
         {"--merge-channels", "--capture"},
         "--merge-channels reads captures held in files; found --capture" + usage},
        {"a channel chosen",
         {"--merge-channels", "-c", "2", "clean.wav"},
         "--merge-channels reads every channel; found --channel 2 as well" + usage},
        {"a missing capture",
         {"--merge=none.wav", "clean.wav", "out.txt"},
         "none.wav: cannot open for reading: No such file or directory"},
        {"the output is a capture",
         {"-f", "--merge=play2.wav", "clean.wav", "play2.wav"},
         "play2.wav: this is an input file (--merge); name another output file"},
        {"the record is a capture",
         {"--merge=play2.wav", "--report=play2.wav", "clean.wav", "out.txt"},
         "play2.wav: this is an input file (--merge); name another output file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessResult result = rescue(c.arguments);
        EXPECT_EQ(2, result.status);
        EXPECT_EQ("qirvex-rescue: " + c.message + "\n", result.err);
        EXPECT_FALSE(std::filesystem::exists(path("out.txt")));
        EXPECT_EQ(read_file(path("clean.wav")), read_file(path("play2.wav")));
    }
}

} // namespace
