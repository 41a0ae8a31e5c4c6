// The data chunk is read in blocks of whole frames, about 256 KB at a time, into one buffer, so
// memory stays constant however long the file. A block is larger than the input's stdio buffer,
// so the C library reads it straight into ours. A short read stops the loop exactly where reading
// frame by frame would stop: after the last whole frame, before the first incomplete one.
//
// The sample conversion is chosen once per file: one instantiation of the frame loop per width,
// for mono and for several channels.
#include "decoder/sample_reader.h"

#include "base/byte_order.h"
#include "cli/diagnostics.h"
#include "decoder/swing_block.h"
#include "decoder/swing_tracker.h"

#include <algorithm>
#include <type_traits>
#include <vector>

namespace {

constexpr std::int64_t block_target_bytes = 256 * 1024;

// Unsigned 8-bit with 128 as the zero line, or signed little-endian 16 and 32 bits; any other
// width reads as 0 (bytes_per_sample 0 stands for those).
template <int bytes_per_sample> std::int32_t sample_value(const std::uint8_t* bytes);

template <> std::int32_t sample_value<0>(const std::uint8_t*) { return 0; }

template <> std::int32_t sample_value<1>(const std::uint8_t* bytes) { return bytes[0] - 128; }

template <> std::int32_t sample_value<2>(const std::uint8_t* bytes) { return bytes_to_s16(bytes); }

template <> std::int32_t sample_value<4>(const std::uint8_t* bytes) { return bytes_to_s32(bytes); }

// A block is worked through in chunks of this many frames, one stage at a time, each in a loop of
// its own over small arrays that stay in the first-level cache: each channel that is needed is
// converted into values, the range and the tracker run over those, and the tracker's events go to
// the decoder. Samples of 1 and 2 bytes become 16-bit values, which the tracker follows on
// sixteen lanes at once (swing_block.h); 4-byte samples stay 32-bit and go sample by sample.
constexpr std::int64_t chunk_frames = 8192;

template <int width> using ValueOf = std::conditional_t<width == 4, std::int32_t, std::int16_t>;

struct SampleScan {
    const FrameLayout& layout;
    KcsDecoder& decoder;
    SwingTracker tracker;
    SampleRange range;
    std::int64_t frame = 0;               // number of the latest frame scanned, 1-based
    std::vector<std::int16_t> values16{}; // one channel of the current chunk, up to 2 bytes
    std::vector<std::int32_t> values32{}; // the same for 4-byte samples
    // The selected channel's events in the current chunk. An event needs a downward and then an
    // upward step, so a chunk holds no more events than frames.
    std::vector<HalfPeriod> events{};
};

template <typename Value> Value* values_of(SampleScan& scan);
template <> std::int16_t* values_of<std::int16_t>(SampleScan& scan) { return scan.values16.data(); }
template <> std::int32_t* values_of<std::int32_t>(SampleScan& scan) { return scan.values32.data(); }

// The values of one channel of `count` frames, with the width fixed for the whole file. In a mono
// file the samples lie side by side, a step the compiler knows, so it can convert several at once.
template <int width, bool is_mono>
void convert_channel(const FrameLayout& layout, const std::uint8_t* frames, std::int64_t count,
                     std::int32_t channel, ValueOf<width>* values) {
    const std::int64_t step = is_mono ? width : layout.bytes_per_frame;
    const std::uint8_t* first = frames + channel * layout.bytes_per_sample;
    for (std::int64_t n = 0; n < count; ++n)
        values[n] = static_cast<ValueOf<width>>(sample_value<width>(first + n * step));
}

// The extremes are kept in the values' own type inside the loop, which lets the compiler take
// several at once; the range starts at 0 either way.
template <typename Value>
void widen(std::int32_t& low, std::int32_t& high, const Value* values, std::int64_t count) {
    Value chunk_low = 0;
    Value chunk_high = 0;
    for (std::int64_t n = 0; n < count; ++n) {
        chunk_low = std::min(chunk_low, values[n]);
        chunk_high = std::max(chunk_high, values[n]);
    }
    low = std::min<std::int32_t>(low, chunk_low);
    high = std::max<std::int32_t>(high, chunk_high);
}

// Returns the number of events found. The tracker is worked on as a local copy, which the
// compiler can keep in registers: nothing but this loop sees it, and the loop makes no call.
std::int64_t track_values(SampleScan& scan, const std::int32_t* values, std::int64_t count) {
    SwingTracker tracker = scan.tracker;
    const std::int64_t first_frame = scan.frame + 1;
    HalfPeriod* const events = scan.events.data();
    std::int64_t found = 0;
    for (std::int64_t n = 0; n < count; ++n) {
        if (track_sample(tracker, values[n], first_frame + n, events[found]))
            ++found;
    }
    scan.tracker = tracker;
    return found;
}

std::int64_t track_values(SampleScan& scan, const std::int16_t* values, std::int64_t count) {
    return static_cast<std::int64_t>(track_block(
        scan.tracker, values, static_cast<std::size_t>(count), scan.frame + 1, scan.events.data()));
}

void hand_over(SampleScan& scan, std::int64_t events) {
    for (std::int64_t n = 0; n < events; ++n) {
        const HalfPeriod& event = scan.events[static_cast<std::size_t>(n)];
        scan.decoder.on_half_period(event.length, event.sample_index);
    }
}

// Takes the first two channels' range and the selected channel's events from `count` frames.
template <int width, bool is_mono>
void scan_chunk(SampleScan& scan, const std::uint8_t* frames, std::int64_t count) {
    const FrameLayout& layout = scan.layout;
    ValueOf<width>* const values = values_of<ValueOf<width>>(scan);
    convert_channel<width, is_mono>(layout, frames, count, 0, values);
    widen(scan.range.left_min, scan.range.left_max, values, count);
    std::int32_t converted = 0;
    if (!is_mono) {
        convert_channel<width, is_mono>(layout, frames, count, 1, values);
        widen(scan.range.right_min, scan.range.right_max, values, count);
        converted = 1;
    }
    if (layout.selected >= 0) {
        if (layout.selected != converted)
            convert_channel<width, is_mono>(layout, frames, count, layout.selected, values);
        hand_over(scan, track_values(scan, values, count));
    }
    scan.frame += count;
}

// Runs `frames` whole frames of the block through the range and the tracker.
template <int width, bool is_mono>
void scan_block(SampleScan& scan, const std::uint8_t* block, std::int64_t frames) {
    for (std::int64_t done = 0; done < frames; done += chunk_frames)
        scan_chunk<width, is_mono>(scan, block + done * scan.layout.bytes_per_frame,
                                   std::min(chunk_frames, frames - done));
}

using BlockScanner = void (*)(SampleScan&, const std::uint8_t*, std::int64_t);

template <bool is_mono> BlockScanner scanner_for(std::int64_t bytes_per_sample) {
    switch (bytes_per_sample) {
    case 1:
        return scan_block<1, is_mono>;
    case 2:
        return scan_block<2, is_mono>;
    case 4:
        return scan_block<4, is_mono>;
    default:
        return scan_block<0, is_mono>;
    }
}

BlockScanner scanner_for(const FrameLayout& layout) {
    return layout.channels == 1 ? scanner_for<true>(layout.bytes_per_sample)
                                : scanner_for<false>(layout.bytes_per_sample);
}

} // namespace

