// The encoding loop. A run goes front to back through its phases: header (or the append check),
// leader, BASIC's initial end-of-line sequence, one word per input byte, trailer, pad byte; only
// the final size patch moves back. Input is read a byte at a time from a buffered stream and
// output written in whole cells, so memory stays constant whatever the length.
#include "encoder/encode_stream.h"

#include "base/platform.h"
#include "cli/diagnostics.h"
#include "cli/options.h"
#include "encoder/serial_framing.h"
#include "encoder/tone_writer.h"
#include "wav/wav_header.h"

#include <algorithm>
#include <cassert>

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
    report_error("WAV data would exceed the 4 GB limit of the format\r\n");
    return false;
}

// Counts what a writer wrote; a result that is not positive means a write was refused.
bool count_written(EncodeRun& run, std::int64_t samples) {
    if (samples <= 0)
        return fail_write();
    run.sample_count += static_cast<std::uint64_t>(samples);
    return true;
}

bool begin_data(EncodeRun& run) {
    if (!options.append)
        return write_wav_header(run.target) || fail_write();
    std::uint32_t existing_data_size = 0;
    const int code = open_append_target(run.target, existing_data_size);
    if (code != append_accepted) {
        report_error("qirvex: Can't append to this file. %s", append_refusal_reason(code));
        return false;
    }
    run.sample_count = existing_data_size;
    return true;
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

// Every byte is sent as it is; a CR gets the end-of-line padding after its word. A CR whose word
// failed is a write error even if the padding after it could be written, so the padding is not
// tried.
bool encode_plain_byte(EncodeRun& run, int byte) {
    if (!put_word(run, byte))
        return false;
    if (byte != ascii_cr || options.eol_padding_ms <= 0)
        return true;
    return put_optional_tone(run, options.eol_padding_ms);
}

// OSI BASIC's line end: every CR becomes the whole end-of-line sequence, which brings its own
// NULs and LF, so the NULs and LFs that follow a CR in the input are dropped.
bool encode_basic_byte(EncodeRun& run, int byte) {
    if (byte == ascii_cr) {
        run.after_cr = true;
        return put_eol_sequence(run);
    }
    if (run.after_cr && (byte == ascii_nul || byte == ascii_lf))
        return true;
    run.after_cr = false;
    return put_word(run, byte);
}

// A read error ends the input as end of file does, but the run fails: a recording of half a
// file must not look complete.
bool encode_bytes(std::FILE* input, EncodeRun& run) {
    int byte = 0;
    while ((byte = read_byte(input)) != EOF) {
        const bool is_written =
            options.basic_mode ? encode_basic_byte(run, byte) : encode_plain_byte(run, byte);
        if (!is_written)
            return false;
    }
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
    const bool is_complete = begin_data(run) && put_leader(run) &&
                             (!options.basic_mode || put_eol_sequence(run)) &&
                             encode_bytes(input, run) && finish_data(run);
    return is_complete ? 1 : 0;
}
