// The one scale of the rescue decoder's samples: the 16-bit range, whatever the audio was. Every
// caller turns floating-point audio into it the same way, so that the command line and the page
// decode the same bytes from the same samples.
#pragma once

#include <cmath>
#include <cstdint>

// A sample of -1..1 in the 16-bit range: clamped to -1..1 (NaN counts as 0) and rounded half away
// from zero.
[[nodiscard]] inline std::int16_t scaled_sample(double value) {
    if (!(value > -1.0))
        value = value == value ? -1.0 : 0.0;
    if (value > 1.0)
        value = 1.0;
    return static_cast<std::int16_t>(std::lround(value * 32767.0));
}
