// The half-period classifier and its calibration, fed with event streams directly.
#include "decoder/kcs_decoder.h"

#include "cli/options.h"
#include "test_support.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr std::int32_t int32_max = std::numeric_limits<std::int32_t>::max();

// Adds an entry to a blank-separated list.
void add_entry(std::string& list, const std::string& entry) {
    if (!list.empty())
        list += ' ';
    list += entry;
}

// Feeds events one by one and logs every decided bit as "event:bit", events counted from 1.
struct EventLog {
    explicit EventLog(KcsDecoder& decoder_under_test) : decoder(decoder_under_test) {}

    void feed(std::int32_t length, std::int32_t sample_index) {
        ++events;
        const char bit = decided_bit(length, sample_index);
        if (bit != '\0')
            add_entry(bits, std::to_string(events) + ":" + bit);
    }

    // bits_seen counts the pushes until a word is accepted; the push that completes a word is
    // its last stop bit, a 1.
    char decided_bit(std::int32_t length, std::int32_t sample_index) {
        const std::int32_t bits_before = decoder.bits_seen;
        const std::int32_t bytes_before = decoder.bytes_written;
        decoder.on_half_period(length, sample_index);
        if (decoder.bytes_written != bytes_before) {
            byte_sample = sample_index;
            return '1';
        }
        if (decoder.bits_seen == bits_before)
            return '\0';
        return decoder.frame_bits[decoder.frame_length - 1] != 0 ? '1' : '0';
    }

    // The worked leader at 21600 Hz: falling halves of 4 and 5 samples, one every 9 samples.
    void feed_leader_until(int last_event, std::uint32_t first_sample = 9) {
        while (events < last_event) {
            const std::uint32_t sample = first_sample + 9u * static_cast<std::uint32_t>(events);
            feed(events % 2 == 0 ? 4 : 5, static_cast<std::int32_t>(sample));
        }
    }

    KcsDecoder& decoder;
    int events = 0;
    std::string bits;
    std::int32_t byte_sample = 0; // sample index of the latest event that completed a word
};

class ClassifierTest : public TargetFileTest {};

TEST_F(ClassifierTest, ConstructedDecoderHasNarrowToleranceAndNoReferences) {
    KcsDecoder decoder(target);
    EXPECT_EQ(22050, decoder.input_rate);
    EXPECT_EQ(300, decoder.baud);
    EXPECT_EQ(40, decoder.max_half_period);
    EXPECT_EQ(2, decoder.tolerance);
    EXPECT_EQ(-1, decoder.space_reference);
    EXPECT_EQ(-1, decoder.mark_reference);
    EXPECT_EQ(11, decoder.frame_length);
    EXPECT_EQ(target, decoder.output);
}

TEST_F(ClassifierTest, ConfigureRateDerivesLimitsAndReferences) {
    struct Row {
        std::int32_t rate, max_at_300, max_at_600, space, mark, tolerance_21600, tolerance_22050;
    };
    const Row rows[] = {
        {16000, 30, 17, 7, 4, 2, 2},   {21600, 40, 22, 10, 5, 3, 2},
        {22050, 40, 22, 10, 5, 3, 3},  {44100, 77, 40, 19, 10, 4, 4},
        {48000, 84, 44, 21, 11, 4, 4}, {65536, 113, 58, 28, 14, 5, 4},
    };
    for (const Row& row : rows) {
        for (const std::int32_t sample_rate : {21600, 22050}) {
            SCOPED_TRACE(std::to_string(row.rate) + " Hz, encoder at " +
                         std::to_string(sample_rate));
            options.sample_rate = sample_rate;
            KcsDecoder decoder(target);
            ASSERT_TRUE(decoder.configure_rate(row.rate, 600));
            EXPECT_EQ(row.max_at_600, decoder.max_half_period);
            ASSERT_TRUE(decoder.configure_rate(row.rate, 300));
            EXPECT_EQ(row.max_at_300, decoder.max_half_period);
            EXPECT_EQ(row.rate, decoder.input_rate);
            EXPECT_EQ(300, decoder.baud);
            EXPECT_EQ(row.space, decoder.space_reference);
            EXPECT_EQ(row.mark, decoder.mark_reference);
            EXPECT_EQ(sample_rate == 21600 ? row.tolerance_21600 : row.tolerance_22050,
                      decoder.tolerance);
        }
    }
}

