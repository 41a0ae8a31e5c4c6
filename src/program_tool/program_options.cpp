// qirvex-program's options, read with getopt_long after the job's name.
#include "program_tool/program_options.h"

#include "programs/memory_image.h"

#include <getopt.h>

#include <array>
#include <cstring>

namespace {

// More NULs than any machine needs: a typing error, not a choice.
constexpr int most_nuls = 100;

struct Name {
    const char* text;
    int value;
};

constexpr std::array<Name, 9> from_names = {{
    {"binary", static_cast<int>(ProgramFormat::Binary)},
    {"hex", static_cast<int>(ProgramFormat::IntelHex)},
    {"srec", static_cast<int>(ProgramFormat::Srec)},
    {"cc65", static_cast<int>(ProgramFormat::Cc65)},
    {"65v", static_cast<int>(ProgramFormat::Text65v)},
    {"mos", static_cast<int>(ProgramFormat::MosRecords)},
    {"listing", static_cast<int>(ProgramFormat::Listing)},
    {"guess", static_cast<int>(ProgramFormat::Guess)},
    {nullptr, 0},
}};

constexpr std::array<Name, 6> to_names = {{
    {"hex", static_cast<int>(ImageFormat::IntelHex)},
    {"srec", static_cast<int>(ImageFormat::Srec)},
    {"binary", static_cast<int>(ImageFormat::Binary)},
    {"65v", static_cast<int>(ImageFormat::Text65v)},
    {"mos", static_cast<int>(ImageFormat::MosRecords)},
    {nullptr, 0},
}};

constexpr std::array<Name, 4> line_end_names = {{
    {"cr", static_cast<int>(LineEnd::Cr)},
    {"lf", static_cast<int>(LineEnd::Lf)},
    {"crlf", static_cast<int>(LineEnd::CrLf)},
    {nullptr, 0},
}};

template <std::size_t N>
std::optional<int> named_value(const std::array<Name, N>& names, const char* text) {
    for (const Name& name : names)
        if (name.text != nullptr && std::strcmp(name.text, text) == 0)
            return name.value;
    return std::nullopt;
}

// Four hex digits or fewer, with or without a leading "$" or "0x".
std::optional<std::uint16_t> address_value(std::string text) {
    if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0)
        text.erase(0, 2);
    else if (text.rfind('$', 0) == 0)
        text.erase(0, 1);
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = hex_value(static_cast<std::uint8_t>(c));
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::uint16_t>(value);
}

std::optional<int> nul_value(const std::string& text) {
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value <= most_nuls ? std::optional<int>(value) : std::nullopt;
}

bool bad_value(const char* option, const char* value, const char* expected, std::string& problem) {
    problem = std::string(option) + ": found \"" + value + "\" where " + expected + " was expected";
    return false;
}

