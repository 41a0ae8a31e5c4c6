// The swing tracker follows one channel's level in steps larger than its hysteresis: the first
// downward step after upward ones starts a falling half, the first upward step after it ends the
// half and emits an event. A trough that sits on the most negative sample value is flat, so its
// upward step comes late by about half the flat run; the clipped-run detector measures the run
// and moves such an event a third of the run earlier.
//
// Every sum and difference is taken in 64 bits: with 32-bit samples a level near one end of the
// range and a sample near the other are more than 2^31 apart.
#include "decoder/swing_tracker.h"

#include <limits>

namespace {

// About 5 % of full scale at 8 and 16 bits; the 32-bit value is 0x666666, not 5 % of 2^31.
constexpr std::int32_t hysteresis_8_bit = 6;
constexpr std::int32_t hysteresis_16_bit = 1638;
constexpr std::int32_t hysteresis_32_bit = 6710886;

} // namespace

SwingTracker make_swing_tracker(int bytes_per_sample) {
    SwingTracker tracker;
    switch (bytes_per_sample) {
    case 2:
        tracker.hysteresis = hysteresis_16_bit;
        tracker.floor_value = std::numeric_limits<std::int16_t>::min();
        break;
    case 4:
        tracker.hysteresis = hysteresis_32_bit;
        tracker.floor_value = std::numeric_limits<std::int32_t>::min();
        break;
    default:
        // One byte, and the widths whose samples all read as 0.
        tracker.hysteresis = hysteresis_8_bit;
        tracker.floor_value = -128;
        break;
    }
    return tracker;
}
