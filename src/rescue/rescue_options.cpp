// qirvex-rescue's command line: the option table, GNU-style parsing, the help text.
#include "rescue/rescue_options.h"

#include "base/kcs.h"
#include "base/small_number.h"
#include "rescue/rescue_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

// More channels than any recorder has; libsndfile itself takes up to 1024.
constexpr int max_raw_channels = 256;

enum class Key {
    Baud,
    Rate,
    DataBits,
    Parity,
    StopBits,
    Channel,
    Force,
    Report,
    Mend,
    List,
    Split,
    Batch,
    Verbose,
    Quiet,
    RawFormat,
    RawRate,
    RawChannels,
    Capture,
    ListDevices,
    Merge,
    MergeChannels,
    Help,
    Version
};

// Whether a value follows an option: never, always, or only when attached with "=" (GNU's
// optional arguments).
enum class Value { None, Required, Optional };

struct OptionRule {
    char letter;      // the short form; '\0' for none
    const char* name; // the long form, without "--"
    Value value;
    Key key;
};

// -R is qirvex's own spelling of the rate: -R1 for 600 baud, any other value for 300. The raw
// layout, mending and the sound card have long names only (-d is already the data bits).
constexpr std::array<OptionRule, 23> option_rules = {{
    {'b', "baud", Value::Required, Key::Baud},
    {'R', "rate", Value::Required, Key::Rate},
    {'d', "data-bits", Value::Required, Key::DataBits},
    {'p', "parity", Value::Required, Key::Parity},
    {'s', "stop-bits", Value::Required, Key::StopBits},
    {'c', "channel", Value::Required, Key::Channel},
    {'f', "force", Value::None, Key::Force},
    {'r', "report", Value::Optional, Key::Report},
    {'\0', "mend", Value::None, Key::Mend},
    {'\0', "list", Value::None, Key::List},
    {'\0', "split", Value::Required, Key::Split},
    {'\0', "batch", Value::None, Key::Batch},
    {'v', "verbose", Value::None, Key::Verbose},
    {'q', "quiet", Value::None, Key::Quiet},
    {'\0', "raw-format", Value::Required, Key::RawFormat},
    {'\0', "raw-rate", Value::Required, Key::RawRate},
    {'\0', "raw-channels", Value::Required, Key::RawChannels},
    {'\0', "capture", Value::Optional, Key::Capture},
    {'\0', "list-devices", Value::None, Key::ListDevices},
    {'\0', "merge", Value::Required, Key::Merge},
    {'\0', "merge-channels", Value::None, Key::MergeChannels},
    {'h', "help", Value::None, Key::Help},
    {'V', "version", Value::None, Key::Version},
}};

// qirvex's letters for what qirvex-rescue spells otherwise: an unknown option names the
// spelling to use instead.
struct QirvexLetter {
    char letter;
    const char* spelling; // qirvex-rescue's, with what it sets
};

constexpr std::array<QirvexLetter, 6> qirvex_letters = {{
    {'F', "-f (force)"},
    {'C', "-c (channel, counted from 1)"},
    {'D', "-d 7 (data bits)"},
    {'S', "-s 1 (stop bits)"},
    {'O', "-p odd (parity)"},
    {'E', "-p even (parity)"},
}};

std::string unknown_letter(char letter) {
    std::string problem = std::string("unknown option \"-") + letter + "\"";
    for (const QirvexLetter& entry : qirvex_letters)
        if (entry.letter == letter)
            problem += std::string("; qirvex-rescue spells it ") + entry.spelling;
    return problem;
}

const OptionRule* find_short(char letter) {
    for (const OptionRule& rule : option_rules)
        if (rule.letter != '\0' && rule.letter == letter)
            return &rule;
    return nullptr;
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
    problem =
        matches == 0 ? "unknown option \"--" + name + "\"" : "ambiguous option \"--" + name + "\"";
    return nullptr;
}

std::string option_label(const OptionRule& rule) { return std::string("--") + rule.name; }

bool bad_value(const OptionRule& rule, const std::string& value, const char* expected,
               std::string& problem) {
    problem = option_label(rule) + ": found \"" + value + "\" where " + expected + " was expected";
    return false;
}

