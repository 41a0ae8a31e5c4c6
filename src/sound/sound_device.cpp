// miniaudio's context and device behind the small interface of sound_device.h. The device
// callbacks run on miniaudio's thread: they copy one period into or out of the ring and count,
// nothing else.
#include "sound/sound_device.h"

#include <miniaudio.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

struct SoundSystem {
    ma_context context{};
    std::vector<ma_device_id> capture_ids;  // the latest capture list's devices, in order
    std::vector<ma_device_id> playback_ids; // the latest playback list's devices, in order
};

struct SoundStream {
    ma_device device{};
    Direction direction = Direction::Capture;
    SoundRing ring;
    std::atomic<std::uint64_t> missed{0}; // frames lost or filled with silence; see missed_frames
    std::atomic<std::uint64_t> played{0}; // playback: frames taken from the ring
    std::atomic<bool> is_ended{false};    // playback: no more frames will come
};

namespace {

// The sound system's own name for a device, where it is text (PulseAudio's source and sink
// names, ALSA's PCM names, Core Audio's UIDs); WASAPI's ids are long GUID paths, left out.
std::string id_text(const ma_context& context, const ma_device_id& id) {
    switch (context.backend) {
    case ma_backend_pulseaudio:
        return id.pulse;
    case ma_backend_alsa:
        return id.alsa;
    case ma_backend_coreaudio:
        return id.coreaudio;
    default:
        return "";
    }
}

// ALSA's "null" PCM discards what is played and captures zeros; PulseAudio's "auto_null" is the
// Dummy Output it makes when it finds no sound card, and its monitor hears only what is played
// there. A null sink that a user loads under a name of their own is a real device, and is kept.
bool is_dummy_id(const ma_context& context, const std::string& id) {
    switch (context.backend) {
    case ma_backend_alsa:
        return id == "null" || id.rfind("null:", 0) == 0;
    case ma_backend_pulseaudio:
        return id == "auto_null" || id == "auto_null.monitor";
    default:
        return false;
    }
}

void capture_callback(ma_device* device, void*, const void* input, ma_uint32 frame_count) {
    auto& stream = *static_cast<SoundStream*>(device->pUserData);
    const std::size_t put =
        put_frames(stream.ring, static_cast<const std::int16_t*>(input), frame_count);
    if (put < frame_count)
        stream.missed.fetch_add(frame_count - put, std::memory_order_relaxed);
}

void playback_callback(ma_device* device, void* output, const void*, ma_uint32 frame_count) {
    auto& stream = *static_cast<SoundStream*>(device->pUserData);
    auto* frames = static_cast<std::int16_t*>(output);
    const std::size_t taken = take_frames(stream.ring, frames, frame_count);
    const auto channels = static_cast<std::size_t>(stream.ring.channels);
    std::memset(frames + taken * channels, 0, (frame_count - taken) * channels * sizeof *frames);
    stream.played.fetch_add(taken, std::memory_order_release);
    if (taken < frame_count && !stream.is_ended.load(std::memory_order_acquire))
        stream.missed.fetch_add(frame_count - taken, std::memory_order_relaxed);
}

// The device's buffer of periods, in frames at `rate_hz`.
std::size_t device_buffer_frames(const SoundStream& stream, std::uint32_t rate_hz) {
    const bool is_capture = stream.direction == Direction::Capture;
    const auto& device = stream.device;
    const std::uint64_t frames = is_capture
                                     ? std::uint64_t{device.capture.internalPeriodSizeInFrames} *
                                           device.capture.internalPeriods
                                     : std::uint64_t{device.playback.internalPeriodSizeInFrames} *
                                           device.playback.internalPeriods;
    const std::uint32_t device_rate =
        is_capture ? device.capture.internalSampleRate : device.playback.internalSampleRate;
    return device_rate == 0 ? 0 : static_cast<std::size_t>(frames * rate_hz / device_rate);
}

std::string result_text(const char* what, ma_result result) {
    return std::string(what) + " (" + ma_result_description(result) + ")";
}

} // namespace

SoundSystem* open_sound_system(std::string& problem) {
    auto system = std::make_unique<SoundSystem>();
    ma_context_config config = ma_context_config_init();
    config.pulse.pApplicationName = "qirvex";
    const ma_result result = ma_context_init(nullptr, 0, &config, &system->context);
    if (result != MA_SUCCESS) {
        problem = result_text("found no sound system that answers, where PulseAudio, PipeWire, "
                              "ALSA, WASAPI or Core Audio was expected",
                              result);
        return nullptr;
    }
    return system.release();
}

void close_sound_system(SoundSystem* system) {
    if (system == nullptr)
        return;
    ma_context_uninit(&system->context);
    delete system;
}

std::string sound_system_name(const SoundSystem& system) {
    return ma_get_backend_name(system.context.backend);
}

std::vector<DeviceEntry> list_devices(SoundSystem& system, Direction direction) {
    ma_device_info* playback = nullptr;
    ma_device_info* capture = nullptr;
    ma_uint32 playback_count = 0;
    ma_uint32 capture_count = 0;
    std::vector<DeviceEntry> entries;
    std::vector<ma_device_id>& ids =
        direction == Direction::Capture ? system.capture_ids : system.playback_ids;
    ids.clear();
    if (ma_context_get_devices(&system.context, &playback, &playback_count, &capture,
                               &capture_count) != MA_SUCCESS)
        return entries;
    const bool is_capture = direction == Direction::Capture;
    const ma_device_info* infos = is_capture ? capture : playback;
    const ma_uint32 count = is_capture ? capture_count : playback_count;
    for (ma_uint32 i = 0; i < count; ++i) {
        DeviceEntry entry;
        entry.name = infos[i].name;
        entry.id = id_text(system.context, infos[i].id);
        entry.is_default = infos[i].isDefault != 0;
        entry.is_dummy = is_dummy_id(system.context, entry.id);
        entries.push_back(entry);
        ids.push_back(infos[i].id);
    }
    return entries;
}

