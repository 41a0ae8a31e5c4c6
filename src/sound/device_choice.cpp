// Choosing a device from the list by number or by a part of its name.
#include "sound/device_choice.h"

#include <algorithm>
#include <cctype>

namespace {

const char* direction_name(Direction direction) {
    return direction == Direction::Capture ? "capture" : "playback";
}

std::string lower_case(const std::string& text) {
    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool is_number(const std::string& text) {
    return !text.empty() && text.size() <= 6 && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

std::string quoted_names(const std::vector<DeviceEntry>& devices, const std::vector<int>& which) {
    std::string names;
    for (const int index : which)
        names +=
            (names.empty() ? "\"" : ", \"") + devices[static_cast<std::size_t>(index)].name + "\"";
    return names;
}

std::vector<int> all_positions(const std::vector<DeviceEntry>& devices) {
    std::vector<int> positions;
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (!devices[i].is_dummy)
            positions.push_back(static_cast<int>(i));
    return positions;
}

// What exists, for a message: the devices that could be chosen, or that there are none.
std::string what_exists(const std::vector<DeviceEntry>& devices, Direction direction) {
    const std::vector<int> usable = all_positions(devices);
    if (usable.empty())
        return std::string("no ") + direction_name(direction) + " device but a dummy exists";
    return std::string("the ") + direction_name(direction) +
           " devices are: " + quoted_names(devices, usable) + " (see --list-devices)";
}

// The devices whose name or id holds `part`; those whose whole name or id it is, when any are.
std::vector<int> matching(const std::vector<DeviceEntry>& devices, const std::string& part) {
    const std::string wanted = lower_case(part);
    std::vector<int> holding;
    std::vector<int> exact;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const std::string name = lower_case(devices[i].name);
        const std::string id = lower_case(devices[i].id);
        if (name == wanted || id == wanted)
            exact.push_back(static_cast<int>(i));
        else if (name.find(wanted) != std::string::npos || id.find(wanted) != std::string::npos)
            holding.push_back(static_cast<int>(i));
    }
    return exact.empty() ? holding : exact;
}

// The default, or else the first device that is not a dummy, as the sound system itself would
// choose when it marks none.
int default_position(const std::vector<DeviceEntry>& devices) {
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].is_default)
            return static_cast<int>(i);
    const std::vector<int> usable = all_positions(devices);
    return usable.empty() ? -1 : usable.front();
}

int refuse_dummy(const DeviceEntry& device, Direction direction, std::string& problem) {
    problem = "found " + device_label(device) + ", a dummy that " +
              (direction == Direction::Capture ? "captures only silence" : "plays to nowhere") +
              ", where a sound card was expected; name another device with --" +
              (direction == Direction::Capture ? "capture=DEVICE" : "device DEVICE");
    return -1;
}

} // namespace

int choose_device(const std::vector<DeviceEntry>& devices, const std::string& wanted,
                  Direction direction, std::string& problem) {
    int position = -1;
    if (wanted.empty()) {
        position = default_position(devices);
        if (position < 0) {
            problem = std::string("found no ") + direction_name(direction) +
                      " device, where a sound card was expected";
            return -1;
        }
    } else if (is_number(wanted)) {
        position = std::stoi(wanted);
        if (position >= static_cast<int>(devices.size())) {
            problem = "found no device number " + wanted + "; " + what_exists(devices, direction);
            return -1;
        }
    } else {
        const std::vector<int> found = matching(devices, wanted);
        if (found.size() != 1) {
            problem = found.empty()
                          ? "found no " + std::string(direction_name(direction)) +
                                " device whose name holds \"" + wanted + "\"; " +
                                what_exists(devices, direction)
                          : "found " + std::to_string(found.size()) +
                                " devices whose name holds \"" + wanted +
                                "\": " + quoted_names(devices, found) + "; give more of the name";
            return -1;
        }
        position = found.front();
    }
    const DeviceEntry& device = devices[static_cast<std::size_t>(position)];
    return device.is_dummy ? refuse_dummy(device, direction, problem) : position;
}

std::string device_label(const DeviceEntry& device) {
    return "\"" + device.name + "\"" + (device.id.empty() ? "" : " [" + device.id + "]");
}

std::string device_listing(const std::vector<DeviceEntry>& devices, Direction direction,
                           const std::string& system_name) {
    std::string text = std::string(direction == Direction::Capture ? "Capture" : "Playback") +
                       " devices (" + system_name + "):\n";
    if (devices.empty())
        text += "  none\n";
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const DeviceEntry& device = devices[i];
        text += "  " + std::to_string(i) + "  " + device.name;
        if (!device.id.empty())
            text += "  [" + device.id + "]";
        if (device.is_default)
            text += "  (default)";
        if (device.is_dummy)
            text += "  (dummy: only silence, refused)";
        text += "\n";
    }
    return text;
}
