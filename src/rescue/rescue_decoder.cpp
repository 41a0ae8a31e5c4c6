// The streaming core: gathering the look-ahead, calibrating, then feeding every sample once.
#include "rescue/rescue_decoder.h"

#include "base/kcs.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The look-ahead holds at most 2 MB of 16-bit samples: the whole 4 s of 96000 Hz stereo or
// 192000 Hz mono, 2.7 s of 192000 Hz stereo. With 3 MB, a 192000 Hz stereo decode peaked at
// 8.0 MB of memory, over the 8 MB that the program keeps to whatever the input.
constexpr std::int64_t look_ahead_budget_bytes = 2 * 1024 * 1024;
// The clock catches up after every this many DC-free samples, counted from the first, so the
// history needs to hold only this many window starts beyond the clock's own span: small enough
// to stay in the processor's cache. The points where it catches up do not depend on how the
// caller cuts the recording into blocks, and neither does the output.
constexpr std::int64_t clock_step_samples = 1024;
// The decoded channel is taken out of the frames in pieces of at most this many samples.
constexpr std::int64_t piece_samples = 16384;

// A detector reads a tone of amplitude A as A x window/2 x the sine table's scale x the DC
// remover's scale; full scale is 32768. Zero before the front end is configured.
double full_scale(const ToneFront& front) {
    return 32768.0 * front.window_samples / 2 * 16384.0 *
           static_cast<double>(front.remover.ring.size());
}

void drain_clock(RescueDecoder& decoder, std::vector<DecodedWord>& words) {
    const double scale = full_scale(decoder.front);
    DecodedWord word;
    while (next_word(decoder.clock, decoder.history, word)) {
        // The clock counts from the first sample it was given; words count from the recording's.
        const auto origin = static_cast<double>(decoder.origin_frames);
        word.edge += origin;
        if (decoder.clock.words == 1)
            word.gap_before += origin;
        word.mark_level /= scale;
        word.space_level /= scale;
        words.push_back(word);
    }
}

// The first window - 1 samples only fill the first window: their sums belong to no whole window
// and stay out of the history.
void fill_first_window(RescueDecoder& decoder, const std::int32_t* samples, std::size_t count,
                       std::size_t filling) {
    std::array<ToneSums, clock_step_samples> mark;
    std::array<ToneSums, clock_step_samples> space;
    push_tone_block(decoder.front.mark, samples, count, mark.data());
    push_tone_block(decoder.front.space, samples, count, space.data());
    push_history_block(decoder.history, mark.data() + filling, space.data() + filling,
                       count - filling);
}

// The detectors write their sums straight into the history's ring, in at most two runs. Through
// a buffer of their own, the copy into the ring took 16 % of the decode (perf, 44100 Hz mono).
void push_tones_into_history(RescueDecoder& decoder, const std::int32_t* samples,
                             std::size_t count) {
    for (std::size_t done = 0; done < count;) {
        const HistorySlots slots = next_history_slots(decoder.history, count - done);
        push_tone_block(decoder.front.mark, samples + done, slots.count, slots.mark);
        push_tone_block(decoder.front.space, samples + done, slots.count, slots.space);
        add_history_slots(decoder.history, slots.count);
        done += slots.count;
    }
}

// Feeds DC-free samples through the detectors into the history, letting the clock catch up at
// every step. The history keeps the sums: the clock reads a few dozen window starts per word,
// so magnitudes are worked out there rather than for every sample.
void feed(RescueDecoder& decoder, const std::int32_t* samples, std::int64_t count,
          std::vector<DecodedWord>& words) {
    while (count > 0) {
        const std::int64_t step =
            std::min(count, clock_step_samples - decoder.detector_samples % clock_step_samples);
        const auto size = static_cast<std::size_t>(step);
        const std::int64_t filling = decoder.front.window_samples - 1 - decoder.detector_samples;
        if (filling > 0)
            fill_first_window(decoder, samples, size,
                              static_cast<std::size_t>(std::min(filling, step)));
        else
            push_tones_into_history(decoder, samples, size);
        decoder.detector_samples += step;
        samples += step;
        count -= step;
        if (decoder.detector_samples % clock_step_samples == 0)
            drain_clock(decoder, words);
    }
}

