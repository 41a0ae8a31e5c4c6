// Reading a serial word out of the tone history: discriminator, bits, changes of tone, bytes.
#include "rescue/word_reading.h"

#include <algorithm>
#include <cmath>
#include <complex>

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
// A data bit whose d lies nearer zero than this is decided again from the phase of each tone
// (cohered_bits). Deciding every data bit so left as many bytes wrong, within 1 %, as deciding
// those under 0.5, in white noise at 9 to 11 dB Eb/N0 (four seeds at 300 and at 600 baud); but
// from 0.7 on it lost blocks of two real 1200-baud tapes, where a mark bit straight after the
// start bit turns its phase as the deck's filters settle. 0.3 to 0.5 lost none.
constexpr double doubtful_d = 0.4;
// The bits of a tone in a word agree on its phase when their sums add up to at least this share
// of their sizes. Where the tape's speed steps away from the detectors' (a belt slipping by 2 %),
// a tone's phase turns by up to a third of a turn per bit and the bits point every way: words
// read through such steps lost bytes when the share asked was under 0.2. In hiss at 9 dB, 0.4
// leaves 2 to 3 % more bytes wrong than no such check.
constexpr double least_phase_agreement = 0.4;

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

// Past even_ratio the weaker tone's share is weighed down by the square root of the excess.
double mark_weight(const ReadingFrame& frame) {
    const double ratio = frame.mark_level / frame.space_level;
    return std::sqrt(ratio / std::clamp(ratio, 1 / even_ratio, even_ratio));
}

} // namespace

double discriminator(const ReadingFrame& frame, const Magnitudes& m) {
    if (frame.reader == ToneReader::SpaceAlone)
        return space_alone_d(frame, m);
    const double mark = mark_weight(frame) * m.mark / frame.mark_level;
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

namespace {

// A tone's sums over the bits of a word that read it: their sum, and the sum of their sizes.
struct ToneSpread {
    std::complex<double> sum;
    double size = 0;

    void add(std::complex<double> z) {
        sum += z;
        size += std::abs(z);
    }
    // The bits point the same way, more or less: the tone kept its phase over the word.
    [[nodiscard]] bool agrees() const { return std::abs(sum) >= least_phase_agreement * size; }
};

// The part of z along the phase of `reference`; z's magnitude where the reference is too weak
// to give a phase.
double along(std::complex<double> z, std::complex<double> reference, double least) {
    const double size = std::abs(reference);
    return size >= least ? std::real(z * std::conj(reference)) / size : std::abs(z);
}

// d of one bit from the parts of its sums along each tone's phase, over the sizes of its sums.
double cohered_d(const ReadingFrame& frame, const TonePhasors& z,
                 std::complex<double> mark_phase, std::complex<double> space_phase) {
    const double weight = mark_weight(frame);
    const double mark = weight * along(z.mark, mark_phase, frame.mark_level / 2);
    const double space = along(z.space, space_phase, frame.space_level / 2);
    const double size = weight * std::abs(z.mark) / frame.mark_level +
                        std::abs(z.space) / frame.space_level;
    if (size <= 0)
        return 0;
    return std::clamp((mark / frame.mark_level - space / frame.space_level) / size, -1.0, 1.0);
}

// Adds a clear bit's cosine of its phase against the word's other bits of its tone.
void add_evidence(PhaseEvidence& evidence, std::complex<double> z, std::complex<double> phase,
                  bool is_after_change) {
    if (std::abs(z) <= 0 || std::abs(phase) <= 0)
        return;
    const double cosine = std::real(z * std::conj(phase)) / (std::abs(z) * std::abs(phase));
    (is_after_change ? evidence.after_change : evidence.steady) += cosine;
    (is_after_change ? evidence.after_change_bits : evidence.steady_bits) += 1;
}

} // namespace

CoheredBits cohered_bits(const ReadingFrame& frame, const ToneHistory& history, double edge,
                         const WordBits& bits) {
    CoheredBits out{bits, {}};
    if (frame.reader == ToneReader::SpaceAlone)
        return out;
    std::array<TonePhasors, max_bits> z;
    ToneSpread mark;
    ToneSpread space;
    for (int k = 0; k < bits.count; ++k) {
        const auto n = static_cast<std::size_t>(k);
        z[n] = phasors_at(history, edge + k * frame.bit_samples);
        if (bits.is_mark[n])
            mark.add(z[n].mark);
        else
            space.add(z[n].space);
    }
    if (!mark.agrees() || !space.agrees())
        return out;
    const int last = frame.format.data_bits + (frame.format.parity != Parity::None ? 1 : 0);
    for (int k = 1; k <= last; ++k) {
        const auto n = static_cast<std::size_t>(k);
        // Each tone's phase from the word's other bits of that tone.
        const bool was_mark = bits.is_mark[n];
        const std::complex<double> mark_phase = mark.sum - (was_mark ? z[n].mark : 0.0);
        const std::complex<double> space_phase = space.sum - (was_mark ? 0.0 : z[n].space);
        if (std::fabs(bits.d[n]) >= doubtful_d) {
            add_evidence(out.evidence, was_mark ? z[n].mark : z[n].space,
                         was_mark ? mark_phase : space_phase, bits.is_mark[n - 1] != was_mark);
            continue;
        }
        out.bits.d[n] = cohered_d(frame, z[n], mark_phase, space_phase);
        out.bits.is_mark[n] = out.bits.d[n] > 0;
    }
    return out;
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
