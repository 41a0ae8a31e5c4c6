#include "rescue/rescue_driver.h"

#include "base/platform.h"
#include "base/target_file.h"
#include "rescue/rescue_options.h"
#include "rescue/wav_reader.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr const char* program_name = "qirvex-rescue";
constexpr const char* version_text = "qirvex-rescue 1.0\n";

void report_file(std::FILE* messages, const std::string& name, const std::string& text) {
    std::fprintf(messages, "%s: %s: %s\n", program_name, name.c_str(), text.c_str());
}

// Opens the target, refusing the input itself and, without --force, any existing file.
std::FILE* open_target(const std::string& name, std::FILE* input, bool force_overwrite,
                       std::FILE* messages) {
    switch (probe_target(name.c_str(), input, "rb", nullptr)) {
    case TargetState::IsInput:
        report_file(messages, name, "this is the input file; name another output file");
        return nullptr;
    case TargetState::Exists:
        if (!force_overwrite) {
            report_file(messages, name, "the output file exists; use --force to overwrite it");
            return nullptr;
        }
        break;
    case TargetState::Missing:
        break;
    }
    std::FILE* target = open_file(name.c_str(), "wb");
    if (target == nullptr)
        report_file(messages, name,
                    std::string("cannot open for writing: ") + std::strerror(errno));
    return target;
}

double decibels(double share) { return share > 0 ? 20 * std::log10(share) : -999.0; }

void report_verbose(std::FILE* messages, const RescueOptions& options, const WavFormat& format,
                    const RescueResult& result) {
    std::fprintf(messages,
                 "%s: %u Hz, %d-bit %s, %d channel(s), %lld frames; decoding channel %d at "
                 "%d baud\n",
                 program_name, format.rate_hz, format.bits,
                 format.encoding == SampleEncoding::Float ? "float" : "integer", format.channels,
                 static_cast<long long>(format.frame_count), result.channel, options.settings.baud);
    std::fprintf(messages, "%s: tape speed %.2f %% (%s)\n", program_name, result.speed * 100,
                 result.has_leader          ? "measured on the leader"
                 : result.is_speed_measured ? "measured on mark tone, no leader found"
                                            : "no mark tone found, nominal speed assumed");
    std::fprintf(messages, "%s: levels: mark %.1f dBFS, space %.1f dBFS\n", program_name,
                 decibels(result.mark_level), decibels(result.space_level));
    std::fprintf(messages,
                 "%s: %lld words, %lld suspect; %lld lock(s), %lld lost after bad words, %lld "
                 "timing jump(s)\n",
                 program_name, static_cast<long long>(result.bytes),
                 static_cast<long long>(result.suspect_words), static_cast<long long>(result.locks),
                 static_cast<long long>(result.lock_losses), static_cast<long long>(result.jumps));
}

void report_summary(std::FILE* messages, const std::string& target, const RescueResult& result) {
    std::fprintf(messages,
                 "%s: wrote %lld bytes to %s: %lld frames, %lld suspect, tape speed %.2f %%\n",
                 program_name, static_cast<long long>(result.bytes), target.c_str(),
                 static_cast<long long>(result.bytes), static_cast<long long>(result.suspect_words),
                 result.speed * 100);
}

// Checks the recording and the target, decodes, and reports.
int rescue_file(const RescueOptions& options, std::FILE* input, std::FILE* messages) {
    WavFormat format;
    std::string problem;
    if (!read_wav_format(input, format, problem)) {
        report_file(messages, options.input, problem);
        return rescue_failed;
    }
    if (options.settings.channel > format.channels) {
        report_file(messages, options.input,
                    "channel " + std::to_string(options.settings.channel) +
                        " was asked for, but the file has " + std::to_string(format.channels));
        return rescue_failed;
    }
    const std::string target_name =
        options.target.empty() ? derived_target_name(options.input, ".txt") : options.target;
    std::FILE* target = open_target(target_name, input, options.force_overwrite, messages);
    if (target == nullptr)
        return rescue_failed;
    RescueResult result;
    const bool is_read = rescue_stream(input, format, target, options.settings,
                                       options.is_report ? messages : nullptr, result);
    if (!close_target(target)) {
        report_file(messages, target_name, "writing failed; the output is incomplete");
        return rescue_failed;
    }
    if (!is_read) {
        report_file(messages, options.input,
                    "cannot seek back to the samples after choosing the channel");
        return rescue_failed;
    }
    if (options.is_verbose)
        report_verbose(messages, options, format, result);
    if (result.is_read_short)
        report_file(messages, options.input,
                    "the recording ends before its data chunk does; decoded "
                    "what is there");
    if (result.bytes == 0)
        report_file(messages, options.input,
                    "no words found; check --baud, --channel and the framing");
    report_summary(messages, target_name, result);
    const bool is_clean = result.bytes > 0 && result.suspect_words == 0 && !result.is_read_short;
    return is_clean ? rescue_clean : rescue_suspect;
}

} // namespace

int run_rescue(int argc, char* const* argv, const RescueConsole& console) {
    std::FILE* messages = console.messages;
    RescueOptions options;
    std::string problem;
    switch (parse_rescue_options(argc, argv, options, problem)) {
    case ParseOutcome::Help:
        std::fputs(rescue_usage(), console.out);
        return rescue_clean;
    case ParseOutcome::Version:
        std::fputs(version_text, console.out);
        return rescue_clean;
    case ParseOutcome::Error:
        std::fprintf(messages, "%s: %s\nTry '%s --help' for more information.\n", program_name,
                     problem.c_str(), program_name);
        return rescue_failed;
    case ParseOutcome::Run:
        break;
    }
    std::FILE* input = open_file(options.input.c_str(), "rb");
    if (input == nullptr) {
        report_file(messages, options.input,
                    std::string("cannot open for reading: ") + std::strerror(errno));
        return rescue_failed;
    }
    const int status = rescue_file(options, input, messages);
    std::fclose(input);
    return status;
}
