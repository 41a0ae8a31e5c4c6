// qirvex-play's command line: its option table, GNU-style parsing and help text.
#include "play/play_options.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

enum class Key { Device, Level, Baud, Basic, Quiet, ListDevices, Help, Version };

struct OptionRule {
    char letter;      // the short form
    const char* name; // the long form, without "--"
    bool has_value;   // a value follows, attached or as the next argument
    Key key;
};

constexpr std::array<OptionRule, 8> option_rules = {{
    {'d', "device", true, Key::Device},
    {'l', "level", true, Key::Level},
    {'b', "baud", true, Key::Baud},
    {'B', "basic", false, Key::Basic},
    {'q', "quiet", false, Key::Quiet},
    {'L', "list-devices", false, Key::ListDevices},
    {'h', "help", false, Key::Help},
    {'V', "version", false, Key::Version},
}};

// A whole decimal number from 0 to 999999; -1 when the text is anything else.
int small_number(const std::string& text) {
    if (text.empty() || text.size() > 6)
        return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The long option named exactly, or the only one that `name` begins.
const OptionRule* find_long(const std::string& name, std::string& problem) {
    const OptionRule* found = nullptr;
    int matches = 0;
    for (const OptionRule& rule : option_rules) {
        if (name == rule.name)
            return &rule;
        if (std::strncmp(rule.name, name.c_str(), name.size()) == 0) {
            found = &rule;
            ++matches;
        }
    }
    if (matches == 1)
        return found;
    problem = std::string(matches == 0 ? "unknown" : "ambiguous") + " option \"--" + name + "\"";
    return nullptr;
}

const OptionRule* find_short(char letter, std::string& problem) {
    for (const OptionRule& rule : option_rules)
        if (rule.letter == letter)
            return &rule;
    problem = std::string("unknown option \"-") + letter + "\"";
    return nullptr;
}

bool apply_value(const OptionRule& rule, const std::string& value, PlayOptions& options,
                 std::string& problem) {
    const int number = small_number(value);
    const char* expected = nullptr;
    switch (rule.key) {
    case Key::Device:
        options.device = value;
        break;
    case Key::Level:
        if (number >= 1 && number <= 100)
            options.level_percent = number;
        else
            expected = "a level from 1 to 100 (per cent of the tape's own)";
        break;
    case Key::Baud:
        if (number == 300 || number == 600)
            options.baud = number;
        else
            expected = "300 or 600";
        break;
    default:
        break;
    }
    if (expected != nullptr)
        problem = std::string("--") + rule.name + ": found \"" + value + "\" where " + expected +
                  " was expected";
    return expected == nullptr;
}

PlayParse apply_flag(const OptionRule& rule, PlayOptions& options) {
    switch (rule.key) {
    case Key::Basic:
        options.is_basic = true;
        return PlayParse::Run;
    case Key::Quiet:
        options.is_quiet = true;
        return PlayParse::Run;
    case Key::ListDevices:
        return PlayParse::ListDevices;
    case Key::Help:
        return PlayParse::Help;
    case Key::Version:
        return PlayParse::Version;
    default:
        return PlayParse::Run;
    }
}

struct ArgumentCursor {
    int argc = 0;
    char* const* argv = nullptr;
    int next = 1; // the next argument to read
};

// One option and its value: `attached` is the text after "=" or after the letter, or null.
PlayParse apply_option(const OptionRule& rule, const char* attached, ArgumentCursor& cursor,
                       PlayOptions& options, std::string& problem) {
    if (!rule.has_value)
        return apply_flag(rule, options);
    if (attached == nullptr && cursor.next >= cursor.argc) {
        problem = std::string("--") + rule.name +
                  ": found the end of the line where a value "
                  "was expected";
        return PlayParse::Error;
    }
    const std::string value = attached != nullptr ? attached : cursor.argv[cursor.next++];
    return apply_value(rule, value, options, problem) ? PlayParse::Run : PlayParse::Error;
}

PlayParse long_option(const char* text, ArgumentCursor& cursor, PlayOptions& options,
                      std::string& problem) {
    const char* equals = std::strchr(text, '=');
    const OptionRule* rule =
        find_long(equals ? std::string(text, equals) : std::string(text), problem);
    if (rule == nullptr)
        return PlayParse::Error;
    if (!rule->has_value && equals != nullptr) {
        problem = std::string("--") + rule->name + ": found a value where none was expected";
        return PlayParse::Error;
    }
    return apply_option(*rule, equals ? equals + 1 : nullptr, cursor, options, problem);
}

// A group of short options: flags may be bundled, and a value may follow its letter directly.
PlayParse short_options(const char* text, ArgumentCursor& cursor, PlayOptions& options,
                        std::string& problem) {
    for (; *text != '\0'; ++text) {
        const OptionRule* rule = find_short(*text, problem);
        if (rule == nullptr)
            return PlayParse::Error;
        const char* attached = rule->has_value && text[1] != '\0' ? text + 1 : nullptr;
        const PlayParse outcome = apply_option(*rule, attached, cursor, options, problem);
        if (outcome != PlayParse::Run || rule->has_value)
            return outcome;
    }
    return PlayParse::Run;
}

} // namespace

PlayParse parse_play_options(int argc, char* const* argv, PlayOptions& options,
                             std::string& problem) {
    options = PlayOptions{};
    std::vector<std::string> files;
    ArgumentCursor cursor{argc, argv, 1};
    bool is_after_dashes = false;
    while (cursor.next < argc) {
        const char* argument = argv[cursor.next++];
        PlayParse outcome = PlayParse::Run;
        if (is_after_dashes || argument[0] != '-' || argument[1] == '\0')
            files.emplace_back(argument);
        else if (std::strcmp(argument, "--") == 0)
            is_after_dashes = true;
        else if (argument[1] == '-')
            outcome = long_option(argument + 2, cursor, options, problem);
        else
            outcome = short_options(argument + 1, cursor, options, problem);
        if (outcome != PlayParse::Run)
            return outcome;
    }
    if (files.size() != 1) {
        problem = files.empty() ? "no file given, where a tape or a file to encode was expected"
                                : "found " + std::to_string(files.size()) +
                                      " file names, where one tape was expected";
        return PlayParse::Error;
    }
    options.input = files[0];
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
