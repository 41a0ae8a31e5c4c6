// File setup and dispatch. The input decides the job: a name ending in ".wav", or a file larger
// than 32 bytes that begins with "RIFF", is decoded; anything else is encoded into a WAV file.
#include "cli/file_setup.h"

#include "base/platform.h"
#include "base/stop_signals.h"
#include "base/target_file.h"
#include "cli/diagnostics.h"
#include "decoder/decode_stream.h"
#include "encoder/encode_stream.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace {

// The extension test and the derived target name look at this much of the input name.
constexpr std::size_t name_copy_chars = 8191;
// An input this large or smaller is never read for its "RIFF" tag.
constexpr std::int64_t smallest_tagged_size = 32;

bool equals_ignoring_ascii_case(const char* text, const char* lower) {
    for (; *lower != '\0'; ++text, ++lower) {
        const char c =
            (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *lower)
            return false;
    }
    return *text == '\0';
}

// The extension test never examines the first character, so ".wav" alone is not audio.
bool has_wav_extension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && dot > 0 &&
           equals_ignoring_ascii_case(name.c_str() + dot, ".wav");
}

// The content test: read 16 bytes of a large enough input, then rewind whatever they held.
bool begins_with_riff(std::FILE* input) {
    bool is_riff = false;
    if (file_size(input) > smallest_tagged_size) {
        char head[16];
        is_riff = std::fread(head, 1, sizeof head, input) == sizeof head &&
                  std::memcmp(head, "RIFF", 4) == 0;
    }
    std::fseek(input, 0, SEEK_SET);
    return is_riff;
}

// Both files get a stdio buffer this large, as cp and head use: the encoder reads its input a
// byte at a time and writes its target a cell at a time, and the disk takes few large writes
// faster than many small ones.
constexpr std::size_t stream_buffer_bytes = 128 * 1024;

// The driver's messages name a file, whose name may be as long as the file system allows, so
// they are written whole rather than through report_error's bounded buffer.
void report_file_message(const char* format, const char* name) {
    std::fprintf(diagnostic_stream, format, name);
}

struct OpenFiles {
    std::FILE* input = nullptr;
    std::FILE* target = nullptr;
    // What the target was before this run: no file at all, when the run created it; a file that
    // the run appends to, which was this many bytes long; else a file that it emptied (-F).
    bool is_new = false;
    std::int64_t appended_from_bytes = -1;
    // The streams' buffers, which outlive the streams: both are closed before run_files returns.
    std::unique_ptr<char[]> input_buffer;
    std::unique_ptr<char[]> target_buffer;
};

// Must come before the first read or write of the stream. The buffer is left uninitialised: only
// what a stream fills of it takes memory.
void give_buffer(std::FILE* stream, std::unique_ptr<char[]>& buffer) {
    buffer = std::make_unique_for_overwrite<char[]>(stream_buffer_bytes);
    std::setvbuf(stream, buffer.get(), _IOFBF, stream_buffer_bytes);
}

// Opens the target under the overwrite and append rules, after making sure that it is not the
// input itself (which "w+b" would empty before it is read). On refusal, reports it and returns
// false with no target open.
bool open_target(OpenFiles& files, const char* name, bool is_explicit) {
    switch (probe_target(name, files.input, "r+b", options.append ? &files.target : nullptr)) {
    case TargetState::IsInput:
        report_file_message("qirvex: Target file '%s' is the input file.\n", name);
        return false;
    case TargetState::Exists:
        // An append goes on in the existing file; anything else replaces it, if allowed.
        if (options.append) {
            files.appended_from_bytes = file_size(files.target);
            return true;
        }
        if (!options.force_overwrite) {
            report_file_message("qirvex: Target file '%s' exists. Use -f to force overwrite\n",
                                name);
            return false;
        }
        break;
    case TargetState::Missing:
        // A named target must be there for an append. A derived one is created for a decode,
        // which adds its text to the new file, but an encode has no tape to add to.
        if (options.append && (is_explicit || !options.decode_mode)) {
            report_file_message("qirvex: Target file '%s' can't be opened for append.\n", name);
            return false;
        }
        break;
    }
    files.is_new = !has_entry(name);
    files.target = open_file(name, "w+b");
    if (files.target == nullptr) {
        report_file_message("qirvex: Can't open '%s' for output.\n", name);
        return false;
    }
    return true;
}

