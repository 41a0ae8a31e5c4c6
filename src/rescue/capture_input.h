// A recording that comes live from a sound card: the device the user names, opened through the
// sound layer (src/sound), its samples taken from the card's ring in blocks of a twentieth of a
// second and pushed through the same decode session as a file or a pipe, until Ctrl-C (or
// SIGTERM) ends it. The core never learns that the samples came from a card.
#pragma once

#include "rescue/decode_loop.h"
#include "sound/sound_device.h"

#include <cstdio>
#include <string>

struct CaptureInput {
    SoundSystem* system = nullptr; // the sound system the device belongs to
    SoundStream* stream = nullptr; // the open capture device
    DeviceEntry device;            // its name and id as listed
    std::string system_name;       // "PulseAudio", "ALSA", ...
};

// Opens the capture device `wanted` names (see choose_device: empty for the default). False,
// with `problem` saying what was found and what exists, when there is no sound system, no such
// device, or only a dummy.
[[nodiscard]] bool open_capture(CaptureInput& capture, const std::string& wanted,
                                std::string& problem);

// What is in use, for the note before a capture: device, id, sound system and format.
[[nodiscard]] std::string capture_description(const CaptureInput& capture);

// Starts the device and decodes what it captures until a signal arrives; the outcome's
// shortfall names frames lost because the decode fell behind the card.
[[nodiscard]] DecodeOutcome decode_capture(CaptureInput& capture, const RescueSettings& settings,
                                           const DecodeTargets& targets);

void close_capture(CaptureInput& capture);

// Writes the list of capture devices to `out`. False, with `problem`, when no sound system
// answers.
[[nodiscard]] bool list_capture_devices(std::FILE* out, std::string& problem);