bool apply_value(const OptionRule& rule, const std::string& value, RescueOptions& options,
                 std::string& problem) {
    RescueSettings& settings = options.settings;
    const int number = small_number(value);
    switch (rule.key) {
    case Key::Baud:
        if (!is_family_baud(number))
            return bad_value(rule, value, "300, 600, 1200 or another rate of whole 1200 Hz cycles",
                             problem);
        settings.baud = number;
        return true;
    case Key::Rate:
        settings.baud = number == 1 ? fast_baud : slow_baud;
        return true;
    case Key::DataBits:
        if (number != 7 && number != 8)
            return bad_value(rule, value, "7 or 8", problem);
        settings.format.data_bits = number;
        settings.found.data_bits = false;
        return true;
    case Key::Parity:
        if (value == "none")
            settings.format.parity = Parity::None;
        else if (value == "even")
            settings.format.parity = Parity::Even;
        else if (value == "odd")
            settings.format.parity = Parity::Odd;
        else
            return bad_value(rule, value, "none, even or odd", problem);
        settings.found.parity = false;
        return true;
    case Key::StopBits:
        if (number != 1 && number != 2)
            return bad_value(rule, value, "1 or 2", problem);
        settings.format.stop_bits = number;
        settings.found.stop_bits = false;
        return true;
    case Key::Channel:
        if (number < 1)
            return bad_value(rule, value, "a channel number from 1", problem);
        settings.channel = number;
        return true;
    case Key::Report:
        if (value.empty())
            return bad_value(rule, value, "a file name for the record of every word", problem);
        options.record = value;
        return true;
    case Key::RawFormat:
        options.raw.is_raw = true;
        options.raw.format = raw_format_code(value);
        if (options.raw.format == 0)
            return bad_value(rule, value, raw_format_names(), problem);
        return true;
    case Key::RawRate:
        options.raw.is_raw = true;
        if (number < static_cast<int>(lowest_rate_hz) || number > static_cast<int>(highest_rate_hz))
            return bad_value(rule, value, "a rate from 8000 to 192000", problem);
        options.raw.rate_hz = static_cast<std::uint32_t>(number);
        return true;
    case Key::RawChannels:
        options.raw.is_raw = true;
        if (number < 1 || number > max_raw_channels)
            return bad_value(rule, value, "a channel count from 1 to 256", problem);
        options.raw.channels = number;
        return true;
    case Key::Capture:
        options.is_capture = true;
        options.device = value;
        return true;
    case Key::Split:
        if (value.empty())
            return bad_value(rule, value, "a folder for the programs", problem);
        options.split_folder = value;
        return true;
    case Key::Merge:
        if (value.empty() || value == "-")
            return bad_value(rule, value, "the name of another capture's file", problem);
        options.merged.push_back(value);
        return true;
    default:
        return true;
    }
}

ParseOutcome apply_flag(const OptionRule& rule, RescueOptions& options) {
    switch (rule.key) {
    case Key::Force:
        options.force_overwrite = true;
        break;
    case Key::Report:
        options.is_report = true;
        break;
    case Key::Mend:
        options.is_repair = true;
        break;
    case Key::List:
        options.is_list = true;
        break;
    case Key::Batch:
        options.is_batch = true;
        break;
    case Key::Verbose:
        options.is_verbose = true;
        break;
    case Key::Quiet:
        options.is_quiet = true;
        break;
    case Key::Capture:
        options.is_capture = true;
        break;
    case Key::MergeChannels:
        options.is_merging_channels = true;
        break;
    case Key::ListDevices:
        return ParseOutcome::ListDevices;
    case Key::Help:
        return ParseOutcome::Help;
    case Key::Version:
        return ParseOutcome::Version;
    default:
        break;
    }
    return ParseOutcome::Run;
}

struct ArgumentCursor {
    int argc = 0;
    char* const* argv = nullptr;
    int next = 1; // the next argument to read
};

// The value of an option: the text attached to it, or else the next argument.
bool take_value(const OptionRule& rule, const char* attached, ArgumentCursor& cursor,
                std::string& value, std::string& problem) {
    if (attached != nullptr) {
        value = attached;
        return true;
    }
    if (cursor.next >= cursor.argc) {
        problem = option_label(rule) + ": found the end of the line where a value was expected";
        return false;
    }
    value = cursor.argv[cursor.next++];
    return true;
}