TEST_F(ClassifierTest, ConfigureRateRefusesRatesOutsideTheRangeAndChangesNothing) {
    struct Case {
        std::int32_t rate, baud;
    };
    // A bit rate of 0 or less would be divided by.
    const Case refused[] = {{15999, 300},     {65537, 600},
                            {0, 300},         {-1, 300},
                            {int32_max, 300}, {std::numeric_limits<std::int32_t>::min(), 300},
                            {21600, 0},       {21600, -300}};
    for (const Case& c : refused) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz at " + std::to_string(c.baud));
        KcsDecoder decoder(target);
        EXPECT_FALSE(decoder.configure_rate(c.rate, c.baud));
        EXPECT_EQ(22050, decoder.input_rate);
        EXPECT_EQ(300, decoder.baud);
        EXPECT_EQ(40, decoder.max_half_period);
        EXPECT_EQ(2, decoder.tolerance);
        EXPECT_EQ(-1, decoder.space_reference);
        EXPECT_EQ(-1, decoder.mark_reference);
    }
    KcsDecoder decoder(target);
    EXPECT_TRUE(decoder.configure_rate(16000, 300));
    EXPECT_TRUE(decoder.configure_rate(65536, 600));
    EXPECT_EQ(65536, decoder.input_rate);
}

TEST_F(ClassifierTest, OverlongEventsAreDroppedBeforeAndAfterTheStart) {
    KcsDecoder decoder(target);
    ASSERT_TRUE(decoder.configure_rate(21600, 300));
    EXPECT_FALSE(decoder.on_half_period(41, 100));
    EXPECT_FALSE(decoder.started);
    EXPECT_EQ(0, decoder.last_event_sample);
    EXPECT_EQ(0, decoder.measure_start_sample);

    // The first accepted event only enters the run.
    EXPECT_TRUE(decoder.on_half_period(40, 109));
    EXPECT_TRUE(decoder.started);
    EXPECT_EQ(109, decoder.last_event_sample);
    EXPECT_EQ(0, decoder.previous_event_sample);
    EXPECT_EQ(109, decoder.measure_start_sample);
    EXPECT_EQ(1, decoder.measure_count);
    EXPECT_EQ(1, decoder.recent_lengths.count);
    EXPECT_EQ(0, decoder.bits_seen);

    // Once started, an over-long event moves the two indexes and nothing else.
    EXPECT_FALSE(decoder.on_half_period(41, 118));
    EXPECT_EQ(118, decoder.last_event_sample);
    EXPECT_EQ(109, decoder.previous_event_sample);
    EXPECT_EQ(1, decoder.measure_count);
    EXPECT_EQ(1, decoder.recent_lengths.count);
    EXPECT_EQ(40, decoder.recent_lengths.sum);
}

TEST_F(ClassifierTest, LeaderDecidesAMarkEveryEightEventsAndMeasuresIt) {
    KcsDecoder decoder(target);
    ASSERT_TRUE(decoder.configure_rate(21600, 300));
    EventLog log(decoder);
    log.feed_leader_until(34);
    EXPECT_EQ("10:1 18:1 26:1 34:1", log.bits);
    EXPECT_DOUBLE_EQ(21600.0 * 34 / 297, decoder.input_frequency);
    EXPECT_EQ(0, decoder.calibration_state);
    EXPECT_EQ(1, decoder.recent_lengths.count);
    EXPECT_EQ(5, decoder.recent_lengths.last);
}

TEST_F(ClassifierTest, LongLeaderCalibratesAtTheThousandAndSecondEvent) {
    KcsDecoder decoder(target);
    ASSERT_TRUE(decoder.configure_rate(21600, 300));
    EventLog log(decoder);
    // The mark bit at the 994th event has 994 events measured: it measures but does not
    // calibrate.
    log.feed_leader_until(1001);
    EXPECT_DOUBLE_EQ(21600.0 * 994 / 8937, decoder.input_frequency);
    EXPECT_EQ(0, decoder.calibration_state);
    EXPECT_EQ(10, decoder.space_reference);
    EXPECT_EQ(5, decoder.mark_reference);

    log.feed_leader_until(1002);
    EXPECT_EQ(1, decoder.calibration_state);
    EXPECT_DOUBLE_EQ(21600.0 * 1002 / 9009, decoder.input_frequency);
    EXPECT_EQ(40, decoder.max_half_period);
    EXPECT_EQ(300, decoder.baud);
    // From the run average 36 / 8, truncated.
    EXPECT_EQ(4, decoder.mark_reference);
    EXPECT_EQ(8, decoder.space_reference);
    EXPECT_EQ(125, decoder.bits_seen);
}

