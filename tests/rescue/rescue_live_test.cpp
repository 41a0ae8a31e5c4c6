// qirvex-rescue as a process on real pipes and real signals: a recording fed slowly shows its
// bytes while it plays, a signal or a cut keeps every whole word, and every container that the
// real tools write decodes to the same bytes, from a file and, where the format allows, a pipe.
#include "kcs_audio.h"
#include "test_support.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int rate_hz = 21600;
constexpr std::size_t header_bytes = 44;
// Audio written before the first byte is awaited: past the 4 s look-ahead and the 2 s leader.
constexpr std::size_t first_part_bytes = header_bytes + 8 * rate_hz;
// Generous: the decoder needs a fraction of a second; a loaded machine may need more.
constexpr double patience_seconds = 30;

bool is_prefix(const std::string& part, const std::string& whole) {
    return whole.compare(0, part.size(), part) == 0;
}

class RescueLive : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        // 24 lines: about 20 s of tape at 300 baud.
        data = basic_listing(24);
        wav = build_wav({encode_kcs(data)}, rate_hz, WavLayout::Pcm8);
    }

    // Runs a shell command in the scratch folder; true when it exits with 0.
    bool shell(const std::string& command) {
        const std::string line = "cd '" + folder.string() + "' && { " + command + "; } 2>/dev/null";
        return std::system(line.c_str()) == 0;
    }

    static bool has_tool(const char* name) {
        return std::system(("command -v " + std::string(name) + " >/dev/null").c_str()) == 0;
    }

    std::string data;
    std::string wav;
};

TEST_F(RescueLive, SlowPipeShowsBytesWhileItPlays) {
    RunningProgram rescue(rescue_binary(), {"-", "-"}, folder.string());
    ASSERT_TRUE(rescue.write(wav.substr(0, first_part_bytes)));
    const std::string early = rescue.wait_for_output(1, patience_seconds);
    EXPECT_FALSE(early.empty()) << "no byte before the rest of the recording was written";
    EXPECT_TRUE(is_prefix(early, data)) << early;
    ASSERT_TRUE(rescue.write(wav.substr(first_part_bytes)));
    const ProcessResult result = rescue.finish();
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ(data, result.out);
}

TEST_F(RescueLive, SignalsKeepWhatWasDecoded) {
    for (const int signal_number : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal_number);
        RunningProgram rescue(rescue_binary(), {"-", "-"}, folder.string());
        ASSERT_TRUE(rescue.write(wav.substr(0, first_part_bytes)));
        ASSERT_FALSE(rescue.wait_for_output(1, patience_seconds).empty());
        // The decoder now waits on a silent pipe that stays open.
        rescue.signal(signal_number);
        const ProcessResult result = rescue.finish();
        EXPECT_EQ(128 + signal_number, result.status);
        EXPECT_FALSE(result.out.empty());
        EXPECT_TRUE(is_prefix(result.out, data)) << result.out;
        EXPECT_NE(std::string::npos, result.err.find("everything decoded until then is in the "
                                                     "output"))
            << result.err;
        EXPECT_NE(std::string::npos, result.err.find("wrote " + std::to_string(result.out.size()) +
                                                     " bytes to standard output"))
            << result.err;
    }
}

TEST_F(RescueLive, SignalStopsAPipeOfBlocks) {
    if (!has_tool("sox"))
        GTEST_SKIP() << "sox is not installed";
    write_file(path("tape.wav"), wav);
    ASSERT_TRUE(shell("sox -D -R tape.wav -r 22050 -e ima-adpcm adpcm.wav"));
    const std::string adpcm = read_file(path("adpcm.wav"));
    RunningProgram rescue(rescue_binary(), {"-", "-"}, folder.string());
    ASSERT_TRUE(rescue.write(adpcm.substr(0, adpcm.size() / 2)));
    ASSERT_FALSE(rescue.wait_for_output(1, patience_seconds).empty());
    rescue.signal(SIGINT);
    const ProcessResult result = rescue.finish();
    EXPECT_EQ(128 + SIGINT, result.status);
    EXPECT_TRUE(is_prefix(result.out, data)) << result.out << "\n" << result.err;
    // Not the whole tape: libsndfile's ADPCM decoder, left to itself, decodes its last block
    // again and again up to the length in the header.
    const double tape_seconds = static_cast<double>(wav.size() - header_bytes) / rate_hz;
    const std::size_t at = result.err.find("stopped by SIGINT after ");
    ASSERT_NE(std::string::npos, at) << result.err;
    double seconds = 0;
    ASSERT_EQ(1, std::sscanf(result.err.c_str() + at, "stopped by SIGINT after %lf", &seconds));
    EXPECT_LT(seconds, 0.6 * tape_seconds) << result.err;
}

TEST_F(RescueLive, PipeOfBlocksClosedWhileWaitedOnEndsWhereItsBytesEnd) {
    if (!has_tool("sox"))
        GTEST_SKIP() << "sox is not installed";
    write_file(path("tape.wav"), wav);
    ASSERT_TRUE(shell("sox -D -R tape.wav -r 22050 -e ima-adpcm adpcm.wav"));
    const std::string adpcm = read_file(path("adpcm.wav"));
    write_file(path("half.wav"), adpcm.substr(0, adpcm.size() / 2));
    const ProcessResult file = run_program(rescue_binary(), {"-v", "half.wav", "-"}, folder);
    ASSERT_FALSE(file.out.empty()) << file.err;
    // The pipe is closed once the decoder has caught up with it and waits for more.
    RunningProgram rescue(rescue_binary(), {"-v", "-", "-"}, folder.string());
    ASSERT_TRUE(rescue.write(read_file(path("half.wav"))));
    EXPECT_TRUE(rescue.wait_until_starved(patience_seconds));
    const ProcessResult piped = rescue.finish();
    EXPECT_EQ(file.status, piped.status);
    EXPECT_EQ(file.out, piped.out);
    // Format, channels and frames read.
    EXPECT_EQ(file.err.substr(0, file.err.find('\n')), piped.err.substr(0, piped.err.find('\n')));
}

