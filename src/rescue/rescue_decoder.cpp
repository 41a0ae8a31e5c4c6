// The streaming core: gathering the look-ahead, calibrating, then feeding every sample once.
#include "rescue/rescue_decoder.h"

#include "base/kcs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace {

// The look-ahead holds at most 2 MB of 16-bit samples: the whole 4 s of 96000 Hz stereo or
// 192000 Hz mono, 2.7 s of 192000 Hz stereo. With 3 MB, a 192000 Hz stereo decode peaked at
// 8.0 MB of memory, over the 8 MB that the program keeps to whatever the input.
constexpr std::int64_t look_ahead_budget_bytes = 2 * 1024 * 1024;
// The rates tried where none is given: those the OSI machines and CUTS record.
constexpr std::array<int, 3> family_bauds = {slow_baud, fast_baud, 1200};
// The rate and framing are chosen once a reading has read this many telling words (framed, and
// neither all 0 nor all 1) that do not repeat every bit: a second at 300 baud. Every lane costs
// a front end until then, and every reading awake a clock.
constexpr std::int64_t trial_words = 32;

void push_to_lanes(RescueDecoder& decoder, const std::int16_t* frames, std::int64_t count,
                   std::vector<DecodedWord>& words);

// The framings tried where some part is not given, the one to prefer first. A reading frames a
// line whose words are longer than its own (it takes the extra stop bits for idle line), and
// one without parity frames a line with it (taking the parity bit for a data or a stop bit); so
// longer words come before shorter ones, and parity before none, and a later framing is taken
// only with a clear margin (later_line_margin).
constexpr std::array<WordFormat, 12> framings_by_preference = {{
    {8, Parity::Even, 2}, {8, Parity::Odd, 2}, {7, Parity::Even, 2}, {7, Parity::Odd, 2},
    {8, Parity::Even, 1}, {8, Parity::Odd, 1}, {8, Parity::None, 2}, {7, Parity::Even, 1},
    {7, Parity::Odd, 1},  {7, Parity::None, 2}, {8, Parity::None, 1}, {7, Parity::None, 1},
}};

// The framings to read: the given one, or those that agree with the parts given.
std::vector<WordFormat> framings_to_try(const RescueSettings& settings) {
    const FramingFound& found = settings.found;
    const WordFormat& given = settings.format;
    if (!is_framing_found(found))
        return {given};
    std::vector<WordFormat> framings;
    for (const WordFormat& format : framings_by_preference)
        if ((found.data_bits || format.data_bits == given.data_bits) &&
            (found.parity || format.parity == given.parity) &&
            (found.stop_bits || format.stop_bits == given.stop_bits))
            framings.push_back(format);
    return framings;
}

// The readings to try: every framing read from both tones, then from the space tone alone, which
// is taken only where it reads the line clearly surer (best_line). Both tones read closer to the
// bound of non-coherent FSK in hiss; the space tone alone reads the chains that put the tones out
// of step. Even with the rate and framing given, the two are tried.
std::vector<ReadingKind> readings_to_try(const RescueSettings& settings) {
    const std::vector<WordFormat> framings = framings_to_try(settings);
    std::vector<ReadingKind> kinds;
    for (const ToneReader reader : {ToneReader::BothTones, ToneReader::SpaceAlone})
        for (const WordFormat& format : framings)
            kinds.push_back({format, reader});
    return kinds;
}

// A calibration at `baud` from one at `from_baud`: the same channel and speed, the bit period
// scaled, and the levels `mark` and `space` as a detector of the new window reads them (a tone's
// reading grows with the window). Calibrating each rate on the look-ahead anew cost 16 to 31 %
// of a 10-minute decode.
Calibration rescaled(const Calibration& from, int from_baud, double mark, double space, int baud) {
    Calibration calibration = from;
    calibration.bit_samples = from.bit_samples * from_baud / baud;
    const double window_ratio = std::round(calibration.bit_samples) / std::round(from.bit_samples);
    calibration.mark_level = mark * window_ratio;
    calibration.space_level = space * window_ratio;
    return calibration;
}

// The kind of reading a clock reads.
ReadingKind kind_of(const FrameClock& clock) { return {clock.frame.format, clock.frame.reader}; }

