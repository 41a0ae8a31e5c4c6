// A lane: DC removal, the tone detectors, the history and the frame clock at one bit rate.
#include "rescue/decode_lane.h"

#include "base/kcs.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The clock catches up after every this many DC-free samples, counted from the first, so the
// history needs to hold only this many window starts beyond the clock's own span: small enough
// to stay in the processor's cache. The points where it catches up do not depend on how the
// caller cuts the recording into blocks, and neither does the output.
constexpr std::int64_t clock_step_samples = 1024;
// The decoded channel is taken out of the frames in pieces of at most this many samples.
constexpr std::int64_t piece_samples = 16384;

// The first window - 1 samples only fill the first window: their sums belong to no whole window
// and stay out of the history.
void fill_first_window(DecodeLane& lane, const std::int32_t* samples, std::size_t count,
                       std::size_t filling) {
    std::array<ToneSums, clock_step_samples> mark;
    std::array<ToneSums, clock_step_samples> space;
    push_tone_block(lane.front.mark, samples, count, mark.data());
    push_tone_block(lane.front.space, samples, count, space.data());
    push_history_block(lane.history, mark.data() + filling, space.data() + filling,
                       count - filling);
}

// The detectors write their sums straight into the history's ring, in at most two runs. Through
// a buffer of their own, the copy into the ring took 16 % of the decode (perf, 44100 Hz mono).
void push_tones_into_history(DecodeLane& lane, const std::int32_t* samples, std::size_t count) {
    for (std::size_t done = 0; done < count;) {
        const HistorySlots slots = next_history_slots(lane.history, count - done);
        push_tone_block(lane.front.mark, samples + done, slots.count, slots.mark);
        push_tone_block(lane.front.space, samples + done, slots.count, slots.space);
        add_history_slots(lane.history, slots.count);
        done += slots.count;
    }
}

// Feeds DC-free samples through the detectors into the history, letting the clock catch up at
// every step. The history keeps the sums: the clock reads a few dozen window starts per word,
// so magnitudes are worked out there rather than for every sample.
void feed(DecodeLane& lane, const std::int32_t* samples, std::int64_t count,
          std::vector<DecodedWord>& words) {
    while (count > 0) {
        const std::int64_t step =
            std::min(count, clock_step_samples - lane.detector_samples % clock_step_samples);
        const auto size = static_cast<std::size_t>(step);
        const std::int64_t filling = lane.front.window_samples - 1 - lane.detector_samples;
        if (filling > 0)
            fill_first_window(lane, samples, size,
                              static_cast<std::size_t>(std::min(filling, step)));
        else
            push_tones_into_history(lane, samples, size);
        lane.detector_samples += step;
        samples += step;
        count -= step;
        if (lane.detector_samples % clock_step_samples == 0)
            drain_lane(lane, words);
    }
}

// Runs one channel of `count` frames, `stride` samples apart, through the DC remover into the
// detectors.
void decode_channel(DecodeLane& lane, const std::int16_t* samples, std::int64_t count, int stride,
                    std::vector<DecodedWord>& words) {
    for (std::int64_t done = 0; done < count; done += piece_samples) {
        const std::int64_t size = std::min(piece_samples, count - done);
        lane.channel_block.resize(static_cast<std::size_t>(size));
        const std::int16_t* sample = samples + done * stride;
        for (std::int32_t& value : lane.channel_block) {
            value = *sample;
            sample += stride;
        }
        remove_dc_block(lane.front.remover, lane.channel_block.data(), lane.channel_block.size());
        // The remover's first outputs come before its centre reaches the first sample.
        const std::int64_t skipped = std::min(lane.dc_outputs_to_skip, size);
        lane.dc_outputs_to_skip -= skipped;
        feed(lane, lane.channel_block.data() + skipped, size - skipped, words);
    }
}

} // namespace

// A detector reads a tone of amplitude A as A x window/2 x the sine table's scale x the DC
// remover's scale; full scale is 32768.
double full_scale(const ToneFront& front) {
    return 32768.0 * front.window_samples / 2 * 16384.0 *
           static_cast<double>(front.remover.ring.size());
}