// True for an argument that is not an option: a file name, or "-".
bool is_operand(const char* argument) { return argument[0] != '-' || argument[1] == '\0'; }

// An optional value is attached with "=" only. --report followed by a file name after a space
// could mean the record of every word in that file, or the list
// of suspect words and an input of that name: refused, with both spellings.
bool is_value_apart(const OptionRule& rule, const ArgumentCursor& cursor, std::string& problem) {
    if (cursor.next >= cursor.argc || !is_operand(cursor.argv[cursor.next]))
        return false;
    const std::string value = cursor.argv[cursor.next];
    problem = option_label(rule) + ": found \"" + value + "\" after a space; write " +
              option_label(rule) + "=" + value + " for the record of every word, or -" +
              rule.letter + " for the suspect words";
    return true;
}

ParseOutcome long_option(const char* text, ArgumentCursor& cursor, RescueOptions& options,
                         std::string& problem) {
    const char* equals = std::strchr(text, '=');
    const std::string name = equals ? std::string(text, equals) : std::string(text);
    const OptionRule* rule = find_long(name, problem);
    if (rule == nullptr)
        return ParseOutcome::Error;
    if (rule->value == Value::None && equals != nullptr) {
        problem = option_label(*rule) + ": found a value where none was expected";
        return ParseOutcome::Error;
    }
    if (rule->key == Key::Report && equals == nullptr && is_value_apart(*rule, cursor, problem))
        return ParseOutcome::Error;
    if (rule->value == Value::None || (rule->value == Value::Optional && equals == nullptr))
        return apply_flag(*rule, options);
    std::string value;
    if (!take_value(*rule, equals ? equals + 1 : nullptr, cursor, value, problem) ||
        !apply_value(*rule, value, options, problem))
        return ParseOutcome::Error;
    return ParseOutcome::Run;
}

// A group of short options: flags may be bundled, and a value may follow its letter directly.
ParseOutcome short_options(const char* text, ArgumentCursor& cursor, RescueOptions& options,
                           std::string& problem) {
    for (; *text != '\0'; ++text) {
        const OptionRule* rule = find_short(*text);
        if (rule == nullptr) {
            problem = unknown_letter(*text);
            return ParseOutcome::Error;
        }
        if (rule->value != Value::Required) {
            const ParseOutcome outcome = apply_flag(*rule, options);
            if (outcome != ParseOutcome::Run)
                return outcome;
            continue;
        }
        std::string value;
        if (!take_value(*rule, text[1] != '\0' ? text + 1 : nullptr, cursor, value, problem) ||
            !apply_value(*rule, value, options, problem))
            return ParseOutcome::Error;
        return ParseOutcome::Run;
    }
    return ParseOutcome::Run;
}

// A capture has no input file: the one name it takes is the output, standard output without.
ParseOutcome take_capture_target(const std::vector<std::string>& files, RescueOptions& options,
                                 std::string& problem) {
    if (files.size() > 1) {
        problem = "found " + std::to_string(files.size()) +
                  " file names, where --capture takes at most an output (a device is named "
                  "with --capture=DEVICE)";
        return ParseOutcome::Error;
    }
    options.target = files.empty() ? "-" : files[0];
    return ParseOutcome::Run;
}

// Captures are merged once every one has been read to its end: from files only, never from a
// pipe or a sound card, and every channel or the one chosen.
bool check_merging(const RescueOptions& options, std::string& problem) {
    const bool is_merging = !options.merged.empty() || options.is_merging_channels;
    const char* option = options.merged.empty() ? "--merge-channels" : "--merge";
    if (is_merging && options.is_capture)
        problem = std::string(option) + " reads captures held in files; found --capture";
    else if (is_merging && options.input == "-")
        problem = std::string(option) +
                  " reads captures held in files; found \"-\" (standard input) as the input";
    else if (is_merging && (options.is_list || !options.split_folder.empty()))
        problem = std::string(option) + " writes the bytes of one tape; found " +
                  (options.is_list ? "--list" : "--split") + " as well";
    else if (options.is_merging_channels && options.settings.channel > 0)
        problem = "--merge-channels reads every channel; found --channel " +
                  std::to_string(options.settings.channel) + " as well";
    return problem.empty();
}

