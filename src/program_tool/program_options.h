// qirvex-program's command line: a job (to-tape or from-tape), its options and files.
#pragma once

#include "programs/basic_listing.h"

#include <cstdint>
#include <optional>
#include <string>

enum class ProgramJob { ToTape, FromTape };

// What a file holds, as --from names it.
enum class ProgramFormat { Guess, Binary, IntelHex, Srec, Cc65, Text65v, MosRecords, Listing };

// What from-tape writes a program as, as --to names it.
enum class ImageFormat { IntelHex, Srec, Binary, Text65v, MosRecords };

struct ProgramOptions {
    ProgramJob job = ProgramJob::ToTape;
    ProgramFormat from = ProgramFormat::Guess; // -f: the input's format; Guess by its name
    ImageFormat to = ImageFormat::IntelHex;    // -t: from-tape's format for a program
    std::optional<std::uint16_t> load_address; // -a: where raw bytes load
    std::optional<std::uint16_t> run_address;  // -g: where the program starts
    std::optional<int> nul_count;              // -n: NULs after each CR, 0 to 100
    LineEnd line_end = LineEnd::Lf;            // -e: a listing's line ends from tape
    bool force_overwrite = false;              // -f: overwrite an existing target
    std::string words;                         // -w: from-tape's word record of its input
    std::string input;                         // the file read
    std::string output;                        // the file written; empty for the default
};

enum class ParseOutcome { Run, Help, Version, Error };

// Reads argv (argv[1] the job) into `options`; on Error, `problem` says what was wrong.
[[nodiscard]] ParseOutcome parse_program_options(int argc, char* const* argv,
                                                 ProgramOptions& options, std::string& problem);

[[nodiscard]] const char* program_usage();
