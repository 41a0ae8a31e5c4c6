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
#include "decoder/swing_tracker.h"

#include <algorithm>
#include <array>
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
// the decoder.
constexpr std::int64_t chunk_frames = 4096;

using ChunkValues = std::array<std::int32_t, chunk_frames>;
// An event needs a downward and then an upward step, so a chunk holds no more events than frames.
using ChunkEvents = std::array<HalfPeriod, chunk_frames>;

struct SampleScan {
    const FrameLayout& layout;
    KcsDecoder& decoder;
    SwingTracker tracker;
    SampleRange range;
    std::int64_t frame = 0; // number of the latest frame scanned, 1-based
    ChunkValues values{};   // one channel of the current chunk
    ChunkEvents events{};   // the selected channel's events in the current chunk
};

// The values of one channel of `count` frames, with the width fixed for the whole file. In a mono
// file the samples lie side by side, a step the compiler knows, so it can convert several at once.
template <int width, bool is_mono>
void convert_channel(const FrameLayout& layout, const std::uint8_t* frames, std::int64_t count,
                     std::int32_t channel, ChunkValues& values) {
    const std::int64_t step = is_mono ? width : layout.bytes_per_frame;
    const std::uint8_t* first = frames + channel * layout.bytes_per_sample;
    for (std::int64_t n = 0; n < count; ++n)
        values[static_cast<std::size_t>(n)] = sample_value<width>(first + n * step);
}

void widen(std::int32_t& low, std::int32_t& high, const ChunkValues& values, std::int64_t count) {
    for (std::int64_t n = 0; n < count; ++n) {
        low = std::min(low, values[static_cast<std::size_t>(n)]);
        high = std::max(high, values[static_cast<std::size_t>(n)]);
    }
}

// Returns the number of events found. The tracker is worked on as a local copy, which the
// compiler can keep in registers: nothing but this loop sees it, and the loop makes no call.
std::int64_t track_values(SampleScan& scan, const ChunkValues& values, std::int64_t count) {
    SwingTracker tracker = scan.tracker;
    const std::int64_t first_frame = scan.frame + 1;
    HalfPeriod* const events = scan.events.data();
    std::int64_t found = 0;
    for (std::int64_t n = 0; n < count; ++n) {
        if (track_sample(tracker, values[static_cast<std::size_t>(n)], first_frame + n,
                         events[found]))
            ++found;
    }
    scan.tracker = tracker;
    return found;
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
    convert_channel<width, is_mono>(layout, frames, count, 0, scan.values);
    widen(scan.range.left_min, scan.range.left_max, scan.values, count);
    std::int32_t converted = 0;
    if (!is_mono) {
        convert_channel<width, is_mono>(layout, frames, count, 1, scan.values);
        widen(scan.range.right_min, scan.range.right_max, scan.values, count);
        converted = 1;
    }
    if (layout.selected >= 0) {
        if (layout.selected != converted)
            convert_channel<width, is_mono>(layout, frames, count, layout.selected, scan.values);
        hand_over(scan, track_values(scan, scan.values, count));
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
