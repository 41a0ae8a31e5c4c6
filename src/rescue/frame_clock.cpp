// The frame clock's phases: search, check, locked; the bit reading and the timing loop.
#include "rescue/frame_clock.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The search arms on d above this, and only then takes a falling crossing of 0.
constexpr double arm_level = 0.25;
// A word is only looked at when its start bit's space magnitude stands this many times above
// the noise that the detectors read off their tones: below it, the crossing was noise in
// silence. Measured against the noise, a dip in level (a dropout, a weak single-cycle bit at
// 1200 baud) no longer loses the word while its tones are clear. The floor stays between these
// shares of the space level: 30 dB down at the least, and at the most the 0.4 that alone was the
// floor before: twice the noise of hiss at 10 dB Eb/N0 squelched words, and the clock slipped
// three times as often.
constexpr double squelch_noise_ratio = 2.0;
constexpr double least_squelch_level = 0.03;
constexpr double most_squelch_level = 0.4;
// Until words are decided, the noise is taken to be high enough that the floor starts at its
// most, which keeps hiss alone from making words.
constexpr double start_noise_share = most_squelch_level / squelch_noise_ratio;
// Loop gains per word: the edge takes half of the measured timing error, the bit period a fifth
// of it spread over the word's bits. An error above the jump limit is taken whole, at once.
// A period gain of a tenth was too slow to follow 1 % flutter at 11 Hz at 600 baud.
constexpr double edge_gain = 0.5;
constexpr double period_gain = 0.2;
constexpr double jump_limit_bits = 0.2;
// A word whose tones read under this share of their running levels (10 dB down) is flagged as
// read through a dropout.
constexpr double faint_strength = 0.316;
// A word found by the search is taken only when every one of its bits clears this margin: the
// words that hiss alone frames have a bit at a coin toss (pink noise made them in 7 of 20 files
// of 6 s, with it in 4; the robustness matrix lost nothing).
constexpr double least_found_margin = 0.1;
// A moved reading must be this much clearer (mean |d|) to be taken, or framed where the other
// is not: in hiss a moved reading is clearer by chance half the time, and every such jump threw
// the clock off by a noisy amount (62 jumps in 4000 words at 12 dB Eb/N0).
constexpr double jump_margin = 0.03;
// The gains shrink as the square of the timing noise beyond this standard deviation of one
// change, in bits (clean audio: under 0.01), down to this share of themselves.
constexpr double quiet_timing_variance = 0.05 * 0.05;
constexpr double least_gain_share = 0.05;
// The timing noise is a running mean over about twenty words, of scatters taken at most four
// times the mean so far.
constexpr double noise_alpha = 0.05;
constexpr double most_scatter_ratio = 4;
// The bit period may wander this far from the measured speed, no further.
constexpr double period_range = 0.1;
constexpr int bad_words_to_unlock = 3;
// Times a searched word is read again from the edge its own transitions point to.
constexpr int candidate_passes = 2;
// Level updates per decided bit.
constexpr double level_alpha = 0.02;
constexpr int max_bits = 12;
// A searched word is taken only when its bits read this clearly on average (mean |d|): noise
// alone averages about 0.3, a tone 6 dB above the in-band noise about 0.8.
constexpr double clarity_level = 0.5;
// A reading from a moved edge has had more chances to find a framed word in noise, so it must
// read clearer: at the plain bar, hiss alone yielded framed words this way.
constexpr double moved_clarity_level = 0.55;

struct Magnitudes {
    double mark = 0;
    double space = 0;
};

Magnitudes magnitudes_at(const ToneHistory& history, double window_start) {
    Magnitudes m;
    history_at(history, window_start, m.mark, m.space);
    return m;
}

double discriminator(const FrameClock& clock, const Magnitudes& m) {
    const double mark = m.mark / clock.mark_level;
    const double space = m.space / clock.space_level;
    const double sum = mark + space;
    return sum > 0 ? (mark - space) / sum : 0.0;
}

double d_at(const FrameClock& clock, const ToneHistory& history, double window_start) {
    return discriminator(clock, magnitudes_at(history, window_start));
}

