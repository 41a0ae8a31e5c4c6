// The block tracker against the sample-by-sample one, and the lanes' turns against turns found
// one sample at a time: identical events, turns and tracker state on random and hostile samples
// of both 16-bit widths, for blocks cut at every offset and at every frame number range.
#include "decoder/swing_block.h"
#include "decoder/swing_lanes.h"
#include "decoder/swing_tracker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Samples = std::vector<std::int16_t>;

// What a run leaves: its events in order and the tracker after the last sample.
struct Outcome {
    std::vector<HalfPeriod> events;
    SwingTracker tracker;
};

std::string state_of(const SwingTracker& t) {
    return "level " + std::to_string(t.level) + " first " + std::to_string(t.first_sample) +
           " rising " + std::to_string(t.rising) + " falling " + std::to_string(t.falling) +
           " half " + std::to_string(t.half_start) + " clip " + std::to_string(t.clip_start) + "/" +
           std::to_string(t.clip_end) + "/" + std::to_string(t.clip_span);
}

// "" when both runs agree, else where they first part.
std::string first_difference(const Outcome& expected, const Outcome& found) {
    const std::size_t common = std::min(expected.events.size(), found.events.size());
    for (std::size_t n = 0; n < common; ++n) {
        const HalfPeriod& a = expected.events[n];
        const HalfPeriod& b = found.events[n];
        if (a.length != b.length || a.sample_index != b.sample_index)
            return "event " + std::to_string(n) + ": (" + std::to_string(a.length) + "," +
                   std::to_string(a.sample_index) + ") against (" + std::to_string(b.length) + "," +
                   std::to_string(b.sample_index) + ")";
    }
    if (expected.events.size() != found.events.size())
        return std::to_string(expected.events.size()) + " events against " +
               std::to_string(found.events.size());
    if (state_of(expected.tracker) != state_of(found.tracker))
        return "tracker " + state_of(expected.tracker) + " against " + state_of(found.tracker);
    return "";
}

Outcome by_sample(int width, const Samples& values, std::int64_t first_frame) {
    Outcome outcome{{}, make_swing_tracker(width)};
    for (std::size_t n = 0; n < values.size(); ++n) {
        HalfPeriod event;
        if (track_sample(outcome.tracker, values[n], first_frame + static_cast<std::int64_t>(n),
                         event))
            outcome.events.push_back(event);
    }
    return outcome;
}

// Blocks that end at each of `cuts` (ascending) and at the end.
Outcome by_blocks(int width, const Samples& values, std::int64_t first_frame,
                  const std::vector<std::size_t>& cuts) {
    Outcome outcome{{}, make_swing_tracker(width)};
    std::size_t done = 0;
    std::vector<HalfPeriod> events(values.size() / 2 + 1);
    for (std::size_t end : cuts) {
        end = std::min(end, values.size());
        const std::size_t found =
            track_block(outcome.tracker, values.data() + done, end - done,
                        first_frame + static_cast<std::int64_t>(done), events.data());
        outcome.events.insert(outcome.events.end(), events.begin(),
                              events.begin() + static_cast<std::ptrdiff_t>(found));
        done = end;
    }
    const std::size_t found =
        track_block(outcome.tracker, values.data() + done, values.size() - done,
                    first_frame + static_cast<std::int64_t>(done), events.data());
    outcome.events.insert(outcome.events.end(), events.begin(),
                          events.begin() + static_cast<std::ptrdiff_t>(found));
    return outcome;
}

// The 16-bit range of a width: the floor and the top.
std::int16_t floor_of(int width) { return width == 1 ? -128 : INT16_MIN; }
std::int16_t top_of(int width) { return width == 1 ? 127 : INT16_MAX; }

std::int16_t clamp_to(int width, double value) {
    return static_cast<std::int16_t>(
        std::clamp<double>(std::lround(value), floor_of(width), top_of(width)));
}

// A tone of the given period and amplitude (shares of full scale) with noise, flattened on the
// floor for `flat` samples at each trough: a clipped recording.
Samples tone(int width, std::mt19937& random, std::size_t count, double period, double amplitude,
             double noise, int flat) {
    const double full = top_of(width);
    const double pi = std::acos(-1.0);
    std::normal_distribution<double> hiss(0.0, noise * full);
    Samples values;
    int flat_left = 0;
    for (std::size_t n = 0; values.size() < count; ++n) {
        const double phase = 2 * pi * static_cast<double>(n) / period;
        const double value = amplitude * full * std::sin(phase) + hiss(random);
        if (flat > 0 && std::sin(phase) < -0.95 && flat_left == 0)
            flat_left = flat;
        if (flat_left > 0) {
            --flat_left;
            values.push_back(floor_of(width));
            continue;
        }
        values.push_back(clamp_to(width, value));
    }
    return values;
}

