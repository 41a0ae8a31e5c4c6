#include "program_tool/program_jobs.h"

#include "base/target_file.h"
#include "programs/binary_image.h"
#include "programs/intel_hex.h"
#include "programs/monitor_65v.h"
#include "programs/mos_records.h"
#include "programs/motorola_srec.h"
#include "programs/tape_content.h"
#include "programs/text_for_machine.h"

#include <cctype>

namespace {

std::string lower_extension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

ProgramFormat format_by_name(const std::string& name) {
    const std::string extension = lower_extension(name);
    if (extension == "hex" || extension == "ihx")
        return ProgramFormat::IntelHex;
    if (extension == "srec" || extension == "s19" || extension == "s28" || extension == "s37" ||
        extension == "mot")
        return ProgramFormat::Srec;
    if (extension == "65v" || extension == "lod")
        return ProgramFormat::Text65v;
    if (extension == "mos")
        return ProgramFormat::MosRecords;
    if (extension == "bas")
        return ProgramFormat::Listing;
    return ProgramFormat::Binary;
}

void add_faults(JobOutcome& outcome, const std::string& name, const std::vector<Problem>& problems,
                const std::vector<WordTime>& times) {
    for (const Problem& problem : problems)
        outcome.faults.push_back(name + ": " + describe_at(problem, times));
    if (!problems.empty())
        outcome.status = program_damaged;
}

JobOutcome refusal(const std::string& text) {
    JobOutcome outcome;
    outcome.status = program_refused;
    outcome.faults.push_back(text);
    return outcome;
}

// The program in a machine code file, or a refusal.
bool read_program(const ProgramOptions& options, ProgramFormat format,
                  const std::vector<std::uint8_t>& input, ReadResult& read, JobOutcome& outcome) {
    switch (format) {
    case ProgramFormat::IntelHex:
        read = read_intel_hex(input);
        return true;
    case ProgramFormat::Srec:
        read = read_srec(input);
        return true;
    case ProgramFormat::Cc65:
        read = read_cc65(input, options.load_address.value_or(cc65_start_address));
        return true;
    default:
        break;
    }
    const std::optional<std::uint16_t> address =
        options.load_address ? options.load_address : address_in_name(options.input);
    if (!address) {
        outcome = refusal(options.input + ": raw bytes need their load address: give --address "
                                          "or a name like prog.0200.bin");
        return false;
    }
    read = read_binary(input, *address);
    return true;
}

JobOutcome text_to_tape(const ProgramOptions& options, ProgramFormat format,
                        const std::vector<std::uint8_t>& input) {
    JobOutcome outcome;
    const bool is_listing = format == ProgramFormat::Listing;
    const bool is_text_65v = format == ProgramFormat::Text65v;
    // The text ends where the monitor's reading does: bytes after a 65V text's "G" (cc65's boot
    // files put the program there) go to the started loader as they are.
    std::size_t text_end = input.size();
    std::string loader_data;
    if (is_listing) {
        add_faults(outcome, options.input, lint_listing(listing_lines(input)), {});
    } else if (is_text_65v) {
        const ReadResult read = read_65v(input);
        add_faults(outcome, options.input, read.problems, {});
        text_end = read.end_offset;
        // Line ends after the "G" are dropped: the program started would read them.
        if (bytes_after_go(input, read) > 0)
            loader_data.assign(input.begin() + static_cast<std::ptrdiff_t>(text_end), input.end());
    } else {
        add_faults(outcome, options.input, read_mos_records(input).problems, {});
    }
    if (outcome.status != program_clean)
        return outcome;
    const auto text_begin = input.begin();
    const std::vector<std::uint8_t> text(text_begin,
                                         text_begin + static_cast<std::ptrdiff_t>(text_end));
    const int nul_count =
        options.nul_count.value_or(is_listing ? default_listing_nul_count : default_65v_nul_count);
    const std::string extension = lower_extension(options.input);
    const std::string name = !options.output.empty() ? options.output
                             : extension.empty()
                                 ? options.input + ".tape"
                                 : derived_target_name(options.input, ".tape.") + extension;
    // A load text ends in "G" and nothing after it; a listing's last line needs its CR.
    outcome.outputs.push_back(
        {name, text_for_machine(text, nul_count, !is_text_65v) + loader_data});
    outcome.notes.push_back(name + ": the text with CR line ends and " + std::to_string(nul_count) +
                            " NULs after each");
    return outcome;
}

} // namespace

std::string go_file_to_read(const ProgramOptions& options) {
    const ProgramFormat format =
        options.from == ProgramFormat::Guess ? format_by_name(options.input) : options.from;
    const bool is_address_from_name = format == ProgramFormat::Binary && !options.load_address;
    return is_address_from_name && !options.run_address ? go_file_beside(options.input) : "";
}

JobOutcome to_tape(const ProgramOptions& options, const std::vector<std::uint8_t>& input) {
    const ProgramFormat format =
        options.from == ProgramFormat::Guess ? format_by_name(options.input) : options.from;
    if (format == ProgramFormat::Text65v || format == ProgramFormat::MosRecords ||
        format == ProgramFormat::Listing)
        return text_to_tape(options, format, input);
    JobOutcome outcome;
    ReadResult read;
    if (!read_program(options, format, input, read, outcome))
        return outcome;
    add_faults(outcome, options.input, read.problems, {});
    if (outcome.status != program_clean)
        return outcome;
    if (read.image.stretches.empty())
        return refusal(options.input + ": found no bytes where a program was expected");
    if (options.run_address)
        read.image.run_address = options.run_address;
    const std::string name =
        options.output.empty() ? derived_target_name(options.input, ".65v") : options.output;
    outcome.outputs.push_back(
        {name, write_65v(read.image, options.nul_count.value_or(default_65v_nul_count))});
    outcome.notes.push_back(name + ": " + image_summary(read.image));
    return outcome;
}

