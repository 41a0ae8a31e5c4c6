// The demodulator's state for one decode: a classifier that turns half-period events into mark
// and space bits and calibrates itself from the leader, and a frame assembler that turns the bits
// into serial words and writes their bytes to the target.
#pragma once

#include <cstdint>
#include <cstdio>

// The lengths of the events of the current run. Only their count, sum and last length are ever
// asked for, so they are kept incrementally: each event costs constant time and memory however
// long a hostile recording keeps a run growing.
struct RecentLengths {
    std::int32_t count = 0;      // lengths in the run
    std::int64_t sum = 0;        // their total, in samples
    std::int32_t last = 0;       // the newest length; meaningless while count is 0
};

// The sample rates the decoder's timing limits are made for.
constexpr std::int32_t lowest_decoded_rate_hz = 16000;
constexpr std::int32_t highest_decoded_rate_hz = 65536;

class KcsDecoder {
  public:
    // Builds the decoder on the target file, which it writes but never closes.
    explicit KcsDecoder(std::FILE* output);
    KcsDecoder(const KcsDecoder&) = delete;
    KcsDecoder& operator=(const KcsDecoder&) = delete;

    // Derives the timing limits and tone references from the input's sample rate and the nominal
    // bit rate (300 or 600). False, with nothing changed, for a rate outside 16000..65536 Hz.
    bool configure_rate(std::int32_t rate_hz, std::int32_t nominal_baud);

    // Takes one event: the length in samples of a falling half-cycle and the sample index at
    // which it ended. False when the event was discarded as too long.
    bool on_half_period(std::int32_t length, std::int32_t sample_index);

    // Sets the word format: 7 or 8 data bits, 1 or 2 stop bits, parity 0 none, 1 even, 2 odd.
    void configure_frame(std::int32_t data_bits, std::int32_t stop_bits, std::int32_t parity);

    // Slides one decided bit into the word window, and writes the byte of a complete word.
    void push_bit(int bit);

    RecentLengths recent_lengths;            // the current run of one tone
    std::int32_t input_rate = 22050;         // sample rate of the audio, Hz
    std::int32_t baud = 300;                 // bit rate, re-estimated by calibration
    std::int32_t data_bits = 8;              // data bits per word
    std::int32_t stop_bits = 2;              // stop bits per word
    std::int32_t parity = 0;                 // 0 none, 1 even, 2 odd
    std::FILE* output = nullptr;             // target of decoded bytes, borrowed
    std::int32_t bytes_written = 0;          // accepted words written
    std::int32_t max_half_period = 40;       // longest accepted event, and a run's summed limit
    std::int32_t tolerance = 2;              // largest distance from the run average, same tone
    std::int32_t frame_length = 11;          // bit positions in one word
    std::uint8_t frame_bits[12] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}; // window, oldest first
    std::int32_t bits_seen = 0;              // bits pushed since the last accepted word
    std::int32_t stop_position_1 = 9;        // position of the first stop bit
    std::int32_t stop_position_2 = 10;       // position of the last stop bit
    std::int32_t parity_position = -1;       // position of the parity bit, -1 without
    bool started = false;                    // an event within max_half_period has been seen
    bool sync_lost = false;                  // a framing error since the last accepted word
    std::int32_t calibration_state = 0;      // 0 none, 1 from the leader, 2 after a space bit
    std::int32_t framing_errors = 0;         // losses of word sync
    std::int32_t parity_errors = 0;          // words written with wrong parity
    std::int32_t measure_count = 0;          // accepted events in the measurement run
    std::int32_t last_event_sample = 0;      // sample index of the latest event
    std::int32_t previous_event_sample = 0;  // sample index of the event before it
    std::int32_t measure_start_sample = 0;   // first event of the measurement run, 0 for none
    std::int32_t space_reference = -1;       // expected length of a 1200 Hz event, samples
    std::int32_t mark_reference = -1;        // expected length of a 2400 Hz event, samples
    double input_frequency = 0.0;            // measured mark frequency, Hz
};