// A batch writes each recording's output beside it, named after it: no name can be given for
// the output, no recording can come from standard input, and one record of every word would mix
// the recordings' words.
ParseOutcome take_batch_names(const std::vector<std::string>& files, RescueOptions& options,
                              std::string& problem) {
    if (options.is_capture)
        problem = "--batch reads recordings and folders of them, not --capture";
    else if (!options.record.empty())
        problem = "--report=" + options.record +
                  ": one file cannot hold the words of a batch; give -r for the suspect words, "
                  "or decode the recordings one by one";
    else if (!options.merged.empty() || options.is_merging_channels)
        problem = std::string("--batch decodes each recording alone; found ") +
                  (options.merged.empty() ? "--merge-channels" : "--merge") + " as well";
    else if (files.empty())
        problem = "no input file given, where --batch expects recordings or folders of them";
    else if (std::find(files.begin(), files.end(), "-") != files.end())
        problem = "found \"-\" among the recordings, where --batch reads files and folders, not "
                  "standard input";
    if (!problem.empty())
        return ParseOutcome::Error;
    options.batch_names = files;
    return ParseOutcome::Run;
}

} // namespace

ParseOutcome parse_rescue_options(int argc, char* const* argv, RescueOptions& options,
                                  std::string& problem) {
    options = RescueOptions{};
    // Whatever part of the framing is not given is found from the audio.
    options.settings.found = FramingFound{true, true, true};
    std::vector<std::string> files;
    ArgumentCursor cursor{argc, argv, 1};
    bool is_after_dashes = false;
    while (cursor.next < argc) {
        const char* argument = argv[cursor.next++];
        ParseOutcome outcome = ParseOutcome::Run;
        if (is_after_dashes || is_operand(argument))
            files.emplace_back(argument);
        else if (std::strcmp(argument, "--") == 0)
            is_after_dashes = true;
        else if (argument[1] == '-')
            outcome = long_option(argument + 2, cursor, options, problem);
        else
            outcome = short_options(argument + 1, cursor, options, problem);
        if (outcome != ParseOutcome::Run)
            return outcome;
    }
    if (options.is_batch)
        return take_batch_names(files, options, problem);
    const bool is_side = options.is_list || !options.split_folder.empty();
    if (is_side && options.is_capture) {
        problem = "--list and --split read a recording, not --capture";
        return ParseOutcome::Error;
    }
    if (options.is_capture)
        return check_merging(options, problem) ? take_capture_target(files, options, problem)
                                               : ParseOutcome::Error;
    if (is_side && files.size() == 2) {
        problem = "found the output \"" + files[1] +
                  "\", where --list prints the programs and --split writes them to a folder";
        return ParseOutcome::Error;
    }
    if (files.empty() || files.size() > 2) {
        problem = files.empty() ? "no input file given, where a recording was expected"
                                : "found " + std::to_string(files.size()) +
                                      " file names, where an input and at most one output "
                                      "were expected";
        return ParseOutcome::Error;
    }
    options.input = files[0];
    if (files.size() == 2)
        options.target = files[1];
    return check_merging(options, problem) ? ParseOutcome::Run : ParseOutcome::Error;
}