SampleRange read_samples(std::FILE* input, const FrameLayout& layout, KcsDecoder& decoder) {
    SampleScan scan{
        layout, decoder, make_swing_tracker(static_cast<int>(layout.bytes_per_sample)), {}};
    if (layout.frame_count <= 0)
        return scan.range;
    // A frame of 0 bytes (fewer than 8 bits in all channels) can never be read whole.
    if (layout.bytes_per_frame == 0) {
        report_error("Error reading file.\r\n");
        return scan.range;
    }
    // Never more frames than the data holds, so the buffer stays within the file's size.
    const std::int64_t block_frames = std::min(
        layout.frame_count, std::max<std::int64_t>(1, block_target_bytes / layout.bytes_per_frame));
    std::vector<std::uint8_t> block(
        static_cast<std::size_t>(block_frames * layout.bytes_per_frame));
    const auto chunk_size = static_cast<std::size_t>(std::min(block_frames, chunk_frames));
    if (layout.bytes_per_sample == 4)
        scan.values32.resize(chunk_size);
    else
        scan.values16.resize(chunk_size);
    scan.events.resize(chunk_size);
    const BlockScanner scan_frames = scanner_for(layout);
    for (std::int64_t remaining = layout.frame_count; remaining > 0;) {
        const std::int64_t wanted = std::min(remaining, block_frames);
        const std::size_t got = std::fread(
            block.data(), 1, static_cast<std::size_t>(wanted * layout.bytes_per_frame), input);
        const std::int64_t whole = static_cast<std::int64_t>(got) / layout.bytes_per_frame;
        scan_frames(scan, block.data(), whole);
        remaining -= whole;
        if (whole < wanted) {
            report_error("Error reading file.\r\n");
            break;
        }
    }
    return scan.range;
}