SoundStream* open_stream(SoundSystem& system, Direction direction, int position,
                         StreamFormat format, int ring_seconds, std::string& problem) {
    const bool is_capture = direction == Direction::Capture;
    std::vector<ma_device_id>& ids = is_capture ? system.capture_ids : system.playback_ids;
    auto stream = std::make_unique<SoundStream>();
    stream->direction = direction;
    ma_device_config config =
        ma_device_config_init(is_capture ? ma_device_type_capture : ma_device_type_playback);
    ma_device_id* id = position >= 0 && static_cast<std::size_t>(position) < ids.size()
                           ? &ids[static_cast<std::size_t>(position)]
                           : nullptr;
    if (is_capture) {
        config.capture.pDeviceID = id;
        config.capture.format = ma_format_s16;
        config.capture.channels = static_cast<ma_uint32>(format.channels);
    } else {
        config.playback.pDeviceID = id;
        config.playback.format = ma_format_s16;
        config.playback.channels = static_cast<ma_uint32>(format.channels);
    }
    config.sampleRate = format.rate_hz;
    // Long periods, not miniaudio's 10 ms meant for low latency: a tape needs no quick answer,
    // but must never have a gap. PulseAudio keeps one period queued for playback and all of them
    // for capture, and plays or drops silence, unseen by miniaudio, for a thread that comes later
    // than that. A tape played and captured on two cores at a load of 10 lost words with 10 ms
    // periods; with 200 ms for both, one word in 4 runs was still damaged; playback now queues
    // 500 ms, and capture keeps 200 ms fragments, so that a listing still appears line by line.
    config.periodSizeInMilliseconds = is_capture ? 200 : 500;
    config.periods = is_capture ? 5 : 4;
    config.dataCallback = is_capture ? capture_callback : playback_callback;
    config.pUserData = stream.get();
    const ma_result result = ma_device_init(&system.context, &config, &stream->device);
    if (result != MA_SUCCESS) {
        problem = result_text("cannot be opened", result);
        return nullptr;
    }
    // The ring also holds twice the device's own buffer: WASAPI (under Wine) asked for its
    // whole buffer of 2 s at once when it started, and a ring of 2 s left 0.5 s of a tape's
    // start unplayed.
    const StreamFormat opened = stream_format(*stream);
    const std::size_t ring_frames =
        std::size_t{opened.rate_hz} * static_cast<std::size_t>(ring_seconds) +
        2 * device_buffer_frames(*stream, opened.rate_hz);
    reset_ring(stream->ring, ring_frames, opened.channels);
    return stream.release();
}

StreamFormat stream_format(const SoundStream& stream) {
    const bool is_capture = stream.direction == Direction::Capture;
    const auto channels =
        is_capture ? stream.device.capture.channels : stream.device.playback.channels;
    return StreamFormat{stream.device.sampleRate, static_cast<int>(channels)};
}

namespace {

std::string format_text(ma_uint32 rate_hz, ma_uint32 channels, ma_format format) {
    return std::to_string(rate_hz) + " Hz, " + std::to_string(channels) + " channel(s), " +
           ma_get_format_name(format);
}

} // namespace

std::string device_format_text(const SoundStream& stream) {
    const ma_device& device = stream.device;
    return stream.direction == Direction::Capture
               ? format_text(device.capture.internalSampleRate, device.capture.internalChannels,
                             device.capture.internalFormat)
               : format_text(device.playback.internalSampleRate, device.playback.internalChannels,
                             device.playback.internalFormat);
}

SoundRing& stream_ring(SoundStream& stream) { return stream.ring; }

bool start_stream(SoundStream& stream, std::string& problem) {
    const ma_result result = ma_device_start(&stream.device);
    if (result != MA_SUCCESS) {
        problem = result_text("would not start", result);
        return false;
    }
    return true;
}

bool is_stream_running(SoundStream& stream) {
    return ma_device_get_state(&stream.device) == ma_device_state_started;
}

std::uint64_t missed_frames(const SoundStream& stream) {
    return stream.missed.load(std::memory_order_relaxed);
}

std::uint64_t played_frames(const SoundStream& stream) {
    return stream.played.load(std::memory_order_acquire);
}

double output_delay_seconds(const SoundStream& stream) {
    const auto& side = stream.device.playback;
    const double rate_hz = side.internalSampleRate > 0 ? side.internalSampleRate : 48000;
    return static_cast<double>(side.internalPeriodSizeInFrames) * side.internalPeriods / rate_hz;
}

void mark_stream_end(SoundStream& stream) {
    stream.is_ended.store(true, std::memory_order_release);
}

void close_stream(SoundStream* stream) {
    if (stream == nullptr)
        return;
    // Uninit stops the device first and waits for its thread, so no callback runs after it.
    ma_device_uninit(&stream->device);
    delete stream;
}

bool write_device_list(Direction direction, std::FILE* out, std::string& problem) {
    SoundSystem* system = open_sound_system(problem);
    if (system == nullptr)
        return false;
    const std::vector<DeviceEntry> devices = list_devices(*system, direction);
    std::fputs(device_listing(devices, direction, sound_system_name(*system)).c_str(), out);
    close_sound_system(system);
    return true;
}