// Values drawn from a few chosen ones: the limits, the clip band's edges, zero.
Samples extremes(int width, std::mt19937& random, std::size_t count) {
    const std::int16_t floor = floor_of(width);
    const std::int16_t chosen[] = {floor,
                                   static_cast<std::int16_t>(floor + 1),
                                   static_cast<std::int16_t>(floor + 3),
                                   static_cast<std::int16_t>(floor + 4),
                                   0,
                                   static_cast<std::int16_t>(top_of(width) - 1),
                                   top_of(width)};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(chosen) - 1);
    Samples values(count);
    for (std::int16_t& value : values)
        value = chosen[pick(random)];
    return values;
}

// A walk in steps of exactly the hysteresis, one more, one less or none: every comparison of
// the tracker on its edge.
Samples hysteresis_walk(int width, std::mt19937& random, std::size_t count) {
    const std::int32_t h = make_swing_tracker(width).hysteresis;
    const std::int32_t steps[] = {-h - 1, -h, -h + 1, 0, h - 1, h, h + 1};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(steps) - 1);
    Samples values;
    double value = 0;
    while (values.size() < count) {
        value += steps[pick(random)];
        values.push_back(clamp_to(width, value));
        value = values.back();
    }
    return values;
}

// Runs of the floor and of values that flicker inside and just outside the clip band, between
// full swings: clipped runs of every length, opening and closing anywhere.
Samples clip_flicker(int width, std::mt19937& random, std::size_t count) {
    const std::int16_t floor = floor_of(width);
    std::uniform_int_distribution<int> run(0, 12);
    std::uniform_int_distribution<int> offset(0, 5);
    Samples values;
    while (values.size() < count) {
        values.push_back(top_of(width));
        for (int n = run(random); n > 0; --n)
            values.push_back(static_cast<std::int16_t>(floor + offset(random)));
    }
    values.resize(count);
    return values;
}

// Clipped runs longer than a 64-sample mask word, some held on the floor and some only near it,
// between full swings.
Samples long_clips(int width, std::mt19937& random, std::size_t count) {
    const std::int16_t floor = floor_of(width);
    std::uniform_int_distribution<int> run(1, 300);
    std::uniform_int_distribution<int> near(1, 3);
    Samples values;
    for (int k = 0; values.size() < count; ++k) {
        values.push_back(top_of(width));
        values.push_back(floor);
        for (int n = run(random); n > 0; --n)
            values.push_back(k % 2 == 0 ? floor : static_cast<std::int16_t>(floor + near(random)));
    }
    values.resize(count);
    return values;
}

// An unclipped tone with one trough in every 5000 samples held on the floor long enough to move
// its event, and left through a sample above the band but within the hysteresis: the run closes
// a sample before the event, so that blocks and stretches also end between the two.
Samples rare_long_clips(int width, std::mt19937& random, std::size_t count) {
    Samples values = tone(width, random, count, 18.4, 0.9, 0.0, 0);
    for (std::size_t first = 600; first + 40 < count; first += 5000) {
        std::size_t trough = first;
        while (values[trough + 1] < values[trough])
            ++trough;
        std::fill_n(values.begin() + static_cast<std::ptrdiff_t>(trough), 9, floor_of(width));
        values[trough + 9] = static_cast<std::int16_t>(floor_of(width) + 5);
    }
    return values;
}

Samples uniform(int width, std::mt19937& random, std::size_t count) {
    std::uniform_int_distribution<int> value(floor_of(width), top_of(width));
    Samples values(count);
    for (std::int16_t& v : values)
        v = static_cast<std::int16_t>(value(random));
    return values;
}

// A tone with long stretches of silence and of a whisper below the hysteresis: lanes that start
// on the wrong course and cannot find the right one in their warm-up.
Samples silences(int width, std::mt19937& random, std::size_t count) {
    Samples values = tone(width, random, count, 18.4, 0.8, 0.01, 0);
    std::uniform_int_distribution<std::size_t> start(0, count - 1);
    for (int gap = 0; gap < 4; ++gap) {
        const std::size_t first = start(random);
        const std::size_t last = std::min(count, first + 700);
        for (std::size_t n = first; n < last; ++n)
            values[n] = static_cast<std::int16_t>(gap % 2 == 0 ? 0 : values[n] / 40);
    }
    return values;
}

// A tone under the hysteresis, which gives the tracker no course, then loud, then under it again,
// in stretches of many blocks.
Samples quiet_and_loud(int width, std::mt19937& random, std::size_t count) {
    const Samples loud = tone(width, random, count, 18.4, 0.8, 0.01, 0);
    const Samples quiet = tone(width, random, count, 18.4, 0.01, 0.0, 0);
    Samples values(count);
    for (std::size_t n = 0; n < count; ++n)
        values[n] = n / 9000 % 3 == 1 ? loud[n] : quiet[n];
    return values;
}

struct Family {
    const char* name;
    std::function<Samples(int, std::mt19937&, std::size_t)> make;
};

