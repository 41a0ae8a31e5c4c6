// qirvex-rescue's driver: input, target guard, decode, messages and exit status.
#include "rescue/rescue_driver.h"

#include "base/platform.h"
#include "base/target_file.h"
#include "rescue/batch_run.h"
#include "rescue/capture_input.h"
#include "rescue/decode_loop.h"
#include "rescue/interruption.h"
#include "rescue/merged_decode.h"
#include "rescue/rescue_options.h"
#include "rescue/side_output.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr const char* program_name = "qirvex-rescue";
constexpr const char* version_text = "qirvex-rescue 1.1\n";
constexpr const char* standard_name = "-";

struct Job {
    const RescueOptions& options;
    const RescueConsole& console;
    std::string input_label;  // the input's name in messages
    std::string target_label; // the output's name in messages
};

// A problem as a batch's summary names it: without the hints after its first "; ", and after
// the name of the file it concerns where that is not the recording.
std::string problem_in_brief(const Job& job, const std::string& name, const std::string& text) {
    const std::string brief = text.substr(0, text.find("; "));
    return name == job.input_label ? brief : name + ": " + brief;
}

void report_file(const Job& job, const std::string& name, const std::string& text) {
    std::fprintf(job.console.messages, "%s: %s: %s\n", program_name, name.c_str(), text.c_str());
    if (job.console.tally != nullptr && job.console.tally->problem.empty())
        job.console.tally->problem = problem_in_brief(job, name, text);
}

// A problem whose text names its file itself, as the side's writer words them.
void report_named(const Job& job, const std::string& text) {
    std::fprintf(job.console.messages, "%s: %s\n", program_name, text.c_str());
    if (job.console.tally != nullptr && job.console.tally->problem.empty())
        job.console.tally->problem = text.substr(0, text.find("; "));
}

// Checks a name the decode will write, before any file is created: never the input, and
// without --force never an existing file. An existing file that may be replaced is left open
// for reading in *existing when that is not null, to be told apart from the other output.
bool may_write(const Job& job, const std::string& name, std::FILE* input, std::FILE** existing) {
    std::FILE* kept = nullptr;
    switch (probe_target(name.c_str(), input, "rb", &kept)) {
    case TargetState::IsInput:
        report_file(job, name, "this is the input file; name another output file");
        return false;
    case TargetState::Exists:
        if (!job.options.force_overwrite) {
            std::fclose(kept);
            report_file(job, name, "the output file exists; use --force to overwrite it");
            return false;
        }
        break;
    case TargetState::Missing:
        break;
    }
    if (existing != nullptr)
        *existing = kept;
    else if (kept != nullptr)
        std::fclose(kept);
    return true;
}

// Refuses a record of every word that would go where the bytes go, under whatever name: `bytes`
// is the output as it stands, standard output or the target file.
bool is_record_apart(const Job& job, std::FILE* bytes) {
    const std::string& record = job.options.record;
    const bool is_same = record == standard_name ? is_same_file(job.console.out, bytes)
                                                 : probe_target(record.c_str(), bytes, "rb",
                                                                nullptr) == TargetState::IsInput;
    if (is_same)
        report_file(job, record == standard_name ? "standard output" : record,
                    "this is the output file; name another file for --report");
    return !is_same;
}

std::FILE* create_file(const Job& job, const std::string& name) {
    std::FILE* file = open_file(name.c_str(), "wb");
    if (file == nullptr)
        report_file(job, name, std::string("cannot open for writing: ") + std::strerror(errno));
    return file;
}

bool is_standard_output(const RescueOptions& options) {
    return options.target == standard_name ||
           (options.target.empty() && options.input == standard_name);
}

// Words that read every bit twice or four times were read at a rate that the line runs at a
// half or a quarter of: clean-looking words, and wrong bytes.
std::string repeated_bits_problem(const RescueResult& result) {
    const int line_baud = result.baud / result.repeat_factor;
    return "the words read at " + std::to_string(result.baud) + " baud repeat every bit " +
           std::to_string(result.repeat_factor) + " times: the recording runs at " +
           std::to_string(line_baud) + " baud, so the bytes are wrong; give -b " +
           std::to_string(line_baud) + " or leave out -b";
}

