// The swing tracker over a block of 16-bit samples: the same events as track_sample on each
// sample in turn, found from the tracker's turns (swing_lanes.h) and from bit masks of the
// samples on and near the floor, so that only the samples where something happens cost a step
// of their own.
#pragma once

#include "decoder/swing_tracker.h"

#include <cstddef>
#include <cstdint>

// Runs the tracker over values[0, count), the sample values[n] being at frame first_frame + n.
// Writes the events in order to `events`, which has room for count / 2 + 1, and returns how many
// it wrote. The tracker's floor must be a 16-bit value, as it is for samples of 1 and 2 bytes. A
// hysteresis beyond what the lanes take, or a build without vectors, sends every sample through
// track_sample.
std::size_t track_block(SwingTracker& tracker, const std::int16_t* values, std::size_t count,
                        std::int64_t first_frame, HalfPeriod* events);