TEST_F(ClassifierTest, ChangeOfToneDecidesThePartialRunThenSpaces) {
    KcsDecoder decoder(target);
    ASSERT_TRUE(decoder.configure_rate(21600, 300));
    EventLog log(decoder);
    log.feed_leader_until(40);
    log.bits.clear();
    for (std::int32_t sample = 360 + 18; log.events < 57; sample += 18)
        log.feed(9, sample);
    EXPECT_EQ("41:1 45:0 49:0 53:0 57:0", log.bits);
    EXPECT_EQ(0, decoder.calibration_state);
}

TEST_F(ClassifierTest, TrailerAfterCalibrationNeitherMeasuresNorCalibrates) {
    KcsDecoder decoder(target);
    ASSERT_TRUE(decoder.configure_rate(21600, 300));
    EventLog log(decoder);
    log.feed_leader_until(1010);
    const double leader_frequency = decoder.input_frequency;
    std::int32_t sample = 1010 * 9;
    for (int event = 0; event < 8; ++event)
        log.feed(9, sample += 18);
    EXPECT_EQ(2, decoder.calibration_state);
    for (int event = 0; event < 3000; ++event)
        log.feed(event % 2 == 0 ? 4 : 5, sample += 9);
    EXPECT_EQ(2, decoder.calibration_state);
    EXPECT_EQ(0, decoder.measure_start_sample);
    EXPECT_DOUBLE_EQ(leader_frequency, decoder.input_frequency);
    EXPECT_EQ(40, decoder.max_half_period);
    EXPECT_EQ(4, decoder.mark_reference);
    EXPECT_EQ(8, decoder.space_reference);
}

TEST_F(ClassifierTest, ShortRunsBeforeAChangeOfToneDecideNoBit) {
    struct Case {
        std::int32_t baud;
        std::string run;    // mark lengths before a space length of 9
        std::string bits;   // decided bits
        std::int32_t count; // lengths in the run afterwards
        std::int64_t sum;
    };
    const Case cases[] = {
        {300, "45", "", 2, 14},
        {300, "454", "4:1", 1, 9},
        {600, "4", "", 2, 13},
        {600, "45", "3:1", 1, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.baud) + " baud, run " + c.run);
        KcsDecoder decoder(target);
        ASSERT_TRUE(decoder.configure_rate(21600, c.baud));
        EventLog log(decoder);
        for (char length : c.run)
            log.feed(length - '0', 9 * (log.events + 1));
        log.feed(9, 9 * (log.events + 1));
        EXPECT_EQ(c.bits, log.bits);
        EXPECT_EQ(c.count, decoder.recent_lengths.count);
        EXPECT_EQ(c.sum, decoder.recent_lengths.sum);
        EXPECT_EQ(9, decoder.recent_lengths.last);
        EXPECT_EQ(0, decoder.measure_start_sample);
    }
}