// Where most words fail the framing given, the line runs in another: wrong bytes, not damage.
bool is_framing_refused(const RescueResult& result) {
    return !result.is_framing_found && result.bytes > 0 && 2 * result.suspect_words > result.bytes;
}

std::string framing_problem(const RescueResult& result) {
    return std::to_string(result.suspect_words) + " of " + std::to_string(result.bytes) +
           " words fail the framing given, " + framing_name(result.format) +
           ": the recording is written in another; leave out --data-bits, --parity and "
           "--stop-bits to find it";
}

// A 7-bit line read with 8 data bits frames every word, its parity bit (or first stop bit) read
// as bit 7: clean-looking words, and wrong bytes.
std::string hidden_line_problem(const RescueResult& result) {
    const WordFormat& line = result.hidden_line;
    const std::string what = line.parity == Parity::None ? "is set"
                             : line.parity == Parity::Even ? "is the even parity of the rest"
                                                           : "is the odd parity of the rest";
    const char* parity = line.parity == Parity::None ? "none"
                         : line.parity == Parity::Even ? "even"
                                                       : "odd";
    return "every word's bit 7 " + what + ": the recording is " + framing_name(line) +
           ", read as " + framing_name(result.format) + ", so the bytes are wrong; give -d 7 -p " +
           parity + " -s " + std::to_string(line.stop_bits) + " or leave out the framing";
}

// What the messages say of the input, whether a file, a pipe or a sound card.
struct InputFacts {
    std::string format; // container and encoding, or the sound card's format
    int rate_hz = 0;    // frames per second
    int channels = 0;   // samples per frame
};

InputFacts facts_of(const AudioInput& audio) {
    return InputFacts{audio_format_name(audio), audio.info.samplerate, audio.info.channels};
}

double decibels(double share) { return share > 0 ? 20 * std::log10(share) : -999.0; }

void report_verbose(const Job& job, const InputFacts& input, const RescueResult& result) {
    std::FILE* messages = job.console.messages;
    std::fprintf(
        messages, "%s: %s, %d Hz, %d channel(s), %lld frames; decoding channel %d at %d baud%s\n",
        program_name, input.format.c_str(), input.rate_hz, input.channels,
        static_cast<long long>(result.frames_read), result.channel, result.baud,
        result.is_baud_found ? " (found)" : "");
    const double rate = input.rate_hz;
    if (result.calibrated_on == CalibrationSource::Leader)
        std::fprintf(messages, "%s: tape speed %.2f %% (measured on the leader, %.2f to %.2f s)\n",
                     program_name, result.speed * 100, result.leader_start / rate,
                     result.leader_end / rate);
    else if (result.calibrated_on == CalibrationSource::FramedWords)
        std::fprintf(messages,
                     "%s: tape speed %.2f %% (no leader found: measured on %lld framed words)\n",
                     program_name, result.speed * 100, static_cast<long long>(result.timed_words));
    else
        std::fprintf(messages, "%s: tape speed %.2f %% (%s)\n", program_name, result.speed * 100,
                     result.is_speed_measured ? "measured on mark tone, no leader found"
                                              : "no mark tone found, nominal speed assumed");
    std::fprintf(messages, "%s: levels: mark %.1f dBFS, space %.1f dBFS\n", program_name,
                 decibels(result.mark_level), decibels(result.space_level));
    std::fprintf(
        messages,
        "%s: %lld words, %lld suspect, %lld lost in dropouts; %lld lock(s), %lld lost after "
        "bad words, %lld timing jump(s)\n",
        program_name, static_cast<long long>(result.bytes),
        static_cast<long long>(result.suspect_words), static_cast<long long>(result.lost_words),
        static_cast<long long>(result.locks), static_cast<long long>(result.lock_losses),
        static_cast<long long>(result.jumps));
}

// What of the line was found from the audio rather than given.
const char* found_label(const RescueResult& result) {
    if (result.is_baud_found)
        return result.is_framing_found ? " (rate and framing found)" : " (rate found)";
    return result.is_framing_found ? " (framing found)" : "";
}

// Named only where the bits were read from the space tone alone: the mark tone was too weak, or
// out of step with the space tone, to be read beside it.
const char* reader_label(const RescueResult& result) {
    return result.reader == ToneReader::SpaceAlone ? ", space tone alone" : "";
}