struct WordBits {
    std::array<bool, max_bits> is_mark{};
    int count = 0;
    double clarity = 0;  // mean |d| over the bits
    double weakest = 1;  // the least |d| of any bit: the margin of the most doubtful decision
    double strength = 0; // mean magnitude of the decided tones, as a share of their levels
};

WordBits read_bits(const FrameClock& clock, const ToneHistory& history, double edge) {
    WordBits bits;
    bits.count = word_bits(clock.format);
    for (int k = 0; k < bits.count; ++k) {
        const Magnitudes m = magnitudes_at(history, edge + k * clock.bit_samples);
        const double d = discriminator(clock, m);
        const bool is_mark = d > 0;
        bits.is_mark[static_cast<std::size_t>(k)] = is_mark;
        bits.clarity += std::fabs(d) / bits.count;
        bits.weakest = std::min(bits.weakest, std::fabs(d));
        bits.strength +=
            (is_mark ? m.mark / clock.mark_level : m.space / clock.space_level) / bits.count;
    }
    return bits;
}

// The changes of tone of a word: the bit each starts, and its timing error in samples.
struct WordChanges {
    std::array<int, max_bits> bit{};
    std::array<double, max_bits> error{};
    int count = 0;
};

// Where a word's tones change, and how far each change lies from where the clock expects it
// (positive: later). Windows that straddle the expected boundary read d = 2 x (true - expected)
// / bit period for a fall to space, the negative for a rise to mark, as long as the tones change
// smoothly within them. They do not quite: how much of each tone a window holds shows in steps
// of the tones' cycles, and a window centred on the boundary reads d = 0 anywhere within about
// half a 1200 Hz cycle of it (4 samples either way at 21600 Hz), where the clock was left to
// wander. Two windows at probe_samples before and after the boundary sit on the steep parts of
// those steps, and their mean answers to every sample of offset.
WordChanges tone_changes(const FrameClock& clock, const ToneHistory& history, double edge,
                         const WordBits& bits) {
    const double half = clock.bit_samples / 2;
    WordChanges found;
    bool was_mark = true; // the stop bit or idle line before the start bit
    for (int k = 0; k < bits.count; ++k) {
        const bool is_mark = bits.is_mark[static_cast<std::size_t>(k)];
        if (is_mark != was_mark) {
            const double boundary = edge + k * clock.bit_samples - half;
            const double d = (d_at(clock, history, boundary - clock.probe_samples) +
                              d_at(clock, history, boundary + clock.probe_samples)) /
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

// The mean timing error of a word, in samples.
double timing_error(const FrameClock& clock, const ToneHistory& history, double edge,
                    const WordBits& bits) {
    return mean_error(tone_changes(clock, history, edge, bits));
}

// How the changes scatter about the straight line through them (the word's offset and period
// error), as a variance in bits squared: the noise of one timing measurement, whatever the
// timing itself does. Negative when there are fewer than three changes to tell.
double change_scatter(const FrameClock& clock, const WordChanges& found) {
    if (found.count < 3)
        return -1;
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
    const double slope = spread > 0 ? product / spread : 0;
    double residual = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double r = found.error[i] - mean - slope * (found.bit[i] - mean_bit);
        residual += r * r;
    }
    return residual / static_cast<double>(count - 2) / (clock.bit_samples * clock.bit_samples);
}

bool has_stop_bits(const FrameClock& clock, const WordBits& bits) {
    for (int k = bits.count - clock.format.stop_bits; k < bits.count; ++k)
        if (!bits.is_mark[static_cast<std::size_t>(k)])
            return false;
    return true;
}

// The offset of the mark to space edge that starts a word, from the window straddling it.
double start_edge_error(const FrameClock& clock, const ToneHistory& history, double edge) {
    const double half = clock.bit_samples / 2;
    return d_at(clock, history, edge - half) * half;
}

bool is_framed(const FrameClock& clock, const WordBits& bits) {
    return !bits.is_mark[0] && has_stop_bits(clock, bits);
}

// Framed readings beat unframed ones; among equals, the clearer wins.
double reading_score(const FrameClock& clock, const WordBits& bits) {
    return (is_framed(clock, bits) ? 1.0 : 0.0) + bits.clarity;
}

DecodedWord assemble(const FrameClock& clock, const WordBits& bits, double edge) {
    DecodedWord word;
    word.edge = edge;
    word.confidence = static_cast<int>(std::lround(bits.weakest * 100));
    word.is_faint = bits.strength < faint_strength;
    int ones = 0;
    for (int k = 0; k < clock.format.data_bits; ++k) {
        if (bits.is_mark[static_cast<std::size_t>(1 + k)]) {
            word.byte |= 1 << k;
            ++ones;
        }
    }
    if (clock.format.parity != Parity::None) {
        ones += bits.is_mark[static_cast<std::size_t>(1 + clock.format.data_bits)] ? 1 : 0;
        const bool is_even = ones % 2 == 0;
        word.is_parity_error = is_even != (clock.format.parity == Parity::Even);
    }
    word.is_framing_error = !has_stop_bits(clock, bits);
    return word;
}

void update_levels(FrameClock& clock, const ToneHistory& history, double edge,
                   const WordBits& bits) {
    for (int k = 0; k < bits.count; ++k) {
        const Magnitudes m = magnitudes_at(history, edge + k * clock.bit_samples);
        const bool is_mark = bits.is_mark[static_cast<std::size_t>(k)];
        if (is_mark)
            clock.mark_level += level_alpha * (m.mark - clock.mark_level);
        else
            clock.space_level += level_alpha * (m.space - clock.space_level);
        // What the other detector reads over a decided bit is noise (and the tones' crosstalk).
        const double other = is_mark ? m.space : m.mark;
        clock.noise_level += level_alpha * (other - clock.noise_level);
    }
}

// How much of the loop gains the clock uses: all of them on clean audio, where they follow
// flutter, and less in noise, where each word's timing error is mostly noise.
double gain_share(const FrameClock& clock) {
    return std::clamp(quiet_timing_variance / clock.timing_noise, least_gain_share, 1.0);
}

// The second-order loop: steer the next edge and the bit period from this word's changes of
// tone, with gains that shrink as the timing noise grows.
void steer(FrameClock& clock, const ToneHistory& history, const WordBits& word) {
    const WordChanges found = tone_changes(clock, history, clock.edge, word);
    // A word that did not frame was read out of step: its changes tell of timing, not noise.
    const double scatter = is_framed(clock, word) ? change_scatter(clock, found) : -1;
    // One word moves the estimate by a bounded step, so that a single odd word cannot take
    // the gains away: real hiss still raises it to its level within about twenty words.
    if (scatter >= 0)
        clock.timing_noise +=
            noise_alpha *
            (std::min(scatter, most_scatter_ratio * clock.timing_noise) - clock.timing_noise);
    const double error = mean_error(found);
    const double share = gain_share(clock);
    const int bits = word_bits(clock.format);
    clock.edge += share * edge_gain * error;
    clock.bit_samples += share * share * period_gain * error / bits;
    const double low = clock.tuned_bit_samples * (1 - period_range);
    const double high = clock.tuned_bit_samples * (1 + period_range);
    clock.bit_samples =
        clock.bit_samples < low ? low : (clock.bit_samples > high ? high : clock.bit_samples);
    clock.edge += bits * clock.bit_samples;
}

// The last window start that reading a word at `edge` needs.
double word_reach(const FrameClock& clock, double edge) {
    return edge + (word_bits(clock.format) - 1) * clock.bit_samples + 2;
}

void start_search(FrameClock& clock, double from) {
    clock.phase = ClockPhase::Searching;
    clock.search_from = static_cast<std::int64_t>(std::floor(from));
    clock.is_armed = false;
    clock.bad_in_row = 0;
}

// Scans for the next armed falling crossing of d; true with clock.edge set a half bit after it.
bool search(FrameClock& clock, const ToneHistory& history) {
    if (clock.search_from < oldest_held(history))
        clock.search_from = oldest_held(history);
    double d = d_at(clock, history, static_cast<double>(clock.search_from));
    // A recording that begins inside a space bit is taken to have idled before its first sample.
    if (clock.search_from == 0 && !clock.is_armed && d <= 0) {
        clock.is_armed = true;
        clock.edge = 0;
        ++clock.search_from;
        return true;
    }
    while (clock.search_from + 1 <= history.newest) {
        const double next = d_at(clock, history, static_cast<double>(clock.search_from + 1));
        if (d > arm_level)
            clock.is_armed = true;
        if (clock.is_armed && d > 0 && next <= 0) {
            const double crossing = static_cast<double>(clock.search_from) + d / (d - next);
            clock.edge = crossing + clock.bit_samples / 2;
            ++clock.search_from;
            return true;
        }
        d = next;
        ++clock.search_from;
    }
    return false;
}

// Moves a searched edge to where the straddling window balances mark against space; twice,
// since each step uses the window of the previous estimate.
void refine_edge(FrameClock& clock, const ToneHistory& history) {
    for (int pass = 0; pass < 2; ++pass) {
        double d = d_at(clock, history, clock.edge - clock.bit_samples / 2);
        d = d > 1 ? 1 : (d < -1 ? -1 : d);
        clock.edge += d * clock.bit_samples / 2;
    }
}

bool is_squelched(const FrameClock& clock, const ToneHistory& history, double edge) {
    const double floor =
        std::clamp(squelch_noise_ratio * clock.noise_level, least_squelch_level * clock.space_level,
                   most_squelch_level * clock.space_level);
    return magnitudes_at(history, edge).space < floor;
}

// The start edge alone is one noisy window: the mean error over all of the word's transitions
// says more. The word is read again from the edge they point to, and the better reading kept.
WordBits reread_candidate(FrameClock& clock, const ToneHistory& history, WordBits bits,
                          bool& is_moved) {
    is_moved = false;
    for (int pass = 0; pass < candidate_passes; ++pass) {
        const double error = timing_error(clock, history, clock.edge, bits);
        const WordBits moved = read_bits(clock, history, clock.edge + error);
        if (reading_score(clock, moved) > reading_score(clock, bits)) {
            clock.edge += error;
            bits = moved;
            is_moved = true;
        }
    }
    return bits;
}

// A searched word at clock.edge is taken when its start bit reads space, its stop bits mark, it
// reads at least `clarity` clearly, no bit is near a coin toss, and its start bit clears the
// squelch.
bool is_word_taken(const FrameClock& clock, const ToneHistory& history, const WordBits& bits,
                   double clarity) {
    return !bits.is_mark[0] && has_stop_bits(clock, bits) && bits.clarity >= clarity &&
           bits.weakest >= least_found_margin && !is_squelched(clock, history, clock.edge);
}

// A word found by the search: taken, and the clock locked, when its start bit reads space and
// its stop bits mark, from the re-read edge or else from the searched one.
bool check_candidate(FrameClock& clock, const ToneHistory& history, DecodedWord& word) {
    if (clock.edge > 0)
        refine_edge(clock, history);
    const double first_edge = clock.edge;
    const WordBits first = read_bits(clock, history, clock.edge);
    bool is_moved = false;
    WordBits bits = reread_candidate(clock, history, first, is_moved);
    // A moved reading that fails its stricter bar gives way to the first one, judged as usual.
    if (is_moved && !is_word_taken(clock, history, bits, moved_clarity_level)) {
        clock.edge = first_edge;
        bits = first;
    }
    if (!is_word_taken(clock, history, bits, clarity_level)) {
        clock.phase = ClockPhase::Searching;
        return false;
    }
    word = assemble(clock, bits, clock.edge);
    word.is_reread = clock.edge != first_edge;
    update_levels(clock, history, clock.edge, bits);
    ++clock.locks;
    clock.phase = ClockPhase::Locked;
    clock.bad_in_row = 0;
    steer(clock, history, bits);
    return true;
}

// A word where the lock predicts it. Returns true with `word` set when one was decoded.
bool check_predicted(FrameClock& clock, const ToneHistory& history, DecodedWord& word) {
    if (is_squelched(clock, history, clock.edge)) {
        // Silence: the next word starts later, after a gap of any length.
        start_search(clock, clock.edge - clock.bit_samples / 2);
        return false;
    }
    WordBits bits = read_bits(clock, history, clock.edge);
    // The start edge is the one transition every word has; when it lies far from the
    // prediction (a gap of a fraction of a bit), the word is read again from there, and the
    // better of the two readings kept.
    const double start_error = start_edge_error(clock, history, clock.edge);
    bool is_jump = false;
    if (std::fabs(start_error) > jump_limit_bits * clock.bit_samples) {
        const WordBits moved = read_bits(clock, history, clock.edge + start_error);
        if (reading_score(clock, moved) > reading_score(clock, bits) + jump_margin) {
            clock.edge += start_error;
            bits = moved;
            is_jump = true;
            ++clock.jumps;
        }
    }
    if (bits.is_mark[0]) {
        // Idle line, even where the start edge points: the next word starts after a gap.
        start_search(clock, clock.edge - clock.bit_samples / 2);
        return false;
    }
    const bool is_good = has_stop_bits(clock, bits);
    clock.bad_in_row = is_good ? 0 : clock.bad_in_row + 1;
    if (clock.bad_in_row >= bad_words_to_unlock) {
        ++clock.lock_losses;
        start_search(clock, clock.edge - clock.bit_samples / 2);
        return false;
    }
    word = assemble(clock, bits, clock.edge);
    word.is_reread = is_jump;
    if (is_good)
        update_levels(clock, history, clock.edge, bits);
    steer(clock, history, bits);
    return true;
}

bool count_word(FrameClock& clock, const DecodedWord& word) {
    ++clock.words;
    if (word.is_framing_error || word.is_parity_error)
        ++clock.suspect_words;
    return true;
}

} // namespace

int word_bits(const WordFormat& format) {
    return 1 + format.data_bits + (format.parity == Parity::None ? 0 : 1) + format.stop_bits;
}

void configure_clock(FrameClock& clock, const WordFormat& format, double bit_samples,
                     double space_cycles_per_bit, double mark_level, double space_level) {
    clock = FrameClock{};
    clock.format = format;
    clock.bit_samples = bit_samples;
    clock.tuned_bit_samples = bit_samples;
    // An eighth of a bit (a sixteenth where a bit holds a single cycle of space, at 1200 baud),
    // as measured: at 12 dB Eb/N0 an eighth left the clock within 1.8 samples of the true edge
    // half the time at 300 baud (3.2 with one window at the boundary, 2.8 with windows a quarter
    // of a bit away), and a quarter of a bit lost a word of a real 1200-baud tape, an eighth a
    // block of another, a sixteenth none.
    clock.probe_samples = bit_samples / (space_cycles_per_bit < 2 ? 16 : 8);
    clock.mark_level = mark_level > 0 ? mark_level : 1.0;
    clock.space_level = space_level > 0 ? space_level : 1.0;
    clock.noise_level = start_noise_share * clock.space_level;
}

std::int64_t clock_history_span(const WordFormat& format, double bit_samples) {
    // A word and a bit before it, at the longest period the loop allows, and some slack.
    return static_cast<std::int64_t>((word_bits(format) + 3) * bit_samples * (1 + period_range)) +
           64;
}

bool next_word(FrameClock& clock, const ToneHistory& history, DecodedWord& word) {
    if (history.newest < 0)
        return false;
    for (;;) {
        switch (clock.phase) {
        case ClockPhase::Searching:
            // Look for an edge; a word there is judged once all of it has arrived.
            if (!search(clock, history))
                return false;
            clock.phase = ClockPhase::Checking;
            break;
        case ClockPhase::Checking:
            // Judge the searched edge once its whole word is in the history.
            if (word_reach(clock, clock.edge + clock.bit_samples / 2) > history.newest)
                return false;
            if (check_candidate(clock, history, word))
                return count_word(clock, word);
            clock.is_armed = false;
            break;
        case ClockPhase::Locked:
            // Read the predicted word once it has arrived, allowing for a jump of half a bit.
            if (word_reach(clock, clock.edge + clock.bit_samples / 2) > history.newest)
                return false;
            if (check_predicted(clock, history, word))
                return count_word(clock, word);
            break;
        }
    }
}