constexpr option long_options[] = {
    {"from", required_argument, nullptr, 'i'},
    {"to", required_argument, nullptr, 't'},
    {"address", required_argument, nullptr, 'a'},
    {"go", required_argument, nullptr, 'g'},
    {"nuls", required_argument, nullptr, 'n'},
    {"line-end", required_argument, nullptr, 'e'},
    {"words", required_argument, nullptr, 'w'},
    {"force", no_argument, nullptr, 'f'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

bool apply_option(int letter, const char* value, ProgramOptions& options, std::string& problem) {
    switch (letter) {
    case 'i': {
        const std::optional<int> from = named_value(from_names, value);
        if (!from)
            return bad_value("--from", value, "binary, hex, srec, cc65, 65v, mos or listing",
                             problem);
        options.from = static_cast<ProgramFormat>(*from);
        return true;
    }
    case 't': {
        const std::optional<int> to = named_value(to_names, value);
        if (!to)
            return bad_value("--to", value, "hex, srec, binary, 65v or mos", problem);
        options.to = static_cast<ImageFormat>(*to);
        return true;
    }
    case 'a':
    case 'g': {
        const std::optional<std::uint16_t> address = address_value(value);
        if (!address)
            return bad_value(letter == 'a' ? "--address" : "--go", value,
                             "an address of up to four hex digits", problem);
        (letter == 'a' ? options.load_address : options.run_address) = address;
        return true;
    }
    case 'n':
        options.nul_count = nul_value(value);
        return options.nul_count ? true
                                 : bad_value("--nuls", value, "a count from 0 to 100", problem);
    case 'e': {
        const std::optional<int> line_end = named_value(line_end_names, value);
        if (!line_end)
            return bad_value("--line-end", value, "cr, lf or crlf", problem);
        options.line_end = static_cast<LineEnd>(*line_end);
        return true;
    }
    case 'w':
        options.words = value;
        return !options.words.empty() ||
               bad_value("--words", value, "the name of qirvex-rescue's word record", problem);
    case 'f':
        options.force_overwrite = true;
        return true;
    default:
        return false;
    }
}

bool read_job(const char* name, ProgramOptions& options, std::string& problem) {
    if (std::strcmp(name, "to-tape") == 0)
        options.job = ProgramJob::ToTape;
    else if (std::strcmp(name, "from-tape") == 0)
        options.job = ProgramJob::FromTape;
    else
        return bad_value("the job", name, "to-tape or from-tape", problem);
    return true;
}

} // namespace

ParseOutcome parse_program_options(int argc, char* const* argv, ProgramOptions& options,
                                   std::string& problem) {
    if (argc < 2) {
        problem = "found no job where to-tape or from-tape was expected";
        return ParseOutcome::Error;
    }
    const bool is_job = argv[1][0] != '-';
    if (is_job && !read_job(argv[1], options, problem))
        return ParseOutcome::Error;
    // The job's name takes the place of the program's for getopt_long; 0 starts it afresh.
    const int first = is_job ? 1 : 0;
    optind = 0;
    opterr = 0;
    int letter = 0;
    while ((letter = getopt_long(argc - first, argv + first, ":i:t:a:g:n:e:w:fhV", long_options,
                                 nullptr)) != -1) {
        if (letter == 'h')
            return ParseOutcome::Help;
        if (letter == 'V')
            return ParseOutcome::Version;
        if (letter == '?' || letter == ':') {
            const std::string name = optopt != 0 ? std::string("-") + static_cast<char>(optopt)
                                                 : std::string(argv[first + optind - 1]);
            problem = letter == '?' ? "unknown option " + name : name + " needs a value";
            // qirvex spells force with -F; this family's GNU-style tools with -f.
            if (letter == '?' && optopt == 'F')
                problem += "; qirvex-program spells it -f (force)";
            return ParseOutcome::Error;
        }
        if (!apply_option(letter, optarg, options, problem))
            return ParseOutcome::Error;
    }
    if (!is_job) {
        problem = "found no job where to-tape or from-tape was expected";
        return ParseOutcome::Error;
    }
    // A word record places a decoded tape's bytes in its recording; to-tape reads no recording.
    if (!options.words.empty() && options.job == ProgramJob::ToTape) {
        problem = "--words: found to-tape where from-tape was expected";
        return ParseOutcome::Error;
    }
    const int files = argc - first - optind;
    if (files < 1 || files > 2) {
        problem = "found " + std::to_string(files) +
                  " file names where an input and an optional "
                  "output were expected";
        return ParseOutcome::Error;
    }
    options.input = argv[first + optind];
    if (files == 2)
        options.output = argv[first + optind + 1];
    return ParseOutcome::Run;
}

const char* program_usage() {
    return "Usage: qirvex-program to-tape [options] in [out]\n"
           "       qirvex-program from-tape [options] in [out]\n"
           "Turns programs into the text an OSI machine loads from tape, and decoded tapes back\n"
           "into programs.\n"
           "\n"
           "to-tape: a program (raw bytes, Intel HEX, S-records or cc65's OSI output) becomes a\n"
           "65V load text, by default in.65v; a listing, 65V or checksum record text gets CR\n"
           "line ends with NULs, by default in in.tape.<ext>. Play it with qirvex (-R1 for\n"
           "600 baud).\n"
           "from-tape: a decoded tape (qirvex or qirvex-rescue output) is told apart as a BASIC\n"
           "listing (written clean, by default in.bas, with its faults named), a 65V load text\n"
           "or checksum records (written as --to, by default in.hex).\n"
           "\n"
           "  -i, --from=FORMAT     the input's format: binary, hex, srec, cc65, 65v, mos or\n"
           "                        listing (default: by its extension; from-tape: by its\n"
           "                        contents)\n"
           "  -t, --to=FORMAT       from-tape's program format: hex (default), srec, binary\n"
           "                        (in.AAAA.bin, a file per stretch), 65v or mos\n"
           "  -a, --address=HHHH    where raw bytes load (default: from a name like\n"
           "                        prog.0200.bin; 0200 for cc65)\n"
           "  -g, --go=HHHH         where the program starts (written as .HHHHG)\n"
           "  -n, --nuls=N          NULs after each CR, 0 to 100 (default 2; 10 for a listing)\n"
           "  -e, --line-end=END    a listing's line ends from tape: lf (default), cr or crlf\n"
           "  -w, --words=FILE      from-tape: qirvex-rescue's word record of the input\n"
           "                        (--report=FILE); each fault then also names its time in\n"
           "                        the recording\n"
           "  -f, --force           overwrite an existing target\n"
           "  -h, --help            show this text\n"
           "  -V, --version         show the version\n"
           "\n"
           "Exit status: 0 done; 1 the input was damaged (each fault named with its byte\n"
           "offset; from-tape writes what it could read, to-tape writes nothing); 2 usage,\n"
           "an input of no known format, or a file that could not be read or written.\n";
}
