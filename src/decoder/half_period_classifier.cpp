// The half-period classifier: gathers the events of one tone into a run, decides a mark (1) or a
// space (0) bit each time the run has lasted one bit cell or ends at a change of tone, and
// calibrates the tone references, the length limit and the bit rate from the leader.
//
// Every length and index is in samples. A mark is 2400 Hz, a space 1200 Hz; each event carries
// the falling half of one cycle, so a run's summed lengths are about half its duration.
#include "decoder/kcs_decoder.h"

#include "base/kcs.h"
#include "base/saturate.h"
#include "cli/options.h"

#include <cmath>
#include <limits>

namespace {

constexpr std::int32_t int32_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int32_min = std::numeric_limits<std::int32_t>::min();

// A nominal or re-estimated bit rate from here up is the fast (600 baud) one.
constexpr std::int32_t fast_baud_from = 500;
// Slack, in samples, above half a bit cell before a run of one tone counts as a whole bit.
constexpr std::int32_t bit_cell_slack = 4;
// The closeness of a new length to the run's average that the constructed decoder accepts as the
// same tone, until the driver configures the real rate.
constexpr std::int32_t constructed_tolerance = 2;
// At a change of tone, a run average this close to a reference names the tone that ended. It is
// fixed, unlike `tolerance`.
constexpr std::int64_t reference_closeness = 2;
// The leader is trusted for calibration once its measurement run holds more events than this.
constexpr std::int32_t calibration_events = 1000;
// The length limit after calibration spans this many measured mark periods at 300 baud: the
// 8 cycles of a bit cell, halved because an event carries half a cycle, plus a half for slack.
constexpr double calibrated_mark_periods = 4.5;

std::int64_t distance(std::int64_t a, std::int64_t b) { return a > b ? a - b : b - a; }

// Truncates toward zero; values beyond 32 bits saturate and NaN gives 0, so that a measurement
// from a hostile event stream (no elapsed time, or a huge frequency) stays defined.
std::int32_t truncate_to_int32(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(int32_max))
        return int32_max;
    if (value <= static_cast<double>(int32_min))
        return int32_min;
    return static_cast<std::int32_t>(value);
}

// Counts up to the 32-bit limit and stays there: a hostile stream can keep a count growing for
// as long as it likes.
void count_up(std::int32_t& count) {
    if (count < int32_max)
        ++count;
}

void append_length(RecentLengths& run, std::int32_t length) {
    // Only a run that has kept growing for 2^31 events, which no tone does, gets here;
    // it forgets one length of its average rather than overflow the count.
    if (run.count == int32_max) {
        run.sum -= run.sum / run.count;
        --run.count;
    }
    ++run.count;
    run.sum += length;
    run.last = length;
}

// Empties the run and starts it again from one length.
void start_run(RecentLengths& run, std::int32_t length) {
    run = RecentLengths{};
    append_length(run, length);
}

// Replaces the run by its own last length followed by the new one.
void reseed_run(RecentLengths& run, std::int32_t length) {
    start_run(run, run.last);
    append_length(run, length);
}

// The average of lengths that are each 32-bit lies within 32 bits. A run's sum nearly always
// fits in 32 bits too, and there the division is done in 32: the 64-bit one took a third of the
// classifier's time (perf, 21600 Hz 8-bit tape). Both truncate alike.
std::int32_t run_average(const RecentLengths& run) {
    if (run.sum >= std::numeric_limits<std::int32_t>::min() &&
        run.sum <= std::numeric_limits<std::int32_t>::max())
        return static_cast<std::int32_t>(run.sum) / run.count;
    return static_cast<std::int32_t>(run.sum / run.count);
}

// Strictly nearer: a value equidistant from the references is nearer to neither.
bool nearer_to_space(const KcsDecoder& decoder, std::int32_t value) {
    return distance(value, decoder.space_reference) < distance(value, decoder.mark_reference);
}

bool nearer_to_mark(const KcsDecoder& decoder, std::int32_t value) {
    return distance(value, decoder.mark_reference) < distance(value, decoder.space_reference);
}

bool is_fast(std::int32_t baud) { return baud >= fast_baud_from; }

// Fewer events than any real bit cell holds: 8 mark or 4 space cycles at 300 baud, 4 or 2 at 600.
bool is_short_run(const KcsDecoder& decoder) {
    const std::int32_t longest_short_run = is_fast(decoder.baud) ? 1 : 2;
    return decoder.recent_lengths.count <= longest_short_run;
}

// The bit of a run that ended at a change of tone: named by the reference its average lies close
// to (space first), or else by the direction of the change, since the lower tone has the longer
// events.
int tone_change_bit(const KcsDecoder& decoder, std::int32_t length, std::int32_t average) {
    if (distance(average, decoder.space_reference) <= reference_closeness)
        return 0;
    if (distance(average, decoder.mark_reference) <= reference_closeness)
        return 1;
    return length > average ? 1 : 0;
}

// Re-derives the references, the length limit and the bit rate from the leader's measured mark
// frequency and the run that has just made a mark bit.
void calibrate(KcsDecoder& decoder, std::int32_t average) {
    const bool was_fast = is_fast(decoder.baud);
    decoder.calibration_state = 1;
    decoder.mark_reference = average;
    const std::int32_t mark_periods =
        truncate_to_int32(decoder.input_rate * calibrated_mark_periods / decoder.input_frequency);
    // At 600 baud a bit cell is half as long: the limit is one over the half, so that the 4
    // events of one mark bit stay inside it. Halving and taking one off would leave it one sample
    // below them (4 x 5 samples at 21600 Hz against 19): a mark bit would be decided every 3
    // cycles and the program's own 600-baud recordings would not decode.
    decoder.max_half_period = was_fast ? mark_periods / 2 + 1 : mark_periods;
    // The nominal rate scaled by the measured mark frequency against 2400 Hz: 300 baud per
    // 2400 Hz, or per 1200 Hz when fast.
    decoder.baud =
        truncate_to_int32(decoder.input_frequency * 300 / (was_fast ? space_hz : mark_hz));
    decoder.space_reference = saturate_to_int32(2 * std::int64_t{average});
}

