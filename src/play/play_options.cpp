// qirvex-play's command line: its options, read by getopt_long, and its help text.
#include "play/play_options.h"

#include "base/small_number.h"

#include <getopt.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

// The options, for getopt_long: each long option's value is its letter.
constexpr std::array<option, 9> long_options = {{
    {"device", required_argument, nullptr, 'd'},
    {"level", required_argument, nullptr, 'l'},
    {"baud", required_argument, nullptr, 'b'},
    {"basic", no_argument, nullptr, 'B'},
    {"quiet", no_argument, nullptr, 'q'},
    {"list-devices", no_argument, nullptr, 'L'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
}};
// ':' first: a missing value is told from an unknown option.
constexpr const char* short_options = ":d:l:b:BqLhV";

const char* long_name(int letter) {
    for (const option& entry : long_options)
        if (entry.name != nullptr && entry.val == letter)
            return entry.name;
    return "";
}

bool apply_value(int letter, const std::string& value, PlayOptions& options,
                 std::string& problem) {
    const int number = small_number(value);
    const char* expected = nullptr;
    switch (letter) {
    case 'd':
        options.device = value;
        break;
    case 'l':
        if (number >= 1 && number <= 100)
            options.level_percent = number;
        else
            expected = "a level from 1 to 100 (per cent of the tape's own)";
        break;
    case 'b':
        if (number == 300 || number == 600)
            options.baud = number;
        else
            expected = "300 or 600";
        break;
    default:
        break;
    }
    if (expected != nullptr)
        problem = std::string("--") + long_name(letter) + ": found \"" + value + "\" where " +
                  expected + " was expected";
    return expected == nullptr;
}

// What getopt_long refused, in the words of the family's other programs: `argument` is the
// argument it was reading.
std::string refusal(int code, int letter, const char* argument) {
    const bool is_long = std::strncmp(argument, "--", 2) == 0;
    if (code == ':')
        return std::string("--") + long_name(letter) +
               ": found the end of the line where a value was expected";
    if (is_long && letter != 0)
        return std::string("--") + long_name(letter) + ": found a value where none was expected";
    if (!is_long)
        return std::string("unknown option \"-") + static_cast<char>(letter) + "\"";
    const std::string name(argument + 2, std::strcspn(argument + 2, "="));
    int matches = 0;
    for (const option& entry : long_options)
        matches += entry.name != nullptr && std::strncmp(entry.name, name.c_str(), name.size()) == 0;
    return std::string(matches > 1 ? "ambiguous" : "unknown") + " option \"--" + name + "\"";
}

} // namespace

PlayParse parse_play_options(int argc, char* const* argv, PlayOptions& options,
                             std::string& problem) {
    options = PlayOptions{};
    // 0, not 1: getopt_long starts afresh, as each parse must.
    optind = 0;
    opterr = 0;
    for (;;) {
        const int code = getopt_long(argc, argv, short_options, long_options.data(), nullptr);
        switch (code) {
        case -1:
            break;
        case 'B':
            options.is_basic = true;
            continue;
        case 'q':
            options.is_quiet = true;
            continue;
        case 'L':
            return PlayParse::ListDevices;
        case 'h':
            return PlayParse::Help;
        case 'V':
            return PlayParse::Version;
        case '?':
        case ':':
            problem = refusal(code, optopt, argv[optind - 1]);
            return PlayParse::Error;
        default:
            if (!apply_value(code, optarg, options, problem))
                return PlayParse::Error;
            continue;
        }
        break;
    }
    const int files = argc - optind;
    if (files != 1) {
        problem = files == 0 ? "no file given, where a tape or a file to encode was expected"
                             : "found " + std::to_string(files) +
                                   " file names, where one tape was expected";
        return PlayParse::Error;
    }
    options.input = argv[optind];
    return PlayParse::Run;
}

const char* play_usage() {
    return "Usage: qirvex-play [options] file\n"
           "Plays a tape into an OSI machine's cassette input through a sound card: a WAV\n"
           "file (or any audio file libsndfile reads) as it is, or any other file encoded\n"
           "on the way as qirvex encodes it. Shows the time played and the time left.\n"
           "\n"
           "  -d, --device DEVICE       play to the device of that number, or with DEVICE\n"
           "                            in its name (default: the system's default)\n"
           "  -L, --list-devices        list the playback devices and their numbers\n"
           "  -l, --level PERCENT       level, 1 to 100 per cent of the tape's own\n"
           "                            (default 70)\n"
           "  -b, --baud 300|600        bit rate of a file encoded on the way (default 300)\n"
           "  -B, --basic               encode a BASIC listing as qirvex -B does: ten NULs\n"
           "                            and 20 ms of pause after every carriage return\n"
           "  -q, --quiet               no note of the device, no progress line\n"
           "  -h, --help                show this text\n"
           "  -V, --version             show the version\n"
           "\n"
           "Exit status: 0 played to its end; 1 played, but the sound card ran dry on the\n"
           "way (the tape has gaps); 2 usage, input or device error; 130 stopped by Ctrl-C,\n"
           "143 by SIGTERM.\n";
}