const std::vector<Family>& families() {
    static const std::vector<Family> all = {
        {"tone",
         [](int w, std::mt19937& r, std::size_t c) { return tone(w, r, c, 9.1, 1.0, 0.02, 0); }},
        {"quiet tone",
         [](int w, std::mt19937& r, std::size_t c) { return tone(w, r, c, 36.7, 0.06, 0.02, 0); }},
        {"clipped tone",
         [](int w, std::mt19937& r, std::size_t c) { return tone(w, r, c, 18.4, 1.3, 0.01, 7); }},
        {"extremes", extremes},
        {"hysteresis walk", hysteresis_walk},
        {"clip flicker", clip_flicker},
        {"long clips", long_clips},
        {"rare long clips", rare_long_clips},
        {"uniform", uniform},
        {"silences", silences},
        {"quiet and loud", quiet_and_loud},
    };
    return all;
}

} // namespace

// One cut, at every offset of a block a little longer than two of the lanes' smallest stretch.
TEST(SwingBlock, MatchesTrackerWithACutAtEveryOffset) {
    constexpr std::size_t count = 2 * 1024 + 200;
    for (const int width : {1, 2}) {
        for (const Family& family : families()) {
            SCOPED_TRACE(std::string(family.name) + ", width " + std::to_string(width));
            std::mt19937 random(static_cast<unsigned>(width * 7919));
            const Samples values = family.make(width, random, count);
            const Outcome expected = by_sample(width, values, 1);
            for (std::size_t cut = 0; cut <= count; ++cut) {
                const std::string difference =
                    first_difference(expected, by_blocks(width, values, 1, {cut}));
                ASSERT_EQ("", difference) << "cut at " << cut;
            }
        }
    }
}

// Long runs cut into blocks of random lengths, from frame numbers where the 32-bit sample index
// wraps.
TEST(SwingBlock, MatchesTrackerOverRandomBlocksAndFrameNumbers) {
    constexpr std::size_t count = 60000;
    const std::int64_t first_frames[] = {1, (std::int64_t{1} << 31) - 20000,
                                         (std::int64_t{1} << 32) - 30000};
    for (const int width : {1, 2}) {
        for (const Family& family : families()) {
            for (const std::int64_t first_frame : first_frames) {
                SCOPED_TRACE(std::string(family.name) + ", width " + std::to_string(width) +
                             ", from frame " + std::to_string(first_frame));
                std::mt19937 random(static_cast<unsigned>(first_frame % 65521 + width));
                const Samples values = family.make(width, random, count);
                std::uniform_int_distribution<std::size_t> block(1, 20000);
                std::vector<std::size_t> cuts;
                for (std::size_t end = block(random); end < count; end += block(random))
                    cuts.push_back(end);
                EXPECT_EQ("", first_difference(by_sample(width, values, first_frame),
                                               by_blocks(width, values, first_frame, cuts)));
            }
        }
    }
}

// The lanes against one lane, from every kind of course and hysteresis, including one so large
// that nothing moves and none at all, in each loop that this build and processor have.
TEST(SwingLanes, FindTurnsMatchesFollowingOneSampleAtATime) {
    const std::int16_t hystereses[] = {0, 1, 6, 1638, swing_lanes_hysteresis_limit};
    constexpr std::size_t count = 16 * 256;
    for (const LaneLoop loop : {LaneLoop::Fastest, LaneLoop::Baseline}) {
        for (const std::int16_t hysteresis : hystereses) {
            for (const Family& family : families()) {
                for (const int width : {1, 2}) {
                    SCOPED_TRACE(std::string(family.name) + ", width " + std::to_string(width) +
                                 ", hysteresis " + std::to_string(hysteresis) +
                                 (loop == LaneLoop::Baseline ? ", baseline loop" : ", fastest loop"));
                    std::mt19937 random(static_cast<unsigned>(hysteresis + width));
                    const Samples values = family.make(width, random, count);
                    const SwingCourse course{values[0], (random() & 1) != 0};
                    std::vector<std::uint64_t> expected(count / 64);
                    std::vector<std::uint64_t> found(count / 64, ~std::uint64_t{0});
                    const SwingCourse expected_end =
                        follow_turns(course, hysteresis, values.data(), count, expected.data());
                    const SwingCourse found_end =
                        find_turns(course, hysteresis, values.data(), count, found.data(), loop);
                    EXPECT_EQ(expected, found);
                    EXPECT_EQ(expected_end, found_end);
                }
            }
        }
    }
}

TEST(SwingLanes, StretchIsWholeWordsPerLane) {
    EXPECT_EQ(0u, turn_stretch(1023));
    EXPECT_EQ(1024u, turn_stretch(1024));
    EXPECT_EQ(1024u, turn_stretch(2047));
    EXPECT_EQ(2048u, turn_stretch(2048));
    EXPECT_EQ(8192u, turn_stretch(9000));
}
