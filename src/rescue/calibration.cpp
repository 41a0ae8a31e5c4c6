// Channel choice, starting levels and the speed estimate, run over the look-ahead.
#include "rescue/calibration.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Window starts whose mark magnitude exceeds this many times the space one count as mark for
// the starting levels and as tone, and the other way round.
constexpr double tone_dominance = 2.0;
// Silence is found in blocks of 0.1 s. A block holds tone when this share of its windows reads
// clearly one tone (a magnitude twice the other's): over silence and the slow pulses of a blank
// tape 0 to 3 % do, in hiss 40 % (by chance), over a leader or data at 8 dB Eb/N0 53 % or
// more. At 60 %, noisy data was taken for silence and 4 s of words were lost.
constexpr double block_seconds = 0.1;
constexpr double tone_block_share = 0.2;
// The bits of clear tone that a starting level is taken from, at the least.
constexpr int level_bits = 4;
// A window counts for the space level only at this share of the mark level or more: the noise
// of a gap after the leader also reads "clearly space", and on a real 1200-baud tape a space
// level taken from it was 18 times too low, so that every bit read space.
constexpr double space_floor = 0.1;

// The channel whose tones are strongest over the look-ahead: the sum of both detectors'
// magnitudes at the nominal tones, per channel.
int strongest_channel(const LookAhead& look_ahead, int baud) {
    const int window =
        static_cast<int>(std::lround(static_cast<double>(look_ahead.rate_hz) / baud));
    const auto channels = static_cast<std::size_t>(look_ahead.channels);
    std::vector<ToneFront> fronts(channels);
    for (ToneFront& front : fronts)
        configure_tone_front(front, look_ahead.rate_hz, 1.0, window);
    std::vector<double> strength(channels, 0.0);
    const std::int16_t* frame = look_ahead.samples.data();
    for (std::int64_t n = look_ahead_frames(look_ahead); n > 0; --n, frame += channels) {
        for (std::size_t c = 0; c < channels; ++c) {
            push_tones(fronts[c], remove_dc(fronts[c].remover, frame[c]));
            strength[c] +=
                tone_magnitude(fronts[c].mark.sums) + tone_magnitude(fronts[c].space.sums);
        }
    }
    std::size_t best = 0;
    for (std::size_t c = 1; c < channels; ++c)
        if (strength[c] > strength[best])
            best = c;
    return static_cast<int>(best);
}

// Calls visit(start, mark, space) with the detector magnitudes of every whole window of the
// decoded channel, at the measured speed.
template <typename Visit>
void for_each_window(const LookAhead& look_ahead, const Calibration& calibration, Visit&& visit) {
    ToneFront front;
    configure_tone_front(front, look_ahead.rate_hz, calibration.estimate.speed,
                         static_cast<int>(std::lround(calibration.bit_samples)));
    std::int64_t n = 0;
    for_each_dc_free(look_ahead, calibration.channel, [&](std::int32_t y) {
        push_tones(front, y);
        const std::int64_t start = ++n - front.window_samples;
        if (start >= 0)
            visit(start, tone_magnitude(front.mark.sums), tone_magnitude(front.space.sums));
    });
}

struct LevelSum {
    double sum = 0;
    std::int64_t count = 0;
};

// The mean of a level taken over at least `least` windows, else 0. A level needs a few bits'
// worth of windows to stand for a tone.
double mean_level(const LevelSum& level, std::int64_t least) {
    return level.count >= least && level.count > 0 ? level.sum / level.count : 0;
}

