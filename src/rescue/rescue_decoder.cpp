#include "rescue/rescue_decoder.h"

#include "base/kcs.h"
#include "rescue/speed_estimate.h"
#include "rescue/tone_detector.h"
#include "rescue/tone_history.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// Window starts whose mark magnitude exceeds this many times the space one count as mark for
// the starting levels, and the other way round.
constexpr double tone_dominance = 2.0;
// Samples read per block: interleaved values of all channels, at most this many.
constexpr std::int64_t block_values = 16384;
// The clock catches up after every this many samples, so the history needs to hold only this
// many window starts beyond the clock's own span: small enough to stay in the processor's cache.
constexpr std::size_t clock_step_samples = 1024;

// Reads frames block by block and hands out the samples of one channel.
struct ChannelReader {
    std::FILE* input = nullptr;
    const WavFormat* format = nullptr;
    int channel = 0;                 // from 0
    std::int64_t frames_left = 0;    // frames of the data chunk not yet read
    std::int64_t frames_read = 0;    // frames read so far
    std::vector<std::int32_t> block; // one block of interleaved samples
    bool is_short = false;           // the file ended before frames_left reached 0
};

ChannelReader open_reader(std::FILE* input, const WavFormat& format, int channel) {
    ChannelReader reader;
    reader.input = input;
    reader.format = &format;
    reader.channel = channel;
    reader.frames_left = format.frame_count;
    std::int64_t frames = block_values / format.channels;
    reader.block.resize(static_cast<std::size_t>((frames > 0 ? frames : 1) * format.channels));
    return reader;
}

// Reads up to `limit` frames; `out` gets the selected channel's samples. Returns the count.
std::int64_t read_block(ChannelReader& reader, std::int64_t limit, std::vector<std::int32_t>& out) {
    const std::int64_t capacity =
        static_cast<std::int64_t>(reader.block.size()) / reader.format->channels;
    std::int64_t wanted = reader.frames_left < capacity ? reader.frames_left : capacity;
    wanted = wanted < limit ? wanted : limit;
    const std::int64_t got =
        read_wav_frames(reader.input, *reader.format, reader.block.data(), wanted);
    reader.frames_left -= got;
    reader.frames_read += got;
    if (got < wanted) {
        reader.is_short = true;
        reader.frames_left = 0;
    }
    out.resize(static_cast<std::size_t>(got));
    for (std::int64_t i = 0; i < got; ++i)
        out[static_cast<std::size_t>(i)] =
            reader.block[static_cast<std::size_t>(i * reader.format->channels + reader.channel)];
    return got;
}

std::int64_t prefix_frames(const WavFormat& format) {
    return static_cast<std::int64_t>(format.rate_hz * speed_prefix_seconds);
}

// The channel whose tones are strongest over the first seconds: the sum of both detectors'
// magnitudes at the nominal tones, per channel.
int strongest_channel(std::FILE* input, const WavFormat& format, int baud) {
    const int window = static_cast<int>(std::lround(static_cast<double>(format.rate_hz) / baud));
    std::vector<DcRemover> removers(static_cast<std::size_t>(format.channels));
    std::vector<ToneDetector> marks(removers.size());
    std::vector<ToneDetector> spaces(removers.size());
    std::vector<double> strength(removers.size(), 0.0);
    for (std::size_t c = 0; c < removers.size(); ++c) {
        configure_dc_remover(removers[c], format.rate_hz);
        configure_tone_detector(marks[c], mark_hz, format.rate_hz, window);
        configure_tone_detector(spaces[c], space_hz, format.rate_hz, window);
    }
    ChannelReader reader = open_reader(input, format, 0);
    std::vector<std::int32_t> ignored;
    std::int64_t left = prefix_frames(format);
    while (left > 0) {
        const std::int64_t got = read_block(reader, left, ignored);
        if (got == 0)
            break;
        left -= got;
        for (std::int64_t i = 0; i < got; ++i) {
            for (std::size_t c = 0; c < removers.size(); ++c) {
                const std::int32_t y = remove_dc(
                    removers[c], reader.block[static_cast<std::size_t>(i) * removers.size() + c]);
                push_tone_sample(marks[c], y);
                push_tone_sample(spaces[c], y);
                strength[c] += tone_magnitude(marks[c].sums) + tone_magnitude(spaces[c].sums);
            }
        }
    }
    std::size_t best = 0;
    for (std::size_t c = 1; c < strength.size(); ++c)
        if (strength[c] > strength[best])
            best = c;
    return static_cast<int>(best);
}

