// The command line of qirvex-play, in the GNU style, read by getopt_long: short options (-d 1,
// -d1, bundled -qB) and long ones (--device monitor, --device=monitor, or an unambiguous
// prefix), anywhere before "--".
#pragma once

#include <string>

struct PlayOptions {
    std::string device;     // -d, --device: a number or a part of a name; empty: the default
    int level_percent = 70; // -l, --level: per cent of the tape's own level
    int baud = 300;         // -b, --baud: 300 or 600, for a file that is encoded on the way
    bool is_basic = false;  // -B, --basic: BASIC mode, as qirvex -B encodes
    bool is_quiet = false;  // -q, --quiet: no note, no progress line
    std::string input;      // the tape (WAV or any audio file) or the file to encode
};

enum class PlayParse { Run, Help, Version, ListDevices, Error };

// Reads the command line. On Error, `problem` says what was found and what was expected.
[[nodiscard]] PlayParse parse_play_options(int argc, char* const* argv, PlayOptions& options,
                                           std::string& problem);

// The help text, for standard output.
[[nodiscard]] const char* play_usage();