void report_summary(const Job& job, const RescueResult& result, std::int64_t repaired) {
    // Words lost in dropouts and bytes repaired are named only where there were some.
    char lost[96] = "";
    if (result.lost_words > 0)
        std::snprintf(lost, sizeof lost, ", %lld lost in dropouts",
                      static_cast<long long>(result.lost_words));
    if (repaired > 0)
        std::snprintf(lost + std::strlen(lost), sizeof lost - std::strlen(lost), ", %lld repaired",
                      static_cast<long long>(repaired));
    std::fprintf(job.console.messages,
                 "%s: wrote %lld bytes to %s: %lld frames, %lld suspect%s, %d baud %s%s%s, tape "
                 "speed %.2f %%\n",
                 program_name, static_cast<long long>(result.bytes), job.target_label.c_str(),
                 static_cast<long long>(result.bytes), static_cast<long long>(result.suspect_words),
                 lost, result.baud, framing_name(result.format).c_str(), found_label(result),
                 reader_label(result), result.speed * 100);
}

// "10 programs, 9 clean, 1 damaged; 3 junk stretches (7 bytes)", and where they went.
void report_side_summary(const Job& job, const RescueResult& result, const SideWriter& side) {
    std::string text = std::to_string(side.programs) + " program(s), " +
                       std::to_string(side.programs - side.damaged) + " clean, " +
                       std::to_string(side.damaged) + " damaged; " + std::to_string(side.junk) +
                       " junk stretch(es) (" + std::to_string(side.junk_bytes) + " bytes)";
    if (side.repaired > 0)
        text += "; " + std::to_string(side.repaired) + " bytes repaired";
    if (!side.folder.empty())
        text += "; written to " + side.folder;
    std::fprintf(job.console.messages, "%s: %s; tape speed %.2f %%\n", program_name,
                 text.c_str(), result.speed * 100);
}

// The progress line is for a person watching a file decode on a terminal, not for pipes, and
// not where the listing itself is appearing.
Progress progress_for(const Job& job, const AudioInput& audio, std::FILE* target) {
    Progress progress;
    const bool is_watched = !job.options.is_quiet && is_terminal(job.console.messages) &&
                            !(target == job.console.out && is_terminal(target));
    if (is_watched && !audio.is_pipe && audio.info.frames > 0) {
        progress.stream = job.console.messages;
        progress.total_frames = audio.info.frames;
        progress.rate_hz = static_cast<std::uint32_t>(audio.info.samplerate);
    }
    if (job.console.tally != nullptr && !audio.is_pipe && audio.info.frames > 0) {
        progress.share = &job.console.tally->progress;
        progress.share->total_frames.store(audio.info.frames);
    }
    return progress;
}

// Whether the decode was clean: every word, or where the side's programs were written, every
// program (the junk between them says nothing of the programs).
bool is_clean_outcome(const DecodeOutcome& outcome, const SideWriter* side) {
    const RescueResult& result = outcome.result;
    const bool are_words_clean = side != nullptr
                                     ? side->programs > 0 && side->damaged == 0
                                     : result.bytes > 0 && result.suspect_words == 0 &&
                                           result.lost_words == 0 && outcome.repaired == 0;
    return are_words_clean && result.repeat_factor == 1 && !result.has_hidden_line &&
           !is_framing_refused(result) && outcome.shortfall.empty();
}

