// Reading a serial word out of the tone history: discriminator, bits, changes of tone, bytes.
#include "rescue/word_reading.h"

#include <algorithm>
#include <cmath>

namespace {

// A word whose tones read under this share of their running levels (10 dB down) is flagged as
// read through a dropout.
constexpr double faint_strength = 0.316;
// Tones whose levels lie within this ratio (6 dB) of each other count alike in a decision. Further
// apart, the stronger tone leaks into the weaker one's detector wherever a window is not exactly
// on a bit, by more than the weaker tone reads (a few samples off at 600 baud with mark 21 dB
// under space), and the weaker tone's share is weighed down by the square root of the excess.
// Measured with mark lowered or raised against space on clean audio at 300 and 600 baud: equal
// weights lost words from 18 dB apart, weights of the whole excess from 22 dB, the square root
// none from mark 30 dB under to 22 dB over space; within 6 dB the white-noise error rates are
// those of equal weights.
constexpr double even_ratio = 2;
// Beyond this ratio of tone levels (12 dB) a window that straddles a change of tone reads the
// weaker tone through the stronger one's leakage: over a part-filled window the stronger tone
// is no longer orthogonal to the weaker tone's detector. At 600 baud, with mark 18 dB under
// space, the leakage read more than the mark itself and the clock settled half a bit out of step.
constexpr double most_straddle_ratio = 4;

} // namespace

Magnitudes magnitudes_at(const ToneHistory& history, double window_start) {
    Magnitudes m;
    history_at(history, window_start, m.mark, m.space);
    return m;
}

namespace {

double space_alone_d(const ReadingFrame& frame, const Magnitudes& m) {
    return std::clamp(1 - 2 * m.space / frame.space_level, -1.0, 1.0);
}

} // namespace

double discriminator(const ReadingFrame& frame, const Magnitudes& m) {
    if (frame.reader == ToneReader::SpaceAlone)
        return space_alone_d(frame, m);
    // Past even_ratio the weaker tone's share is weighed down by the square root of the excess.
    const double ratio = frame.mark_level / frame.space_level;
    const double weight = std::sqrt(ratio / std::clamp(ratio, 1 / even_ratio, even_ratio));
    const double mark = weight * m.mark / frame.mark_level;
    const double space = m.space / frame.space_level;
    const double sum = mark + space;
    return sum > 0 ? (mark - space) / sum : 0.0;
}

double straddle_d_at(const ReadingFrame& frame, const ToneHistory& history, double window_start) {
    const Magnitudes m = magnitudes_at(history, window_start);
    const double ratio = frame.mark_level / frame.space_level;
    if (frame.reader == ToneReader::SpaceAlone || ratio * most_straddle_ratio < 1)
        return space_alone_d(frame, m);
    if (ratio > most_straddle_ratio)
        return std::clamp(2 * m.mark / frame.mark_level - 1, -1.0, 1.0);
    return discriminator(frame, m);
}

WordBits read_bits(const ReadingFrame& frame, const ToneHistory& history, double edge) {
    WordBits bits;
    bits.count = word_bits(frame.format);
    for (int k = 0; k < bits.count; ++k) {
        const Magnitudes m = magnitudes_at(history, edge + k * frame.bit_samples);
        const double d = discriminator(frame, m);
        if (k == 0)
            bits.start = d;
        bits.d[static_cast<std::size_t>(k)] = d;
        const bool is_mark = d > 0;
        bits.is_mark[static_cast<std::size_t>(k)] = is_mark;
        bits.clarity += std::fabs(d) / bits.count;
        bits.weakest = std::min(bits.weakest, std::fabs(d));
        bits.strength +=
            (is_mark ? m.mark / frame.mark_level : m.space / frame.space_level) / bits.count;
    }
    return bits;
}

