// The sound card, through miniaudio: the first sound system that answers (PulseAudio, or
// PipeWire through its Pulse server, then ALSA and JACK on Linux; WASAPI on Windows; Core Audio
// on macOS), its devices, and one open device whose samples pass through a SoundRing. Capture
// fills the ring from the device's thread and the program empties it; playback the other way
// round. miniaudio is built without its null backend (third_party/miniaudio), so that where no
// sound system answers, opening fails with a message instead of "capturing" silence.
#pragma once

#include "sound/device_choice.h"
#include "sound/sound_ring.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct SoundSystem; // a connection to the platform's sound system
struct SoundStream; // one open device and its ring

// Connects to the first sound system that answers; null, with `problem` saying so, when none.
[[nodiscard]] SoundSystem* open_sound_system(std::string& problem);
void close_sound_system(SoundSystem* system);

// The sound system's name, as "PulseAudio" or "ALSA".
[[nodiscard]] std::string sound_system_name(const SoundSystem& system);

// The devices for one direction, as the system lists them now; open_stream takes a position in
// the latest list of its direction.
[[nodiscard]] std::vector<DeviceEntry> list_devices(SoundSystem& system, Direction direction);

// Writes the readable list of one direction's devices to `out`, as --list-devices shows it;
// false, with `problem` saying why, when no sound system answers.
[[nodiscard]] bool write_device_list(Direction direction, std::FILE* out, std::string& problem);

struct StreamFormat {
    std::uint32_t rate_hz = 0; // frames per second; 0: the device's own
    int channels = 0;          // samples per frame; 0: the device's own
};

// Opens the device at `position` of the latest list for 16-bit samples in `format`, with a ring
// that holds ring_seconds of them; miniaudio converts where the device works otherwise. Not yet
// started. Null, with `problem` saying why ("cannot be opened (...)", for the caller to put the
// device's name before), when the device cannot be opened.
[[nodiscard]] SoundStream* open_stream(SoundSystem& system, Direction direction, int position,
                                       StreamFormat format, int ring_seconds, std::string& problem);

// The format the ring carries: the one asked for, or the device's own where 0 was asked.
[[nodiscard]] StreamFormat stream_format(const SoundStream& stream);

// How the device itself runs, for a person: "44100 Hz, 2 channel(s), 16-bit".
[[nodiscard]] std::string device_format_text(const SoundStream& stream);

[[nodiscard]] SoundRing& stream_ring(SoundStream& stream);

// Starts the device's thread; false, with `problem` ("would not start (...)"), when it refuses.
[[nodiscard]] bool start_stream(SoundStream& stream, std::string& problem);

// True while the started device runs; false once it stopped by itself (a card unplugged, a
// sound server gone).
[[nodiscard]] bool is_stream_running(SoundStream& stream);

// Capture: frames the device delivered that the full ring had no room for. Playback: frames of
// silence the device played because the ring ran empty before the end was marked.
[[nodiscard]] std::uint64_t missed_frames(const SoundStream& stream);

// Playback: frames the device has taken from the ring so far.
[[nodiscard]] std::uint64_t played_frames(const SoundStream& stream);

// Playback: how long a sample the device took from the ring takes to be heard, at most: the
// device's buffer of periods.
[[nodiscard]] double output_delay_seconds(const SoundStream& stream);

// Playback: no more frames will be put in, so an empty ring is the end, not a gap.
void mark_stream_end(SoundStream& stream);

// Stops the device, if started, and closes it.
void close_stream(SoundStream* stream);