const char* rescue_usage() {
    return "Usage: qirvex-rescue [options] in [out]\n"
           "       qirvex-rescue [options] --list|--split=FOLDER in\n"
           "       qirvex-rescue [options] --merge=FILE... in [out]\n"
           "       qirvex-rescue [options] --capture[=DEVICE] [out]\n"
           "       qirvex-rescue [options] --batch in|folder ...\n"
           "Recovers the data of a Kansas City Standard (OSI) cassette recording that plain\n"
           "qirvex cannot read: noisy, fast or slow, inverted, clipped or unevenly recorded.\n"
           "Reads WAV, AIFF, CAF, W64, RF64, FLAC, Ogg and MP3 files and headerless samples.\n"
           "\"-\" as in reads standard input, a live capture for example; \"-\" as out writes\n"
           "standard output, each byte as soon as it is decoded. Without out, writes in.txt\n"
           "(the input name less its extension, plus .txt), or standard output for \"-\".\n"
           "--capture reads a sound card instead, until Ctrl-C; its out is standard output\n"
           "when not given.\n"
           "\n"
           "  -b, --baud RATE           bit rate: 300, 600, 1200 or another rate of whole\n"
           "                            1200 Hz cycles; -R1 also selects 600 (default: found\n"
           "                            from the audio among 300, 600 and 1200)\n"
           "  -d, --data-bits 7|8       data bits per word\n"
           "  -p, --parity none|even|odd  parity bit\n"
           "  -s, --stop-bits 1|2       stop bits (default for each: found from the audio;\n"
           "                            OSI tapes are mostly 8N2)\n"
           "  -c, --channel N           channel to decode, from 1 (default: strongest tone)\n"
           "  -f, --force               overwrite an existing output file\n"
           "  -r, --report              list each suspect word (time, sample, confidence)\n"
           "                            and each dropout that lost words\n"
           "      --report=FILE         write a line for every word to FILE, tab-separated:\n"
           "                            offset, seconds, sample, byte (0x41), confidence,\n"
           "                            flags, and each bit's reading from -1 (space) to\n"
           "                            +1 (mark)\n"
           "      --mend                change a byte that the tape's content cannot hold\n"
           "                            (bit 7 in a listing, not a hex digit in a 65V text\n"
           "                            or a checksum record, a failed record checksum) to\n"
           "                            the nearest reading it allows, where the bits\n"
           "                            changed were least sure; each change is reported.\n"
           "                            The output is written when the recording ends\n"
           "      --list                list the programs on the tape instead of writing\n"
           "                            its bytes: start and end time, rate and framing,\n"
           "                            bytes, kind (basic, 65v, records, data), suspect and\n"
           "                            lost words, verdict, and a listing's first line or\n"
           "                            a program's load address; junk read from clicks\n"
           "                            and hiss between them is listed apart\n"
           "      --split=FOLDER        write each program to a file of its own in FOLDER\n"
           "                            (01-basic-STARTREK.bas, 02-65v-0300.65v), with\n"
           "                            index.tsv listing them\n"
           "      --batch               decode many recordings in one run, on all the\n"
           "                            processor's cores: each name is a recording, or a\n"
           "                            folder whose audio files (.wav .aif .aiff .caf .w64\n"
           "                            .rf64 .flac .ogg .oga .mp3) are taken in name order.\n"
           "                            Each is decoded as if alone, to its in.txt, with\n"
           "                            --split to FOLDER/in/, and with --list its table is\n"
           "                            printed under its name; a table of all ends the run,\n"
           "                            whose status is the worst of theirs. Not with \"-\",\n"
           "                            an out, --capture or --report=FILE\n"
           "  -v, --verbose             show tape speed, levels, words, losses and resyncs\n"
           "  -q, --quiet               no progress line and no summary\n"
           "      --raw-format TYPE     headerless samples of TYPE: u8, s8, s16le, s16be,\n"
           "                            s24le, s24be, s32le, s32be, f32le, f32be, f64le,\n"
           "                            f64be, ulaw, alaw (default s16le)\n"
           "      --raw-rate HZ         their rate, 8000 to 192000 (default 44100)\n"
           "      --raw-channels N      their channels (default 1)\n"
           "      --capture[=DEVICE]    capture from the sound card: the default device, or\n"
           "                            the one of that number or with DEVICE in its name\n"
           "      --list-devices        list the capture devices and their numbers\n"
           "      --merge=FILE          read FILE, another capture of the same tape (a\n"
           "                            second play), with in, and take each byte from the\n"
           "                            capture that read it best; may be given more than\n"
           "                            once. With --report=FILE each line then also names\n"
           "                            the capture (reading, from 1) and whether another\n"
           "                            confirmed it\n"
           "      --merge-channels      read each channel of a stereo input as a capture of\n"
           "                            its own, and merge them likewise\n"
           "  -h, --help                show this text\n"
           "  -V, --version             show the version\n"
           "\n"
           "Exit status: 0 all words clean; 1 data written but some words suspect, repaired\n"
           "or lost in a dropout, the recording cut short, or no data found; 2 usage, input\n"
           "or output error; 128 plus the signal's number when stopped early by one (130\n"
           "Ctrl-C, 143 SIGTERM, 141 SIGPIPE), with everything decoded until then in the\n"
           "output.\n";
}
