// The encoding loop. A run goes front to back through its phases: header (or the append check),
// leader, BASIC's initial end-of-line sequence, one word per input byte, trailer, pad byte; only
// the final size patch moves back. Input is read a byte at a time from a buffered stream and
// output written in whole cells, so memory stays constant whatever the length.
#include "encoder/encode_stream.h"

#include "base/platform.h"
#include "base/stop_signals.h"
#include "cli/diagnostics.h"
#include "cli/options.h"
#include "encoder/serial_framing.h"
#include "encoder/tape_plan.h"
#include "encoder/tone_writer.h"
#include "wav/wav_header.h"

#include <algorithm>
#include <cassert>
#include <cinttypes>
#include <optional>

namespace {

struct EncodeRun {
    std::FILE* target = nullptr;
    std::uint64_t sample_count = 0; // sample bytes in the data chunk, old ones included; no pad
    bool after_cr = false;          // BASIC: the last byte that produced output was a CR
};

bool fail_write() {
    report_error("Error writing to target file\r\n");
    return false;
}

// The size fields are 32-bit, so nothing is written that would leave no room for the pad byte
// within max_data_size_bytes. The lengths are checked before writing, so a file stopped here
// holds only whole words and runs of tone.
bool has_room_for(const EncodeRun& run, std::int64_t samples) {
    if (run.sample_count + static_cast<std::uint64_t>(samples) + 1 <= max_data_size_bytes)
        return true;
    report_error("qirvex: WAV data would exceed the 4 GB limit of the format\r\n");
    return false;
}

// Counts what a writer wrote; a result that is not positive means a write was refused.
bool count_written(EncodeRun& run, std::int64_t samples) {
    if (samples <= 0)
        return fail_write();
    run.sample_count += static_cast<std::uint64_t>(samples);
    return true;
}

// Whenever the input can be read twice, a tape too long for the format is refused before its
// first byte is written, rather than stopped at the limit as a broken file.
bool has_room_for_input(std::FILE* input, const EncodeRun& run) {
    const std::optional<std::uint64_t> planned =
        planned_data_samples(input, run.sample_count, max_data_size_bytes);
    if (!planned || *planned + 1 <= max_data_size_bytes)
        return true;
    report_error("qirvex: The input is too long for one WAV file: its tape needs more than the "
                 "%" PRIu32 " bytes of data that the format holds. Encode it in parts.\n",
                 max_data_size_bytes);
    return false;
}

// An append adopts the rate and length of the tape it extends, so its room is counted after the
// check; a new tape is counted before its header is written.
bool begin_data(std::FILE* input, EncodeRun& run) {
    if (!options.append)
        return has_room_for_input(input, run) && (write_wav_header(run.target) || fail_write());
    std::uint32_t existing_data_size = 0;
    const int code = open_append_target(run.target, existing_data_size);
    if (code != append_accepted) {
        report_error("qirvex: Can't append to this file. %s", append_refusal_reason(code));
        return false;
    }
    run.sample_count = existing_data_size;
    return has_room_for_input(input, run);
}

bool put_leader(EncodeRun& run) {
    if (options.leader_ms <= 0)
        return true;
    return has_room_for(run, tone_length_samples(options.leader_ms)) &&
           count_written(run, write_tone_ms(options.leader_ms, run.target));
}

// The trailer and the padding after a CR may be refused without failing the run; a refused run
// of tone is not counted.
bool put_optional_tone(EncodeRun& run, std::int32_t ms) {
    if (!has_room_for(run, tone_length_samples(ms)))
        return false;
    run.sample_count +=
        static_cast<std::uint64_t>(std::max<std::int64_t>(write_tone_ms(ms, run.target), 0));
    return true;
}

bool put_word(EncodeRun& run, int byte) {
    return has_room_for(run, word_length_samples()) &&
           count_written(run, write_word(byte, run.target));
}

bool put_eol_sequence(EncodeRun& run) {
    return has_room_for(run, eol_sequence_length_samples()) &&
           count_written(run, write_eol_sequence(run.target));
}

bool encode_byte(EncodeRun& run, int byte) {
    switch (byte_sound(byte, run.after_cr)) {
    case ByteSound::Word:
        return put_word(run, byte);
    case ByteSound::WordThenPadding:
        // The padding is not tried after a CR whose word failed: that is a write error even if
        // the padding could be written.
        return put_word(run, byte) && put_optional_tone(run, options.eol_padding_ms);
    case ByteSound::EndOfLine:
        return put_eol_sequence(run);
    case ByteSound::Nothing:
        return true;
    }
    return true;
}

bool is_stopped() {
    if (stop_signal() == 0)
        return false;
    report_error("qirvex: Stopped by %s.\n", stop_signal_name(stop_signal()));
    return true;
}

// A read error ends the input as end of file does, but the run fails: a recording of half a
// file must not look complete. So does Ctrl-C, looked for at every byte and at the end, where
// it cuts short a read that waits on a pipe.
bool encode_bytes(std::FILE* input, EncodeRun& run) {
    int byte = 0;
    while ((byte = read_byte(input)) != EOF) {
        if (is_stopped() || !encode_byte(run, byte))
            return false;
    }
    if (is_stopped())
        return false;
    if (std::ferror(input)) {
        report_error("Error reading input file\r\n");
        return false;
    }
    return true;
}

// The trailer, then one pad byte of 0 after the last cell (a sample of the data chunk, kept
// when a later run appends), then the sizes.
bool finish_data(EncodeRun& run) {
    if (options.trailer_ms > 0 && !put_optional_tone(run, options.trailer_ms))
        return false;
    // A stop during a long trailer still stops the run.
    if (is_stopped())
        return false;
    if (!has_room_for(run, 0))
        return false;
#ifndef NDEBUG
    // The running count matches what went into a regular file, unless a refused write of the
    // trailer or of a padding left uncounted cells behind (those set the error flag).
    const long position = std::ftell(run.target);
    assert(!is_regular_file(run.target) || position < 0 || std::ferror(run.target) ||
           static_cast<std::uint64_t>(position) == wav_header_bytes + run.sample_count);
#endif
    std::fputc(0, run.target);
    patch_wav_sizes(run.target, static_cast<std::uint32_t>(run.sample_count));
    return true;
}

} // namespace

int encode_stream(std::FILE* input, std::FILE* target) {
    EncodeRun run;
    run.target = target;
    const bool is_complete = begin_data(input, run) && put_leader(run) &&
                             (!options.basic_mode || put_eol_sequence(run)) &&
                             encode_bytes(input, run) && finish_data(run);
    return is_complete ? 1 : 0;
}