// Runs one channel of `count` frames, `stride` samples apart, through the DC remover into the
// detectors.
void decode_channel(RescueDecoder& decoder, const std::int16_t* samples, std::int64_t count,
                    int stride, std::vector<DecodedWord>& words) {
    for (std::int64_t done = 0; done < count; done += piece_samples) {
        const std::int64_t size = std::min(piece_samples, count - done);
        decoder.channel_block.resize(static_cast<std::size_t>(size));
        const std::int16_t* sample = samples + done * stride;
        for (std::int32_t& value : decoder.channel_block) {
            value = *sample;
            sample += stride;
        }
        remove_dc_block(decoder.front.remover, decoder.channel_block.data(),
                        decoder.channel_block.size());
        // The remover's first outputs come before its centre reaches the first sample.
        const std::int64_t skipped = std::min(decoder.dc_outputs_to_skip, size);
        decoder.dc_outputs_to_skip -= skipped;
        feed(decoder, decoder.channel_block.data() + skipped, size - skipped, words);
    }
}

// Sets up the front end, the history and the clock from a calibration on the look-ahead, and
// replays the look-ahead into them; its memory is then given back.
void start_decoding(RescueDecoder& decoder, const Calibration& found,
                    std::vector<DecodedWord>& words) {
    const RescueSettings& settings = decoder.settings;
    Calibration& calibration = decoder.calibration;
    calibration = found;
    configure_tone_front(decoder.front, decoder.look_ahead.rate_hz, calibration.estimate.speed,
                         static_cast<int>(std::lround(calibration.bit_samples)));
    decoder.dc_outputs_to_skip = dc_remover_delay(decoder.front.remover);
    configure_clock(decoder.clock, settings.format, calibration.bit_samples,
                    static_cast<double>(space_hz) / settings.baud, calibration.mark_level,
                    calibration.space_level);
    configure_history(decoder.history,
                      clock_history_span(settings.format, calibration.bit_samples) +
                          clock_step_samples);
    decoder.phase = StreamPhase::Decoding;
    const LookAhead& look_ahead = decoder.look_ahead;
    decode_channel(decoder, look_ahead.samples.data() + calibration.channel,
                   look_ahead_frames(look_ahead), decoder.channels, words);
    decoder.look_ahead.samples = {};
}

// Decodes from a full look-ahead once it begins where the tones begin. Silence before them
// tells nothing of the tape's speed and levels, and no word can lie in it: it is let go, and
// the look-ahead filled again. A real tape that began with 4 s of silence was otherwise
// calibrated on the first instants of its leader, at 9 % off its speed, and lost every block.
void take_look_ahead(RescueDecoder& decoder, std::vector<DecodedWord>& words) {
    LookAhead& look_ahead = decoder.look_ahead;
    const Calibration found = calibrate(look_ahead, decoder.settings, SilenceRule::LetGo);
    const std::int64_t silent = found.silent_frames;
    if (silent == 0) {
        start_decoding(decoder, found, words);
        return;
    }
    decoder.origin_frames += silent;
    look_ahead.samples.erase(look_ahead.samples.begin(),
                             look_ahead.samples.begin() + silent * look_ahead.channels);
}

// Keeps up to the look-ahead's capacity of frames; returns how many it took.
std::int64_t gather(RescueDecoder& decoder, const std::int16_t* frames, std::int64_t count) {
    LookAhead& look_ahead = decoder.look_ahead;
    const std::int64_t taken =
        std::min(count, decoder.look_ahead_capacity - look_ahead_frames(look_ahead));
    look_ahead.samples.insert(look_ahead.samples.end(), frames, frames + taken * decoder.channels);
    return taken;
}

} // namespace