struct Front {
    DcRemover remover;
    ToneDetector mark;
    ToneDetector space;
    int window = 0;          // detector window, samples
    std::int64_t pushed = 0; // DC-free samples pushed into the detectors
};

void configure_front(Front& front, std::uint32_t rate_hz, double speed, double bit_samples) {
    front.window = static_cast<int>(std::lround(bit_samples));
    configure_tone_detector(front.mark, mark_hz * speed, rate_hz, front.window);
    configure_tone_detector(front.space, space_hz * speed, rate_hz, front.window);
    front.pushed = 0;
}

// The starting levels: the mark level over the leader (or every clearly mark window), the
// space level over every clearly space window; one stands in for the other when missing.
void starting_levels(const std::vector<std::int32_t>& prefix, const SpeedEstimate& estimate,
                     Front front, double& mark_level, double& space_level) {
    double mark_sum = 0;
    double space_sum = 0;
    double any_sum = 0;
    std::int64_t mark_count = 0;
    std::int64_t space_count = 0;
    for (std::size_t n = 0; n < prefix.size(); ++n) {
        push_tone_sample(front.mark, prefix[n]);
        push_tone_sample(front.space, prefix[n]);
        const auto start = static_cast<std::int64_t>(n) + 1 - front.window;
        if (start < 0)
            continue;
        const double mark = tone_magnitude(front.mark.sums);
        const double space = tone_magnitude(front.space.sums);
        any_sum += (mark + space) / 2;
        const bool is_in_leader =
            start >= estimate.leader_start && start + front.window <= estimate.leader_end;
        if (estimate.has_leader ? is_in_leader : mark > tone_dominance * space) {
            mark_sum += mark;
            ++mark_count;
        }
        if (space > tone_dominance * mark) {
            space_sum += space;
            ++space_count;
        }
    }
    const auto windows = static_cast<double>(prefix.size());
    mark_level = mark_count > 0 ? mark_sum / mark_count : 0;
    space_level = space_count > 0 ? space_sum / space_count : mark_level;
    if (mark_level == 0)
        mark_level = space_level;
    if (mark_level == 0 && windows > 0)
        mark_level = space_level = any_sum / windows;
}

struct Output {
    std::FILE* target = nullptr;
    std::FILE* report = nullptr;
    std::uint32_t rate_hz = 0;
    std::int64_t bytes = 0;
};

void report_word(const Output& output, const DecodedWord& word) {
    if (output.report == nullptr)
        return;
    const double sample = std::floor(word.edge + 0.5);
    std::fprintf(output.report, "suspect word at %.4f s (sample %lld): %s%s%s, byte 0x%02X\n",
                 word.edge / output.rate_hz, static_cast<long long>(sample),
                 word.is_framing_error ? "framing error" : "",
                 word.is_framing_error && word.is_parity_error ? " and " : "",
                 word.is_parity_error ? "parity error" : "", static_cast<unsigned>(word.byte));
}

void drain_clock(FrameClock& clock, const ToneHistory& history, Output& output) {
    DecodedWord word;
    while (next_word(clock, history, word)) {
        std::fputc(word.byte, output.target);
        ++output.bytes;
        if (word.is_framing_error || word.is_parity_error)
            report_word(output, word);
    }
}

// Feeds DC-free samples through the detectors into the history, letting the clock catch up
// after every step. The history keeps the sums: the clock reads a few dozen window starts per
// word, so magnitudes are worked out there rather than for every sample.
void feed(Front& front, const std::int32_t* samples, std::size_t count, ToneHistory& history,
          FrameClock& clock, Output& output) {
    std::array<ToneSums, clock_step_samples> mark;
    std::array<ToneSums, clock_step_samples> space;
    for (std::size_t done = 0; done < count; done += clock_step_samples) {
        const std::size_t step =
            count - done < clock_step_samples ? count - done : clock_step_samples;
        push_tone_block(front.mark, samples + done, step, mark.data());
        push_tone_block(front.space, samples + done, step, space.data());
        // The first window - 1 samples only fill the first window: their sums belong to no
        // whole window.
        const std::int64_t filling = front.window - 1 - front.pushed;
        const std::size_t first =
            filling <= 0 ? 0 : std::min(static_cast<std::size_t>(filling), step);
        push_history_block(history, mark.data() + first, space.data() + first, step - first);
        front.pushed += static_cast<std::int64_t>(step);
        drain_clock(clock, history, output);
    }
}

