// The swing tracker and the clipped-run detector, fed sample by sample.
#include "decoder/swing_tracker.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t min32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t max32 = std::numeric_limits<std::int32_t>::max();

// The events of a run of samples from frame first_frame on, as "(length,index)" pairs.
std::string events_of(SwingTracker tracker, const std::vector<std::int32_t>& samples,
                      std::int64_t first_frame = 1) {
    std::string events;
    std::int64_t frame = first_frame;
    for (const std::int32_t sample : samples) {
        HalfPeriod event;
        if (track_sample(tracker, sample, frame++, event))
            events += (events.empty() ? "(" : " (") + std::to_string(event.length) + "," +
                      std::to_string(event.sample_index) + ")";
    }
    return events;
}

// Raw unsigned 8-bit bytes, 128 being the zero line.
std::string events_of_bytes(const std::vector<std::int32_t>& raw_bytes) {
    std::vector<std::int32_t> samples;
    for (const std::int32_t byte : raw_bytes)
        samples.push_back(byte - 128);
    return events_of(make_swing_tracker(1), samples);
}

struct ByteCase {
    const char* name;
    std::vector<std::int32_t> raw_bytes;
    const char* events;
};

} // namespace

TEST(SwingTracker, EventsFromEightBitSamples) {
    const ByteCase cases[] = {
        {"two cycles", {128, 200, 200, 56, 56, 56, 200, 56, 56, 200}, "(3,7) (2,10)"},
        {"begins by falling", {200, 56, 56, 56, 200}, "(5,5)"},
        {"a change of 6 is no movement", {128, 134, 128, 135}, ""},
        {"a change of 7 falls", {128, 200, 193, 200}, "(1,4)"},
        {"five clipped samples", {128, 255, 0, 0, 0, 0, 0, 255}, "(4,7)"},
        {"four clipped samples", {128, 255, 0, 0, 0, 0, 255}, "(4,7)"},
        {"run held within 3 of the floor", {128, 255, 0, 3, 1, 2, 0, 255}, "(4,7)"},
        {"near the floor but never on it", {128, 255, 1, 1, 1, 1, 1, 255}, "(5,8)"},
        {"two clipped troughs", {128, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255}, "(4,7) (4,13)"},
        // The run closes at the raw byte 4, and the rise comes too long after it.
        {"rise long after the run", {128, 255, 0, 0, 0, 0, 0, 4, 4, 4, 255}, "(8,11)"},
        // Two frames after a run of five is not less than half its span of 4: no compensation.
        {"rise just too late", {128, 255, 0, 0, 0, 0, 0, 4, 255}, "(6,9)"},
        // Seven clipped samples move the event two frames earlier.
        {"seven clipped samples", {128, 255, 0, 0, 0, 0, 0, 0, 0, 255}, "(5,8)"},
    };
    for (const ByteCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.events, events_of_bytes(c.raw_bytes));
    }
}

TEST(SwingTracker, WidthsSetHysteresisAndFloor) {
    struct WidthCase {
        int bytes_per_sample;
        std::int32_t hysteresis;
        std::int32_t floor_value;
    };
    const WidthCase cases[] = {
        {1, 6, -128}, {2, 1638, -32768}, {4, 6710886, min32}, {3, 6, -128}, {0, 6, -128}};
    for (const WidthCase& c : cases) {
        SCOPED_TRACE(c.bytes_per_sample);
        const SwingTracker tracker = make_swing_tracker(c.bytes_per_sample);
        EXPECT_EQ(c.hysteresis, tracker.hysteresis);
        EXPECT_EQ(c.floor_value, tracker.floor_value);
    }
}

TEST(SwingTracker, SixteenBitHysteresisIsExclusive) {
    const SwingTracker tracker = make_swing_tracker(2);
    // 1639 rises past 0 + 1638; from there 1 is exactly 1638 lower, which is no movement.
    EXPECT_EQ("", events_of(tracker, {0, 1639, 1, 1, 1639}));
    EXPECT_EQ("(2,5)", events_of(tracker, {0, 1639, 0, 0, 1639}));
}

TEST(SwingTracker, SixteenBitClippingAtItsFloor) {
    const SwingTracker tracker = make_swing_tracker(2);
    EXPECT_EQ("(4,7)",
              events_of(tracker, {0, 30000, -32768, -32765, -32768, -32766, -32768, 30000}));
    // -32764 is 4 away from the floor and closes the run after three samples.
    EXPECT_EQ("(5,8)",
              events_of(tracker, {0, 30000, -32768, -32768, -32768, -32764, -32764, 30000}));
}

TEST(SwingTracker, ThirtyTwoBitHysteresis) {
    const SwingTracker tracker = make_swing_tracker(4);
    EXPECT_EQ("", events_of(tracker, {0, 6710887, 1, 1, 6710887}));
    EXPECT_EQ("(2,5)", events_of(tracker, {0, 6710887, 0, 0, 6710887}));
}

TEST(SwingTracker, ThirtyTwoBitExtremesDoNotWrap) {
    const SwingTracker tracker = make_swing_tracker(4);
    // Wrapped 32-bit sums would see a fall at frame 2 (min32 - hysteresis turns positive) and
    // a rise at frame 4 (max32 + hysteresis turns negative).
    EXPECT_EQ("(1,6)",
              events_of(tracker, {min32, min32 + 5, max32, max32 - 6710886, min32, max32}));
    EXPECT_EQ("(4,7)", events_of(tracker, {0, max32, min32, min32, min32, min32, min32, max32}));
}

TEST(SwingTracker, FrameNumbersBeyondThirtyOneBits) {
    // The index is the frame number modulo 2^32; the length is still exact across the wrap.
    const std::int64_t first_frame = (std::int64_t{1} << 31) - 3;
    EXPECT_EQ("(2,-2147483647)",
              events_of(make_swing_tracker(1), {0, 72, -72, -72, 72}, first_frame));
}

TEST(SwingTracker, OverlongHalfSaturates) {
    SwingTracker tracker = make_swing_tracker(1);
    HalfPeriod event;
    EXPECT_FALSE(track_sample(tracker, 72, 1, event));
    EXPECT_FALSE(track_sample(tracker, -72, 2, event));
    ASSERT_TRUE(track_sample(tracker, 72, (std::int64_t{1} << 32) + 10, event));
    EXPECT_EQ(max32, event.length);
    EXPECT_EQ(10, event.sample_index);
}
