// The rescue decoder's streaming core. The caller pushes blocks of interleaved sample frames as
// they arrive, from a file, a pipe or a browser's audio callback, and takes the words decided so
// far; it never learns where the samples come from. The first seconds are held as a look-ahead,
// calibrated on (channel, speed, levels) and replayed, or let go while they hold no mark tone;
// from then on every sample goes once through DC removal, the tone detectors and the frame
// clock, and memory stays constant however long the recording. Where the bit rate is not given,
// the look-ahead is replayed into a lane per rate of the family, and where the framing is not, a
// reading per framing runs in each lane; the first words tell which rate and framing the line
// runs at, and the others are let go. They are tried again wherever the line falls quiet, since
// the next program on a side may be written at another rate or framing.
#pragma once

#include "rescue/decode_lane.h"
#include "rescue/look_ahead.h"
#include "rescue/rescue_settings.h"

#include <cstdint>
#include <vector>

enum class StreamPhase {
    Gathering, // the look-ahead is filling
    Finding,   // a lane per rate tried and a reading per framing and tones read, each holding
               // its words, until one is chosen
    Decoding,  // one lane and one reading: the rate, framing and tones chosen
};

// Counts of a decode that outlive the readings that made them.
struct DecodeCounts {
    std::int64_t words = 0;         // handed on
    std::int64_t suspect_words = 0; // of which framing or parity failed
    std::int64_t lost_words = 0;    // lost before them
    std::int64_t locks = 0;         // of readings let go after a trial
    std::int64_t lock_losses = 0;
    std::int64_t jumps = 0;
    // Of the words handed on with 8 data bits, those whose bit 7 gives their byte even parity,
    // odd parity, or is set: the parity or stop bit of a 7-bit line read as 8 data bits.
    std::int64_t eight_bit_words = 0;
    std::int64_t bit7_even = 0;
    std::int64_t bit7_odd = 0;
    std::int64_t bit7_set = 0;
};

struct RescueDecoder {
    RescueSettings settings;
    int channels = 0; // samples per pushed frame
    StreamPhase phase = StreamPhase::Gathering;
    LookAhead look_ahead;                 // the first frames, held until calibration
    std::int64_t look_ahead_capacity = 0; // frames gathered before calibrating
    std::int64_t origin_frames = 0;       // frames of silence let go before the look-ahead
    std::vector<DecodeLane> lanes;        // one, or one per rate while it is found
    std::int64_t line_frames = 0;     // frames pushed into the lanes, the look-ahead's first
    std::int64_t trial_start = 0;     // line_frames where the rate and framing were last tried
    double last_run_edge = 0;         // the start edge of the last word read in a run, in
                                      // samples of the recording
    std::size_t fallback_lane = 0;    // the lane and reading kept where a trial tells nothing
    std::size_t fallback_reading = 0;
    WordFormat fallback_format;       // the framing kept where a trial's words are too few
    bool is_retrial = false;          // the trial began after a quiet, with a line read before
    DecodeCounts handed;              // the words handed on
    DecodeCounts banked;              // the clock counts of readings read before and let go
    std::int64_t frames = 0;                    // frames pushed in all
};

// The sample rates the core decodes. At 8000 Hz a bit at 1200 baud still spans six samples and
// the 2400 Hz tone lies well under the Nyquist frequency; 192000 Hz is the highest rate sound
// cards record, and the look-ahead's memory budget holds 2.7 s of it in stereo.
constexpr std::uint32_t lowest_rate_hz = 8000;
constexpr std::uint32_t highest_rate_hz = 192000;

// What the calibration was taken from.
enum class CalibrationSource {
    Pending,   // the look-ahead is still filling
    Leader,    // a run of idle mark tone
    ClearMark,   // no leader: every window that read clearly mark
    FramedWords, // no leader: the bit period the framed words were read at
    Nothing,     // no mark tone: the nominal speed
};

struct RescueResult {
    CalibrationSource calibrated_on = CalibrationSource::Pending;
    std::int64_t leader_start = 0;  // the leader's first frame, when calibrated on one
    std::int64_t leader_end = 0;    // one past its last
    int channel = 0;                // the channel decoded, from 1
    int baud = 0;                   // the bit rate decoded
    bool is_baud_found = false;     // the rate was found from the audio, not given
    WordFormat format;              // the framing decoded
    ToneReader reader = ToneReader::BothTones; // the tones read at the end
    bool is_framing_found = false;  // some part of it was found from the audio
    WordFormat hidden_line;         // with 8 data bits given: the 7-bit line of the same length
    bool has_hidden_line = false;   // whose parity or stop bit every word's bit 7 holds
    int repeat_factor = 1;          // 2 or 4: the words read every bit that often, so the line
                                    // runs at that fraction of the rate (a wrong rate given)
    double speed = 1.0;             // measured tape speed, 1.0 = exact
    bool has_leader = false;        // the speed came from a leader
    bool is_speed_measured = false; // false: no mark tone found, nominal speed assumed
    std::int64_t timed_words = 0;   // the framed words the speed was measured on, without a leader
    double bit_samples = 0;         // the bit period the clock now tracks, in samples
    int window_samples = 0;         // the tone detectors' window, in samples
    double mark_level = 0;          // final running mark level, share of full scale
    double space_level = 0;         // final running space level, share of full scale
    std::int64_t frames_read = 0;   // sample frames pushed
    std::int64_t bytes = 0;         // words decoded, each one byte of output
    std::int64_t suspect_words = 0; // words with a framing or parity error
    std::int64_t lost_words = 0;    // words lost in dropouts, where the clock read on after
    std::int64_t locks = 0;         // free searches that found a word and locked
    std::int64_t lock_losses = 0;   // locks dropped after three bad words
    std::int64_t jumps = 0;         // timing jumps taken at once
};

// Whether the core decodes frames of `channels` samples at rate_hz with these settings: a rate in
// its range, a bit rate of the family or 0 (found from the audio), a word of 7 or 8 data bits
// and 1 or 2 stop bits, and a chosen channel that exists.
[[nodiscard]] bool is_decodable(const RescueSettings& settings, std::uint32_t rate_hz,
                                int channels);

// Readies the decoder for frames of `channels` samples at rate_hz, where is_decodable.
void start_rescue(RescueDecoder& decoder, const RescueSettings& settings, std::uint32_t rate_hz,
                  int channels);

// Takes `count` interleaved frames of samples in the 16-bit range and appends the words they
// complete to `words`, in order. Each word's edge and gap count from the recording's first
// frame, and its levels are shares of full scale.
void push_frames(RescueDecoder& decoder, const std::int16_t* frames, std::int64_t count,
                 std::vector<DecodedWord>& words);

// Ends the recording: calibrates on a look-ahead that never filled, and appends the last words.
void finish_rescue(RescueDecoder& decoder, std::vector<DecodedWord>& words);

// What the decode found so far.
[[nodiscard]] RescueResult rescue_result(const RescueDecoder& decoder);
