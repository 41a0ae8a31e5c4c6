// The sample loop against a plain frame-by-frame reference: for every sample width, mono and
// several channels and each channel selected, the same range, the same bytes written and the
// same decoder state, on KCS tone with clipped runs, silence and noise mixed in, read whole and
// cut short.
#include "decoder/kcs_decoder.h"
#include "decoder/sample_reader.h"
#include "decoder/swing_tracker.h"
#include "rescue/kcs_audio.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t rate_hz = 21600;

// A sample of a width from -1..1: unsigned 8-bit, or signed 16- and 32-bit, little-endian; 3
// bytes stand for the widths that read as 0.
void put_sample(std::string& bytes, double value, int width) {
    const double clamped = std::clamp(value, -1.0, 1.0);
    std::int64_t scaled = 0;
    switch (width) {
    case 1:
        scaled = std::clamp<std::int64_t>(std::lround(clamped * 128.0) + 128, 0, 255);
        break;
    case 2:
        scaled = std::clamp<std::int64_t>(std::lround(clamped * 32768.0), INT16_MIN, INT16_MAX);
        break;
    default:
        scaled =
            std::clamp<std::int64_t>(std::llround(clamped * 2147483648.0), INT32_MIN, INT32_MAX);
        break;
    }
    for (int k = 0; k < width; ++k)
        bytes += static_cast<char>((static_cast<std::uint64_t>(scaled) >> (8 * k)) & 0xFF);
}

// The value a width's sample reads as, frame by frame.
std::int32_t read_value(const std::string& bytes, std::size_t at, int width) {
    const auto byte = [&](int k) { return static_cast<std::uint8_t>(bytes[at + k]); };
    switch (width) {
    case 1:
        return byte(0) - 128;
    case 2:
        return static_cast<std::int16_t>(byte(0) | byte(1) << 8);
    case 4:
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(byte(0)) | byte(1) << 8 |
                                         byte(2) << 16 | static_cast<std::uint32_t>(byte(3)) << 24);
    default:
        return 0;
    }
}

// KCS tone with damage: a clipped stretch, a silent one, hiss, and a burst of noise at full
// scale; the other channels carry the tone inverted and halved, and noise.
std::vector<Signal> channels_of(int channels) {
    Signal tone = encode_kcs(basic_listing(6));
    std::mt19937 random(4242);
    std::uniform_real_distribution<double> burst(-1.0, 1.0);
    for (std::size_t n = 0; n < tone.size(); ++n) {
        const double scaled = tone[n] * (n % 50000 < 12000 ? 1.6 : 1.0);
        tone[n] = (n / 30000) % 5 == 3 && n % 30000 < 2000 ? 0.0 : scaled;
        if (n % 77777 < 300)
            tone[n] = burst(random);
    }
    std::vector<Signal> all{add_noise(tone, 30, 7)};
    for (int c = 1; c < channels; ++c) {
        Signal other(tone.size());
        for (std::size_t n = 0; n < tone.size(); ++n)
            other[n] = c == 1 ? -0.5 * tone[n] : burst(random) * 0.3;
        all.push_back(other);
    }
    return all;
}

std::string frames_of(const std::vector<Signal>& channels, int width) {
    std::string bytes;
    for (std::size_t n = 0; n < channels[0].size(); ++n)
        for (const Signal& channel : channels)
            put_sample(bytes, channel[n], width);
    return bytes;
}

// What a decode leaves that depends on the events it was given.
std::string decoder_state(const KcsDecoder& d, std::FILE* target) {
    return "bytes " + std::to_string(d.bytes_written) + " framing " +
           std::to_string(d.framing_errors) + " parity " + std::to_string(d.parity_errors) +
           " last " + std::to_string(d.last_event_sample) + " previous " +
           std::to_string(d.previous_event_sample) + " measured " +
           std::to_string(d.measure_count) + " run " + std::to_string(d.recent_lengths.count) +
           "/" + std::to_string(d.recent_lengths.sum) + "/" +
           std::to_string(d.recent_lengths.last) + " baud " + std::to_string(d.baud) +
           " frequency " + std::to_string(d.input_frequency) + " written " +
           stream_contents(target);
}