TEST_F(RescueLive, PipeClosedMidWordKeepsEveryWholeWord) {
    // 8N2 at 300 baud and 21600 Hz: 792 samples a word, after 2 s of leader. Cut half way
    // through word 100; its header still declares the whole recording.
    constexpr std::size_t word_samples = 792;
    const std::size_t cut = header_bytes + 2 * rate_hz + 100 * word_samples + word_samples / 2;
    RunningProgram rescue(rescue_binary(), {"-", "-"}, folder.string());
    ASSERT_TRUE(rescue.write(wav.substr(0, cut)));
    const ProcessResult result = rescue.finish();
    EXPECT_EQ(1, result.status);
    EXPECT_EQ(data.substr(0, 100), result.out);
    EXPECT_NE(std::string::npos, result.err.find("standard input: the recording ends before the "
                                                 "length its header declares; decoded what is "
                                                 "there\n"))
        << result.err;
}

TEST_F(RescueLive, EveryContainerDecodesTheSame) {
    if (!has_tool("sox"))
        GTEST_SKIP() << "sox is not installed";
    write_file(path("tape.wav"), wav);
    // sox -D -R: no dither, so that every run makes the same files.
    struct Case {
        const char* name;
        const char* tool;
        const char* command; // makes the file from tape.wav
    };
    const Case cases[] = {
        {"tape.flac", "sox", "sox -D -R tape.wav tape.flac"},
        {"tape.ogg", "sox", "sox -D -R tape.wav -C 3 tape.ogg"},
        {"tape.aiff", "sox", "sox -D -R tape.wav -b 16 tape.aiff"},
        {"tape.caf", "sox", "sox -D -R tape.wav -b 16 tape.caf"},
        {"tape.w64", "sox", "sox -D -R tape.wav -b 24 tape.w64"},
        {"ulaw.wav", "sox", "sox -D -R tape.wav -r 8000 -e u-law ulaw.wav"},
        {"alaw.wav", "sox", "sox -D -R tape.wav -r 11025 -e a-law alaw.wav"},
        {"adpcm.wav", "sox", "sox -D -R tape.wav -r 22050 -e ima-adpcm adpcm.wav"},
        {"tape.mp3", "lame",
         "sox -D -R tape.wav -r 44100 -b 16 l.wav && lame -b 64 l.wav tape.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!has_tool(c.tool))
            continue;
        ASSERT_TRUE(shell(c.command));
        const ProcessResult result = run_program(rescue_binary(), {c.name, "-"}, folder.string());
        EXPECT_EQ(0, result.status) << result.err;
        EXPECT_EQ(data, result.out);
    }
}

TEST_F(RescueLive, StreamsThroughAPipe) {
    if (!has_tool("sox"))
        GTEST_SKIP() << "sox is not installed";
    write_file(path("tape.wav"), wav);
    struct Case {
        const char* name;
        const char* command; // writes the stream to `name`; `| cat` keeps sox from seeking
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {"WAV with placeholder sizes", "sox -D -R tape.wav -t wav - | cat > stream", {"-", "-"}},
        {"Ogg", "sox -D -R tape.wav -t ogg - | cat > stream", {"-", "-"}},
        {"raw 16-bit at 22050 Hz",
         "sox -D -R tape.wav -t raw -e signed -b 16 -r 22050 - > stream",
         {"--raw-format", "s16le", "--raw-rate", "22050", "-", "-"}},
        {"raw u-law",
         "sox -D -R tape.wav -t raw -e u-law -r 8000 - > stream",
         {"--raw-format=ulaw", "--raw-rate=8000", "-"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(shell(c.command));
        RunningProgram rescue(rescue_binary(), c.arguments, folder.string());
        ASSERT_TRUE(rescue.write(read_file(path("stream"))));
        const ProcessResult result = rescue.finish();
        EXPECT_EQ(0, result.status) << result.err;
        EXPECT_EQ(data, result.out);
    }
}

TEST_F(RescueLive, FlacFromAPipeIsRefusedWithTheWayOut) {
    if (!has_tool("sox"))
        GTEST_SKIP() << "sox is not installed";
    write_file(path("tape.wav"), wav);
    ASSERT_TRUE(shell("sox -D -R tape.wav tape.flac"));
    RunningProgram rescue(rescue_binary(), {"-", "-"}, folder.string());
    rescue.write(read_file(path("tape.flac")));
    const ProcessResult result = rescue.finish();
    EXPECT_EQ(2, result.status);
    EXPECT_EQ("", result.out);
    EXPECT_EQ("qirvex-rescue: standard input: found no recording that libsndfile can read "
              "(\"Error : flac decoder lost sync.\"), where a WAV, AIFF, CAF, FLAC, Ogg or MP3 "
              "recording was expected; FLAC, CAF and other formats that need seeking cannot be "
              "read from a pipe: give the file's name instead, or convert on the way, for "
              "example \"flac -dc in.flac | qirvex-rescue - out\"\n",
              result.err);
}

} // namespace
