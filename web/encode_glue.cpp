// The page's encoder: qirvex's own option parser and encode loop, run on bytes handed over by the
// worker, the WAV file handed back in pieces as it is written. The options are given as the
// command-line arguments qirvex would get, so that defaults and the order effects between options
// (-B after -P, -Q) are exactly qirvex's, and so are the bytes.
//
// Neither file touches a file system: the input is a read-only stream over the worker's buffer,
// the target a stream that passes its bytes on at once. Only the 44-byte header stays here, since
// the encoder comes back to patch its sizes at the end; everything after it is written once, in
// order, so a recording of any length costs the same small memory here.
#include "cli/diagnostics.h"
#include "cli/options.h"
#include "encoder/encode_stream.h"
#include "wav/wav_header.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdio.h>
#include <string>
#include <sys/types.h>
#include <vector>

// Hands one piece of the WAV data (after the header) to the worker, which keeps it.
EM_JS(void, deliver_wav_piece, (const std::uint8_t* bytes, std::size_t count),
      { Module.onWavPiece(HEAPU8.slice(bytes, bytes + count)); });

// Tells the worker how far through the input the encoder has read.
EM_JS(void, report_encode_progress, (double done_bytes, double total_bytes),
      { Module.onEncodeProgress(done_bytes, total_bytes); });

namespace {

// Pieces of about this size go to the worker: few enough messages for a long recording, small
// enough that the progress bar moves smoothly.
constexpr std::size_t piece_bytes = 1 << 20;

struct InputCookie {
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;     // bytes in all
    std::size_t position = 0; // the next byte read
};

struct TargetCookie {
    std::array<std::uint8_t, wav_header_bytes> header{}; // kept for the final size patch
    std::vector<std::uint8_t> piece;                     // data not yet delivered
    std::uint64_t delivered_bytes = wav_header_bytes;    // file offset where `piece` begins
    std::uint64_t position = 0;                          // the stream's file offset
    const InputCookie* input = nullptr;                  // for the progress report
};

// The whole run's messages, as qirvex would print them on its console.
std::string messages;
std::array<std::uint8_t, wav_header_bytes> finished_header{};

ssize_t read_input(void* cookie, char* buffer, std::size_t count) {
    auto& input = *static_cast<InputCookie*>(cookie);
    const std::size_t taken = std::min(count, input.size - input.position);
    std::memcpy(buffer, input.bytes + input.position, taken);
    input.position += taken;
    return static_cast<ssize_t>(taken);
}

void deliver_piece(TargetCookie& target) {
    if (target.piece.empty())
        return;
    deliver_wav_piece(target.piece.data(), target.piece.size());
    target.delivered_bytes += target.piece.size();
    target.piece.clear();
    report_encode_progress(static_cast<double>(target.input->position),
                           static_cast<double>(target.input->size));
}

// Writes land in the header while they fall inside it and otherwise extend the data: the encoder
// never goes back into its samples, and a write that tried would be refused.
ssize_t write_target(void* cookie, const char* buffer, std::size_t count) {
    auto& target = *static_cast<TargetCookie*>(cookie);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    for (; done < count && target.position < wav_header_bytes; ++done, ++target.position)
        target.header[static_cast<std::size_t>(target.position)] = bytes[done];
    if (done == count)
        return static_cast<ssize_t>(count);
    if (target.position != target.delivered_bytes + target.piece.size())
        return 0;
    target.piece.insert(target.piece.end(), bytes + done, bytes + count);
    target.position += count - done;
    if (target.piece.size() >= piece_bytes)
        deliver_piece(target);
    return static_cast<ssize_t>(count);
}

int seek_target(void* cookie, off_t* offset, int whence) {
    auto& target = *static_cast<TargetCookie*>(cookie);
    const std::uint64_t end = target.delivered_bytes + target.piece.size();
    const std::int64_t base = whence == SEEK_SET   ? 0
                              : whence == SEEK_CUR ? static_cast<std::int64_t>(target.position)
                                                   : static_cast<std::int64_t>(end);
    const std::int64_t wanted = base + *offset;
    if (wanted < 0)
        return -1;
    target.position = static_cast<std::uint64_t>(wanted);
    *offset = static_cast<off_t>(wanted);
    return 0;
}

int close_target(void* cookie) {
    auto& target = *static_cast<TargetCookie*>(cookie);
    deliver_piece(target);
    finished_header = target.header;
    return 0;
}

// The argument lines, one per line, as an argument vector after the program's name and before
// the two file names: qirvex reads options only up to its first file argument.
std::vector<std::string> argument_vector(const char* argument_lines) {
    std::vector<std::string> arguments{"qirvex"};
    std::string line;
    for (const char* c = argument_lines; *c != '\0'; ++c) {
        if (*c != '\n') {
            line += *c;
            continue;
        }
        arguments.push_back(line);
        line.clear();
    }
    if (!line.empty())
        arguments.push_back(line);
    arguments.push_back("input");
    arguments.push_back("target.wav");
    return arguments;
}

// Runs the encoder from the input cookie into a target that passes the WAV data on, with the
// messages gathered into `messages`; returns the encoder's status.
int encode_through_cookies(InputCookie& input_cookie) {
    char* message_text = nullptr;
    std::size_t message_size = 0;
    diagnostic_stream = open_memstream(&message_text, &message_size);
    TargetCookie target_cookie;
    target_cookie.input = &input_cookie;
    FILE* input_stream = fopencookie(&input_cookie, "rb", {read_input, nullptr, nullptr, nullptr});
    FILE* target_stream =
        fopencookie(&target_cookie, "w+b", {nullptr, write_target, seek_target, close_target});
    int status = encode_stream(input_stream, target_stream);
    std::fclose(input_stream);
    if (std::fclose(target_stream) != 0 && status == 1) {
        report_error("Error writing to target file\r\n");
        status = 0;
    }
    std::fclose(diagnostic_stream);
    diagnostic_stream = stderr;
    messages.assign(message_text, message_size);
    std::free(message_text);
    return status;
}

} // namespace

extern "C" {

// Encodes input_size bytes with the options in argument_lines (one qirvex argument per line,
// such as "-R1"). The WAV data after the header goes to Module.onWavPiece as it is written.
// Returns 1 when the WAV file was completed, 0 when the encoder reported a failure, -1 when the
// arguments were refused (qirvex would print its usage).
EMSCRIPTEN_KEEPALIVE int qx_encode(const char* argument_lines, const std::uint8_t* input,
                                   std::size_t input_size) {
    messages.clear();
    options = Options{};
    std::vector<std::string> arguments = argument_vector(argument_lines);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const auto files = parse_options(static_cast<int>(arguments.size()), argv.data());
    if (!files || files->count != 2 || options.append)
        return -1;

    InputCookie input_cookie{input, input_size, 0};
    return encode_through_cookies(input_cookie);
}

// The 44 header bytes of the last encode, sizes patched.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* qx_encoded_header() { return finished_header.data(); }

// The messages of the last encode, as qirvex prints them.
EMSCRIPTEN_KEEPALIVE const char* qx_encode_messages() { return messages.c_str(); }

} // extern "C"
