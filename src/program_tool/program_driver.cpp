#include "program_tool/program_driver.h"

#include "base/platform.h"
#include "base/target_file.h"
#include "program_tool/program_jobs.h"

#include <cerrno>
#include <cstring>
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

int run_job(const ProgramOptions& options, const ProgramConsole& console, std::FILE* input) {
    std::vector<std::uint8_t> bytes;
    if (!read_input(input, bytes)) {
        report(console, options.input + ": could not be read: " + std::strerror(errno));
        return program_refused;
    }
    const JobOutcome outcome =
        options.job == ProgramJob::ToTape ? to_tape(options, bytes) : from_tape(options, bytes);
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