// Every reading of the lane but that of `awake` sleeps until that one finds a start edge. Where
// the lane was read before a trial, a fresh reading awake beside its own would search from the
// lane's first sample and read words again that were handed on before.
void put_to_sleep(DecodeLane& lane, const ReadingKind& awake) {
    for (LaneReading& reading : lane.readings) {
        reading.is_dormant = !(kind_of(reading.clock) == awake);
        reading.clock.first_candidate = -1;
    }
}

// Sets up the lanes from the calibration `found` on the look-ahead at the first lane's rate
// (rescaled for the others), and replays the look-ahead into them; its memory is then given
// back.
void start_decoding(RescueDecoder& decoder, const Calibration& found,
                    std::vector<DecodedWord>& words) {
    const std::vector<ReadingKind> kinds = readings_to_try(decoder.settings);
    // Where the first trial tells nothing, the slowest rate and the framing given, or else the
    // one OSI machines write, read from both tones.
    const auto standard =
        std::find(kinds.begin(), kinds.end(), ReadingKind{decoder.settings.format});
    decoder.fallback_lane = 0;
    decoder.fallback_reading =
        standard == kinds.end() ? 0 : static_cast<std::size_t>(standard - kinds.begin());
    decoder.fallback_format = kinds[decoder.fallback_reading].format;
    const LookAhead& look_ahead = decoder.look_ahead;
    for (std::size_t i = 0; i < decoder.lanes.size(); ++i) {
        DecodeLane& lane = decoder.lanes[i];
        const int first_baud = decoder.lanes.front().baud;
        const Calibration calibration =
            i == 0 ? found
                   : rescaled(found, first_baud, found.mark_level, found.space_level, lane.baud);
        configure_lane(lane, look_ahead.rate_hz, kinds, calibration, decoder.origin_frames);
        lane.is_holding = true;
        put_to_sleep(lane, kinds[decoder.fallback_reading]);
    }
    decoder.phase = StreamPhase::Finding;
    push_to_lanes(decoder, look_ahead.samples.data(), look_ahead_frames(look_ahead), words);
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

// The words a reading framed since its trial began.
std::int64_t framed_words(const LaneReading& reading) {
    const FrameClock& clock = reading.clock;
    return clock.words - reading.before_trial.words -
           (clock.suspect_words - reading.before_trial.suspect_words);
}

// How much of the line a reading's telling words account for, in seconds of tape: the words
// that frame in one framing and not in all the others. A reading at four times the line's rate
// frames more words than the right one (190 to 112 on a 300-baud listing), each a quarter as
// long.
double framed_seconds(const DecodeLane& lane, const LaneReading& reading) {
    return static_cast<double>(reading.telling_words * word_bits(reading.clock.frame.format)) /
           lane.baud;
}

// A faster lane, or a framing later in the preference, is taken over the one before only when
// its framed words account for this much more of the line: a single word at 300 baud framed as
// two at 600 and three at 1200, which together accounted for as much tape as the one.
constexpr double later_line_margin = 1.25;
// Where no reading has read a word where its lock predicted it (a tape with idle line between all
// of its words), one needs this many framed words to be taken at the end: 6 s of pink noise
// framed one word at 1200 baud.
constexpr std::int64_t least_unlocked_words = 4;
// The rate is chosen after this many seconds of audio past the look-ahead at the latest, so
// that the words held meanwhile stay few; and it is looked at every this many frames.
constexpr double longest_trial_seconds = 30;
constexpr std::int64_t trial_step_frames = 4096;

// A reading that has read a word where its lock predicted it, after another: hiss frames single
// words, a tape runs of them.
bool has_run_of_words(const LaneReading& reading) {
    return reading.clock.words - reading.before_trial.words >
           reading.clock.locks - reading.before_trial.locks;
}

struct LineChoice {
    int lane = -1; // -1: none
    std::size_t reading = 0;
};

std::int64_t suspect_words(const LaneReading& reading) {
    return reading.clock.suspect_words - reading.before_trial.suspect_words;
}

// How well a reading frames the line so far.
struct LineScore {
    double seconds = 0; // framed_seconds
    bool is_clean = false; // it framed every word it read
};

// A later reading is taken over the one before where its framed words account for clearly more
// of the line, or as much without a suspect word where the one before has some: on a short
// tape, the few words that fail one framing's parity tell more than the margin.
bool is_better(const LineScore& later, const LineScore& before) {
    return later.seconds > later_line_margin * before.seconds ||
           (later.is_clean && !before.is_clean && later.seconds >= before.seconds);
}

// Of the readings that `takes`, the one whose framed words account for the most of the line, by
// the margin a later one needs. The lanes run from the slowest rate to the fastest.
template <typename Takes>
LineChoice best_reading(const RescueDecoder& decoder, Takes&& takes) {
    LineChoice best;
    LineScore best_score;
    for (std::size_t i = 0; i < decoder.lanes.size(); ++i) {
        const DecodeLane& lane = decoder.lanes[i];
        for (std::size_t r = 0; r < lane.readings.size(); ++r) {
            const LaneReading& reading = lane.readings[r];
            const LineScore score{framed_seconds(lane, reading), suspect_words(reading) == 0};
            if (!reading.is_retired && repeat_factor(reading.repeats) == 1 && takes(reading) &&
                (best.lane < 0 || is_better(score, best_score))) {
                best = {static_cast<int>(i), r};
                best_score = score;
            }
        }
    }
    return best;
}

const LaneReading& reading_of(const RescueDecoder& decoder, const LineChoice& choice) {
    return decoder.lanes[static_cast<std::size_t>(choice.lane)].readings[choice.reading];
}

// The share of a reading's words since its trial began that failed their framing or parity.
double suspect_share(const LaneReading& reading) {
    const std::int64_t words = reading.clock.words - reading.before_trial.words;
    return words > 0 ? static_cast<double>(suspect_words(reading)) / static_cast<double>(words)
                     : 0.0;
}

// The space tone alone reads more lines than are there: it takes any stretch without space for
// mark, so that it framed a 600-baud 7N2 listing as 8N1 at 300 baud, and hiss as words. Its best
// reading is taken over that of both tones only on a line that told its rate and framing
// (trial_words), where it fails at most this share of its words, reads them clearly surer, and
// both tones do not frame clearly more of the line. The mean
// confidence of the words told the two apart on every recording measured: through capture
// chains that put the tones out of step, 13 to 21 from both tones and 51 to 64 from the space
// tone alone; on clean audio, 87 from both tones and 15 to 25 from the space tone alone at the
// wrong rate. Behind a NUL leader through such a chain, both tones framed every word they read
// as 8N1 and read wrong bytes; the space tone alone framed them as the 8N2 they were.
constexpr double space_alone_most_failing = 0.05;
constexpr double space_alone_surer = 2;

// The mean confidence of the words a reading read since its trial began.
double mean_confidence(const LaneReading& reading) {
    if (reading.held.empty())
        return 0;
    double sum = 0;
    for (const DecodedWord& word : reading.held)
        sum += word.confidence;
    return sum / static_cast<double>(reading.held.size());
}

LineScore score_of(const RescueDecoder& decoder, const LineChoice& choice) {
    const DecodeLane& lane = decoder.lanes[static_cast<std::size_t>(choice.lane)];
    const LaneReading& reading = lane.readings[choice.reading];
    return {framed_seconds(lane, reading), suspect_words(reading) == 0};
}

// The best reading that `takes`: of both tones, or of the space tone alone where it reads the
// line clearly surer.
template <typename Takes>
LineChoice best_line(const RescueDecoder& decoder, Takes&& takes) {
    const LineChoice both = best_reading(decoder, [&takes](const LaneReading& reading) {
        return reading.clock.frame.reader == ToneReader::BothTones && takes(reading);
    });
    const LineChoice space = best_reading(decoder, [&takes](const LaneReading& reading) {
        return reading.clock.frame.reader == ToneReader::SpaceAlone && takes(reading);
    });
    // In the hiss after a tape, four framed words of the space tone alone, too few to tell a
    // line, were taken at the end of the recording and added to the tape.
    if (space.lane < 0)
        return both;
    const LaneReading& space_reading = reading_of(decoder, space);
    if (space_reading.telling_words < trial_words ||
        suspect_share(space_reading) > space_alone_most_failing)
        return both;
    if (both.lane < 0)
        return space;
    const bool is_surer = mean_confidence(space_reading) >=
                          space_alone_surer * mean_confidence(reading_of(decoder, both));
    const bool is_clearly_less = is_better(score_of(decoder, both), score_of(decoder, space));
    return is_surer && !is_clearly_less ? space : both;
}

// The reading to keep: once one with runs of words has read trial_words framed words, not
// repeating every bit. At the end of the recording or of the trial, too few words tell a rate
// but not a framing (two words of 8E2 framed cleanly as 7O1, from other edges): the framing
// kept is then the one given, or read before the trial, at the best rate with runs of words,
// else the best with a few framed words, else the lane read before. None while it is too early
// to tell.
LineChoice chosen_line(const RescueDecoder& decoder, bool has_ended) {
    const LineChoice best = best_line(decoder, has_run_of_words);
    if (best.lane >= 0 && reading_of(decoder, best).telling_words >= trial_words)
        return best;
    const double trial_seconds =
        static_cast<double>(decoder.line_frames - decoder.trial_start) / decoder.look_ahead.rate_hz;
    if (!has_ended && trial_seconds < longest_trial_seconds)
        return {};
    const auto is_kept_framing = [&decoder](const LaneReading& reading) {
        return reading.clock.frame.format == decoder.fallback_format;
    };
    // A run of two framed words or more, more framed than suspect: 6 s of pink noise read at
    // 1200 baud framed a word and locked on a suspect one after it.
    const LineChoice kept = best_line(decoder, [&](const LaneReading& reading) {
        return is_kept_framing(reading) && has_run_of_words(reading) &&
               framed_words(reading) >= 2 && framed_words(reading) > suspect_words(reading);
    });
    if (kept.lane >= 0)
        return kept;
    const LineChoice unlocked = best_line(decoder, [&](const LaneReading& reading) {
        return is_kept_framing(reading) && framed_words(reading) >= least_unlocked_words;
    });
    return unlocked.lane >= 0
               ? unlocked
               : LineChoice{static_cast<int>(decoder.fallback_lane), decoder.fallback_reading};
}

// Once the best reading's telling words account for this much of the line, a reading whose
// words account for under half as much is let go: a wrong framing or rate loses its lock at
// every other word and searches the line sample by sample, and 36 readings searching the 4 s
// look-ahead cost twice what the rest of a 12-minute decode did. The measure is seconds of line,
// not words, so that a slower lane is judged when it has had as long: eight words at 1200 baud
// came before the first word at 300 on a 300-baud tape that started without a leader, and let
// the right lane go. The reading of the framing kept at the rate kept stays.
constexpr double retire_after_seconds = 0.5;
constexpr double retire_share = 0.5;

void retire_losers(RescueDecoder& decoder) {
    const LineChoice best = best_line(decoder, has_run_of_words);
    if (best.lane < 0)
        return;
    const DecodeLane& best_lane = decoder.lanes[static_cast<std::size_t>(best.lane)];
    const double best_seconds = framed_seconds(best_lane, reading_of(decoder, best));
    if (best_seconds < retire_after_seconds)
        return;
    for (std::size_t i = 0; i < decoder.lanes.size(); ++i) {
        DecodeLane& lane = decoder.lanes[i];
        for (std::size_t r = 0; r < lane.readings.size(); ++r) {
            const bool is_fallback = i == decoder.fallback_lane && r == decoder.fallback_reading;
            const bool is_behind =
                framed_seconds(lane, lane.readings[r]) < retire_share * best_seconds;
            if (!is_fallback && is_behind)
                lane.readings[r].is_retired = true;
        }
    }
}

bool is_retired(const DecodeLane& lane) {
    return std::all_of(lane.readings.begin(), lane.readings.end(),
                       [](const LaneReading& reading) { return reading.is_retired; });
}

// Keeps the chosen lane and reading alone and hands on the words it held.
void choose_line(RescueDecoder& decoder, bool has_ended, std::vector<DecodedWord>& words) {
    const LineChoice chosen = chosen_line(decoder, has_ended);
    if (chosen.lane < 0)
        return;
    // The reading read before the trial is let go: what its clock counted stays counted.
    const bool is_other = static_cast<std::size_t>(chosen.lane) != decoder.fallback_lane ||
                          chosen.reading != decoder.fallback_reading;
    if (is_other && decoder.is_retrial) {
        const FrameClock& before = reading_of(decoder, {static_cast<int>(decoder.fallback_lane),
                                                        decoder.fallback_reading}).clock;
        decoder.banked.locks += before.locks;
        decoder.banked.lock_losses += before.lock_losses;
        decoder.banked.jumps += before.jumps;
    }
    DecodeLane lane = std::move(decoder.lanes[static_cast<std::size_t>(chosen.lane)]);
    keep_reading(lane, chosen.reading, words);
    decoder.lanes.clear();
    decoder.lanes.push_back(std::move(lane));
    decoder.phase = StreamPhase::Decoding;
}

// A word read in a run: framed, and hard on the heels of the word before. Hiss and clicks frame
// single words now and then, which do not keep the line from being quiet.
bool is_run_word(const DecodedWord& word) {
    return !word.is_framing_error && !word.is_parity_error &&
           word.gap_before < word.bit_samples * word_bits(word.format);
}

// Whether the line has been quiet for long enough to try the rate and framing again: the gap
// between programs (a trailer, silence, the next leader) runs for seconds, a pause inside one
// for a few character times.
constexpr double quiet_seconds = 0.5;

bool has_fallen_quiet(const RescueDecoder& decoder) {
    const auto now = static_cast<double>(decoder.origin_frames + decoder.line_frames);
    return now - decoder.last_run_edge >= quiet_seconds * decoder.look_ahead.rate_hz;
}

// The lane now read, with a fresh reading of every other kind to try beside its own.
void add_readings(DecodeLane& lane, const std::vector<ReadingKind>& kinds, std::size_t& own_index) {
    LaneReading own = std::move(lane.readings.front());
    const FrameClock& clock = own.clock;
    lane.readings.assign(kinds.size(), {});
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (kinds[i] == kind_of(clock)) {
            own_index = i;
            continue;
        }
        configure_clock(lane.readings[i].clock, kinds[i], clock.frame.bit_samples,
                        static_cast<double>(space_hz) / lane.baud, clock.frame.mark_level,
                        clock.frame.space_level);
    }
    lane.readings[own_index] = std::move(own);
}