// Turns the outcome into messages and the exit status. `side`: the programs written, where the
// side was listed or split; null where the bytes were written.
int conclude(const Job& job, const InputFacts& input, const DecodeOutcome& outcome,
             const SideWriter* side) {
    const RescueResult& result = outcome.result;
    if (job.console.tally != nullptr) {
        job.console.tally->is_decoded = true;
        job.console.tally->result = result;
        job.console.tally->programs = side != nullptr ? side->programs : -1;
    }
    if (outcome.signal != 0) {
        char text[160];
        std::snprintf(
            text, sizeof text, "stopped by %s after %.1f s of audio; %s",
            signal_name(outcome.signal), static_cast<double>(result.frames_read) / input.rate_hz,
            is_output_gone(outcome.signal) ? "the output was closed, so the rest went nowhere"
                                           : "everything decoded until then is in the output");
        report_file(job, job.input_label, text);
    } else if (!outcome.is_written) {
        report_file(job, job.target_label, "writing failed; the output is incomplete");
        return rescue_failed;
    }
    if (job.options.is_verbose)
        report_verbose(job, input, result);
    if (!outcome.shortfall.empty())
        report_file(job, job.input_label, outcome.shortfall + "; decoded what is there");
    if (result.bytes == 0)
        report_file(job, job.input_label,
                    "no words found; check --baud, --channel and the framing");
    if (result.repeat_factor > 1)
        report_file(job, job.input_label, repeated_bits_problem(result));
    if (is_framing_refused(result))
        report_file(job, job.input_label, framing_problem(result));
    if (result.has_hidden_line)
        report_file(job, job.input_label, hidden_line_problem(result));
    if (!job.options.is_quiet && side != nullptr)
        report_side_summary(job, result, *side);
    else if (!job.options.is_quiet)
        report_summary(job, result, outcome.repaired);
    if (outcome.signal != 0)
        return rescue_signalled + outcome.signal;
    return is_clean_outcome(outcome, side) ? rescue_clean : rescue_suspect;
}

// True when everything written reached the output; a file is closed, standard output flushed.
bool finish_output(const Job& job, std::FILE* output) {
    if (output == nullptr)
        return true;
    if (output == job.console.out)
        return std::fflush(output) == 0 && std::ferror(output) == 0;
    return close_target(output);
}

// The files a decode writes, opened once every name has passed its checks.
struct Outputs {
    std::FILE* target = nullptr; // the bytes: standard output or the target file
    std::FILE* record = nullptr; // the record of every word; null: none was asked for
};

// Checks the names of the target and of the record before either file is created.
// `is_target_new`: the target is a file that does not exist yet.
bool check_outputs(const Job& job, std::FILE* input, bool& is_target_new) {
    const RescueOptions& options = job.options;
    const bool is_target_file = !is_standard_output(options);
    std::FILE* existing = nullptr; // the target file as it stands, if there is one
    if (is_target_file && !may_write(job, job.target_label, input, &existing))
        return false;
    is_target_new = is_target_file && existing == nullptr;
    std::FILE* bytes = is_target_file ? existing : job.console.out;
    const bool is_fine =
        options.record.empty() ||
        ((options.record == standard_name || may_write(job, options.record, input, nullptr)) &&
         (bytes == nullptr || is_record_apart(job, bytes)));
    if (existing != nullptr)
        std::fclose(existing);
    return is_fine;
}

// Opens the outputs once their names have passed. A record named as a target that did not
// exist yet shows whether it is the same file only once the target is there; a refusal then
// removes the target again, so that a refused run leaves no file to refuse the next run.
bool open_outputs(const Job& job, std::FILE* input, Outputs& outputs) {
    bool is_target_new = false;
    if (!check_outputs(job, input, is_target_new))
        return false;
    const RescueOptions& options = job.options;
    const bool is_target_file = !is_standard_output(options);
    outputs.target = is_target_file ? create_file(job, job.target_label) : job.console.out;
    if (outputs.target == nullptr)
        return false;
    const bool has_record = !options.record.empty();
    if (has_record && (!is_target_new || is_record_apart(job, outputs.target)))
        outputs.record =
            options.record == standard_name ? job.console.out : create_file(job, options.record);
    if (!has_record || outputs.record != nullptr)
        return true;
    if (is_target_file)
        std::fclose(outputs.target);
    if (is_target_new)
        std::remove(job.target_label.c_str());
    return false;
}

std::string target_label_of(const RescueOptions& options) {
    return is_standard_output(options) ? "standard output"
           : options.target.empty()    ? derived_target_name(options.input, ".txt")
                                       : options.target;
}

// Names the target and opens the outputs; false after reporting a refusal.
bool prepare_outputs(Job& job, std::FILE* input, Outputs& outputs) {
    const RescueOptions& options = job.options;
    job.target_label = target_label_of(options);
    if (options.record == standard_name && is_standard_output(options)) {
        report_file(job, options.record,
                    "the record of every word needs a file: standard output carries the bytes");
        return false;
    }
    return open_outputs(job, input, outputs);
}

