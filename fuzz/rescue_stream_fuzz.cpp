// The rescue decoder's streaming core: arbitrary samples, pushed in blocks of arbitrary sizes,
// at any rate from 8000 to 192000 Hz, 1 to 4 channels and any framing. The words must not
// depend on how the samples are cut: the same samples pushed as one block into a second decoder
// must give the same words (bytes, flags and edges) and the same result, counts and levels; and
// the side cut from the words must hold every word once, in order.
//
// Input layout, 10 bytes of header and then the samples, 16-bit little-endian, interleaved:
//   byte 0: the rate; bits 0-2 pick a common one (8000 ... 192000 Hz), unless bit 7 is set:
//           then bytes 1-2 (little-endian) spread over the whole range
//   byte 3: channels (bits 0-1, 1 to 4), then the channel to decode (the rest, modulo
//           channels + 1; 0: the decoder chooses)
//   byte 4, bit by bit: 600 baud, 7 data bits, 1 stop bit, parity (two bits: none, even, odd,
//           none)
//   byte 5: stretch; 0 keeps the samples as they are, n > 0 repeats them, start to end, to
//           the look-ahead plus n x 16 frames (where that stays under the cap below)
//   bytes 6-9: the block sizes, used in turn: the low 6 bits times 16 to the power of the top
//           two, so 0 to 63, to 1008, to 16128 or to 258048 frames; a block of 0 frames is
//           pushed too
//
// Why the stretch: the core holds the first 4 s as a look-ahead, so an input of a few kilobytes
// only ever gathers and is decoded by finish_rescue; the switch from gathering to decoding and
// the block-by-block decoding after it need 32000 frames even at 8000 Hz, 64 KB of samples.
// Repeating a short input reaches them without making every input long. The total is capped at
// 2^16 samples, which takes 8000 Hz (mono or stereo) and 11025 or 16000 Hz mono past the
// look-ahead; at higher rates nothing is stretched and the core only gathers, as for a short
// recording.
//
// Cost: a run past the look-ahead decodes 32000 frames twice, some 20 ms under the sanitizers;
// a short one a millisecond. A decoder that is still gathering when the last block is pushed
// holds nothing but the look-ahead and the frame count, so those are compared with the samples
// instead of running a second decoder; and scripts/fuzz.sh tells libFuzzer to favour the
// faster inputs.
#include "fuzz_support.h"

#include "rescue/look_ahead.h"
#include "rescue/rescue_decoder.h"
#include "rescue/tape_side.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr std::size_t header_bytes = 10;
constexpr std::size_t cut_offset = 6;
constexpr std::size_t cut_count = 4;
constexpr std::array<std::uint32_t, 8> common_rates_hz = {8000,  11025, 16000, 21600,
                                                          22050, 44100, 48000, 192000};
// Past the look-ahead at 8000 Hz with 2 channels; see above.
constexpr std::int64_t max_samples = 1 << 16;
constexpr std::int64_t stretch_step_frames = 16;

struct StreamCase {
    std::uint32_t rate_hz = 0;
    int channels = 1;
    RescueSettings settings;
    int stretch = 0;                            // 0: the samples as given
    std::array<std::uint8_t, cut_count> cuts{}; // encoded block sizes
};

std::uint32_t rate_of(const std::uint8_t* header) {
    if ((header[0] & 0x80) == 0)
        return common_rates_hz[header[0] & 7];
    const std::uint32_t spread = header[1] | std::uint32_t{header[2]} << 8;
    return lowest_rate_hz + spread * (highest_rate_hz - lowest_rate_hz) / 0xFFFF;
}

StreamCase read_case(const std::uint8_t* header) {
    StreamCase c;
    c.rate_hz = rate_of(header);
    c.channels = 1 + (header[3] & 3);
    c.settings = rescue_settings_from(header[4]);
    c.settings.channel = (header[3] >> 2) % (c.channels + 1);
    c.stretch = header[5];
    std::memcpy(c.cuts.data(), header + cut_offset, cut_count);
    return c;
}

// The frames the case pushes: the input's, or repeated past the look-ahead when stretched.
std::vector<std::int16_t> frames_of(const StreamCase& c, const std::uint8_t* body,
                                    std::size_t body_bytes) {
    const auto frames = static_cast<std::int64_t>(body_bytes / 2 / c.channels);
    const std::int64_t max_frames = max_samples / c.channels;
    std::int64_t wanted = std::min(frames, max_frames);
    // Stretching that cannot pass the look-ahead would only make the run slower.
    const auto look_ahead = static_cast<std::int64_t>(c.rate_hz * look_ahead_seconds);
    const std::int64_t stretched = look_ahead + c.stretch * stretch_step_frames;
    if (c.stretch > 0 && frames > 0 && stretched <= max_frames)
        wanted = stretched;
    const auto samples_in = static_cast<std::size_t>(frames * c.channels);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(wanted * c.channels));
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const std::uint8_t* at = body + 2 * (n % samples_in);
        samples[n] = static_cast<std::int16_t>(at[0] | at[1] << 8);
    }
    return samples;
}

std::int64_t block_frames(std::uint8_t cut) { return std::int64_t{cut & 0x3F} << 4 * (cut >> 6); }

