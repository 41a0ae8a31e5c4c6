// The read-push-write loop between an opened recording, the streaming core and the target.
#include "rescue/decode_loop.h"

#include "base/platform.h"
#include "rescue/interruption.h"
#include "rescue/word_repair.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

// Audio that is all there (a file, or a pipe that has fallen behind, holding more than a block)
// is read in blocks of a quarter of a second, and the output flushed once a block; audio that is
// still being played into a pipe, in blocks of a twentieth, flushed as soon as each is decoded,
// so that a block never waits long for audio and a byte never waits long for its reader. From
// a pipe, twentieths throughout cost 13 to 18 % more time than the file took.
constexpr std::int64_t full_blocks_per_second = 4;
constexpr std::int64_t live_blocks_per_second = 20;
// One block holds at most this many samples, however many channels a frame has.
constexpr std::int64_t block_samples_limit = 65536;
// A pipe that holds this many bytes or more has fallen behind: a quarter of a second of 16-bit
// stereo at 44100 Hz.
constexpr std::int64_t backlog_bytes = 44100 / 4 * 4;

std::int64_t frames_per(const AudioInput& audio, std::int64_t blocks_per_second) {
    return std::clamp<std::int64_t>(audio.info.samplerate / blocks_per_second, 1,
                                    block_samples_limit / audio.info.channels);
}

// True when the next block should be a short one: a pipe that has caught up with its writer.
bool is_live(const AudioInput& audio) {
    if (!audio.is_pipe)
        return false;
    const std::int64_t waiting = waiting_bytes(audio.stream);
    return waiting >= 0 && waiting < backlog_bytes;
}

long long start_sample(const DecodedWord& word) {
    return static_cast<long long>(std::floor(word.edge + 0.5));
}

// Where captures were merged, a report's time is that of the capture the word came from.
std::string reading_name(const DecodedWord& word) {
    return word.reading > 0 ? " of reading " + std::to_string(word.reading) : "";
}

void report_word(std::FILE* report, std::uint32_t rate_hz, const DecodedWord& word) {
    std::fprintf(report,
                 "suspect word at %.4f s (sample %lld)%s: %s%s%s, byte 0x%02X, confidence %d%s\n",
                 word.edge / rate_hz, start_sample(word), reading_name(word).c_str(),
                 word.is_framing_error ? "framing error" : "",
                 word.is_framing_error && word.is_parity_error ? " and " : "",
                 word.is_parity_error ? "parity error" : "", static_cast<unsigned>(word.byte),
                 word.confidence, word.is_faint ? ", read through a dropout" : "");
}

void report_loss(std::FILE* report, std::uint32_t rate_hz, const DecodedWord& word) {
    std::fprintf(report, "%d word(s) lost in a dropout before %.4f s (sample %lld)%s\n",
                 word.lost_before, word.edge / rate_hz, start_sample(word),
                 reading_name(word).c_str());
}

// The record's columns: where the byte is in the output, where its start bit is in the audio,
// the byte (0x41, as the report of suspect words writes it), the margin of its most doubtful
// bit (0 to 100), what befell it, and each bit's discriminator from the start bit on (-1 clean
// space to +1 clean mark: the bit as read and how sure).
constexpr const char* record_header =
    "offset\tseconds\tsample\tbyte\tconfidence\tflags\tbits\n";
// Where captures were merged, two more: the capture the byte came from (from 1, the one its
// seconds and sample count in), and whether another capture read the same byte there.
constexpr const char* merged_record_header =
    "offset\tseconds\tsample\tbyte\tconfidence\tflags\tbits\treading\tconfirmed\n";

std::string bit_list(const DecodedWord& word) {
    std::string bits;
    for (int k = 0; k < word.bit_count; ++k) {
        char value[16];
        std::snprintf(value, sizeof value, "%s%+.2f", k > 0 ? "," : "",
                      static_cast<double>(word.bit_d[static_cast<std::size_t>(k)]));
        bits += value;
    }
    return bits;
}

void record_word(std::FILE* record, std::uint32_t rate_hz, std::int64_t offset,
                 const DecodedWord& word) {
    std::string flags;
    for (const auto& [is_set, name] :
         {std::pair{word.is_framing_error, "framing"}, std::pair{word.is_parity_error, "parity"},
          std::pair{word.is_reread, "reread"}, std::pair{word.is_faint, "dropout"},
          std::pair{word.lost_before > 0, "after-dropout"}, std::pair{word.is_repaired, "repaired"}})
        if (is_set) {
            if (!flags.empty())
                flags += ',';
            flags += name;
        }
    std::fprintf(record, "%lld\t%.4f\t%lld\t0x%02X\t%d\t%s\t%s", static_cast<long long>(offset),
                 word.edge / rate_hz, start_sample(word), static_cast<unsigned>(word.byte),
                 word.confidence, flags.empty() ? "-" : flags.c_str(), bit_list(word).c_str());
    if (word.reading > 0)
        std::fprintf(record, "\t%d\t%s", word.reading, word.is_confirmed ? "yes" : "no");
    std::fputc('\n', record);
}

// The rate of the capture a word came from.
std::uint32_t rate_of(const DecodeWriter& writer, const DecodedWord& word) {
    const auto reading = static_cast<std::size_t>(word.reading);
    return reading > 0 && reading <= writer.reading_rates.size() ? writer.reading_rates[reading - 1]
                                                                 : writer.rate_hz;
}