std::string range_of(const SampleRange& r) {
    return std::to_string(r.left_min) + ".." + std::to_string(r.left_max) + " " +
           std::to_string(r.right_min) + ".." + std::to_string(r.right_max);
}

// The reference loop: every frame read whole, both ranges widened, the selected channel's
// samples tracked one at a time.
std::string reference_decode(const std::string& bytes, const FrameLayout& layout) {
    std::FILE* target = std::tmpfile();
    KcsDecoder decoder(target);
    decoder.configure_rate(static_cast<std::int32_t>(rate_hz), 300);
    SwingTracker tracker = make_swing_tracker(static_cast<int>(layout.bytes_per_sample));
    SampleRange range;
    const auto width = static_cast<int>(layout.bytes_per_sample);
    const std::int64_t whole = std::min<std::int64_t>(
        layout.frame_count, static_cast<std::int64_t>(bytes.size()) / layout.bytes_per_frame);
    for (std::int64_t frame = 0; frame < whole; ++frame) {
        for (std::int32_t c = 0; c < layout.channels; ++c) {
            const auto at = static_cast<std::size_t>(frame * layout.bytes_per_frame + c * width);
            const std::int32_t value = read_value(bytes, at, width);
            std::int32_t& low = c == 0 ? range.left_min : range.right_min;
            std::int32_t& high = c == 0 ? range.left_max : range.right_max;
            if (c < 2) {
                low = std::min(low, value);
                high = std::max(high, value);
            }
            HalfPeriod event;
            if (c == layout.selected && track_sample(tracker, value, frame + 1, event))
                decoder.on_half_period(event.length, event.sample_index);
        }
    }
    const std::string state = range_of(range) + " " + decoder_state(decoder, target);
    std::fclose(target);
    return state;
}

std::string sample_loop_decode(const std::string& bytes, const FrameLayout& layout) {
    std::FILE* input = file_holding(bytes);
    std::FILE* target = std::tmpfile();
    KcsDecoder decoder(target);
    decoder.configure_rate(static_cast<std::int32_t>(rate_hz), 300);
    SampleRange range;
    {
        DiagnosticCapture quiet;
        range = read_samples(input, layout, decoder);
    }
    const std::string state = range_of(range) + " " + decoder_state(decoder, target);
    std::fclose(input);
    std::fclose(target);
    return state;
}

} // namespace

TEST(SampleReader, MatchesFrameByFrameReference) {
    for (const int width : {1, 2, 4, 3}) {
        for (const int channels : {1, 2, 3}) {
            const std::string bytes = frames_of(channels_of(channels), width);
            const auto frame_bytes = static_cast<std::int64_t>(width * channels);
            const auto frames = static_cast<std::int64_t>(bytes.size()) / frame_bytes;
            for (std::int32_t selected = -1; selected < channels; ++selected) {
                // A frame count beyond the data, with a partial frame at its end: a short read.
                for (const std::int64_t extra : {std::int64_t{0}, std::int64_t{1000}}) {
                    SCOPED_TRACE("width " + std::to_string(width) + ", " +
                                 std::to_string(channels) + " channel(s), channel " +
                                 std::to_string(selected) + ", " + std::to_string(extra) +
                                 " frames missing");
                    const FrameLayout layout{frame_bytes, width, channels, selected,
                                             frames + extra};
                    const std::string data =
                        extra == 0 ? bytes
                                   : bytes + std::string(static_cast<std::size_t>(width), '\0');
                    EXPECT_EQ(reference_decode(data, layout), sample_loop_decode(data, layout));
                }
            }
        }
    }
}
