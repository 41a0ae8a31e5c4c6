// The byte rules of the encode loop, shared with the count that runs before it.
#include "encoder/tape_plan.h"

#include "base/platform.h"
#include "cli/options.h"
#include "encoder/serial_framing.h"
#include "encoder/tone_writer.h"

namespace {

// Every byte is sent as it is; a CR gets the end-of-line padding after its word.
ByteSound plain_byte_sound(int byte) {
    if (byte == ascii_cr && options.eol_padding_ms > 0)
        return ByteSound::WordThenPadding;
    return ByteSound::Word;
}

// OSI BASIC's line end: every CR becomes the whole end-of-line sequence, which brings its own
// NULs and LF, so the NULs and LFs that follow a CR in the input are dropped.
ByteSound basic_byte_sound(int byte, bool& after_cr) {
    if (byte == ascii_cr) {
        after_cr = true;
        return ByteSound::EndOfLine;
    }
    if (after_cr && (byte == ascii_nul || byte == ascii_lf))
        return ByteSound::Nothing;
    after_cr = false;
    return ByteSound::Word;
}

// The tone before and after the bytes, as the encode loop writes it.
std::uint64_t framing_samples() {
    std::int64_t samples = 0;
    if (options.leader_ms > 0)
        samples += tone_length_samples(options.leader_ms);
    if (options.basic_mode)
        samples += eol_sequence_length_samples();
    if (options.trailer_ms > 0)
        samples += tone_length_samples(options.trailer_ms);
    return static_cast<std::uint64_t>(samples);
}

} // namespace

ByteSound byte_sound(int byte, bool& after_cr) {
    return options.basic_mode ? basic_byte_sound(byte, after_cr) : plain_byte_sound(byte);
}

std::int64_t sound_length_samples(ByteSound sound) {
    switch (sound) {
    case ByteSound::Word:
        return word_length_samples();
    case ByteSound::WordThenPadding:
        return word_length_samples() + tone_length_samples(options.eol_padding_ms);
    case ByteSound::EndOfLine:
        return eol_sequence_length_samples();
    case ByteSound::Nothing:
        return 0;
    }
    return 0;
}

std::optional<std::uint64_t> planned_data_samples(std::FILE* input, std::uint64_t existing_samples,
                                                  std::uint64_t enough_samples) {
    if (!is_regular_file(input))
        return std::nullopt;
    std::uint64_t samples = existing_samples + framing_samples();
    bool after_cr = false;
    int byte = 0;
    while (samples <= enough_samples && (byte = read_byte(input)) != EOF)
        samples += static_cast<std::uint64_t>(sound_length_samples(byte_sound(byte, after_cr)));
    // A regular file goes back to its start whatever happened; rewind also clears the error,
    // which the encode loop then meets again and reports.
    const bool has_failed = std::ferror(input) != 0;
    std::rewind(input);
    if (has_failed)
        return std::nullopt;
    return samples;
}
