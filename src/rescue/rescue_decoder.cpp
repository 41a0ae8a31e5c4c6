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
// The rates tried where none is given: those the OSI machines and CUTS record.
constexpr std::array<int, 3> family_bauds = {slow_baud, fast_baud, 1200};
// The rate is chosen once a lane has read this many framed words that do not repeat every bit:
// a second at 300 baud. Every lane costs a front end until then.
constexpr std::int64_t trial_words = 32;

// Sets up the lanes from calibrations on the look-ahead, the first one `found`, and replays the
// look-ahead into them; its memory is then given back.
void start_decoding(RescueDecoder& decoder, const Calibration& found,
                    std::vector<DecodedWord>& words) {
    const bool is_finding = decoder.lanes.size() > 1;
    decoder.held.assign(decoder.lanes.size(), {});
    for (std::size_t i = 0; i < decoder.lanes.size(); ++i) {
        DecodeLane& lane = decoder.lanes[i];
        RescueSettings settings = decoder.settings;
        settings.baud = lane.baud;
        const Calibration calibration =
            i == 0 ? found : calibrate(decoder.look_ahead, settings, SilenceRule::Keep);
        start_lane(lane, decoder.look_ahead, settings.format, calibration, decoder.origin_frames,
                   is_finding ? decoder.held[i] : words);
    }
    decoder.phase = is_finding ? StreamPhase::Finding : StreamPhase::Decoding;
    decoder.look_ahead.samples = {};
}

// Decodes from a full look-ahead once it begins where the tones begin. Silence before them
// tells nothing of the tape's speed and levels, and no word can lie in it: it is let go, and
// the look-ahead filled again. A real tape that began with 4 s of silence was otherwise
// calibrated on the first instants of its leader, at 9 % off its speed, and lost every block.
void take_look_ahead(RescueDecoder& decoder, std::vector<DecodedWord>& words) {
    LookAhead& look_ahead = decoder.look_ahead;
    RescueSettings first = decoder.settings;
    first.baud = decoder.lanes.front().baud;
    const Calibration found = calibrate(look_ahead, first, SilenceRule::LetGo);
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

// How much of the line a lane's framed words account for, in seconds of tape. A lane at four
// times the line's rate frames more words than the right one (190 to 112 on a 300-baud
// listing), each a quarter as long.
std::int64_t framed_words(const DecodeLane& lane) {
    return lane.clock.words - lane.clock.suspect_words;
}

double framed_seconds(const DecodeLane& lane) {
    return static_cast<double>(framed_words(lane) * word_bits(lane.clock.frame.format)) /
           lane.baud;
}

// A faster lane is taken over a slower one only when its framed words account for this much
// more of the line: a single word at 300 baud framed as two at 600 and three at 1200, which
// together accounted for as much tape as the one.
constexpr double faster_lane_margin = 1.25;
// Where no lane has read a word where its lock predicted it (a tape with idle line between all
// of its words), a lane needs this many framed words to be taken at the end: 6 s of pink noise
// framed one word at 1200 baud.
constexpr std::int64_t least_unlocked_words = 4;
// The rate is chosen after this many seconds of audio past the look-ahead at the latest, so
// that the words held meanwhile stay few; and it is looked at every this many frames.
constexpr double longest_trial_seconds = 30;
constexpr std::int64_t trial_step_frames = 4096;

// A lane that has read a word where its lock predicted it, after another: hiss frames single
// words, a tape runs of them.
bool has_run_of_words(const DecodeLane& lane) { return lane.clock.words > lane.clock.locks; }

// Of the lanes that `takes`, the one whose framed words account for the most of the line; -1
// where it takes none. The lanes run from the slowest rate to the fastest.
template <typename Takes>
int best_lane(const RescueDecoder& decoder, Takes&& takes) {
    int best = -1;
    double best_seconds = 0;
    for (std::size_t i = 0; i < decoder.lanes.size(); ++i) {
        const DecodeLane& lane = decoder.lanes[i];
        const double seconds = framed_seconds(lane);
        if (repeat_factor(lane.repeats) == 1 && takes(lane) &&
            (best < 0 || seconds > faster_lane_margin * best_seconds)) {
            best = static_cast<int>(i);
            best_seconds = seconds;
        }
    }
    return best;
}

// The lane to keep: once one with runs of words has read trial_words framed words, not
// repeating every bit; at the end of the recording or of the trial, the best with runs of words,
// else the best with a few framed words, else the slowest. -1 while it is too early to tell.
int chosen_lane(const RescueDecoder& decoder, bool has_ended) {
    const int best = best_lane(decoder, has_run_of_words);
    if (best >= 0 && framed_words(decoder.lanes[static_cast<std::size_t>(best)]) >= trial_words)
        return best;
    const double trial_seconds =
        static_cast<double>(decoder.trial_frames) / decoder.look_ahead.rate_hz;
    if (!has_ended && trial_seconds < longest_trial_seconds)
        return -1;
    if (best >= 0)
        return best;
    const int unlocked = best_lane(decoder, [](const DecodeLane& lane) {
        return framed_words(lane) >= least_unlocked_words;
    });
    return unlocked >= 0 ? unlocked : 0;
}

// Keeps the chosen lane alone and hands on the words it held.
void choose_rate(RescueDecoder& decoder, bool has_ended, std::vector<DecodedWord>& words) {
    const int chosen = chosen_lane(decoder, has_ended);
    if (chosen < 0)
        return;
    const auto index = static_cast<std::size_t>(chosen);
    words.insert(words.end(), decoder.held[index].begin(), decoder.held[index].end());
    DecodeLane lane = std::move(decoder.lanes[index]);
    decoder.lanes.clear();
    decoder.lanes.push_back(std::move(lane));
    decoder.held.clear();
    decoder.phase = StreamPhase::Decoding;
}

void push_to_lanes(RescueDecoder& decoder, const std::int16_t* frames, std::int64_t count,
                   std::vector<DecodedWord>& words) {
    if (decoder.phase == StreamPhase::Decoding) {
        push_lane(decoder.lanes.front(), frames, count, decoder.channels, decoder.origin_frames,
                  words);
        return;
    }
    // The choice is made at the same frames however the caller cuts the recording into blocks,
    // so that the output does not depend on the blocks.
    while (count > 0) {
        const std::int64_t step =
            std::min(count, trial_step_frames - decoder.trial_frames % trial_step_frames);
        for (std::size_t i = 0; i < decoder.lanes.size(); ++i)
            push_lane(decoder.lanes[i], frames, step, decoder.channels, decoder.origin_frames,
                      decoder.held[i]);
        decoder.trial_frames += step;
        frames += step * decoder.channels;
        count -= step;
        if (decoder.trial_frames % trial_step_frames == 0) {
            choose_rate(decoder, false, words);
            if (decoder.phase == StreamPhase::Decoding) {
                push_to_lanes(decoder, frames, count, words);
                return;
            }
        }
    }
}

} // namespace

