// What the user tells the rescue decoder about the recording: the bit rate (or that it is to be
// found), the serial word and the channel.
#pragma once

#include "base/kcs.h"
#include "rescue/frame_clock.h"

// Which parts of the serial word are found from the audio rather than taken as given.
struct FramingFound {
    bool data_bits = false;
    bool parity = false;
    bool stop_bits = false;
};

struct RescueSettings {
    int baud = 0;         // a rate of the family; 0: found from the audio
    WordFormat format;    // the serial word, in the parts that are given
    FramingFound found;   // the parts found instead
    int channel = 0;      // 1-based channel to decode; 0: the one with the strongest tone
};

[[nodiscard]] constexpr bool is_framing_found(const FramingFound& found) {
    return found.data_bits || found.parity || found.stop_bits;
}

// The rates of the family: every bit holds whole cycles of both tones (4 and 8 at 300 baud, 1
// and 2 at 1200, the CUTS rate). Below 75 baud a bit's window would outgrow the history.
constexpr int lowest_baud = 75;
constexpr int highest_baud = space_hz;

[[nodiscard]] constexpr bool is_family_baud(int baud) {
    return baud >= lowest_baud && baud <= highest_baud && space_hz % baud == 0;
}