namespace {

ProgramFormat format_by_content(const std::vector<std::uint8_t>& input) {
    switch (classify_tape(input)) {
    case TapeContent::BasicListing:
        return ProgramFormat::Listing;
    case TapeContent::LoadText65v:
        return ProgramFormat::Text65v;
    case TapeContent::ChecksumRecords:
        return ProgramFormat::MosRecords;
    case TapeContent::OtherData:
        break;
    }
    return ProgramFormat::Guess;
}

const char* extension_of(ImageFormat format) {
    switch (format) {
    case ImageFormat::IntelHex:
        return ".hex";
    case ImageFormat::Srec:
        return ".srec";
    case ImageFormat::Text65v:
        return ".65v";
    case ImageFormat::MosRecords:
        return ".mos";
    case ImageFormat::Binary:
        break;
    }
    return ".bin";
}

void write_image(const ProgramOptions& options, const MemoryImage& image, JobOutcome& outcome) {
    const std::string name = options.output.empty()
                                 ? derived_target_name(options.input, extension_of(options.to))
                                 : options.output;
    const int nul_count = options.nul_count.value_or(default_65v_nul_count);
    switch (options.to) {
    case ImageFormat::IntelHex:
        outcome.outputs.push_back({name, write_intel_hex(image)});
        break;
    case ImageFormat::Srec:
        outcome.outputs.push_back({name, write_srec(image)});
        break;
    case ImageFormat::Text65v:
        outcome.outputs.push_back({name, write_65v(image, nul_count)});
        break;
    case ImageFormat::MosRecords:
        outcome.outputs.push_back({name, write_mos_records(image, nul_count)});
        break;
    case ImageFormat::Binary: {
        // One file a stretch, its address in its name: "prog.bin" gives "prog.0200.bin".
        const std::string stem =
            lower_extension(name).empty() ? name : name.substr(0, name.rfind('.'));
        for (const Stretch& stretch : image.stretches)
            outcome.outputs.push_back({binary_name(stem, stretch.start),
                                       std::string(stretch.bytes.begin(), stretch.bytes.end())});
        // The run address goes beside them, as their load addresses go in their names.
        if (image.run_address)
            outcome.outputs.push_back({go_file_name(stem), go_file_text(*image.run_address)});
        break;
    }
    }
    for (const OutputFile& output : outcome.outputs)
        outcome.notes.push_back(output.name + ": " + std::to_string(output.bytes.size()) +
                                " bytes written");
}

JobOutcome listing_from_tape(const ProgramOptions& options, const std::vector<std::uint8_t>& input,
                             const std::vector<WordTime>& times) {
    JobOutcome outcome;
    const std::vector<ListingLine> lines = listing_lines(input);
    add_faults(outcome, options.input, lint_listing(lines), times);
    const std::string name =
        options.output.empty() ? derived_target_name(options.input, ".bas") : options.output;
    outcome.outputs.push_back({name, join_listing(lines, options.line_end)});
    outcome.notes.push_back(options.input + ": a BASIC listing of " + std::to_string(lines.size()) +
                            " lines");
    return outcome;
}

ReadResult read_tape_program(ProgramFormat format, const ProgramOptions& options,
                             const std::vector<std::uint8_t>& input) {
    switch (format) {
    case ProgramFormat::Text65v:
        return read_65v_tape(input);
    case ProgramFormat::MosRecords:
        return read_mos_records(input);
    case ProgramFormat::IntelHex:
        return read_intel_hex(input);
    case ProgramFormat::Srec:
        return read_srec(input);
    case ProgramFormat::Cc65:
        return read_cc65(input, options.load_address.value_or(cc65_start_address));
    default:
        break;
    }
    return read_binary(input, options.load_address.value_or(0));
}

} // namespace

JobOutcome from_tape(const ProgramOptions& options, const std::vector<std::uint8_t>& input,
                     const std::vector<WordTime>& times) {
    const ProgramFormat format =
        options.from == ProgramFormat::Guess ? format_by_content(input) : options.from;
    if (format == ProgramFormat::Guess)
        return refusal(options.input + ": found other data where a BASIC listing, a 65V load "
                                       "text or checksum records were expected");
    if (format == ProgramFormat::Binary && !options.load_address)
        return refusal(options.input + ": raw bytes need their load address: give --address");
    if (format == ProgramFormat::Listing)
        return listing_from_tape(options, input, times);
    JobOutcome outcome;
    ReadResult read = read_tape_program(format, options, input);
    add_faults(outcome, options.input, read.problems, times);
    if (options.run_address)
        read.image.run_address = options.run_address;
    if (read.image.stretches.empty()) {
        outcome.status = program_refused;
        outcome.faults.push_back(options.input + ": found no bytes that could be read");
        return outcome;
    }
    const char* content = format == ProgramFormat::Text65v      ? "a 65V load text"
                          : format == ProgramFormat::MosRecords ? "checksum records"
                                                                : "a program";
    outcome.notes.push_back(options.input + ": " + content + ", " + image_summary(read.image));
    write_image(options, read.image, outcome);
    return outcome;
}
