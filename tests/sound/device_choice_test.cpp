// Choosing a device by number or by a part of its name, on a list as PulseAudio and ALSA give
// them: the answers, the refusals and their words, and the listing a person reads.
#include "sound/device_choice.h"

#include <gtest/gtest.h>

namespace {

const std::vector<DeviceEntry> pulse_sources = {
    {"Monitor of Null Output", "qirvex_test.monitor", false, false},
    {"Built-in Audio Analog Stereo", "alsa_input.pci-0000_00_1f.3.analog-stereo", true, false},
    {"Monitor of Built-in Audio Analog Stereo",
     "alsa_output.pci-0000_00_1f.3.analog-stereo.monitor", false, false},
    {"Monitor of Dummy Output", "auto_null.monitor", false, true},
};

struct ChoiceCase {
    const char* wanted;
    int position; // -1: refused
    const char* problem_part;
};

TEST(DeviceChoice, FindsByNumberOrPartOfNameAndRefusesTheRest) {
    const ChoiceCase cases[] = {
        {"", 1, ""},
        {"0", 0, ""},
        {"2", 2, ""},
        {"qirvex", 0, ""},
        {"NULL OUTPUT", 0, ""},
        {"analog-stereo.monitor", 2, ""},
        // A whole name wins over the longer names that hold it.
        {"Built-in Audio Analog Stereo", 1, ""},
        {"4", -1, "found no device number 4; the capture devices are: \"Monitor of Null Output\""},
        {"usb", -1, "found no capture device whose name holds \"usb\"; the capture devices are: "},
        {"monitor", -1,
         "found 3 devices whose name holds \"monitor\": \"Monitor of Null Output\", "},
        {"dummy", -1,
         "found \"Monitor of Dummy Output\" [auto_null.monitor], a dummy that captures "
         "only silence, where a sound card was expected"},
        {"3", -1, "a dummy that captures only silence"},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.wanted);
        std::string problem;
        EXPECT_EQ(c.position, choose_device(pulse_sources, c.wanted, Direction::Capture, problem));
        EXPECT_NE(std::string::npos, problem.find(c.problem_part)) << problem;
        EXPECT_EQ(c.position < 0, !problem.empty());
    }
}

TEST(DeviceChoice, DefaultIsTheMarkedOneElseTheFirstRealOneAndNeverADummy) {
    std::string problem;
    const std::vector<DeviceEntry> unmarked = {{"null", "null", false, true},
                                               {"Default ALSA Output", "default", false, false}};
    EXPECT_EQ(1, choose_device(unmarked, "", Direction::Playback, problem));
    const std::vector<DeviceEntry> only_dummy = {{"Dummy Output", "auto_null", true, true}};
    EXPECT_EQ(-1, choose_device(only_dummy, "", Direction::Playback, problem));
    EXPECT_EQ("found \"Dummy Output\" [auto_null], a dummy that plays to nowhere, where a sound "
              "card was expected; name another device with --device DEVICE",
              problem);
    EXPECT_EQ(-1, choose_device({}, "", Direction::Capture, problem));
    EXPECT_EQ("found no capture device, where a sound card was expected", problem);
    EXPECT_EQ(-1, choose_device(only_dummy, "x", Direction::Playback, problem));
    EXPECT_EQ("found no playback device whose name holds \"x\"; no playback device but a dummy "
              "exists",
              problem);
}

TEST(DeviceChoice, ListingShowsNumbersNamesIdsDefaultAndDummies) {
    EXPECT_EQ("Capture devices (PulseAudio):\n"
              "  0  Monitor of Null Output  [qirvex_test.monitor]\n"
              "  1  Built-in Audio Analog Stereo  [alsa_input.pci-0000_00_1f.3.analog-stereo]  "
              "(default)\n"
              "  2  Monitor of Built-in Audio Analog Stereo  "
              "[alsa_output.pci-0000_00_1f.3.analog-stereo.monitor]\n"
              "  3  Monitor of Dummy Output  [auto_null.monitor]  (dummy: only silence, refused)\n",
              device_listing(pulse_sources, Direction::Capture, "PulseAudio"));
    EXPECT_EQ("Playback devices (ALSA):\n  none\n",
              device_listing({}, Direction::Playback, "ALSA"));
}

} // namespace