// Tries the rate and framing again from here: the lane now read goes on, holding its words, with
// readings of the other framings beside it and fresh lanes for the other rates; the first words
// after the quiet tell which to keep. Where nothing is told, the lane now read is kept.
void start_trial(RescueDecoder& decoder) {
    const std::vector<ReadingKind> kinds = readings_to_try(decoder.settings);
    DecodeLane current = std::move(decoder.lanes.front());
    const ReadingKind own_kind = kind_of(current.readings.front().clock);
    const std::int64_t origin = decoder.origin_frames + decoder.line_frames;
    std::vector<DecodeLane> lanes;
    const std::size_t rates = decoder.settings.baud == 0 ? family_bauds.size() : 1;
    for (std::size_t i = 0; i < rates; ++i) {
        const int baud = decoder.settings.baud == 0 ? family_bauds[i] : decoder.settings.baud;
        if (baud == current.baud) {
            decoder.fallback_lane = i;
            continue;
        }
        lanes.emplace_back();
        lanes.back().baud = baud;
        const FrameClock& clock = current.readings.front().clock;
        configure_lane(lanes.back(), decoder.look_ahead.rate_hz, kinds,
                       rescaled(current.calibration, current.baud, clock.frame.mark_level,
                                clock.frame.space_level, baud),
                       origin);
        lanes.back().is_holding = true;
        put_to_sleep(lanes.back(), own_kind);
    }
    LaneReading& own = current.readings.front();
    decoder.fallback_format = own.clock.frame.format;
    own.before_trial = {own.clock.words, own.clock.suspect_words, own.clock.locks};
    own.telling_words = 0;
    add_readings(current, kinds, decoder.fallback_reading);
    put_to_sleep(current, own_kind);
    current.is_holding = true;
    lanes.insert(lanes.begin() + static_cast<std::ptrdiff_t>(decoder.fallback_lane),
                 std::move(current));
    decoder.lanes = std::move(lanes);
    decoder.trial_start = decoder.line_frames;
    decoder.is_retrial = true;
    decoder.phase = StreamPhase::Finding;
}