bool is_decodable(const RescueSettings& settings, std::uint32_t rate_hz, int channels) {
    const WordFormat& format = settings.format;
    return rate_hz >= lowest_rate_hz && rate_hz <= highest_rate_hz && channels >= 1 &&
           settings.channel >= 0 && settings.channel <= channels &&
           is_family_baud(settings.baud) && (format.data_bits == 7 || format.data_bits == 8) &&
           (format.stop_bits == 1 || format.stop_bits == 2);
}

void start_rescue(RescueDecoder& decoder, const RescueSettings& settings, std::uint32_t rate_hz,
                  int channels) {
    decoder = RescueDecoder{};
    decoder.settings = settings;
    decoder.channels = channels;
    decoder.look_ahead.channels = channels;
    decoder.look_ahead.rate_hz = rate_hz;
    const auto full = static_cast<std::int64_t>(rate_hz * look_ahead_seconds);
    const std::int64_t affordable =
        look_ahead_budget_bytes / (channels * std::int64_t{sizeof(std::int16_t)});
    decoder.look_ahead_capacity = std::max<std::int64_t>(1, std::min(full, affordable));
    decoder.look_ahead.samples.reserve(
        static_cast<std::size_t>(decoder.look_ahead_capacity * decoder.look_ahead.channels));
}

void push_frames(RescueDecoder& decoder, const std::int16_t* frames, std::int64_t count,
                 std::vector<DecodedWord>& words) {
    decoder.frames += count;
    switch (decoder.phase) {
    case StreamPhase::Gathering:
        // Hold the frames until the look-ahead is full, then calibrate and go on decoding, or
        // gather the next look-ahead.
        while (decoder.phase == StreamPhase::Gathering) {
            const std::int64_t taken = gather(decoder, frames, count);
            frames += taken * decoder.channels;
            count -= taken;
            if (look_ahead_frames(decoder.look_ahead) < decoder.look_ahead_capacity)
                return;
            take_look_ahead(decoder, words);
        }
        break;
    case StreamPhase::Decoding:
        // Every frame goes straight through.
        break;
    }
    decode_channel(decoder, frames + decoder.calibration.channel, count, decoder.channels, words);
}

void finish_rescue(RescueDecoder& decoder, std::vector<DecodedWord>& words) {
    if (decoder.phase == StreamPhase::Gathering)
        start_decoding(decoder, calibrate(decoder.look_ahead, decoder.settings, SilenceRule::Keep),
                       words);
    drain_clock(decoder, words);
}

RescueResult rescue_result(const RescueDecoder& decoder) {
    const Calibration& calibration = decoder.calibration;
    const FrameClock& clock = decoder.clock;
    const SpeedEstimate& estimate = calibration.estimate;
    RescueResult result;
    result.channel = calibration.channel + 1;
    result.baud = decoder.settings.baud;
    result.speed = estimate.speed;
    result.has_leader = estimate.has_leader;
    result.is_speed_measured = estimate.measured_windows > 0;
    if (decoder.phase == StreamPhase::Decoding) {
        result.calibrated_on = estimate.has_leader ? CalibrationSource::Leader
                               : result.is_speed_measured ? CalibrationSource::ClearMark
                                                          : CalibrationSource::Nothing;
        // The look-ahead began where the silence let go before it ended.
        if (estimate.has_leader) {
            result.leader_start = estimate.leader_start + decoder.origin_frames;
            result.leader_end = estimate.leader_end + decoder.origin_frames;
        }
    }
    result.bit_samples = clock.frame.bit_samples;
    result.window_samples = decoder.front.window_samples;
    const double scale = full_scale(decoder.front);
    if (scale > 0) {
        result.mark_level = clock.frame.mark_level / scale;
        result.space_level = clock.frame.space_level / scale;
    }
    result.frames_read = decoder.frames;
    result.bytes = clock.words;
    result.suspect_words = clock.suspect_words;
    result.lost_words = clock.lost_words;
    result.locks = clock.locks;
    result.lock_losses = clock.lock_losses;
    result.jumps = clock.jumps;
    return result;
}