// Pushes the frames in blocks of the case's sizes, in turn; a cycle of empty blocks pushes the
// rest at once, so that the loop always ends.
void push_in_blocks(RescueDecoder& decoder, const StreamCase& c,
                    const std::vector<std::int16_t>& samples, std::vector<DecodedWord>& words) {
    const auto frames = static_cast<std::int64_t>(samples.size()) / c.channels;
    std::int64_t done = 0;
    std::size_t turn = 0;
    std::int64_t done_at_cycle_start = 0;
    while (done < frames) {
        if (turn % cut_count == 0) {
            if (turn > 0 && done == done_at_cycle_start)
                break;
            done_at_cycle_start = done;
        }
        const std::int64_t size = std::min(block_frames(c.cuts[turn % cut_count]), frames - done);
        push_frames(decoder, samples.data() + done * c.channels, size, words);
        done += size;
        ++turn;
    }
    push_frames(decoder, samples.data() + done * c.channels, frames - done, words);
}

bool same_words(const std::vector<DecodedWord>& a, const std::vector<DecodedWord>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const DecodedWord& x, const DecodedWord& y) {
                          return x.byte == y.byte && x.is_framing_error == y.is_framing_error &&
                                 x.is_parity_error == y.is_parity_error && x.edge == y.edge &&
                                 x.lost_before == y.lost_before && x.confidence == y.confidence;
                      });
}

bool same_result(const RescueResult& a, const RescueResult& b) {
    return a.channel == b.channel && a.speed == b.speed && a.has_leader == b.has_leader &&
           a.is_speed_measured == b.is_speed_measured && a.mark_level == b.mark_level &&
           a.space_level == b.space_level && a.frames_read == b.frames_read && a.bytes == b.bytes &&
           a.suspect_words == b.suspect_words && a.locks == b.locks &&
           a.lock_losses == b.lock_losses && a.jumps == b.jumps &&
           a.lost_words == b.lost_words;
}

// True when the look-ahead holds the samples pushed, every channel, from the first frame after
// the silence it let go.
bool holds_frames(const RescueDecoder& decoder, const StreamCase& c,
                  const std::vector<std::int16_t>& samples) {
    const auto skipped = static_cast<std::size_t>(decoder.origin_frames) *
                         static_cast<std::size_t>(c.channels);
    return skipped <= samples.size() &&
           std::equal(decoder.look_ahead.samples.begin(), decoder.look_ahead.samples.end(),
                      samples.begin() + static_cast<std::ptrdiff_t>(skipped), samples.end());
}

// What holds for the words of any one decode.
void check_words(const StreamCase& c, const std::vector<DecodedWord>& words,
                 const RescueResult& result, std::int64_t frames) {
    require(result.frames_read == frames, "frames_read is not the frames pushed");
    require(static_cast<std::int64_t>(words.size()) == result.bytes, "words against bytes");
    require(result.channel >= 1 && result.channel <= c.channels, "decoded channel");
    std::int64_t suspect = 0;
    // A recording that begins inside a start bit gives its first word an edge before sample 0.
    double previous_edge = -std::numeric_limits<double>::infinity();
    for (const DecodedWord& word : words) {
        require(word.byte >= 0 && word.byte < 1 << word.format.data_bits, "byte range");
        require(!word.is_parity_error || word.format.parity != Parity::None,
                "parity error without parity");
        require(is_framing_found(c.settings.found) || word.format == c.settings.format,
                "a framing other than the one given");
        require(word.edge > previous_edge && word.edge < static_cast<double>(frames),
                "word edges out of order or beyond the recording");
        previous_edge = word.edge;
        suspect += word.is_framing_error || word.is_parity_error ? 1 : 0;
    }
    require(suspect == result.suspect_words, "suspect words against flags");
}

// The side cut from the words: every word in exactly one part, in order, no part empty, and a
// program never shorter than junk can be.
void check_side(const StreamCase& c, const std::vector<DecodedWord>& words) {
    SideCutter cutter{static_cast<double>(c.rate_hz), {}};
    std::vector<SidePart> parts;
    for (const DecodedWord& word : words)
        add_side_word(cutter, word, parts);
    finish_side(cutter, parts);
    std::size_t next = 0;
    for (const SidePart& part : parts) {
        require(!part.words.empty(), "an empty part of the side");
        require(part.stretch.start <= part.stretch.end, "a part that ends before it starts");
        for (const DecodedWord& word : part.words)
            require(next < words.size() && word.edge == words[next++].edge,
                    "a part's words out of the recording's order");
    }
    require(next == words.size(), "words left out of the side");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < header_bytes)
        return 0;
    const StreamCase c = read_case(data);
    const std::vector<std::int16_t> samples =
        frames_of(c, data + header_bytes, size - header_bytes);
    const auto frames = static_cast<std::int64_t>(samples.size()) / c.channels;

    RescueDecoder cut;
    std::vector<DecodedWord> cut_words;
    start_rescue(cut, c.settings, c.rate_hz, c.channels);
    push_in_blocks(cut, c, samples, cut_words);
    const bool is_gathering = cut.phase == StreamPhase::Gathering;
    if (is_gathering)
        require(cut_words.empty() && holds_frames(cut, c, samples),
                "a gathering decoder decided words or holds other samples than pushed");
    finish_rescue(cut, cut_words);
    const RescueResult cut_result = rescue_result(cut);
    check_words(c, cut_words, cut_result, frames);
    check_side(c, cut_words);
    // While gathering, the look-ahead, the silence let go before it and the frame count are all
    // the state that pushing changes, and they were just found to be what one block would give:
    // a second decoder would repeat the same finish.
    if (is_gathering)
        return 0;

    RescueDecoder whole;
    std::vector<DecodedWord> whole_words;
    start_rescue(whole, c.settings, c.rate_hz, c.channels);
    push_frames(whole, samples.data(), frames, whole_words);
    finish_rescue(whole, whole_words);
    require(same_words(cut_words, whole_words), "words depend on how the samples are cut");
    require(same_result(cut_result, rescue_result(whole)), "result depends on the cut");
    return 0;
}
