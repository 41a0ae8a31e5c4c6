// The front end: DC removal and the two quadrature tone detectors.
//
// DC is removed with a centred moving mean over one period of 1200 Hz (rate/1200 samples). The
// mean of that window is zero for 1200 Hz, 2400 Hz and every other multiple of 1200 Hz, so both
// tones pass unchanged while offsets, hum and slow drift go.
//
// A tone detector mixes the signal with its tone and sums I and Q over a sliding window exactly
// one bit long. Read at a bit's first sample, the window holds that bit and nothing else: the
// integrate-and-dump matched filter for non-coherent FSK. The tone comes from a 32-bit phase
// accumulator and an integer sine table, and the sums are exact 64-bit integers, so results do
// not depend on the platform and long runs cannot drift.
#pragma once

#include <cstdint>
#include <vector>

struct DcRemover {
    std::vector<std::int32_t> ring; // the last `length` input samples
    std::size_t next = 0;           // ring slot of the oldest sample, overwritten next
    std::int64_t sum = 0;           // sum of the ring
};

// A window of one 1200 Hz period at rate_hz, filled with zeros.
void configure_dc_remover(DcRemover& remover, std::uint32_t rate_hz);

// The delay of the output, in samples: the output for input n is the sample n - delay less the
// mean of the window centred on it.
[[nodiscard]] int dc_remover_delay(const DcRemover& remover);

// Takes one sample; returns the centred sample less the window mean, scaled by the window
// length (to stay an exact integer).
[[nodiscard]] std::int32_t remove_dc(DcRemover& remover, std::int32_t sample);

// remove_dc for each of `count` samples, in place.
void remove_dc_block(DcRemover& remover, std::int32_t* samples, std::size_t count);

// The sums of I and Q over a detector's window, exact integers.
struct ToneSums {
    std::int64_t i = 0; // in-phase sum
    std::int64_t q = 0; // quadrature sum
};

struct ToneDetector {
    std::uint32_t phase = 0;        // the tone's phase, a full turn being 2^32
    std::uint32_t phase_step = 0;   // phase advance per sample
    std::vector<ToneSums> products; // the window's in-phase and quadrature products, a ring
    std::size_t next = 0;           // ring slot of the oldest product, overwritten next
    ToneSums sums;                  // sums of the ring
    std::int64_t pushed = 0;        // samples taken so far, for the debug recount
};

// A detector for tone_hz at rate_hz over a window of window_samples, its sums zero.
void configure_tone_detector(ToneDetector& detector, double tone_hz, std::uint32_t rate_hz,
                             int window_samples);

// Mixes one sample into the window, dropping the oldest.
void push_tone_sample(ToneDetector& detector, std::int32_t sample);

// push_tone_sample for each of `count` samples; sums[n] gets the window's sums after sample n.
void push_tone_block(ToneDetector& detector, const std::int32_t* samples, std::size_t count,
                     ToneSums* sums);

// One channel's front end: the DC remover and the detectors of both tones, over one bit.
struct ToneFront {
    DcRemover remover;
    ToneDetector mark;
    ToneDetector space;
    int window_samples = 0; // the detectors' window: one bit, in samples
};

// A front at rate_hz for tones `speed` times the nominal ones, over window_samples; everything
// starts at zero.
void configure_tone_front(ToneFront& front, std::uint32_t rate_hz, double speed,
                          int window_samples);

// Mixes one DC-free sample into both detectors.
void push_tones(ToneFront& front, std::int32_t sample);

// The magnitude of a window's sums: its amplitude of the tone, times half the window length and
// the scales of the sine table and the DC remover.
[[nodiscard]] double tone_magnitude(const ToneSums& sums);