void write_words(DecodeWriter& writer, std::vector<DecodedWord>& words) {
    if (writer.targets.is_repaired) {
        writer.held.insert(writer.held.end(), words.begin(), words.end());
        words.clear();
        return;
    }
    for (const DecodedWord& word : words) {
        const std::uint32_t rate_hz = rate_of(writer, word);
        if (writer.targets.target != nullptr)
            write_byte(word.byte, writer.targets.target);
        if (word.lost_before > 0 && writer.targets.report != nullptr)
            report_loss(writer.targets.report, rate_hz, word);
        if ((word.is_framing_error || word.is_parity_error) && writer.targets.report != nullptr)
            report_word(writer.targets.report, rate_hz, word);
        if (writer.targets.record != nullptr)
            record_word(writer.targets.record, rate_hz, writer.written, word);
        ++writer.written;
    }
    if (writer.targets.side != nullptr)
        take_side_words(*writer.targets.side, words);
    writer.has_pending = writer.has_pending || !words.empty();
    words.clear();
}

void flush_when_due(DecodeWriter& writer, std::int64_t frames_read, bool is_live) {
    if (!writer.has_pending || (!is_live && frames_read - writer.flushed_at < writer.flush_frames))
        return;
    if (writer.targets.target != nullptr)
        std::fflush(writer.targets.target);
    writer.flushed_at = frames_read;
    writer.has_pending = false;
}

} // namespace

void start_decode(DecodeSession& session, const RescueSettings& settings, std::uint32_t rate_hz,
                  int channels, const DecodeTargets& targets) {
    start_rescue(session.decoder, settings, rate_hz, channels);
    const std::int64_t flush_frames = std::max<std::int64_t>(rate_hz / full_blocks_per_second, 1);
    session.writer = DecodeWriter{targets, rate_hz, flush_frames, 0, false, 0, {}, 0, {}};
    session.words.clear();
    if (targets.record != nullptr)
        std::fputs(record_header, targets.record);
}

bool decode_block(DecodeSession& session, const std::int16_t* frames, std::int64_t count,
                  std::int64_t frames_read, bool is_live) {
    push_frames(session.decoder, frames, count, session.words);
    write_words(session.writer, session.words);
    flush_when_due(session.writer, frames_read, is_live);
    const DecodeTargets& targets = session.writer.targets;
    const bool is_side_written = targets.side == nullptr || targets.side->problem.empty();
    return is_side_written && (targets.target == nullptr || std::ferror(targets.target) == 0);
}

RescueResult end_decode(DecodeSession& session) {
    finish_rescue(session.decoder, session.words);
    DecodeWriter& writer = session.writer;
    write_words(writer, session.words);
    if (writer.targets.is_repaired) {
        writer.repaired = repair_words(writer.held, rescue_result(session.decoder).format.data_bits,
                                       writer.targets.report, writer.rate_hz);
        writer.targets.is_repaired = false;
        write_words(writer, writer.held);
    }
    if (writer.targets.target != nullptr)
        std::fflush(writer.targets.target);
    return rescue_result(session.decoder);
}

std::int64_t write_merged(const DecodeTargets& targets, int data_bits,
                          const std::vector<std::uint32_t>& rates_hz,
                          std::vector<DecodedWord>& words, bool& is_written) {
    const std::uint32_t first_rate_hz = rates_hz.empty() ? 0 : rates_hz.front();
    DecodeWriter writer{targets, first_rate_hz, 0, 0, false, 0, {}, 0, rates_hz};
    writer.targets.is_repaired = false;
    // Mending names each byte's time at the first capture's rate, as its sample is counted there
    // for bytes of that capture.
    const std::int64_t repaired =
        targets.is_repaired ? repair_words(words, data_bits, targets.report, first_rate_hz) : 0;
    if (targets.record != nullptr)
        std::fputs(merged_record_header, targets.record);
    write_words(writer, words);
    is_written = std::fflush(targets.target) == 0 && std::ferror(targets.target) == 0;
    return repaired;
}

DecodeOutcome decode_recording(AudioInput& audio, const RescueSettings& settings,
                               const DecodeTargets& targets, Progress& progress) {
    const auto rate_hz = static_cast<std::uint32_t>(audio.info.samplerate);
    DecodeSession session;
    start_decode(session, settings, rate_hz, audio.info.channels, targets);
    const std::int64_t full_frames = frames_per(audio, full_blocks_per_second);
    const std::int64_t live_frames = frames_per(audio, live_blocks_per_second);
    std::vector<std::int16_t> block(static_cast<std::size_t>(full_frames * audio.info.channels));
    DecodeOutcome outcome;
    for (;;) {
        const bool is_now_live = is_live(audio);
        const std::int64_t got =
            read_audio(audio, block.data(), is_now_live ? live_frames : full_frames);
        // A signal makes the input read as ended. libsndfile's block decoders then decode their
        // last block again, for the rest of the read and on to the header's length, so a read
        // that a signal ended is not all the recording's.
        const bool is_signalled = interruption_signal() != 0;
        if (got == 0 || (is_signalled && audio.is_block_coded))
            break;
        outcome.is_written =
            decode_block(session, block.data(), got, audio.frames_read, is_now_live);
        show_progress(progress, audio.frames_read);
        if (!outcome.is_written || is_signalled)
            break;
    }
    outcome.result = end_decode(session);
    outcome.repaired = session.writer.repaired;
    clear_progress(progress);
    outcome.signal = interruption_signal();
    if (outcome.signal == 0 && outcome.is_written)
        outcome.shortfall = audio_shortfall(audio);
    return outcome;
}