// The starting levels: the mark level over the leader (or every clearly mark window), the
// space level over every clearly space window loud enough to be tone rather than the noise of
// a gap; one stands in for the other when missing.
void starting_levels(const LookAhead& look_ahead, Calibration& calibration) {
    const SpeedEstimate& estimate = calibration.estimate;
    const int window = static_cast<int>(std::lround(calibration.bit_samples));
    LevelSum mark;
    LevelSum any;
    for_each_window(look_ahead, calibration, [&](std::int64_t start, double m, double s) {
        any.sum += (m + s) / 2;
        ++any.count;
        const bool is_in_leader =
            start >= estimate.leader_start && start + window <= estimate.leader_end;
        if (estimate.has_leader ? is_in_leader : m > tone_dominance * s) {
            mark.sum += m;
            ++mark.count;
        }
    });
    const std::int64_t least = level_bits * std::int64_t{window};
    const double mark_level = mean_level(mark, least);
    LevelSum space;
    for_each_window(look_ahead, calibration, [&](std::int64_t, double m, double s) {
        if (s > tone_dominance * m && s > space_floor * mark_level) {
            space.sum += s;
            ++space.count;
        }
    });
    const double space_level = mean_level(space, least);
    const double any_level = mean_level(any, 1);
    calibration.mark_level =
        mark_level > 0 ? mark_level : (space_level > 0 ? space_level : any_level);
    calibration.space_level = space_level > 0 ? space_level : calibration.mark_level;
}

// The channel to analyse: the one asked for, or the one with the strongest tones.
int chosen_channel(const LookAhead& look_ahead, const RescueSettings& settings) {
    if (settings.channel > 0)
        return settings.channel - 1;
    return look_ahead.channels > 1 ? strongest_channel(look_ahead, settings.baud) : 0;
}

// The tone blocks of one channel, and the frames before the first one with tone.
std::vector<ToneBlock> tone_blocks(const LookAhead& look_ahead, int channel, int baud,
                                   std::int64_t block) {
    ToneFront front;
    configure_tone_front(
        front, look_ahead.rate_hz, 1.0,
        static_cast<int>(std::lround(static_cast<double>(look_ahead.rate_hz) / baud)));
    std::vector<ToneBlock> blocks;
    ToneBlock current;
    std::int64_t n = 0;
    for_each_dc_free(look_ahead, channel, [&](std::int32_t y) {
        push_tones(front, y);
        const double mark = tone_magnitude(front.mark.sums);
        const double space = tone_magnitude(front.space.sums);
        current.mark_sum += mark;
        current.space_sum += space;
        current.clear_windows += mark > tone_dominance * space || space > tone_dominance * mark;
        if (++n % block == 0) {
            blocks.push_back(current);
            current = ToneBlock{};
        }
    });
    return blocks;
}

// The frames at the start of the look-ahead that hold no tone, in whole blocks, up to the block
// before the first one that does: that block may hold the start of a word. With no tone at
// all, the last block is kept for the same reason.
std::int64_t silence_before_tone(const std::vector<ToneBlock>& blocks, std::int64_t frames,
                                 std::int64_t block) {
    std::int64_t silent = frames / block;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (static_cast<double>(blocks[i].clear_windows) >=
            tone_block_share * static_cast<double>(block)) {
            silent = static_cast<std::int64_t>(i);
            break;
        }
    }
    return std::max<std::int64_t>(silent - 1, 0) * block;
}

} // namespace

Calibration calibrate(const LookAhead& look_ahead, const RescueSettings& settings,
                      SilenceRule rule) {
    Calibration calibration;
    calibration.channel = chosen_channel(look_ahead, settings);
    const auto block = static_cast<std::int64_t>(std::lround(look_ahead.rate_hz * block_seconds));
    const std::vector<ToneBlock> blocks =
        tone_blocks(look_ahead, calibration.channel, settings.baud, block);
    calibration.silent_frames =
        silence_before_tone(blocks, look_ahead_frames(look_ahead), block);
    if (rule == SilenceRule::LetGo && calibration.silent_frames > 0)
        return calibration;
    find_leader(blocks, block, calibration.estimate);
    measure_speed(look_ahead, calibration.channel, settings.baud, calibration.estimate);
    calibration.bit_samples = look_ahead.rate_hz / (settings.baud * calibration.estimate.speed);
    starting_levels(look_ahead, calibration);
    return calibration;
}