TEST_F(ClassifierTest, RunAverageNamesTheBit) {
    struct Case {
        const char* name;
        std::int32_t mark_reference, space_reference;
        std::string lengths; // one digit per event, a letter for 10 and up
        std::string bits;
    };
    const Case cases[] = {
        // Halfway between the references is nearer to neither: a same-tone bit is a space,
        // a mark-side length stays in the run, a space-side length changes the tone.
        {"equidistant, same tone", 4, 8, "6666666", "7:0"},
        {"equidistant, far mark side", 4, 8, "6662", ""},
        {"equidistant, far space side", 4, 8, "666a", "4:0"},
        // Within 2 samples of both references, the space reference wins.
        {"close to both", 4, 7, "5559", "4:0"},
        // Close to neither: the longer new tone says the ended one was the mark.
        {"close to neither, to longer", 5, 10, "1118", "4:1"},
        {"close to neither, to shorter", 5, 10, "eee6", "4:0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KcsDecoder decoder(target);
        ASSERT_TRUE(decoder.configure_rate(21600, 300));
        decoder.mark_reference = c.mark_reference;
        decoder.space_reference = c.space_reference;
        decoder.max_half_period = c.lengths[0] == 'e' ? 100 : 40;
        EventLog log(decoder);
        for (char length : c.lengths)
            log.feed(length <= '9' ? length - '0' : length - 'a' + 10, 9 * (log.events + 1));
        EXPECT_EQ(c.bits, log.bits);
    }
}

// Clean 300-baud events at 21600 Hz, as our own recordings give them: 8 mark cycles of 9 samples
// with falling halves of 4 and 5, or 4 space cycles of 18 samples with halves of 9.
void feed_bit_cells(EventLog& log, const std::string& bits, std::int32_t& sample) {
    for (char bit : bits) {
        if (bit == ' ')
            continue;
        for (int cycle = 0; cycle < (bit == '1' ? 8 : 4); ++cycle)
            log.feed(bit == '1' ? 4 + cycle % 2 : 9, sample += (bit == '1' ? 9 : 18));
    }
}

TEST_F(ClassifierTest, CleanWordDecodesWithTheIndexOfTheEventBefore) {
    options.diagnostics = true;
    DiagnosticCapture trace;
    KcsDecoder decoder(target);
    ASSERT_TRUE(decoder.configure_rate(21600, 300));
    EventLog log(decoder);
    std::int32_t sample = 0;
    feed_bit_cells(log, std::string(150, '1'), sample);
    EXPECT_EQ(1, decoder.calibration_state);
    feed_bit_cells(log, "0 10000010 11 11111", sample);
    EXPECT_EQ("A", stream_contents(target));
    EXPECT_EQ(0, decoder.framing_errors);
    // Mark events are 9 samples apart.
    char line[32];
    std::snprintf(line, sizeof line, "[%08d=41]A\r\n", log.byte_sample - 9);
    EXPECT_NE(std::string::npos, trace.text().find(line)) << "looked for " << line;
}

TEST_F(ClassifierTest, RefusedRateDecidesOnlySpacesAndWritesNothing) {
    KcsDecoder decoder(target);
    EXPECT_FALSE(decoder.configure_rate(8000, 300));
    EventLog log(decoder);
    std::int32_t sample = 0;
    feed_bit_cells(log, std::string(150, '1') + "0 10000010 11 11111", sample);
    EXPECT_NE("", log.bits);
    EXPECT_EQ(std::string::npos, log.bits.find(":1"));
    EXPECT_EQ(0, decoder.bytes_written);
    EXPECT_EQ("", stream_contents(target));
}

// At 600 baud the calibrated limit must still hold the 4 events of one mark bit, or a mark bit
// would be decided every 3 cycles.
TEST_F(ClassifierTest, FastCalibrationKeepsFourEventsPerMarkBit) {
    struct Case {
        std::int32_t rate;
        std::int32_t lengths[2]; // falling halves, alternating
        double cycle_samples;    // one 2400 Hz cycle
        std::int32_t calibrated_limit;
    };
    const Case cases[] = {{21600, {5, 5}, 9.0, 21}, {44100, {9, 10}, 18.375, 42}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz");
        KcsDecoder decoder(target);
        ASSERT_TRUE(decoder.configure_rate(c.rate, 600));
        EventLog log(decoder);
        std::string expected;
        for (int event = 1; event <= 1200; ++event) {
            log.feed(c.lengths[event % 2 == 0 ? 1 : 0],
                     1 + static_cast<std::int32_t>(std::floor(event * c.cycle_samples)));
            if (event % 4 == 1 && event > 1)
                add_entry(expected, std::to_string(event) + ":1");
            if (event == 1000) {
                EXPECT_EQ(0, decoder.calibration_state);
            }
            if (event == 1001) {
                EXPECT_EQ(1, decoder.calibration_state);
            }
        }
        EXPECT_EQ(c.calibrated_limit, decoder.max_half_period);
        EXPECT_EQ(600, decoder.baud);
        EXPECT_EQ(expected, log.bits);
    }
}

// Alternating lengths far apart on the space side never leave the run: it grows for as long as
// the stream lasts, and each event must still cost the same.
TEST_F(ClassifierTest, HostileStreamKeepsTheRunGrowingSafely) {
    KcsDecoder decoder(target);
    ASSERT_TRUE(decoder.configure_rate(21600, 300));
    constexpr std::int32_t event_count = 3'000'000;
    for (std::int32_t event = 1; event <= event_count; ++event)
        decoder.on_half_period(event % 2 == 1 ? 8 : 40, 9 * event);
    EXPECT_EQ(event_count, decoder.recent_lengths.count);
    EXPECT_EQ(std::int64_t{event_count} / 2 * 48, decoder.recent_lengths.sum);
    EXPECT_EQ(40, decoder.recent_lengths.last);
    EXPECT_EQ(event_count, decoder.measure_count);
    EXPECT_EQ(0, decoder.bits_seen);
}

TEST_F(ClassifierTest, CountsSaturateInsteadOfOverflowing) {
    KcsDecoder decoder(target);
    ASSERT_TRUE(decoder.configure_rate(21600, 300));
    ASSERT_TRUE(decoder.on_half_period(40, 9));
    decoder.recent_lengths = {int32_max, std::int64_t{int32_max} * 24, 40};
    decoder.measure_count = int32_max;
    // The run forgets one length of its average 24 to make room for the new one.
    EXPECT_TRUE(decoder.on_half_period(8, 18));
    EXPECT_EQ(int32_max, decoder.recent_lengths.count);
    EXPECT_EQ(std::int64_t{int32_max} * 24 - 24 + 8, decoder.recent_lengths.sum);
    EXPECT_EQ(8, decoder.recent_lengths.last);
    EXPECT_EQ(int32_max, decoder.measure_count);
}

TEST_F(ClassifierTest, MeasurementAcrossWrappingSampleIndexes) {
    KcsDecoder decoder(target);
    ASSERT_TRUE(decoder.configure_rate(21600, 300));
    EventLog log(decoder);
    log.feed_leader_until(34, static_cast<std::uint32_t>(int32_max) - 100);
    EXPECT_LT(decoder.last_event_sample, 0);
    EXPECT_EQ("10:1 18:1 26:1 34:1", log.bits);
    EXPECT_DOUBLE_EQ(21600.0 * 34 / 297, decoder.input_frequency);
}

// Calibration from a hostile measurement saturates instead of overflowing.
TEST_F(ClassifierTest, CalibrationFromNonsenseMeasurementsStaysDefined) {
    {
        SCOPED_TRACE("no time elapsed: no frequency measured");
        KcsDecoder decoder(target);
        ASSERT_TRUE(decoder.configure_rate(21600, 300));
        EventLog log(decoder);
        while (log.events < 1002)
            log.feed(log.events % 2 == 0 ? 4 : 5, 9);
        EXPECT_EQ(1, decoder.calibration_state);
        EXPECT_EQ(0.0, decoder.input_frequency);
        EXPECT_EQ(int32_max, decoder.max_half_period);
        EXPECT_EQ(0, decoder.baud);
    }
    {
        SCOPED_TRACE("two million events in one sample");
        KcsDecoder decoder(target);
        ASSERT_TRUE(decoder.configure_rate(21600, 300));
        ASSERT_TRUE(decoder.on_half_period(4, 10));
        decoder.recent_lengths = {8, 36, 4};
        decoder.measure_count = 2'000'000;
        EXPECT_TRUE(decoder.on_half_period(5, 11));
        EXPECT_EQ(1, decoder.calibration_state);
        EXPECT_EQ(0, decoder.max_half_period);
        EXPECT_EQ(int32_max, decoder.baud);
    }
    {
        SCOPED_TRACE("huge lengths");
        KcsDecoder decoder(target);
        ASSERT_TRUE(decoder.configure_rate(21600, 300));
        decoder.max_half_period = int32_max;
        decoder.mark_reference = 2'000'000'000;
        decoder.space_reference = 0;
        ASSERT_TRUE(decoder.on_half_period(2'000'000'000, 1));
        decoder.measure_count = 2000;
        EXPECT_TRUE(decoder.on_half_period(2'000'000'000, 1000));
        EXPECT_EQ(1, decoder.calibration_state);
        EXPECT_EQ(2'000'000'000, decoder.mark_reference);
        EXPECT_EQ(int32_max, decoder.space_reference);
    }
}

} // namespace