// Where a word's tones change, and how far each change lies from where the clock expects it
// (positive: later). Windows that straddle the expected boundary read d = 2 x (true - expected)
// / bit period for a fall to space, the negative for a rise to mark, as long as the tones change
// smoothly within them. They do not quite: how much of each tone a window holds shows in steps
// of the tones' cycles, and a window centred on the boundary reads d = 0 anywhere within about
// half a 1200 Hz cycle of it (4 samples either way at 21600 Hz), where the clock was left to
// wander. Two windows at probe_samples before and after the boundary sit on the steep parts of
// those steps, and their mean answers to every sample of offset.
WordChanges tone_changes(const ReadingFrame& frame, const ToneHistory& history, double edge,
                         const WordBits& bits) {
    const double half = frame.bit_samples / 2;
    WordChanges found;
    bool was_mark = true; // the stop bit or idle line before the start bit
    for (int k = 0; k < bits.count; ++k) {
        const bool is_mark = bits.is_mark[static_cast<std::size_t>(k)];
        if (is_mark != was_mark) {
            const double boundary = edge + k * frame.bit_samples - half;
            const double d = (straddle_d_at(frame, history, boundary - frame.probe_samples) +
                              straddle_d_at(frame, history, boundary + frame.probe_samples)) /
                             2;
            const auto n = static_cast<std::size_t>(found.count++);
            found.bit[n] = k;
            found.error[n] = (is_mark ? -d : d) * half;
        }
        was_mark = is_mark;
    }
    return found;
}

double mean_error(const WordChanges& found) {
    double total = 0;
    for (int i = 0; i < found.count; ++i)
        total += found.error[static_cast<std::size_t>(i)];
    return found.count > 0 ? total / found.count : 0.0;
}

double timing_error(const ReadingFrame& frame, const ToneHistory& history, double edge,
                    const WordBits& bits) {
    return mean_error(tone_changes(frame, history, edge, bits));
}

ChangeFit fit_changes(const ReadingFrame& frame, const WordChanges& found) {
    ChangeFit fit;
    if (found.count < 3)
        return fit;
    const auto count = static_cast<std::size_t>(found.count);
    double mean_bit = 0;
    for (std::size_t i = 0; i < count; ++i)
        mean_bit += found.bit[i] / static_cast<double>(count);
    const double mean = mean_error(found);
    double spread = 0;
    double product = 0;
    for (std::size_t i = 0; i < count; ++i) {
        spread += (found.bit[i] - mean_bit) * (found.bit[i] - mean_bit);
        product += (found.bit[i] - mean_bit) * (found.error[i] - mean);
    }
    fit.slope = spread > 0 ? product / spread : 0;
    double residual = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double r = found.error[i] - mean - fit.slope * (found.bit[i] - mean_bit);
        residual += r * r;
    }
    fit.scatter =
        residual / static_cast<double>(count - 2) / (frame.bit_samples * frame.bit_samples);
    return fit;
}

bool has_stop_bits(const ReadingFrame& frame, const WordBits& bits) {
    for (int k = bits.count - frame.format.stop_bits; k < bits.count; ++k)
        if (!bits.is_mark[static_cast<std::size_t>(k)])
            return false;
    return true;
}

double start_edge_error(const ReadingFrame& frame, const ToneHistory& history, double edge) {
    const double half = frame.bit_samples / 2;
    return straddle_d_at(frame, history, edge - half) * half;
}

bool is_framed(const ReadingFrame& frame, const WordBits& bits) {
    return !bits.is_mark[0] && has_stop_bits(frame, bits);
}

double reading_score(const ReadingFrame& frame, const WordBits& bits) {
    return (is_framed(frame, bits) ? 1.0 : 0.0) + bits.clarity;
}

bool is_faint_reading(const WordBits& bits) { return bits.strength < faint_strength; }

DecodedWord assemble(const ReadingFrame& frame, const WordBits& bits, double edge) {
    DecodedWord word;
    word.edge = edge;
    word.bit_samples = frame.bit_samples;
    word.mark_level = frame.mark_level;
    word.space_level = frame.space_level;
    word.bit_count = bits.count;
    for (int k = 0; k < bits.count; ++k)
        word.bit_d[static_cast<std::size_t>(k)] = static_cast<float>(bits.d[static_cast<std::size_t>(k)]);
    word.confidence = static_cast<int>(std::lround(bits.weakest * 100));
    word.is_faint = is_faint_reading(bits);
    int ones = 0;
    for (int k = 0; k < frame.format.data_bits; ++k) {
        if (bits.is_mark[static_cast<std::size_t>(1 + k)]) {
            word.byte |= 1 << k;
            ++ones;
        }
    }
    if (frame.format.parity != Parity::None) {
        ones += bits.is_mark[static_cast<std::size_t>(1 + frame.format.data_bits)] ? 1 : 0;
        const bool is_even = ones % 2 == 0;
        word.is_parity_error = is_even != (frame.format.parity == Parity::Even);
    }
    word.is_framing_error = bits.is_mark[0] || !has_stop_bits(frame, bits);
    return word;
}
