// Which sound device a user means: the system's default, a number from the list, or a part of
// a name. Names, unlike numbers, stay put when a device is plugged in or out, so both the
// readable name ("Monitor of Null Output") and the sound system's own ("qirvex_test.monitor")
// are matched, in any case. Plain functions over a list, apart from any sound system.
#pragma once

#include <string>
#include <vector>

struct DeviceEntry {
    std::string name;        // the readable name the sound system gives
    std::string id;          // the sound system's own name for it; empty where it has none
    bool is_default = false; // the sound system's default for this direction
    bool is_dummy = false;   // makes or takes only silence: no sound card is behind it
};

// What a device is for, in messages: "capture" or "playback".
enum class Direction { Capture, Playback };

// The position in `devices` of the device `wanted` names: empty for the default, all digits for
// a position in the list, else a part of the name or the id that only one device has (or that
// one device's whole name or id). -1, with `problem` saying what was found and what exists,
// when nothing matches, several do, or the match is a dummy.
[[nodiscard]] int choose_device(const std::vector<DeviceEntry>& devices, const std::string& wanted,
                                Direction direction, std::string& problem);

// A device for a message: its name in quotes, then its id in brackets where it has one.
[[nodiscard]] std::string device_label(const DeviceEntry& device);

// The list for a person: one line a device, its number, name, id and whether it is the default
// or a dummy, under a heading that names the sound system.
[[nodiscard]] std::string device_listing(const std::vector<DeviceEntry>& devices,
                                         Direction direction, const std::string& system_name);
