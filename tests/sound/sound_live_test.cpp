// The sound card for real: a PulseAudio (or PipeWire) server with a null sink named qirvex_test,
// as .ci/run starts one. A tape that qirvex encodes and qirvex-play plays into the sink comes
// back from the sink's monitor through qirvex-rescue --capture as the listing, byte for byte, at
// 300 and at 600 baud, and so does the listing that qirvex-play encodes on the way; Ctrl-C in the
// middle keeps what was decoded. Skipped where no such server is reachable.
#include "play/play_tape.h"
#include "test_support.h"

#include <csignal>

namespace {

constexpr const char* sink = "qirvex_test";
// Generous: the tape plays in real time; a loaded machine may need more for the rest.
constexpr double patience_seconds = 60;
// A part of the monitor's name, as a user would type it.
constexpr const char* monitor_part = "qirvex_test.mon";

class SoundLive : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        const ProcessResult list = run_program(play_binary(), {"--list-devices"}, folder.string());
        if (list.out.find(std::string("[") + sink + "]") == std::string::npos)
            GTEST_SKIP() << "no sound server with a null sink named " << sink
                         << " (.ci/run starts one): " << list.out << list.err;
        playback_list = list.out;
    }

    // The listing on a tape at 300 or 600 baud, as qirvex writes it.
    std::string make_tape(int lines, int baud = 600) {
        listing = basic_listing(lines);
        write_file(path("prog.bas"), listing);
        const std::string rate = baud == 600 ? "-R1" : "-R0";
        const ProcessResult encode =
            run_qirvex({"-F", rate, "prog.bas", "prog.wav"}, folder.string());
        EXPECT_EQ(1, encode.status) << encode.err;
        return "prog.wav";
    }

    // Captures the monitor at the rate while qirvex-play plays the file (a tape, or a listing it
    // encodes at that rate), and expects the listing back.
    void expect_captured_as_listing(const std::string& played, const std::string& rate) {
        RunningProgram rescue(rescue_binary(),
                              {"-b", rate, std::string("--capture=") + monitor_part},
                              folder.string());
        ASSERT_TRUE(rescue.wait_for_errors("capturing from", patience_seconds));
        const ProcessResult play =
            run_program(play_binary(), {"--device", sink, "--level", "50", "-b", rate, played},
                        folder.string());
        EXPECT_EQ(0, play.status) << play.err;
        EXPECT_NE(std::string::npos, play.err.find("qirvex-play: played 0:")) << play.err;
        // The whole listing is decoded before the trailer ends; Ctrl-C then ends the capture.
        rescue.wait_for_output(listing.size(), patience_seconds);
        rescue.signal(SIGINT);
        const ProcessResult result = rescue.finish();
        EXPECT_EQ(130, result.status) << result.err;
        EXPECT_EQ(listing, result.out);
        EXPECT_NE(std::string::npos,
                  result.err.find("[qirvex_test.monitor] through PulseAudio: 44100 Hz"))
            << result.err;
    }

    std::string playback_list;
    std::string listing;
};

TEST_F(SoundLive, DeviceListsNameTheNullSinkAndItsMonitor) {
    EXPECT_NE(std::string::npos, playback_list.find("Playback devices (PulseAudio):\n"))
        << playback_list;
    const ProcessResult capture = run_program(rescue_binary(), {"--list-devices"}, folder.string());
    EXPECT_EQ(0, capture.status);
    EXPECT_NE(std::string::npos, capture.out.find("[qirvex_test.monitor]")) << capture.out;
    EXPECT_EQ(std::string::npos, capture.out.find("[qirvex_test]")) << capture.out;
}

TEST_F(SoundLive, UnknownDeviceIsRefusedWithTheDevicesThatExist) {
    const ProcessResult rescue =
        run_program(rescue_binary(), {"--capture=no-such-card", "out.txt"}, folder.string());
    EXPECT_EQ(2, rescue.status);
    EXPECT_EQ(0u, rescue.err.find("qirvex-rescue: capture: found no capture device whose name "
                                  "holds \"no-such-card\"; the capture devices are: "))
        << rescue.err;
    EXPECT_NE(std::string::npos, rescue.err.find("Monitor of")) << rescue.err;
    EXPECT_FALSE(std::filesystem::exists(path("out.txt")));
    const ProcessResult play =
        run_program(play_binary(), {"-d", "no-such-card", make_tape(1)}, folder.string());
    EXPECT_EQ(2, play.status);
    EXPECT_NE(std::string::npos, play.err.find("found no playback device whose name holds "
                                               "\"no-such-card\"; the playback devices are: "))
        << play.err;
}

// A tape that fits in the ring whole ends before the card first asks: its end is no gap.
TEST_F(SoundLive, TapeShorterThanTheRingPlaysWithoutGaps) {
    write_file(path("a.txt"), "A");
    ASSERT_EQ(1, run_qirvex({"-R1", "-L0", "-T100", "a.txt", "a.wav"}, folder.string()).status);
    const ProcessResult play = run_program(play_binary(), {"-d", sink, "a.wav"}, folder.string());
    EXPECT_EQ(0, play.status) << play.err;
    EXPECT_NE(std::string::npos, play.err.find("qirvex-play: played 0:00 of a.wav")) << play.err;
}

