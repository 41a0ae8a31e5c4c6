// The inspection view's reading of one word: the decoder's own front end (DC removal and the two
// tone detectors, one bit long) run over the audio around the word, and the discriminator
//     d = (m/Am - s/As) / (m/Am + s/As)
// read at the first sample of each bit cell, with Am and As the tone levels the clock held. It is
// the number the frame clock decides each bit by (d > 0: mark), so the view shows the bits as
// they were read and how clearly each one was.
#include "rescue/tone_detector.h"

#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Interpolates linearly between the magnitudes of whole window starts, as the tone history does.
double interpolated(const std::vector<double>& values, double index) {
    const double floor_index = std::floor(index);
    const auto first = static_cast<std::size_t>(floor_index);
    if (first + 1 >= values.size())
        return values.back();
    const double fraction = index - floor_index;
    return values[first] + fraction * (values[first + 1] - values[first]);
}

} // namespace

extern "C" {

// Reads `bits` cells from cell_start (in samples, counted like first_sample) every bit_samples,
// out of `count` samples of the decoded channel that begin at sample first_sample of the
// recording. The detectors work at the measured speed over window_samples, as in the decode;
// mark_level and space_level are shares of full scale, as the decoder reports them. Writes d for
// each cell into d_values; a cell whose window lies outside the samples gets 0. Returns the
// number of cells read in full.
EMSCRIPTEN_KEEPALIVE int qx_read_cells(const std::int16_t* samples, int count, double first_sample,
                                       std::uint32_t rate_hz, double speed, int window_samples,
                                       double cell_start, double bit_samples, int bits,
                                       double mark_level, double space_level, double* d_values) {
    ToneFront front;
    configure_tone_front(front, rate_hz, speed, window_samples);
    const int delay = dc_remover_delay(front.remover);
    // The DC remover's window and one detector window must fill before a sum is whole.
    const int settled = static_cast<int>(front.remover.ring.size()) + delay + window_samples - 1;
    // magnitudes[k] belong to the window that starts at sample first_sample + k.
    std::vector<double> mark;
    std::vector<double> space;
    for (int n = 0; n < count; ++n) {
        push_tones(front, remove_dc(front.remover, samples[n]));
        if (n >= settled) {
            mark.push_back(tone_magnitude(front.mark.sums));
            space.push_back(tone_magnitude(front.space.sums));
        }
    }
    // The window completed by sample n starts at n - delay - (window_samples - 1).
    const double first_start = first_sample + settled - delay - (window_samples - 1);
    const double full_scale =
        32768.0 * window_samples / 2 * 16384.0 * static_cast<double>(front.remover.ring.size());
    const double am = mark_level > 0 ? mark_level * full_scale : 1.0;
    const double as = space_level > 0 ? space_level * full_scale : 1.0;
    int read = 0;
    for (int k = 0; k < bits; ++k) {
        const double index = cell_start + k * bit_samples - first_start;
        d_values[k] = 0;
        if (mark.empty() || index < 0 || index > static_cast<double>(mark.size() - 1))
            continue;
        const double m = interpolated(mark, index) / am;
        const double s = interpolated(space, index) / as;
        d_values[k] = m + s > 0 ? (m - s) / (m + s) : 0.0;
        ++read;
    }
    return read;
}

} // extern "C"