// Notes the words just handed on that were read in a run.
void note_runs(RescueDecoder& decoder, const std::vector<DecodedWord>& words, std::size_t from) {
    for (std::size_t i = from; i < words.size(); ++i)
        if (is_run_word(words[i]))
            decoder.last_run_edge = words[i].edge;
}

// The choice of rate and framing is made, and the line found quiet, at the same frames however
// the caller cuts the recording into blocks, so that the output does not depend on the blocks.
void push_to_lanes(RescueDecoder& decoder, const std::int16_t* frames, std::int64_t count,
                   std::vector<DecodedWord>& words) {
    while (count > 0) {
        const std::int64_t step =
            std::min(count, trial_step_frames - decoder.line_frames % trial_step_frames);
        const std::size_t handed = words.size();
        for (DecodeLane& lane : decoder.lanes)
            if (!is_retired(lane))
                push_lane(lane, frames, step, decoder.channels, words);
        decoder.line_frames += step;
        frames += step * decoder.channels;
        count -= step;
        if (decoder.line_frames % trial_step_frames == 0) {
            if (decoder.phase == StreamPhase::Finding) {
                choose_line(decoder, false, words);
                if (decoder.phase == StreamPhase::Finding)
                    retire_losers(decoder);
            } else if (has_fallen_quiet(decoder)) {
                start_trial(decoder);
            }
        }
        note_runs(decoder, words, handed);
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
    } else {
        decoder.lanes.resize(family_bauds.size());
        for (std::size_t i = 0; i < family_bauds.size(); ++i)
            decoder.lanes[i].baud = family_bauds[i];
    }
    // What the result reads until the lanes are set up.
    for (DecodeLane& lane : decoder.lanes)
        lane.readings.resize(1);
}