// Reads the first seconds of the channel into DC-free samples, aligned so that sample n of the
// result is sample n of the recording.
std::vector<std::int32_t> read_prefix(ChannelReader& reader, Front& front, std::uint32_t rate_hz) {
    configure_dc_remover(front.remover, rate_hz);
    const int delay = dc_remover_delay(front.remover);
    std::vector<std::int32_t> prefix;
    std::vector<std::int32_t> samples;
    std::int64_t seen = 0;
    std::int64_t left = prefix_frames(*reader.format);
    while (left > 0 && read_block(reader, left, samples) > 0) {
        left -= static_cast<std::int64_t>(samples.size());
        for (const std::int32_t sample : samples) {
            const std::int32_t y = remove_dc(front.remover, sample);
            if (seen++ >= delay)
                prefix.push_back(y);
        }
    }
    return prefix;
}

} // namespace

bool rescue_stream(std::FILE* input, const WavFormat& format, std::FILE* target,
                   const RescueSettings& settings, std::FILE* report, RescueResult& result) {
    result = RescueResult{};
    int channel = settings.channel - 1;
    if (channel < 0) {
        channel = format.channels > 1 ? strongest_channel(input, format, settings.baud) : 0;
        if (format.channels > 1 && !rewind_to_samples(input, format))
            return false;
    }
    result.channel = channel + 1;
    ChannelReader reader = open_reader(input, format, channel);
    Front front;
    const std::vector<std::int32_t> prefix = read_prefix(reader, front, format.rate_hz);

    const SpeedEstimate estimate = estimate_speed(prefix, format.rate_hz, settings.baud);
    result.speed = estimate.speed;
    result.has_leader = estimate.has_leader;
    result.is_speed_measured = estimate.measured_windows > 0;
    const double bit_samples = format.rate_hz / (settings.baud * estimate.speed);
    configure_front(front, format.rate_hz, estimate.speed, bit_samples);

    double mark_level = 0;
    double space_level = 0;
    starting_levels(prefix, estimate, front, mark_level, space_level);
    FrameClock clock;
    configure_clock(clock, settings.format, bit_samples, mark_level, space_level);
    ToneHistory history;
    configure_history(history, clock_history_span(settings.format, bit_samples) +
                                   static_cast<std::int64_t>(clock_step_samples));

    Output output{target, report, format.rate_hz, 0};
    std::size_t done = 0;
    while (done < prefix.size()) {
        const std::size_t count = prefix.size() - done < static_cast<std::size_t>(block_values)
                                      ? prefix.size() - done
                                      : block_values;
        feed(front, prefix.data() + done, count, history, clock, output);
        done += count;
    }
    std::vector<std::int32_t> samples;
    while (read_block(reader, block_values, samples) > 0) {
        remove_dc_block(front.remover, samples.data(), samples.size());
        feed(front, samples.data(), samples.size(), history, clock, output);
    }
    drain_clock(clock, history, output);

    result.frames_read = reader.frames_read;
    result.is_read_short = reader.is_short || format.is_truncated;
    // A detector reads a tone of amplitude A as A x window/2 x the sine table's scale x the DC
    // remover's scale; full scale is 32768.
    const double full_scale =
        32768.0 * front.window / 2 * 16384.0 * static_cast<double>(front.remover.ring.size());
    result.mark_level = clock.mark_level / full_scale;
    result.space_level = clock.space_level / full_scale;
    result.bytes = output.bytes;
    result.suspect_words = clock.suspect_words;
    result.locks = clock.locks;
    result.lock_losses = clock.lock_losses;
    result.jumps = clock.jumps;
    return true;
}