// Closes the outputs after a decode and turns its outcome into messages and a status.
int end_job(const Job& job, const Outputs& outputs, const InputFacts& input,
            DecodeOutcome outcome) {
    const bool is_closed = finish_output(job, outputs.record) && finish_output(job, outputs.target);
    // A reader that went away already said so through its signal.
    outcome.is_written = outcome.is_written && (is_closed || outcome.signal != 0);
    return conclude(job, input, outcome, nullptr);
}

DecodeTargets targets_of(const Job& job, const Outputs& outputs) {
    return DecodeTargets{outputs.target, job.options.is_report ? job.console.messages : nullptr,
                         outputs.record, job.options.is_repair};
}

// Refuses outputs that would overwrite another capture to be merged, before any is created.
bool are_others_apart(const Job& job, std::vector<OtherInput>& others) {
    const RescueOptions& options = job.options;
    std::vector<std::string> outputs;
    if (!is_standard_output(options))
        outputs.push_back(target_label_of(options));
    if (!options.record.empty() && options.record != standard_name)
        outputs.push_back(options.record);
    for (const std::string& output : outputs) {
        if (!input_overwritten(output, others).empty()) {
            report_file(job, output, "this is an input file (--merge); name another output file");
            return false;
        }
    }
    return true;
}

// Opens the other captures and the outputs, and decodes and merges every capture into them.
int merge_to_target(Job& job, AudioInput& audio, std::FILE* input) {
    std::vector<OtherInput> others;
    std::string name;
    std::string problem;
    Outputs outputs;
    int status = rescue_failed;
    if (!open_other_inputs(job.options, audio, others, name, problem))
        report_file(job, name.empty() ? job.input_label : name, problem);
    else if (are_others_apart(job, others) && prepare_outputs(job, input, outputs)) {
        Progress progress = progress_for(job, audio, outputs.target);
        const MergedDecode merged = decode_merged(audio, job.input_label, others, job.options,
                                                  targets_of(job, outputs), progress);
        if (job.options.is_verbose)
            report_merge(job.console.messages, merged);
        status = end_job(job, outputs, facts_of(audio), merged.outcome);
    }
    close_other_inputs(others);
    return status;
}

// Opens the outputs and decodes the opened recording into them.
int decode_to_target(Job& job, AudioInput& audio, std::FILE* input) {
    if (!job.options.merged.empty() || job.options.is_merging_channels)
        return merge_to_target(job, audio, input);
    Outputs outputs;
    if (!prepare_outputs(job, input, outputs))
        return rescue_failed;
    Progress progress = progress_for(job, audio, outputs.target);
    const DecodeOutcome outcome =
        decode_recording(audio, job.options.settings, targets_of(job, outputs), progress);
    return end_job(job, outputs, facts_of(audio), outcome);
}

bool is_side(const RescueOptions& options) {
    return options.is_list || !options.split_folder.empty();
}

// Lists or splits the programs of the opened recording: the table on standard output, the files
// in the folder, each as the line falls quiet after its program.
int decode_side(Job& job, AudioInput& audio, std::FILE* input) {
    const RescueOptions& options = job.options;
    std::FILE* record = nullptr;
    if (!options.record.empty()) {
        if (options.record == standard_name && options.is_list) {
            report_file(job, options.record,
                        "the record of every word needs a file: standard output carries the list");
            return rescue_failed;
        }
        record = options.record == standard_name ? job.console.out
                 : may_write(job, options.record, input, nullptr)
                     ? create_file(job, options.record)
                     : nullptr;
        if (record == nullptr)
            return rescue_failed;
    }
    job.target_label = options.split_folder.empty() ? "standard output" : options.split_folder;
    SideWriter side;
    side.table = options.is_list ? job.console.out : nullptr;
    side.folder = options.split_folder;
    side.is_mended = options.is_repair;
    side.report = options.is_report ? job.console.messages : nullptr;
    const auto rate_hz = static_cast<std::uint32_t>(audio.info.samplerate);
    if (!open_side(side, rate_hz, options.force_overwrite)) {
        report_named(job, side.problem);
        return rescue_failed;
    }
    Progress progress = progress_for(job, audio, side.table);
    const DecodeTargets targets{nullptr, side.report, record, false, &side};
    DecodeOutcome outcome = decode_recording(audio, options.settings, targets, progress);
    const bool is_closed = close_side(side) && finish_output(job, record);
    if (!is_closed) {
        report_named(job, side.problem.empty() ? "writing the record failed" : side.problem);
        outcome.is_written = outcome.signal != 0;
    }
    return conclude(job, facts_of(audio), outcome, &side);
}

