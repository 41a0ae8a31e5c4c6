// Choosing a sound device: what the user typed and what the sound system named its devices are
// both outside data. The input is NUL-separated pieces: the wanted text, then per device its
// name, its id and one byte of flags (bit 0 default, bit 1 dummy). Checked afterwards: a choice
// is a real device of the list, never a dummy; a refusal always says why; the listing names
// every device on a line of its own.
#include "fuzz_support.h"

#include "sound/device_choice.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t most_devices = 16;

std::vector<std::string> pieces_of(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            pieces.emplace_back();
        else
            pieces.back() += static_cast<char>(data[i]);
    }
    return pieces;
}

std::vector<DeviceEntry> devices_of(const std::vector<std::string>& pieces) {
    std::vector<DeviceEntry> devices;
    for (std::size_t i = 1; i < pieces.size() && devices.size() < most_devices; i += 3) {
        DeviceEntry device;
        device.name = pieces[i];
        device.id = i + 1 < pieces.size() ? pieces[i + 1] : "";
        const int flags = i + 2 < pieces.size() && !pieces[i + 2].empty() ? pieces[i + 2][0] : 0;
        device.is_default = (flags & 1) != 0;
        device.is_dummy = (flags & 2) != 0;
        devices.push_back(device);
    }
    return devices;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> pieces = pieces_of(data, size);
    const std::vector<DeviceEntry> devices = devices_of(pieces);
    for (const Direction direction : {Direction::Capture, Direction::Playback}) {
        std::string problem;
        const int position = choose_device(devices, pieces[0], direction, problem);
        require(position >= -1 && position < static_cast<int>(devices.size()), "position range");
        require((position < 0) == !problem.empty(), "a refusal without its reason");
        if (position >= 0)
            require(!devices[static_cast<std::size_t>(position)].is_dummy, "a dummy chosen");
        const std::string listing = device_listing(devices, direction, "fuzz");
        std::size_t lines = 0;
        for (const char c : listing)
            lines += c == '\n';
        std::size_t newlines_in_names = 0;
        for (const DeviceEntry& device : devices)
            for (const char c : device.name + device.id)
                newlines_in_names += c == '\n';
        require(lines == 1 + std::max<std::size_t>(devices.size(), 1) + newlines_in_names,
                "a device without its line");
    }
    return 0;
}
