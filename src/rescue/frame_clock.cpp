// The frame clock's phases: search, check, locked; the bit reading and the timing loop.
#include "rescue/frame_clock.h"

#include "rescue/clock_rereads.h"
#include "rescue/word_reading.h"

#include <algorithm>
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
// Loop gains per word on clean audio: the edge takes half of the measured timing error, the bit
// period a fifth of it spread over the word's bits (in noise, less; see gain_share). A period
// gain of a tenth was too slow to follow 1 % flutter at 11 Hz at 600 baud.
constexpr double edge_gain = 0.5;
constexpr double period_gain = 0.2;
// On quiet audio a word's changes of tone also give its own bit period (the slope of their
// timing errors), and the period takes half of that error at once: a step of 2 % in speed at
// 600 baud otherwise threw the next word half a bit out. In noise the slope of a few changes is
// too noisy to use: taken with the loop's shrinking gains, it doubled the bit errors at 10 dB
// Eb/N0.
constexpr double slope_gain = 0.5;
// A word found by the search is taken only when every one of its bits clears this margin: the
// words that hiss alone frames have a bit at a coin toss (pink noise made them in 7 of 20 files
// of 6 s, with it in 4; the robustness matrix lost nothing).
constexpr double least_found_margin = 0.1;
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
// Words after a searched one inside a running line that must read in step for it to be taken
// (see words_after).
constexpr int confirming_words = 2;
// A predicted start bit that reads mark by less than this, in a word that is otherwise clear,
// whose stop bits are mark and which holds a space bit of its own, is a start bit blurred by
// noise or a codec, not idle line (which reads near 1, and as 0xFF: in hiss at 12 dB Eb/N0 idle
// gaps made one to three 0xFF words in 1129 until the space bit was asked for). The word is
// kept, flagged as a framing error. Sending the clock back to search
// there lost the word and often the next ones: at 10 dB Eb/N0 it halved the words lost or added
// (38 to 21 of 8000 at 300 baud, 34 to 16 at 600); 0.2 to 0.4 did the same, 0.1 less.
constexpr double blurred_start_level = 0.3;
// Words the clock steps over in a dropout before it takes the quiet for silence. Its period is
// within 0.1 % of the line's once locked, so that after 16 words (176 bits, 0.3 s at 600 baud)
// its step has drifted under a fifth of a bit; a longer quiet is searched across.
constexpr int most_coasted_words = 16;
// A start edge found after more mark than this many bits follows idle line; after fewer, it
// follows a word's stop bits (two, or three with a parity bit that reads mark). Writers that
// pause give 6 bits or more (a line end's 20 ms at 300 baud).
constexpr double idle_mark_bits = 4;
// A line found again this close to a whole number of words after the last word read runs on in
// step with it: 0.2 of a word is two bits, more than the clock drifts over most_coasted_words.
constexpr double in_step_words = 0.2;
// A start bit whose two tones' shares of their levels add up to less than this lies in a
// dropout: a clean one adds up to 1, idle line to 1 of mark. In a dropout one tone is there at
// a reduced level and the other not, so the sum is that tone's share: 0.3 is about 10 dB down,
// the depth at which a word read is flagged as read through a dropout.
constexpr double faint_sum = 0.3;
// Level updates per decided bit.
constexpr double level_alpha = 0.02;
// A searched word is taken only when its bits read this clearly on average (mean |d|): noise
// alone averages about 0.3, a tone 6 dB above the in-band noise about 0.8.
constexpr double clarity_level = 0.5;
// A searched word found again in step with a running line needs only this clarity (see
// is_back_in_step).
constexpr double in_step_clarity_level = 0.4;
// Framed words in step that make a running line (see is_in_running_line).
constexpr std::int64_t least_line_words = 3;
// A reading from a moved edge has had more chances to find a framed word in noise, so it must
// read clearer: at the plain bar, hiss alone yielded framed words this way.
constexpr double moved_clarity_level = 0.55;
// Doubtful bits are read along each tone's phase while the clear bits just after a change of tone
// keep it, on average, at least this share as well as those after one of their own tone (the
// mean cosines of their phases, PhaseEvidence). Measured over whole recordings: hiss at 7 to 12
// dB Eb/N0 0.95 to 1.02 at 300 and 600 baud, real tapes 0.97 to 1.00; minimodem's 300-baud
// listings with mark 19 dB under space and 1.33 ms of skew 0.81 and 0.85, where doubtful bits
// read along the phases lost two and three bytes.
constexpr double least_phase_kept = 0.9;
// The running sums forget this share per word: about the last 64 words, 250 clear bits of
// each kind, count.
constexpr double phase_memory = 1 - 1.0 / 64;
// Nor before this many clear bits of each kind have been seen: the first words of a recording
// are read from the magnitudes.
constexpr double least_phase_bits = 32;
// Nor where a bit holds fewer cycles of space than this (at 1200 baud, one). There the DC
// remover's window, one cycle long, straddles every change of tone, and the first mark bit after
// a space bit reads out of phase: in white noise at -3 and 0 dB SNR, minimodem's 1200-baud
// listings lost 3 to 18 more bytes read along the phases, although the 1200-baud chain with
// skew and hiss read 88 % of its bytes instead of 56 %.
constexpr double least_phase_space_cycles = 2;

