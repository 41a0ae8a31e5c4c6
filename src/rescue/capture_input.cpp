// The capture loop: ring to decode session, a block at a time, on the program's own thread.
#include "rescue/capture_input.h"

#include "rescue/interruption.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// Blocks of a twentieth of a second, as a live pipe is read (decode_loop.cpp), so that a byte
// waits at most that long for its reader.
constexpr std::uint32_t blocks_per_second = 20;
// The ring holds 4 s: the decode keeps up with a card 10 to 100 times over once calibrated, but
// calibration on the first 4 s of look-ahead takes a moment that the card keeps filling.
constexpr int ring_seconds = 4;
// The wait between looks at an empty ring: a tenth of a block, so that a block waits little
// longer than it takes to arrive, and the program sleeps rather than spins.
constexpr auto empty_ring_wait = std::chrono::milliseconds(5);

std::string lost_text(std::uint64_t frames, std::uint32_t rate_hz) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "the decode fell behind the sound card, and %.2f s of audio (%llu frames) were "
                  "lost",
                  static_cast<double>(frames) / rate_hz, static_cast<unsigned long long>(frames));
    return text;
}

} // namespace

bool open_capture(CaptureInput& capture, const std::string& wanted, std::string& problem) {
    capture = CaptureInput{};
    capture.system = open_sound_system(problem);
    if (capture.system == nullptr)
        return false;
    capture.system_name = sound_system_name(*capture.system);
    const std::vector<DeviceEntry> devices = list_devices(*capture.system, Direction::Capture);
    const int position = choose_device(devices, wanted, Direction::Capture, problem);
    if (position < 0)
        return false;
    capture.device = devices[static_cast<std::size_t>(position)];
    // The device's own rate and channels: every rate from 8000 to 192000 Hz decodes, and the
    // decoder picks the channel with the tape on it, as it does for a file.
    const StreamFormat own{};
    capture.stream =
        open_stream(*capture.system, Direction::Capture, position, own, ring_seconds, problem);
    if (capture.stream == nullptr) {
        problem = "the device " + device_label(capture.device) + " " + problem;
        return false;
    }
    const StreamFormat format = stream_format(*capture.stream);
    if (format.rate_hz < 8000 || format.rate_hz > 192000) {
        problem = std::to_string(format.rate_hz) +
                  " samples per second, where 8000 to 192000 were expected";
        return false;
    }
    return true;
}

std::string capture_description(const CaptureInput& capture) {
    return "capturing from " + device_label(capture.device) + " through " + capture.system_name +
           ": " + device_format_text(*capture.stream) + "; Ctrl-C ends it";
}

DecodeOutcome decode_capture(CaptureInput& capture, const RescueSettings& settings,
                             const DecodeTargets& targets) {
    DecodeOutcome outcome;
    const StreamFormat format = stream_format(*capture.stream);
    DecodeSession session;
    start_decode(session, settings, format.rate_hz, format.channels, targets);
    const std::size_t block_frames = format.rate_hz / blocks_per_second;
    std::vector<std::int16_t> block(block_frames * static_cast<std::size_t>(format.channels));
    SoundRing& ring = stream_ring(*capture.stream);
    std::string problem;
    if (!start_stream(*capture.stream, problem)) {
        outcome.shortfall = "the device " + device_label(capture.device) + " " + problem;
        outcome.result = end_decode(session);
    outcome.repaired = session.writer.repaired;
        return outcome;
    }
    std::int64_t frames_read = 0;
    // After a signal, what the ring already holds is still decoded: it was heard before it.
    for (bool is_stopping = false;;) {
        is_stopping = is_stopping || interruption_signal() != 0;
        const std::size_t got = take_frames(ring, block.data(), block_frames);
        if (got == 0 && is_stopping)
            break;
        if (got == 0 && !is_stream_running(*capture.stream)) {
            outcome.shortfall =
                "the sound card stopped delivering audio (unplugged, or its sound server gone)";
            break;
        }
        if (got == 0) {
            std::this_thread::sleep_for(empty_ring_wait);
            continue;
        }
        frames_read += static_cast<std::int64_t>(got);
        outcome.is_written =
            decode_block(session, block.data(), static_cast<std::int64_t>(got), frames_read, true);
        if (!outcome.is_written)
            break;
    }
    outcome.result = end_decode(session);
    outcome.repaired = session.writer.repaired;
    outcome.signal = interruption_signal();
    const std::uint64_t lost = missed_frames(*capture.stream);
    if (lost > 0 && outcome.shortfall.empty())
        outcome.shortfall = lost_text(lost, format.rate_hz);
    return outcome;
}

void close_capture(CaptureInput& capture) {
    close_stream(capture.stream);
    close_sound_system(capture.system);
    capture = CaptureInput{};
}

bool list_capture_devices(std::FILE* out, std::string& problem) {
    return write_device_list(Direction::Capture, out, problem);
}