// Opens the sound card, says which one and how, and decodes what it hears until a signal.
int capture_to_target(Job& job, CaptureInput& capture) {
    job.input_label = capture.device.name;
    Outputs outputs;
    if (!prepare_outputs(job, nullptr, outputs))
        return rescue_failed;
    if (!job.options.is_quiet)
        std::fprintf(job.console.messages, "%s: %s\n", program_name,
                     capture_description(capture).c_str());
    const StreamFormat format = stream_format(*capture.stream);
    const InputFacts facts{"sound card", static_cast<int>(format.rate_hz), format.channels};
    const DecodeOutcome outcome =
        decode_capture(capture, job.options.settings, targets_of(job, outputs));
    return end_job(job, outputs, facts, outcome);
}

int run_capture(Job& job) {
    CaptureInput capture;
    std::string problem;
    int status = rescue_failed;
    if (!open_capture(capture, job.options.device, problem))
        report_file(job, "capture", problem);
    else if (job.options.settings.channel > stream_format(*capture.stream).channels)
        report_file(job, capture.device.name,
                    "channel " + std::to_string(job.options.settings.channel) +
                        " was asked for, but the device captures " +
                        std::to_string(stream_format(*capture.stream).channels));
    else
        status = capture_to_target(job, capture);
    close_capture(capture);
    return status;
}

// Checks the recording, then decodes it.
int rescue_input(Job& job, std::FILE* input) {
    AudioInput audio;
    std::string problem;
    if (!open_audio(audio, input, job.options.raw, problem)) {
        const int signal_number = interruption_signal();
        if (signal_number == 0) {
            report_file(job, job.input_label, problem);
            return rescue_failed;
        }
        report_file(job, job.input_label,
                    std::string("stopped by ") + signal_name(signal_number) +
                        " before the recording's header arrived; nothing was written");
        return rescue_signalled + signal_number;
    }
    const int channel = job.options.settings.channel;
    int status = rescue_failed;
    if (channel > audio.info.channels)
        report_file(job, job.input_label,
                    "channel " + std::to_string(channel) +
                        " was asked for, but the recording has " +
                        std::to_string(audio.info.channels));
    else if (is_side(job.options))
        status = decode_side(job, audio, input);
    else
        status = decode_to_target(job, audio, input);
    close_audio(audio);
    return status;
}

} // namespace

int run_rescue(int argc, char* const* argv, const RescueConsole& console) {
    RescueOptions options;
    std::string problem;
    switch (parse_rescue_options(argc, argv, options, problem)) {
    case ParseOutcome::Help:
        std::fputs(rescue_usage(), console.out);
        return rescue_clean;
    case ParseOutcome::Version:
        std::fputs(version_text, console.out);
        return rescue_clean;
    case ParseOutcome::ListDevices:
        if (list_capture_devices(console.out, problem))
            return rescue_clean;
        std::fprintf(console.messages, "%s: %s\n", program_name, problem.c_str());
        return rescue_failed;
    case ParseOutcome::Error:
        std::fprintf(console.messages, "%s: %s\nTry '%s --help' for more information.\n",
                     program_name, problem.c_str(), program_name);
        return rescue_failed;
    case ParseOutcome::Run:
        break;
    }
    if (options.is_batch)
        return run_batch(options, console);
    if (options.is_capture) {
        Job job{options, console, "capture", ""};
        if (console.is_interruptible)
            watch_for_interruption(nullptr);
        return run_capture(job);
    }
    return rescue_recording(options, console);
}

int rescue_recording(const RescueOptions& options, const RescueConsole& console) {
    const bool is_standard_input = options.input == standard_name;
    Job job{options, console, is_standard_input ? "standard input" : options.input, ""};
    std::FILE* input = is_standard_input ? console.in : open_file(options.input.c_str(), "rb");
    if (input == nullptr) {
        report_file(job, job.input_label,
                    std::string("cannot open for reading: ") + std::strerror(errno));
        return rescue_failed;
    }
    if (console.is_interruptible)
        watch_for_interruption(input);
    const int status = rescue_input(job, input);
    if (!is_standard_input)
        std::fclose(input);
    return status;
}
