#include "program_tool/program_driver.h"

#include "base/platform.h"
#include "base/target_file.h"
#include "program_tool/program_jobs.h"
#include "programs/binary_image.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* program_name = "qirvex-program";
constexpr const char* version_text = "qirvex-program 1.0\n";
// A tape of faults would bury the first ones: print this many and count the rest.
constexpr std::size_t most_faults_printed = 50;

void report(const ProgramConsole& console, const std::string& text) {
    std::fprintf(console.messages, "%s: %s\n", program_name, text.c_str());
}

bool read_input(std::FILE* input, std::vector<std::uint8_t>& bytes) {
    std::uint8_t block[65536];
    std::size_t count = 0;
    while ((count = std::fread(block, 1, sizeof block, input)) > 0)
        bytes.insert(bytes.end(), block, block + count);
    return std::ferror(input) == 0;
}

// Every target is checked before any is written, so that a refusal leaves nothing behind.
bool may_write(const ProgramConsole& console, const JobOutcome& outcome, std::FILE* input,
               bool force_overwrite) {
    for (const OutputFile& output : outcome.outputs)
        switch (probe_target(output.name.c_str(), input, "rb", nullptr)) {
        case TargetState::IsInput:
            report(console, output.name + ": this is the input file; name another output file");
            return false;
        case TargetState::Exists:
            if (!force_overwrite) {
                report(console,
                       output.name + ": the output file exists; use --force to overwrite it");
                return false;
            }
            break;
        case TargetState::Missing:
            break;
        }
    return true;
}

bool write_output(const ProgramConsole& console, const OutputFile& output) {
    std::FILE* target = open_file(output.name.c_str(), "wb");
    if (target == nullptr) {
        report(console, output.name + ": cannot open for writing: " + std::strerror(errno));
        return false;
    }
    std::fwrite(output.bytes.data(), 1, output.bytes.size(), target);
    if (!close_target(target)) {
        report(console, output.name + ": could not write every byte: " + std::strerror(errno));
        return false;
    }
    return true;
}

void print_outcome(const ProgramConsole& console, const JobOutcome& outcome) {
    for (std::size_t i = 0; i < outcome.faults.size() && i < most_faults_printed; ++i)
        report(console, outcome.faults[i]);
    if (outcome.faults.size() > most_faults_printed)
        report(console, "and " + std::to_string(outcome.faults.size() - most_faults_printed) +
                            " more faults");
}

// A side file's bytes (a word record, a go file); false, reported, when it could not be read.
// A file that is not there is reported only when `is_required`.
bool read_side_file(const ProgramConsole& console, const std::string& name, bool is_required,
                    std::vector<std::uint8_t>& bytes, bool& is_there) {
    std::FILE* file = open_file(name.c_str(), "rb");
    is_there = file != nullptr;
    if (file == nullptr) {
        if (errno == ENOENT && !is_required)
            return true;
        report(console, name + ": cannot open for reading: " + std::strerror(errno));
        return false;
    }
    const bool is_read = read_input(file, bytes);
    std::fclose(file);
    if (!is_read)
        report(console, name + ": could not be read: " + std::strerror(errno));
    return is_read;
}

// The word record that --words names, checked against the tape it must describe.
bool read_times(const ProgramOptions& options, const ProgramConsole& console,
                const std::vector<std::uint8_t>& tape, std::vector<WordTime>& times) {
    if (options.words.empty())
        return true;
    std::vector<std::uint8_t> record;
    bool is_there = false;
    if (!read_side_file(console, options.words, true, record, is_there))
        return false;
    std::string problem;
    if (read_word_record(record, tape, options.input, times, problem))
        return true;
    report(console, options.words + ": " + problem);
    return false;
}

// The run address in the go file beside raw bytes named with their address, where there is one.
// A program of several stretches has one go file: only the file whose bytes hold the address
// takes it, since starting there after loading another stretch alone would run what is not yet
// loaded; the others say so.
bool read_go_file(ProgramOptions& options, const ProgramConsole& console,
                  const std::vector<std::uint8_t>& program, std::string& note) {
    const std::string name = go_file_to_read(options);
    std::vector<std::uint8_t> text;
    bool is_there = false;
    if (name.empty())
        return true;
    if (!read_side_file(console, name, false, text, is_there))
        return false;
    if (!is_there)
        return true;
    const std::optional<std::uint16_t> run_address = address_in_go_file(text);
    if (!run_address) {
        report(console, name + ": found " + std::to_string(text.size()) +
                            " bytes where four hex digits of a run address were expected");
        return false;
    }
    const std::uint32_t start = *address_in_name(options.input);
    const bool is_inside = *run_address >= start && *run_address - start < program.size();
    if (is_inside)
        options.run_address = run_address;
    note = name + ": run at " + hex_digits(*run_address, 4) +
           (is_inside ? "" : ", outside " + options.input + "; give --go to start there");
    return true;
}

int write_outcome(const ProgramOptions& options, const ProgramConsole& console, std::FILE* input,
                  const JobOutcome& outcome) {
    print_outcome(console, outcome);
    if (outcome.status == program_refused || outcome.outputs.empty())
        return outcome.status;
    if (!may_write(console, outcome, input, options.force_overwrite))
        return program_refused;
    for (const OutputFile& output : outcome.outputs)
        if (!write_output(console, output))
            return program_refused;
    for (const std::string& note : outcome.notes)
        std::fprintf(console.out, "%s\n", note.c_str());
    return outcome.status;
}

int run_job(ProgramOptions options, const ProgramConsole& console, std::FILE* input) {
    std::vector<std::uint8_t> bytes;
    if (!read_input(input, bytes)) {
        report(console, options.input + ": could not be read: " + std::strerror(errno));
        return program_refused;
    }
    if (options.job == ProgramJob::FromTape) {
        std::vector<WordTime> times;
        if (!read_times(options, console, bytes, times))
            return program_refused;
        return write_outcome(options, console, input, from_tape(options, bytes, times));
    }
    std::string go_note;
    if (!read_go_file(options, console, bytes, go_note))
        return program_refused;
    JobOutcome outcome = to_tape(options, bytes);
    if (!go_note.empty())
        outcome.notes.push_back(go_note);
    return write_outcome(options, console, input, outcome);
}

} // namespace

int run_program_tool(int argc, char* const* argv, const ProgramConsole& console) {
    ProgramOptions options;
    std::string problem;
    switch (parse_program_options(argc, argv, options, problem)) {
    case ParseOutcome::Help:
        std::fputs(program_usage(), console.out);
        return program_clean;
    case ParseOutcome::Version:
        std::fputs(version_text, console.out);
        return program_clean;
    case ParseOutcome::Error:
        std::fprintf(console.messages, "%s: %s\nTry '%s --help' for more information.\n",
                     program_name, problem.c_str(), program_name);
        return program_refused;
    case ParseOutcome::Run:
        break;
    }
    std::FILE* input = open_file(options.input.c_str(), "rb");
    if (input == nullptr) {
        report(console, options.input + ": cannot open for reading: " + std::strerror(errno));
        return program_refused;
    }
    const int status = run_job(options, console, input);
    std::fclose(input);
    return status;
}
