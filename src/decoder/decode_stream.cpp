// The decode driver: accept the header, announce the file, set up one KcsDecoder, stream the
// samples through it and report what it found. Decoded bytes reach the target through the
// decoder; this file never writes there.
#include "decoder/decode_stream.h"

#include "base/platform.h"
#include "cli/diagnostics.h"
#include "cli/options.h"
#include "decoder/kcs_decoder.h"
#include "decoder/sample_reader.h"
#include "decoder/wav_acceptance.h"

#include <array>
#include <cassert>
#include <cinttypes>

namespace {

// The -X trace writes two bytes for every bit and a line for every byte; the diagnostic stream,
// standard error, is unbuffered, so during the sample loop it writes through a buffer this large.
constexpr std::size_t trace_buffer_bytes = 16 * 1024;

// The header's rate and the duration are printed as the unsigned values they are.
void print_progress(const WavHeader& header, std::int32_t channel) {
    const std::int64_t duration_s = std::int64_t{header.data_size} / header.bytes_per_sec;
    std::fprintf(diagnostic_stream,
                 "Decoding: %" PRIu32 " samples/sec, %d bits %d channel(s) ~%" PRId64 " seconds. ",
                 header.samples_per_sec, header.bits_per_sample, header.channels, duration_s);
    // Left unended: the next line on the diagnostic stream continues it.
    if (header.channels > 1 && channel <= header.channels)
        std::fprintf(diagnostic_stream, "Channel %d: ", channel < 2 ? 1 : channel);
}

// A rate the decoder has no timing for, or a channel that is not there, would decode nothing: it
// is refused with what was found and what to do, before the progress line.
std::int64_t refusal_of(const WavHeader& header, const FrameLayout& layout, std::int32_t channel) {
    if (header.samples_per_sec < static_cast<std::uint32_t>(lowest_decoded_rate_hz) ||
        header.samples_per_sec > static_cast<std::uint32_t>(highest_decoded_rate_hz)) {
        report_error("qirvex: The recording has %" PRIu32 " samples/sec; qirvex decodes %d to %d. "
                     "qirvex-rescue reads any rate.\n",
                     header.samples_per_sec, lowest_decoded_rate_hz, highest_decoded_rate_hz);
        return refused_rate;
    }
    if (layout.selected >= 0)
        return 0;
    if (layout.channels == 1)
        report_error("qirvex: -C%d asks for channel %d, but the recording has 1 channel. "
                     "Leave out -C.\n",
                     channel, channel);
    else
        report_error("qirvex: -C%d asks for channel %d, but the recording has %d channels. "
                     "Use -C1 to -C%d.\n",
                     channel, channel, layout.channels, layout.channels);
    return refused_channel;
}

// The rate has been checked against the decoder's range, so configuring it cannot fail.
void configure_decoder(KcsDecoder& decoder, const WavHeader& header, std::int32_t fast_rate) {
    const std::int32_t nominal_baud = fast_rate != 0 ? 600 : 300;
    [[maybe_unused]] const bool is_configured =
        decoder.configure_rate(static_cast<std::int32_t>(header.samples_per_sec), nominal_baud);
    assert(is_configured);
    const std::int32_t parity = options.even_parity ? 1 : (options.odd_parity ? 2 : 0);
    decoder.configure_frame(options.seven_data_bits ? 7 : 8, options.one_stop_bit ? 1 : 2, parity);
}

// "%ud" prints the channel count followed by the letter d.
void print_malformed(const FrameLayout& layout) {
    std::printf("Error malformed wav: %ld x %ud <> %ld\n",
                static_cast<long>(layout.bytes_per_sample), static_cast<unsigned>(layout.channels),
                static_cast<long>(layout.bytes_per_frame));
}

void print_summary(const KcsDecoder& decoder) {
    if (decoder.bytes_written <= 0)
        return;
    std::fprintf(diagnostic_stream, "\r\nInput frequency: %02.2fHz @ %d bps; Wrote %d bytes",
                 decoder.input_frequency, decoder.baud, decoder.bytes_written);
    if (decoder.framing_errors > 0)
        std::fprintf(diagnostic_stream, " %d framing error(s)", decoder.framing_errors);
    if (decoder.parity_errors > 0)
        std::fprintf(diagnostic_stream, " %d parity error(s)", decoder.parity_errors);
    std::fprintf(diagnostic_stream, "\r\n");
}

void print_sample_range(const SampleRange& range, std::int32_t channels) {
    if (channels == 1) {
        std::fprintf(diagnostic_stream, "Sample Range: %d to %d \r\n", range.left_min,
                     range.left_max);
        return;
    }
    std::fprintf(diagnostic_stream, "Sample Range:L= %d to %d R= %d to %d \r\n", range.left_min,
                 range.left_max, range.right_min, range.right_max);
    if (channels > 2)
        std::fprintf(diagnostic_stream, "Additional %d channels ignored\r\n", channels - 2);
}

// Nothing but the diagnostic stream is written to the console during the loop, and its buffer is
// emptied before the summary, so all console text keeps its order.
SampleRange read_traced_samples(std::FILE* input, const FrameLayout& layout, KcsDecoder& decoder) {
    std::array<char, trace_buffer_bytes> trace_buffer;
    use_stream_buffer(diagnostic_stream, trace_buffer.data(), trace_buffer.size());
    const SampleRange range = read_samples(input, layout, decoder);
    use_no_stream_buffer(diagnostic_stream);
    return range;
}

} // namespace

std::int64_t decode_stream(std::FILE* input, std::FILE* target, std::int32_t channel,
                           std::int32_t fast_rate) {
    WavHeader header{};
    if (const int code = accept_wav_header(input, header); code < 0)
        return code;
    const FrameLayout layout = frame_layout(header, channel);
    if (const std::int64_t refusal = refusal_of(header, layout, channel); refusal < 0)
        return refusal;
    print_progress(header, channel);
    KcsDecoder decoder(target);
    configure_decoder(decoder, header, fast_rate);
    if (!has_whole_samples(layout)) {
        print_malformed(layout);
        return header.data_size;
    }
    const SampleRange range = options.diagnostics ? read_traced_samples(input, layout, decoder)
                                                  : read_samples(input, layout, decoder);
    print_summary(decoder);
    print_sample_range(range, layout.channels);
    return header.data_size;
}
