// What the user tells the rescue decoder about the recording: the bit rate, the serial word and
// the channel.
#pragma once

#include "base/kcs.h"
#include "rescue/frame_clock.h"

struct RescueSettings {
    int baud = slow_baud; // slow_baud or fast_baud
    WordFormat format;    // the serial word
    int channel = 0;      // 1-based channel to decode; 0: the one with the strongest tone
};
