// The command line of qirvex-rescue, in the GNU style: short options (-f, -b 300, -b300,
// bundled -fv) and long ones (--baud 300, --baud=300, or any unambiguous prefix such as --bau),
// anywhere among the file names; "--" ends the options.
#pragma once

#include "rescue/audio_input.h"
#include "rescue/rescue_settings.h"

#include <string>
#include <vector>

struct RescueOptions {
    RescueSettings settings;      // baud, word format, channel
    bool force_overwrite = false; // -f, --force: an existing target may be replaced
    bool is_report = false;       // -r, --report: one line per suspect or doubtful word
    std::string record;           // --report=FILE: a line for every word, tab-separated
    bool is_repair = false;       // --mend: bytes the content cannot hold repaired at the end
    bool is_list = false;         // --list: the programs on the tape, not its bytes
    std::string split_folder;     // --split=FOLDER: each program to a file there
    bool is_verbose = false;      // -v, --verbose: speed, levels, words, resyncs
    bool is_quiet = false;        // -q, --quiet: no progress line and no summary
    RawLayout raw;                // --raw-format, --raw-rate, --raw-channels: headerless input
    bool is_capture = false;      // --capture: the recording comes from a sound card
    std::string device;           // --capture=DEVICE: a number or a part of the device's name
    std::vector<std::string> merged; // --merge=FILE: other captures of the tape, read with input
    bool is_merging_channels = false; // --merge-channels: each channel read as a capture
    std::string input;            // the recording; "-": standard input; empty for a capture
    std::string target;           // the output file; "-": standard output; empty: derived
    bool is_batch = false;        // --batch: many recordings, each decoded as if alone
    std::vector<std::string> batch_names; // --batch: the recordings and folders of them, as given
};

enum class ParseOutcome { Run, Help, Version, ListDevices, Error };

// Reads the command line. On Error, `problem` says what was found and what was expected.
[[nodiscard]] ParseOutcome parse_rescue_options(int argc, char* const* argv, RescueOptions& options,
                                                std::string& problem);

// The help text, for standard output.
[[nodiscard]] const char* rescue_usage();