bool is_phase_kept(const PhaseEvidence& e) {
    return e.after_change_bits >= least_phase_bits && e.steady_bits >= least_phase_bits &&
           e.after_change / e.after_change_bits >=
               least_phase_kept * (e.steady / e.steady_bits);
}

void remember(PhaseEvidence& running, const PhaseEvidence& word) {
    running.after_change = phase_memory * running.after_change + word.after_change;
    running.after_change_bits = phase_memory * running.after_change_bits + word.after_change_bits;
    running.steady = phase_memory * running.steady + word.steady;
    running.steady_bits = phase_memory * running.steady_bits + word.steady_bits;
}

// The bits a word is assembled from: its doubtful ones read along each tone's phase where the
// line keeps the phases.
WordBits decided_bits(FrameClock& clock, const ToneHistory& history, const WordBits& bits) {
    if (!clock.is_phase_readable)
        return bits;
    const CoheredBits cohered = cohered_bits(clock.frame, history, clock.edge, bits);
    const bool is_kept = is_phase_kept(clock.phase_evidence);
    remember(clock.phase_evidence, cohered.evidence);
    return is_kept ? cohered.bits : bits;
}

void update_levels(FrameClock& clock, const ToneHistory& history, double edge,
                   const WordBits& bits) {
    for (int k = 0; k < bits.count; ++k) {
        const Magnitudes m = magnitudes_at(history, edge + k * clock.frame.bit_samples);
        const bool is_mark = bits.is_mark[static_cast<std::size_t>(k)];
        if (is_mark)
            clock.frame.mark_level += level_alpha * (m.mark - clock.frame.mark_level);
        else
            clock.frame.space_level += level_alpha * (m.space - clock.frame.space_level);
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

bool is_quiet(const FrameClock& clock) { return clock.timing_noise <= quiet_timing_variance; }

// The second-order loop: steer the next edge and the bit period from this word's changes of
// tone, with gains that shrink as the timing noise grows.
void steer(FrameClock& clock, const ToneHistory& history, const WordBits& word) {
    const WordChanges found = tone_changes(clock.frame, history, clock.edge, word);
    // A word that did not frame was read out of step: its changes tell of timing, not noise.
    const ChangeFit fit =
        is_framed(clock.frame, word) ? fit_changes(clock.frame, found) : ChangeFit{};
    // One word moves the estimate by a bounded step, so that a single odd word cannot take
    // the gains away: real hiss still raises it to its level within about twenty words.
    if (fit.scatter >= 0)
        clock.timing_noise +=
            noise_alpha *
            (std::min(fit.scatter, most_scatter_ratio * clock.timing_noise) - clock.timing_noise);
    const double error = mean_error(found);
    const double share = gain_share(clock);
    const int bits = word_bits(clock.frame.format);
    clock.edge += share * edge_gain * error;
    clock.frame.bit_samples += share * share * period_gain * error / bits;
    if (is_quiet(clock) && fit.scatter >= 0 && fit.scatter <= quiet_timing_variance)
        clock.frame.bit_samples += slope_gain * fit.slope;
    const double low = clock.tuned_bit_samples * (1 - period_range);
    const double high = clock.tuned_bit_samples * (1 + period_range);
    clock.frame.bit_samples =
        clock.frame.bit_samples < low
            ? low
            : (clock.frame.bit_samples > high ? high : clock.frame.bit_samples);
    clock.edge += bits * clock.frame.bit_samples;
}

// The last window start that reading a word at `edge` needs.
double word_reach(const FrameClock& clock, double edge) {
    return edge + (word_bits(clock.frame.format) - 1) * clock.frame.bit_samples + 2;
}

// The search found an edge straight after a word's stop bits (or a quiet) rather than after idle
// mark, in a line that has framed least_line_words in step: inside a line that runs on, where any
// falling crossing of a data bit looks like a start. A reading at a wrong rate or framing seldom
// frames that many in step; judged by the words after its candidates, it kept only those that
// frame and read cleaner than the right reading (8N2 given as 8E2 was taken for 600 baud).
bool is_in_running_line(const FrameClock& clock) {
    return clock.words_in_step >= least_line_words &&
           clock.mark_before_edge <= idle_mark_bits * clock.frame.bit_samples;
}

// Where the last word a searched edge is judged by may start: its own, allowing for a jump of
// half a bit; inside a running line the last of the words after it, allowing for a pause of up to
// idle_mark_bits before each word, for the two bits that refining and re-reading may move the
// edge (half a bit a pass, two passes each) and for the half bit from a change of tone to its
// word's edge. Short of that, whether a word after it had arrived would depend on how the samples
// came in.
double candidate_reach(const FrameClock& clock) {
    const double bit = clock.frame.bit_samples;
    const double word = word_bits(clock.frame.format) + idle_mark_bits;
    const double next = is_in_running_line(clock) ? (confirming_words * word + 3) * bit : 0;
    return clock.edge + bit / 2 + next;
}

void start_search(FrameClock& clock, double from) {
    clock.phase = ClockPhase::Searching;
    clock.coasted_words = 0;
    clock.search_from = static_cast<std::int64_t>(std::floor(from));
    clock.mark_since = clock.search_from;
    clock.is_after_quiet = false;
    clock.is_armed = false;
    clock.bad_in_row = 0;
}

// Scans for the next armed falling crossing of d; true with clock.edge set a half bit after it.
bool search(FrameClock& clock, const ToneHistory& history) {
    if (clock.search_from < oldest_held(history))
        clock.search_from = oldest_held(history);
    double d = straddle_d_at(clock.frame, history, static_cast<double>(clock.search_from));
    // A recording that begins inside a space bit is taken to have idled before its first sample.
    if (clock.search_from == 0 && !clock.is_armed && d <= 0) {
        clock.is_armed = true;
        clock.edge = 0;
        ++clock.search_from;
        return true;
    }
    while (clock.search_from + 1 <= history.newest) {
        const double next =
            straddle_d_at(clock.frame, history, static_cast<double>(clock.search_from + 1));
        if (d > arm_level)
            clock.is_armed = true;
        if (d <= 0 && next > 0)
            clock.mark_since = clock.search_from + 1;
        if (clock.is_armed && d > 0 && next <= 0) {
            const double crossing = static_cast<double>(clock.search_from) + d / (d - next);
            clock.mark_before_edge = crossing - static_cast<double>(clock.mark_since);
            clock.edge = crossing + clock.frame.bit_samples / 2;
            if (clock.first_candidate < 0)
                clock.first_candidate = clock.edge;
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
        double d = straddle_d_at(clock.frame, history, clock.edge - clock.frame.bit_samples / 2);
        d = d > 1 ? 1 : (d < -1 ? -1 : d);
        clock.edge += d * clock.frame.bit_samples / 2;
    }
}

bool is_blurred_start(const FrameClock& clock, const WordBits& bits) {
    bool has_space = false;
    for (int k = 1; k < bits.count - clock.frame.format.stop_bits; ++k)
        has_space = has_space || !bits.is_mark[static_cast<std::size_t>(k)];
    return has_space && bits.start < blurred_start_level && has_stop_bits(clock.frame, bits) &&
           bits.clarity >= clarity_level;
}

// The two tones' shares of their levels add up to under faint_sum: the level has fallen, not the
// line gone idle.
bool is_faint(const FrameClock& clock, const ToneHistory& history, double edge) {
    const Magnitudes m = magnitudes_at(history, edge);
    return m.mark / clock.frame.mark_level + m.space / clock.frame.space_level < faint_sum;
}

bool is_squelched(const FrameClock& clock, const ToneHistory& history, double edge) {
    const double floor = std::clamp(squelch_noise_ratio * clock.noise_level,
                                    least_squelch_level * clock.frame.space_level,
                                    most_squelch_level * clock.frame.space_level);
    return magnitudes_at(history, edge).space < floor;
}

// A searched word at clock.edge is taken when its start bit reads space, its stop bits mark, it
// reads at least `clarity` clearly, no bit is near a coin toss, and its start bit clears the
// squelch.
bool is_word_taken(const FrameClock& clock, const ToneHistory& history, const WordBits& bits,
                   double clarity) {
    return !bits.is_mark[0] && has_stop_bits(clock.frame, bits) && bits.clarity >= clarity &&
           bits.weakest >= least_found_margin && !is_squelched(clock, history, clock.edge);
}

// The whole number of words after the last word read at which the clock's edge lies (to within
// in_step_words, and no more than most_coasted_words), or -1 where it lies between them.
int whole_words_since_last(const FrameClock& clock) {
    const double words = (clock.edge - clock.previous_end) /
                         (word_bits(clock.frame.format) * clock.frame.bit_samples);
    const double whole = std::round(words);
    if (whole < 0 || whole > most_coasted_words || std::abs(words - whole) > in_step_words)
        return -1;
    return static_cast<int>(whole);
}

// The words a burst of noise took from a running line: the search found it again a whole number
// of words after the last word read. Words lost in a quiet are counted as the clock steps over
// them, where it finds itself in step after it.
int words_lost_in_noise(const FrameClock& clock) {
    if (clock.is_after_quiet || !is_in_running_line(clock))
        return 0;
    return std::max(0, whole_words_since_last(clock));
}

// What the words after a searched one inside a running line read: in step they frame too, or the
// line has gone idle (all mark) or quiet; out of step they read data bits.
enum class WordsAfter { Unread, Framed, IdleOrQuiet, OutOfStep };

// Where the word after one that started at `edge` starts: at the first change from mark to space
// from the last bit of that word on, as the search would find it, allowing for a pause of up to
// idle_mark_bits between the words (writers that pause between bytes). -1 where the line stays
// mark longer or the history ends first.
double start_after(const FrameClock& clock, const ToneHistory& history, double edge) {
    const double bit = clock.frame.bit_samples;
    const double end = edge + word_bits(clock.frame.format) * bit;
    const double last =
        std::min(end + idle_mark_bits * bit, static_cast<double>(history.newest) - 1);
    double d = straddle_d_at(clock.frame, history, end - bit);
    for (double at = end - bit; at < last; ++at) {
        const double next = straddle_d_at(clock.frame, history, at + 1);
        if (d > 0 && next <= 0)
            return at + d / (d - next) + bit / 2;
        d = next;
    }
    return -1;
}

// Inside a running line a word read out of step frames by chance one time in four, and the clock
// then read on out of step until three bad words in a row let it go: at 11 dB Eb/N0 that made
// bursts of up to 12 wrong words. Over five noise seeds at 11 dB the longest burst fell from 12
// words to 4 (300 baud) and from 9 to 6 (600) with the next word looked at, and to 3 at 600 with
// two, which also took another 1 % off the bit errors at 10 dB. The recording's end counts as
// quiet.
WordsAfter words_after(const FrameClock& clock, const ToneHistory& history) {
    double edge = clock.edge;
    for (int k = 1; k <= confirming_words; ++k) {
        edge = start_after(clock, history, edge);
        if (edge < 0 || word_reach(clock, edge) > history.newest ||
            is_squelched(clock, history, edge))
            return WordsAfter::IdleOrQuiet;
        if (!is_framed(clock.frame, read_bits(clock.frame, history, edge)))
            return WordsAfter::OutOfStep;
    }
    return WordsAfter::Framed;
}

// A searched word that frames a whole number of words after the last one read (to within
// in_step_words), followed by words that frame: the running line found again in step. There the
// bars against words framed by hiss are lowered: the margin of every bit and the clarity of
// clarity_level lost such words one by one in a noisy stretch, and made slips of up to four words
// lost. Over five noise seeds at 10 dB Eb/N0 this took 4 % off the bit errors at 300 baud and 6 %
// at 600; a clarity of 0.3 gained 0.5 % more, 0.5 only half as much. Words after that read idle
// do not count: in a leader under hiss at 9 dB, 41 stray words were taken in step with one.
bool is_back_in_step(const FrameClock& clock, const ToneHistory& history, const WordBits& bits,
                     WordsAfter after) {
    return after == WordsAfter::Framed && whole_words_since_last(clock) >= 0 &&
           is_framed(clock.frame, bits) && bits.clarity >= in_step_clarity_level &&
           !is_squelched(clock, history, clock.edge);
}

// A word found by the search: taken, and the clock locked, when its start bit reads space and
// its stop bits mark, from the re-read edge or else from the searched one; inside a running line,
// only when the next words read in step with it.
bool check_candidate(FrameClock& clock, const ToneHistory& history, DecodedWord& word) {
    if (clock.edge > 0)
        refine_edge(clock, history);
    const double first_edge = clock.edge;
    const WordBits first = read_bits(clock.frame, history, clock.edge);
    bool is_moved = false;
    WordBits bits = reread_candidate(clock, history, first, is_moved);
    // A moved reading that fails its stricter bar gives way to the first one, judged as usual.
    if (is_moved && !is_word_taken(clock, history, bits, moved_clarity_level)) {
        clock.edge = first_edge;
        bits = first;
    }
    const WordsAfter after =
        is_in_running_line(clock) ? words_after(clock, history) : WordsAfter::Unread;
    const bool is_taken = is_back_in_step(clock, history, bits, after) ||
                          is_word_taken(clock, history, bits, clarity_level);
    if (!is_taken || after == WordsAfter::OutOfStep) {
        clock.phase = ClockPhase::Searching;
        return false;
    }
    word = assemble(clock.frame, decided_bits(clock, history, bits), clock.edge);
    word.is_reread = clock.edge != first_edge;
    const bool is_in_step = clock.words_in_step > 0 && whole_words_since_last(clock) >= 0 &&
                            clock.mark_before_edge <= idle_mark_bits * clock.frame.bit_samples;
    clock.words_in_step = is_in_step ? clock.words_in_step + 1 : 1;
    word.lost_before = words_lost_in_noise(clock);
    clock.lost_words += word.lost_before;
    update_levels(clock, history, clock.edge, bits);
    ++clock.locks;
    clock.phase = ClockPhase::Locked;
    clock.bad_in_row = 0;
    steer(clock, history, bits);
    return true;
}

// Whether a predicted word is to be read. Through a dropout (both tones faint) the clock keeps its
// step, word by word, so that it is in step again when the tones come back; that long, it is
// silence. Idle line (mark alone) means that the next word starts after a gap of any length.
bool is_word_due(FrameClock& clock, const ToneHistory& history, const WordBits& bits) {
    const bool is_clear = is_framed(clock.frame, bits) && bits.clarity >= clarity_level;
    const bool is_quiet_line = is_squelched(clock, history, clock.edge) && !is_clear;
    if (is_quiet_line && is_faint(clock, history, clock.edge) &&
        clock.coasted_words < most_coasted_words) {
        ++clock.coasted_words;
        clock.edge += word_bits(clock.frame.format) * clock.frame.bit_samples;
        return false;
    }
    // After a dropout, only a word as clear as a searched one shows that the clock is still in
    // step. Otherwise the tones came back out of step, and the next word may start anywhere
    // after the last faint edge.
    const bool is_after_dropout = clock.coasted_words > 0;
    if (is_quiet_line || (is_after_dropout && !(is_clear && bits.weakest >= least_found_margin))) {
        const double back_bits = is_after_dropout ? word_bits(clock.frame.format) + 0.5 : 0.5;
        start_search(clock, clock.edge - back_bits * clock.frame.bit_samples);
        clock.is_after_quiet = true;
        return false;
    }
    return true;
}

// A word where the lock predicts it. Returns true with `word` set when one was decoded.
bool check_predicted(FrameClock& clock, const ToneHistory& history, DecodedWord& word) {
    WordBits bits = read_bits(clock.frame, history, clock.edge);
    if (!is_word_due(clock, history, bits))
        return false;
    const bool may_stretch = is_quiet(clock) && !is_faint_reading(bits);
    const bool is_reread = reread_predicted(clock, history, bits, may_stretch);
    if (bits.is_mark[0] && !is_blurred_start(clock, bits)) {
        // Idle line, even where the start edge points: the next word starts after a gap.
        start_search(clock, clock.edge - clock.frame.bit_samples / 2);
        return false;
    }
    const bool is_good = has_stop_bits(clock.frame, bits);
    clock.bad_in_row = is_good ? 0 : clock.bad_in_row + 1;
    if (clock.bad_in_row >= bad_words_to_unlock) {
        ++clock.lock_losses;
        start_search(clock, clock.edge - clock.frame.bit_samples / 2);
        return false;
    }
    word = assemble(clock.frame, decided_bits(clock, history, bits), clock.edge);
    word.is_reread = is_reread;
    if (is_framed(clock.frame, bits))
        ++clock.words_in_step;
    // A word read in step after a dropout: the words stepped over are lost.
    word.lost_before = clock.coasted_words;
    clock.lost_words += clock.coasted_words;
    clock.coasted_words = 0;
    if (is_faint_reading(bits)) {
        // Read through a dropout: its levels are not the line's, and the changes of tone at the
        // dropout's edges read late or early as the level steps.
        clock.edge += word_bits(clock.frame.format) * clock.frame.bit_samples;
        return true;
    }
    if (is_framed(clock.frame, bits))
        update_levels(clock, history, clock.edge, bits);
    steer(clock, history, bits);
    return true;
}

bool count_word(FrameClock& clock, DecodedWord& word) {
    word.gap_before = word.edge - clock.previous_end;
    clock.previous_end = word.edge + word.bit_count * word.bit_samples;
    ++clock.words;
    if (word.is_framing_error || word.is_parity_error)
        ++clock.suspect_words;
    else
        clock.framed_period_sum += word.bit_samples;
    return true;
}

} // namespace

void configure_clock(FrameClock& clock, const ReadingKind& kind, double bit_samples,
                     double space_cycles_per_bit, double mark_level, double space_level) {
    clock = FrameClock{};
    clock.frame.format = kind.format;
    clock.frame.reader = kind.reader;
    clock.frame.bit_samples = bit_samples;
    clock.tuned_bit_samples = bit_samples;
    // An eighth of a bit (a sixteenth where a bit holds a single cycle of space, at 1200 baud),
    // as measured: at 12 dB Eb/N0 an eighth left the clock within 1.8 samples of the true edge
    // half the time at 300 baud (3.2 with one window at the boundary, 2.8 with windows a quarter
    // of a bit away), and a quarter of a bit lost a word of a real 1200-baud tape, an eighth a
    // block of another, a sixteenth none.
    clock.frame.probe_samples = bit_samples / (space_cycles_per_bit < 2 ? 16 : 8);
    clock.is_phase_readable = space_cycles_per_bit >= least_phase_space_cycles;
    clock.frame.mark_level = mark_level > 0 ? mark_level : 1.0;
    clock.frame.space_level = space_level > 0 ? space_level : 1.0;
    clock.noise_level = start_noise_share * clock.frame.space_level;
}

std::int64_t clock_history_span(const WordFormat& format, double bit_samples) {
    // Two words and a bit before the newest, at the longest period the loop allows, and some
    // slack: after a dropout the search goes back to the last faint word. A searched word inside
    // a running line is judged with the words after it and the pauses before them, which the
    // history must hold as well.
    const double words = 2 + confirming_words * (1 + idle_mark_bits / word_bits(format));
    return static_cast<std::int64_t>((words * word_bits(format) + 4) * bit_samples *
                                     (1 + period_range)) +
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
            // Judge the searched edge once its whole word is in the history, and inside a
            // running line the words after it too, unless the recording has ended.
            if (word_reach(clock, candidate_reach(clock)) > history.newest && !clock.is_at_end)
                return false;
            if (check_candidate(clock, history, word))
                return count_word(clock, word);
            clock.is_armed = false;
            break;
        case ClockPhase::Locked:
            // Read the predicted word once it has arrived, allowing for a jump of half a bit.
            if (word_reach(clock, clock.edge + clock.frame.bit_samples / 2) > history.newest)
                return false;
            if (check_predicted(clock, history, word))
                return count_word(clock, word);
            break;
        }
    }
}
