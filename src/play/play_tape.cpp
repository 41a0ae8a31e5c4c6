// Opening or encoding the tape to play.
#include "play/play_tape.h"

#include "base/platform.h"
#include "cli/options.h"
#include "encoder/encode_stream.h"

#include <cctype>
#include <cerrno>
#include <cstring>

namespace {

// qirvex's own test for audio: a name ending in .wav, or a RIFF header.
bool looks_like_wav(const std::string& name, std::FILE* input) {
    std::string ending = name.size() >= 4 ? name.substr(name.size() - 4) : "";
    for (char& c : ending)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    char head[4] = {};
    const bool has_head = std::fread(head, 1, sizeof head, input) == sizeof head;
    std::rewind(input);
    return ending == ".wav" || (has_head && std::memcmp(head, "RIFF", 4) == 0);
}

// The settings that qirvex's -R1 and -B make, in the encoder's one options record.
void set_encoder_options(const PlayOptions& play) {
    options = Options{};
    options.fast_rate = play.baud == 600 ? 1 : 0;
    if (play.is_basic) {
        options.basic_mode = true;
        options.null_count = 10;
        options.eol_padding_ms = 20;
    }
}

// Encodes the input into a temporary WAV file, left open at its start in tape.stream. The file
// is a scratch file, not std::tmpfile(): on Windows that one is made in the root of the drive,
// where a user without administrator rights cannot write.
bool encode_tape(PlayTape& tape, std::FILE* input, const PlayOptions& play, std::string& problem) {
    set_encoder_options(play);
    tape.stream = open_scratch_file();
    if (tape.stream == nullptr) {
        problem = std::string("cannot make a temporary file for the tape: ") + std::strerror(errno);
        return false;
    }
    tape.is_encoded = true;
    if (encode_stream(input, tape.stream) != 1 || std::fflush(tape.stream) != 0) {
        problem = "the file could not be encoded as a tape";
        return false;
    }
    std::rewind(tape.stream);
    return true;
}

bool open_samples(PlayTape& tape, std::string& problem) {
    tape.info = SF_INFO{};
    tape.file = sf_open_fd(fileno(tape.stream), SFM_READ, &tape.info, SF_FALSE);
    if (tape.file == nullptr)
        problem = std::string("found no recording that libsndfile can read (\"") +
                  sf_strerror(nullptr) + "\"), where a WAV file was expected";
    return tape.file != nullptr;
}

} // namespace

bool open_tape(PlayTape& tape, const PlayOptions& options, std::string& problem) {
    tape = PlayTape{};
    std::FILE* input = open_file(options.input.c_str(), "rb");
    if (input == nullptr) {
        problem = std::string("cannot open for reading: ") + std::strerror(errno);
        return false;
    }
    // libsndfile 1.2.0 closes the descriptor of a file it cannot read, though told not to: it
    // gets a descriptor of its own, and the input stays readable for encoding. The probe's
    // stream is closed at once after a refusal, before anything could take its number.
    tape.stream = open_file(options.input.c_str(), "rb");
    if (tape.stream != nullptr && open_samples(tape, problem)) {
        std::fclose(input);
        return true;
    }
    if (tape.stream != nullptr)
        std::fclose(tape.stream);
    tape.stream = nullptr;
    const bool is_encoded = !looks_like_wav(options.input, input) &&
                            encode_tape(tape, input, options, problem) &&
                            open_samples(tape, problem);
    std::fclose(input);
    return is_encoded;
}

void close_tape(PlayTape& tape) {
    if (tape.file != nullptr)
        sf_close(tape.file);
    if (tape.stream != nullptr)
        std::fclose(tape.stream);
    tape = PlayTape{};
}