namespace {

// Counts the words handed on from `from`: where the line changes, the reading now kept counts
// only its own.
void count_handed(RescueDecoder& decoder, const std::vector<DecodedWord>& words,
                  std::size_t from) {
    DecodeCounts& handed = decoder.handed;
    for (std::size_t i = from; i < words.size(); ++i) {
        const DecodedWord& word = words[i];
        ++handed.words;
        handed.suspect_words += word.is_framing_error || word.is_parity_error;
        handed.lost_words += word.lost_before;
        if (word.format.data_bits != 8)
            continue;
        const bool is_set = (word.byte & 0x80) != 0;
        const bool is_even = std::popcount(static_cast<unsigned>(word.byte)) % 2 == 0;
        ++handed.eight_bit_words;
        handed.bit7_even += is_even;
        handed.bit7_odd += !is_even;
        handed.bit7_set += is_set;
    }
}

// Fewer words than this tell nothing of a 7-bit line inside 8 data bits: 16 random bytes hold
// their parity in bit 7 once in 65536.
constexpr std::int64_t least_hidden_line_words = 16;

// The 7-bit line of the same word length whose parity (or, without parity, first stop bit) every
// word read with 8 data bits given holds in its bit 7: 7E2 read as 8O1 frames every word, with
// the parity bit for bit 7 and the first stop bit for the parity. False where there is none.
bool find_hidden_line(const RescueDecoder& decoder, const WordFormat& format, WordFormat& line) {
    const DecodeCounts& handed = decoder.handed;
    const std::int64_t words = handed.eight_bit_words;
    if (decoder.settings.found.data_bits || format.data_bits != 8 ||
        words < least_hidden_line_words || words != handed.words)
        return false;
    const int bits = word_bits(format);
    const int parity_stops = bits - 9;
    const int plain_stops = bits - 8;
    // Bit 7 as a parity bit is set in some words and clear in others (a tape of NULs is even).
    const bool does_bit7_vary = handed.bit7_set > 0 && handed.bit7_set < words;
    if ((handed.bit7_even == words || handed.bit7_odd == words) && does_bit7_vary &&
        parity_stops >= 1 && parity_stops <= 2) {
        line = {7, handed.bit7_even == words ? Parity::Even : Parity::Odd, parity_stops};
        return true;
    }
    if (handed.bit7_set == words && format.parity == Parity::None && plain_stops <= 2) {
        line = {7, Parity::None, plain_stops};
        return true;
    }
    return false;
}

void take_frames(RescueDecoder& decoder, const std::int16_t* frames, std::int64_t count,
                 std::vector<DecodedWord>& words) {
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

} // namespace

void push_frames(RescueDecoder& decoder, const std::int16_t* frames, std::int64_t count,
                 std::vector<DecodedWord>& words) {
    const std::size_t handed = words.size();
    decoder.frames += count;
    take_frames(decoder, frames, count, words);
    count_handed(decoder, words, handed);
}

namespace {

// A recording may stop at the end of its last stop bit. The DC remover, which centres its window,
// then still holds the last samples of that word, and the clock reads half a bit past a word
// before it decides it: the last byte was lost. Silence for as long as the remover holds and a
// bit more lets the word through. A longer silence (20 ms) framed stray words where noisy audio
// stopped short.
void push_closing_silence(RescueDecoder& decoder, std::vector<DecodedWord>& words) {
    const ToneFront& front = decoder.lanes.front().front;
    const std::int64_t frames = dc_remover_delay(front.remover) + front.window_samples;
    const std::vector<std::int16_t> silence(static_cast<std::size_t>(frames * decoder.channels));
    push_to_lanes(decoder, silence.data(), frames, words);
}

// A word that starts in that silence is none of the recording's: the fall from the last tone
// into silence reads as a start edge.
void drop_words_in_silence(const RescueDecoder& decoder, std::vector<DecodedWord>& words,
                           std::size_t from) {
    const auto end = static_cast<double>(decoder.frames);
    words.erase(std::remove_if(words.begin() + static_cast<std::ptrdiff_t>(from), words.end(),
                               [end](const DecodedWord& word) { return word.edge >= end; }),
                words.end());
}

} // namespace

void finish_rescue(RescueDecoder& decoder, std::vector<DecodedWord>& words) {
    const std::size_t handed = words.size();
    if (decoder.phase == StreamPhase::Gathering) {
        RescueSettings first = decoder.settings;
        first.baud = decoder.lanes.front().baud;
        start_decoding(decoder, calibrate(decoder.look_ahead, first, SilenceRule::Keep), words);
    }
    push_closing_silence(decoder, words);
    for (DecodeLane& lane : decoder.lanes)
        finish_lane(lane, words);
    if (decoder.phase == StreamPhase::Finding)
        choose_line(decoder, true, words);
    drop_words_in_silence(decoder, words, handed);
    count_handed(decoder, words, handed);
}

namespace {

// Without a leader the speed measured on the mark tone is a rough one: it is pulled by whatever
// else reads clearly mark, and by the tones' delays through a capture chain (97.9 % on a tape
// sent at its true speed behind a leader of NUL words). The bit period the clock read the framed
// words at is then the better measure, once enough of them average out their timing noise.
constexpr std::int64_t least_timed_words = 16;

void take_speed_from_words(const RescueDecoder& decoder, const FrameClock& clock,
                           RescueResult& result) {
    const std::int64_t framed = clock.words - clock.suspect_words;
    if (framed < least_timed_words || clock.framed_period_sum <= 0)
        return;
    const double mean_period = clock.framed_period_sum / static_cast<double>(framed);
    result.speed = decoder.look_ahead.rate_hz / (result.baud * mean_period);
    result.calibrated_on = CalibrationSource::FramedWords;
    result.timed_words = framed;
}

} // namespace

RescueResult rescue_result(const RescueDecoder& decoder) {
    const DecodeLane& lane = decoder.lanes.front();
    const Calibration& calibration = lane.calibration;
    const LaneReading& reading = lane.readings.front();
    const FrameClock& clock = reading.clock;
    const SpeedEstimate& estimate = calibration.estimate;
    RescueResult result;
    result.channel = calibration.channel + 1;
    result.baud = lane.baud;
    result.is_baud_found = decoder.settings.baud == 0;
    result.format = clock.frame.format;
    result.reader = clock.frame.reader;
    result.is_framing_found = is_framing_found(decoder.settings.found);
    result.has_hidden_line = find_hidden_line(decoder, result.format, result.hidden_line);
    result.repeat_factor = repeat_factor(reading.repeats);
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
    if (!estimate.has_leader)
        take_speed_from_words(decoder, clock, result);
    result.bit_samples = clock.frame.bit_samples;
    result.window_samples = lane.front.window_samples;
    const double scale = full_scale(lane.front);
    if (scale > 0) {
        result.mark_level = clock.frame.mark_level / scale;
        result.space_level = clock.frame.space_level / scale;
    }
    result.frames_read = decoder.frames;
    result.bytes = decoder.handed.words;
    result.suspect_words = decoder.handed.suspect_words;
    result.lost_words = decoder.handed.lost_words;
    result.locks = decoder.banked.locks + clock.locks;
    result.lock_losses = decoder.banked.lock_losses + clock.lock_losses;
    result.jumps = decoder.banked.jumps + clock.jumps;
    return result;
}