namespace {

// A framed word whose data bits tell one framing from another: a NUL frames alike as 8N1 and as
// 7E1 (its parity bit 0, its bit 7 0), and the NUL leader of a Nascom tape was taken for 7E1; all
// ones frame alike as 8N1 and as 7N2. Only the first 7 data bits are looked at, which every
// framing reads from the same bits of the line, so that a word tells in all readings or none.
bool is_telling(const DecodedWord& word) {
    constexpr int seven_ones = 0x7F;
    const int first_seven = word.byte & seven_ones;
    return !word.is_framing_error && !word.is_parity_error && first_seven != 0 &&
           first_seven != seven_ones;
}

// The clock counts from the lane's first sample; words count from the recording's.
void drain_reading(DecodeLane& lane, LaneReading& reading, double scale,
                   std::vector<DecodedWord>& words) {
    DecodedWord word;
    const auto origin = static_cast<double>(lane.origin_frames);
    while (next_word(reading.clock, lane.history, word)) {
        word.edge += origin;
        if (reading.clock.words == 1)
            word.gap_before += origin;
        word.mark_level /= scale;
        word.space_level /= scale;
        word.baud = lane.baud;
        word.format = reading.clock.frame.format;
        count_repeats(reading.repeats, word);
        if (lane.is_holding) {
            reading.telling_words += is_telling(word);
            reading.held.push_back(word);
        } else {
            words.push_back(word);
        }
    }
}

// The first start edge that a reading awake found since the others were put to sleep, or a
// negative number while none has.
double first_start_edge(const DecodeLane& lane) {
    double first = -1;
    for (const LaneReading& reading : lane.readings) {
        const double edge = reading.clock.first_candidate;
        if (!reading.is_dormant && !reading.is_retired && edge >= 0)
            first = first < 0 ? edge : std::min(first, edge);
    }
    return first;
}

// Readings of the other framings sleep through the leader, which holds no word, and start a bit
// before the first start edge that a reading awake finds: twelve framings at three rates searching
// 4 s of look-ahead sample by sample cost twice what the rest of a 12-minute decode did.
void wake_readings(DecodeLane& lane) {
    if (std::none_of(lane.readings.begin(), lane.readings.end(),
                     [](const LaneReading& reading) { return reading.is_dormant; }))
        return;
    const double first = first_start_edge(lane);
    if (first < 0)
        return;
    for (LaneReading& reading : lane.readings) {
        if (!reading.is_dormant)
            continue;
        reading.is_dormant = false;
        reading.clock.search_from =
            static_cast<std::int64_t>(std::floor(first - reading.clock.frame.bit_samples));
    }
}

} // namespace

void drain_lane(DecodeLane& lane, std::vector<DecodedWord>& words) {
    const double scale = full_scale(lane.front);
    for (LaneReading& reading : lane.readings)
        if (!reading.is_retired && !reading.is_dormant)
            drain_reading(lane, reading, scale, words);
    wake_readings(lane);
}

void finish_lane(DecodeLane& lane, std::vector<DecodedWord>& words) {
    for (LaneReading& reading : lane.readings)
        reading.clock.is_at_end = true;
    drain_lane(lane, words);
}

void configure_lane(DecodeLane& lane, std::uint32_t rate_hz, const std::vector<ReadingKind>& kinds,
                    const Calibration& calibration, std::int64_t origin_frames) {
    lane.calibration = calibration;
    lane.origin_frames = origin_frames;
    configure_tone_front(lane.front, rate_hz, calibration.estimate.speed,
                         static_cast<int>(std::lround(calibration.bit_samples)));
    lane.dc_outputs_to_skip = dc_remover_delay(lane.front.remover);
    lane.readings.assign(kinds.size(), {});
    std::int64_t span = 0;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        configure_clock(lane.readings[i].clock, kinds[i], calibration.bit_samples,
                        static_cast<double>(space_hz) / lane.baud, calibration.mark_level,
                        calibration.space_level);
        span = std::max(span, clock_history_span(kinds[i].format, calibration.bit_samples));
    }
    configure_history(lane.history, span + clock_step_samples);
}

void push_lane(DecodeLane& lane, const std::int16_t* frames, std::int64_t count, int channels,
               std::vector<DecodedWord>& words) {
    decode_channel(lane, frames + lane.calibration.channel, count, channels, words);
}

void keep_reading(DecodeLane& lane, std::size_t index, std::vector<DecodedWord>& words) {
    LaneReading kept = std::move(lane.readings[index]);
    words.insert(words.end(), kept.held.begin(), kept.held.end());
    kept.held = {};
    lane.readings.clear();
    lane.readings.push_back(std::move(kept));
    lane.is_holding = false;
}