bool is_decodable(const RescueSettings& settings, std::uint32_t rate_hz, int channels) {
    const WordFormat& format = settings.format;
    return rate_hz >= lowest_rate_hz && rate_hz <= highest_rate_hz && channels >= 1 &&
           settings.channel >= 0 && settings.channel <= channels &&
           (settings.baud == 0 || is_family_baud(settings.baud)) &&
           (format.data_bits == 7 || format.data_bits == 8) &&
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
    if (settings.baud != 0) {
        decoder.lanes.resize(1);
        decoder.lanes.front().baud = settings.baud;
        return;
    }
    decoder.lanes.resize(family_bauds.size());
    for (std::size_t i = 0; i < family_bauds.size(); ++i)
        decoder.lanes[i].baud = family_bauds[i];
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
    case StreamPhase::Finding:
    case StreamPhase::Decoding:
        // Every frame goes straight through.
        break;
    }
    push_to_lanes(decoder, frames, count, words);
}

void finish_rescue(RescueDecoder& decoder, std::vector<DecodedWord>& words) {
    if (decoder.phase == StreamPhase::Gathering) {
        RescueSettings first = decoder.settings;
        first.baud = decoder.lanes.front().baud;
        start_decoding(decoder, calibrate(decoder.look_ahead, first, SilenceRule::Keep), words);
    }
    if (decoder.phase == StreamPhase::Finding) {
        for (std::size_t i = 0; i < decoder.lanes.size(); ++i)
            drain_lane(decoder.lanes[i], decoder.origin_frames, decoder.held[i]);
        choose_rate(decoder, true, words);
        return;
    }
    drain_lane(decoder.lanes.front(), decoder.origin_frames, words);
}

RescueResult rescue_result(const RescueDecoder& decoder) {
    const DecodeLane& lane = decoder.lanes.front();
    const Calibration& calibration = lane.calibration;
    const FrameClock& clock = lane.clock;
    const SpeedEstimate& estimate = calibration.estimate;
    RescueResult result;
    result.channel = calibration.channel + 1;
    result.baud = lane.baud;
    result.is_baud_found = decoder.settings.baud == 0;
    result.repeat_factor = repeat_factor(lane.repeats);
    result.speed = estimate.speed;
    result.has_leader = estimate.has_leader;
    result.is_speed_measured = estimate.measured_windows > 0;
    if (decoder.phase != StreamPhase::Gathering) {
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
    result.window_samples = lane.front.window_samples;
    const double scale = full_scale(lane.front);
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