struct JobResult {
    int status = 0;           // 1 when the job went through
    bool is_unusable = false; // what it left in the target is no use to anyone
};

// Runs the job. An encode that fails leaves a tape without its end or its sizes; a decode that
// refuses the recording's rate or channel has written nothing. Other refused headers keep the
// empty target they were given.
JobResult dispatch(const OpenFiles& files) {
    if (!options.decode_mode) {
        const int status = encode_stream(files.input, files.target);
        return {status, status != 1};
    }
    if (options.append)
        std::fseek(files.target, 0, SEEK_END);
    const std::int64_t code =
        decode_stream(files.input, files.target, options.channel, options.fast_rate);
    return {code >= 0 ? 1 : 0, code == refused_rate || code == refused_channel};
}

// Takes back what the run did to a target file. A file that the run created is removed, when its
// name is the file itself and not a link to it. Any other is cut back: a tape appended to, to its
// old length, whose header still holds the old sizes; a file that -F emptied, to nothing. A
// device or a pipe is only closed.
void undo_target(const OpenFiles& files, const char* name) {
    if (!is_regular_file(files.target)) {
        std::fclose(files.target);
        return;
    }
    // The position counts what the stream's buffer still holds, the size what reached the file.
    const std::int64_t written_to =
        std::max<std::int64_t>(std::ftell(files.target), file_size(files.target));
    if (files.is_new && names_open_file(name, files.target)) {
        std::fclose(files.target);
        if (!remove_file(name))
            report_file_message("qirvex: Can't remove the unfinished '%s'; it would not load.\n",
                                name);
        else if (written_to > 0)
            report_file_message("qirvex: Removed the unfinished '%s'.\n", name);
        return;
    }
    const bool is_append = files.appended_from_bytes >= 0;
    const std::int64_t kept_bytes = is_append ? files.appended_from_bytes : 0;
    if (!close_and_truncate(files.target, kept_bytes))
        report_file_message("qirvex: Can't cut back the unfinished '%s'; it would not load.\n",
                            name);
    else if (written_to > kept_bytes)
        report_file_message(is_append ? "qirvex: Took the unfinished addition off '%s'.\n"
                                      : "qirvex: Emptied the unfinished '%s'.\n",
                            name);
}

// An encode is complete only once its last bytes reach the file: a full disk may refuse them
// only when the stream's buffer is emptied.
bool has_reached_file(std::FILE* target) {
    return std::fflush(target) == 0 && std::ferror(target) == 0;
}

// Closes the target. A job that went through still fails when buffered data cannot reach the
// file, or an earlier write was refused.
int finish_target(std::FILE* target, int status) {
    if (!close_target(target) && status == 1) {
        report_error("Error writing to target file\r\n");
        return 0;
    }
    return status;
}

} // namespace

int run_files(const FileArguments& arguments, char* const* argv) {
    const char* input_name = argv[arguments.first];
    const std::string name_copy = std::string(input_name).substr(0, name_copy_chars);
    if (has_wav_extension(name_copy))
        options.decode_mode = true;

    OpenFiles files;
    files.input = open_file(input_name, "rb");
    if (files.input == nullptr) {
        report_file_message("qirvex: Can't open '%s' for input.\n", input_name);
        return -1;
    }
    give_buffer(files.input, files.input_buffer);
    if (begins_with_riff(files.input))
        options.decode_mode = true;

    const bool is_explicit = arguments.count >= 2;
    const std::string target_name =
        is_explicit ? std::string(argv[arguments.first + 1])
                    : derived_target_name(name_copy, options.decode_mode ? ".txt" : ".wav");
    if (!open_target(files, target_name.c_str(), is_explicit)) {
        std::fclose(files.input);
        return is_explicit ? -1 : 0;
    }
    give_buffer(files.target, files.target_buffer);
    // An encode into a file stopped by Ctrl-C takes back its unfinished tape before the program
    // ends; into a device or a pipe there is nothing to take back.
    if (!options.decode_mode && is_regular_file(files.target))
        watch_stop_signals();
    JobResult result = dispatch(files);
    std::fclose(files.input);
    if (!options.decode_mode && result.status == 1 && !has_reached_file(files.target)) {
        report_error("Error writing to target file\r\n");
        result = {0, true};
    }
    if (!result.is_unusable)
        return finish_target(files.target, result.status);
    undo_target(files, target_name.c_str());
    end_by_stop_signal();
    return result.status;
}
