// qirvex-program's two jobs as computations: the input's bytes in, the files to write and the
// lines to print out. The driver does the reading, writing and printing.
#pragma once

#include "program_tool/program_options.h"
#include "programs/word_record.h"

#include <cstdint>
#include <string>
#include <vector>

// Exit statuses.
constexpr int program_clean = 0;   // done, the input whole
constexpr int program_damaged = 1; // faults in the input, each named
constexpr int program_refused = 2; // usage, a format not known, a file not read or written

struct OutputFile {
    std::string name;
    std::string bytes;
};

struct JobOutcome {
    int status = program_clean;
    std::vector<std::string> faults; // for the diagnostic stream, without the program's name
    std::vector<std::string> notes;  // for standard output: what was read and written
    std::vector<OutputFile> outputs; // the files to write, in order
};

// A program becomes its 65V load text; a text for the machine gets CR line ends and NULs. A
// damaged input is refused: nothing goes to tape that would not load as it stands.
[[nodiscard]] JobOutcome to_tape(const ProgramOptions& options,
                                 const std::vector<std::uint8_t>& input);

// The go file that gives to-tape's run address (see go_file_beside): where raw bytes take their
// load address from their name and no --go is given; empty otherwise.
[[nodiscard]] std::string go_file_to_read(const ProgramOptions& options);

// A decoded tape becomes a clean listing or a program file. What could be read is written even
// when the tape was damaged, and each fault is named, with its time in the recording where
// `times` (the word record's, one a byte, or empty) gives it.
[[nodiscard]] JobOutcome from_tape(const ProgramOptions& options,
                                   const std::vector<std::uint8_t>& input,
                                   const std::vector<WordTime>& times);
