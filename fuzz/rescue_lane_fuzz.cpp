// The rescue decoder's reading, started from a given calibration: the tone detectors, the tone
// history, the frame clock, the re-readings and the judge of repeated bits, on short audio with
// no look-ahead to gather and calibrate on first, so that a run takes microseconds and millions
// of them reach the reading itself. The words must not depend on how the samples are cut, and
// each must be whole: its bits, readings, confidence and byte in range, edges in order.
//
// Input layout, 8 bytes of header and then the samples, 16-bit little-endian, mono:
//   byte 0: the rate, a common one (8000 ... 192000 Hz) from bits 0-2; bits 3-4 the bit rate
//           (300, 600, 1200, 300)
//   byte 1, bit by bit: 7 data bits, 1 stop bit, parity (two bits: none, even, odd, none)
//   byte 2: the tape speed, 0.8 to 1.25 of nominal
//   bytes 3-4: the mark and space levels, each from 1/256 to 1 of a full-scale tone
//   byte 5: where the second block starts, as a share of the samples (0 to 255 / 256)
//   bytes 6-7: unused, kept for the layout
#include "fuzz_support.h"

#include "rescue/decode_lane.h"

#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr std::size_t header_bytes = 8;
constexpr std::array<std::uint32_t, 8> rates_hz = {8000,  11025, 16000, 21600,
                                                   22050, 44100, 48000, 192000};
constexpr std::array<int, 4> bauds = {300, 600, 1200, 300};
constexpr std::array<Parity, 4> parities = {Parity::None, Parity::Even, Parity::Odd, Parity::None};

struct LaneCase {
    std::uint32_t rate_hz = 0;
    int baud = 0;
    ReadingKind kind;
    Calibration calibration;
    std::size_t cut = 0;
};

LaneCase read_case(const std::uint8_t* header, std::size_t samples) {
    LaneCase c;
    c.rate_hz = rates_hz[header[0] & 7];
    c.baud = bauds[(header[0] >> 3) & 3];
    c.kind.format.data_bits = (header[1] & 1) != 0 ? 7 : 8;
    c.kind.format.stop_bits = (header[1] & 2) != 0 ? 1 : 2;
    c.kind.format.parity = parities[(header[1] >> 2) & 3];
    c.kind.reader = (header[1] & 16) != 0 ? ToneReader::SpaceAlone : ToneReader::BothTones;
    Calibration& calibration = c.calibration;
    calibration.estimate.speed = 0.8 + 0.45 * header[2] / 255.0;
    calibration.bit_samples = c.rate_hz / (c.baud * calibration.estimate.speed);
    // A full-scale tone's detector reading, as the lane's front end gives it.
    ToneFront front;
    configure_tone_front(front, c.rate_hz, calibration.estimate.speed,
                         static_cast<int>(std::lround(calibration.bit_samples)));
    const double scale = full_scale(front);
    calibration.mark_level = scale * (1 + header[3]) / 256.0;
    calibration.space_level = scale * (1 + header[4]) / 256.0;
    c.cut = samples * header[5] / 256;
    return c;
}

std::vector<DecodedWord> read_lane(const LaneCase& c, const std::vector<std::int16_t>& samples,
                                   std::size_t cut, DecodeLane& lane) {
    lane.baud = c.baud;
    std::vector<DecodedWord> words;
    configure_lane(lane, c.rate_hz, {c.kind}, c.calibration, 0);
    push_lane(lane, samples.data(), static_cast<std::int64_t>(cut), 1, words);
    push_lane(lane, samples.data() + cut, static_cast<std::int64_t>(samples.size() - cut), 1,
              words);
    finish_lane(lane, words);
    return words;
}

void check_words(const LaneCase& c, const std::vector<DecodedWord>& words, const DecodeLane& lane,
                 std::size_t samples) {
    require(static_cast<std::int64_t>(words.size()) == lane.readings.front().clock.words,
            "words against count");
    double previous = -std::numeric_limits<double>::infinity();
    for (const DecodedWord& word : words) {
        require(word.byte >= 0 && word.byte < 1 << c.kind.format.data_bits, "byte range");
        require(word.bit_count == word_bits(c.kind.format), "bits of a word");
        require(word.confidence >= 0 && word.confidence <= 100, "confidence range");
        for (int k = 0; k < word.bit_count; ++k) {
            const float d = word.bit_d[static_cast<std::size_t>(k)];
            require(std::isfinite(d) && d >= -1 && d <= 1, "a bit's reading out of range");
        }
        require(word.edge > previous && word.edge < static_cast<double>(samples),
                "edges out of order or beyond the audio");
        previous = word.edge;
    }
    const int factor = repeat_factor(lane.readings.front().repeats);
    require(factor == 1 || factor == 2 || factor == 4, "repeat factor");
}

bool same_words(const std::vector<DecodedWord>& a, const std::vector<DecodedWord>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].byte != b[i].byte || a[i].edge != b[i].edge ||
            a[i].is_framing_error != b[i].is_framing_error || a[i].bit_d != b[i].bit_d)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < header_bytes)
        return 0;
    std::vector<std::int16_t> samples((size - header_bytes) / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(data[header_bytes + 2 * i] |
                                               data[header_bytes + 2 * i + 1] << 8);
    const LaneCase c = read_case(data, samples.size());
    DecodeLane cut_lane;
    const std::vector<DecodedWord> cut = read_lane(c, samples, c.cut, cut_lane);
    check_words(c, cut, cut_lane, samples.size());
    DecodeLane whole_lane;
    const std::vector<DecodedWord> whole = read_lane(c, samples, samples.size(), whole_lane);
    require(same_words(cut, whole), "the words depend on where the samples were cut");
    return 0;
}