// Measures the leader's mark frequency over its measurement run, and calibrates once the run is
// long enough to average out jitter.
void measure_leader(KcsDecoder& decoder, std::int32_t sample_index, std::int32_t average) {
    // Sample indexes are compared modulo 2^32, so the distance stays defined whatever they hold.
    const std::uint32_t elapsed = static_cast<std::uint32_t>(sample_index) -
                                  static_cast<std::uint32_t>(decoder.measure_start_sample);
    if (decoder.calibration_state < 2 && elapsed != 0)
        decoder.input_frequency = static_cast<double>(decoder.input_rate) *
                                  static_cast<double>(decoder.measure_count) /
                                  static_cast<double>(elapsed);
    if (decoder.measure_count > calibration_events)
        calibrate(decoder, average);
}

void decide_mark(KcsDecoder& decoder, std::int32_t sample_index, std::int32_t average) {
    decoder.push_bit(1);
    if (decoder.measure_start_sample != 0)
        measure_leader(decoder, sample_index, average);
}

// A space bit ends the leader: its measurement run closes and no other opens after calibration.
void decide_space(KcsDecoder& decoder) {
    if (decoder.calibration_state == 1)
        decoder.calibration_state = 2;
    decoder.push_bit(0);
    decoder.measure_count = 0;
    decoder.measure_start_sample = 0;
}

// A length far from the run's average: the same tone drifting, a run too short to be a bit (a
// glitch, so the run restarts from its last length), or a change of tone that ends a bit.
void on_far_length(KcsDecoder& decoder, std::int32_t length, std::int32_t average) {
    if (nearer_to_space(decoder, average) == nearer_to_space(decoder, length)) {
        append_length(decoder.recent_lengths, length);
        return;
    }
    decoder.measure_start_sample = 0;
    if (is_short_run(decoder)) {
        reseed_run(decoder.recent_lengths, length);
        return;
    }
    decoder.push_bit(tone_change_bit(decoder, length, average));
    start_run(decoder.recent_lengths, length);
}

// A length of the run's own tone: the run grows until its summed lengths pass the limit, that is
// until it has lasted one bit cell, and then the new length starts the next bit's run.
void on_near_length(KcsDecoder& decoder, std::int32_t length, std::int32_t sample_index,
                    std::int32_t average) {
    if (decoder.recent_lengths.sum + length <= decoder.max_half_period) {
        append_length(decoder.recent_lengths, length);
        return;
    }
    if (nearer_to_mark(decoder, average))
        decide_mark(decoder, sample_index, average);
    else
        decide_space(decoder);
    start_run(decoder.recent_lengths, length);
}

} // namespace

KcsDecoder::KcsDecoder(std::FILE* target) {
    configure_frame(8, 2, 0);
    configure_rate(22050, 300);
    output = target;
    // Until the driver configures the input's rate, the references stay unset and the tolerance
    // narrow. Counters, flags and sample indexes keep their declared zeros.
    tolerance = constructed_tolerance;
    space_reference = -1;
    mark_reference = -1;
}

bool KcsDecoder::configure_rate(std::int32_t rate_hz, std::int32_t nominal_baud) {
    // One unsigned comparison takes both ends of 16000..65536 Hz, without a signed overflow.
    const std::uint32_t above_lowest =
        static_cast<std::uint32_t>(rate_hz) - static_cast<std::uint32_t>(lowest_decoded_rate_hz);
    if (above_lowest > static_cast<std::uint32_t>(highest_decoded_rate_hz - lowest_decoded_rate_hz))
        return false;
    // The bit rate divides below; a rate of 0 or less is no rate at all.
    if (nominal_baud <= 0)
        return false;
    input_rate = rate_hz;
    baud = nominal_baud;
    max_half_period = (rate_hz / nominal_baud) / 2 + bit_cell_slack;
    // The encoder's own output rate, not the input's, sets the step: a recording at twice our
    // rate may wander twice as far.
    tolerance = rate_hz / options.sample_rate + 2;
    // Half a period of each tone, plus one.
    space_reference = rate_hz / (2 * space_hz) + 1;
    mark_reference = rate_hz / (2 * mark_hz) + 1;
    return true;
}

bool KcsDecoder::on_half_period(std::int32_t length, std::int32_t sample_index) {
    // Nothing counts, not even the sample index, until an event of a plausible length.
    if (!started && length > max_half_period)
        return false;
    previous_event_sample = last_event_sample;
    last_event_sample = sample_index;
    started = true;
    // Once started, an over-long event moves the two sample indexes and nothing else.
    if (length > max_half_period)
        return false;
    // Until calibrated, every stretch of one tone is measured as a possible leader.
    if (measure_start_sample == 0 && calibration_state == 0) {
        measure_start_sample = sample_index;
        measure_count = 0;
    }
    count_up(measure_count);
    if (recent_lengths.count == 0) {
        append_length(recent_lengths, length);
        return true;
    }
    const std::int32_t average = run_average(recent_lengths);
    if (distance(length, average) > tolerance)
        on_far_length(*this, length, average);
    else
        on_near_length(*this, length, sample_index, average);
    return true;
}