// Played as qirvex wrote it, and encoded by qirvex-play on the way, at both rates: each comes
// back whole. Six lines play for 7 s at 300 baud and 5 s at 600, leader and trailer included.
TEST_F(SoundLive, PlayedTapeIsCapturedFromTheMonitorAsTheListing) {
    for (const int baud : {300, 600}) {
        const std::string rate = std::to_string(baud);
        const std::string tape = make_tape(6, baud);
        for (const std::string& played : {tape, std::string("prog.bas")}) {
            SCOPED_TRACE(played + " at " + rate + " baud");
            expect_captured_as_listing(played, rate);
        }
    }
}
TEST_F(SoundLive, CtrlCDuringCaptureKeepsTheDecodedBytes) {
    const std::string tape = make_tape(30);
    RunningProgram rescue(rescue_binary(), {"-b", "600", std::string("--capture=") + monitor_part},
                          folder.string());
    ASSERT_TRUE(rescue.wait_for_errors("capturing from", patience_seconds));
    RunningProgram play(play_binary(), {"-d", sink, tape}, folder.string());
    // Stopped while the tape still plays: a third of the listing is in, the rest is not.
    const std::string early = rescue.wait_for_output(listing.size() / 3, patience_seconds);
    ASSERT_GE(early.size(), listing.size() / 3);
    rescue.signal(SIGINT);
    const ProcessResult result = rescue.finish();
    play.signal(SIGINT);
    const ProcessResult played = play.finish();
    EXPECT_EQ(130, result.status) << result.err;
    EXPECT_LT(result.out.size(), listing.size());
    EXPECT_EQ(listing.substr(0, result.out.size()), result.out);
    EXPECT_NE(std::string::npos, result.err.find("stopped by SIGINT after")) << result.err;
    EXPECT_NE(std::string::npos, result.err.find("everything decoded until then is in the output"));
    EXPECT_EQ(130, played.status) << played.err;
    EXPECT_NE(std::string::npos, played.err.find("qirvex-play: prog.wav: stopped by SIGINT after"))
        << played.err;
}

} // namespace

namespace {

class PlayTape : public ScratchTest {};

// Before any device is opened: a file that claims to be a WAV file but is none is refused, not
// encoded as data and played as a tape of its bytes.
TEST_F(PlayTape, RefusesAnUnreadableWavInsteadOfEncodingIt) {
    write_file(path("notes.wav"), "these are notes, not audio\n");
    const ProcessResult play = run_program(play_binary(), {"notes.wav"}, folder.string());
    EXPECT_EQ(2, play.status);
    EXPECT_EQ("qirvex-play: notes.wav: found no recording that libsndfile can read (\"Format not "
              "recognised.\"), where a WAV file was expected\n",
              play.err);
}

std::vector<short> samples_of(SNDFILE* file, const SF_INFO& info) {
    std::vector<short> samples(static_cast<std::size_t>(info.frames * info.channels));
    samples.resize(static_cast<std::size_t>(
        sf_read_short(file, samples.data(), static_cast<sf_count_t>(samples.size()))));
    return samples;
}

// A listing that qirvex-play encodes on the way (into a scratch file) is, sample for sample, the
// tape that qirvex writes with the same rate and mode.
TEST_F(PlayTape, EncodesAListingOnTheWayAsQirvexWritesIt) {
    struct Case {
        int baud;
        bool is_basic;
        std::vector<std::string> qirvex_options;
    };
    write_file(path("prog.bas"), basic_listing(3));
    for (const Case& each : {Case{300, false, {"-R0"}}, Case{600, true, {"-R1", "-B"}}}) {
        SCOPED_TRACE(std::to_string(each.baud) + (each.is_basic ? " baud, BASIC" : " baud"));
        PlayOptions play;
        play.baud = each.baud;
        play.is_basic = each.is_basic;
        play.input = path("prog.bas");
        ::PlayTape tape; // the program's, not this suite's
        std::string problem;
        const bool is_open = open_tape(tape, play, problem);
        const std::vector<short> played =
            is_open ? samples_of(tape.file, tape.info) : std::vector<short>{};
        const bool was_encoded = tape.is_encoded;
        close_tape(tape);
        ASSERT_TRUE(is_open) << problem;
        EXPECT_TRUE(was_encoded);

        std::vector<std::string> arguments = each.qirvex_options;
        arguments.insert(arguments.end(), {"-F", "prog.bas", "prog.wav"});
        ASSERT_EQ(1, run_qirvex(arguments, folder.string()).status);
        SF_INFO info{};
        SNDFILE* written = sf_open(path("prog.wav").c_str(), SFM_READ, &info);
        ASSERT_NE(nullptr, written);
        const std::vector<short> expected = samples_of(written, info);
        sf_close(written);
        EXPECT_EQ(expected.size(), played.size());
        EXPECT_TRUE(expected == played);
    }
}

} // namespace
