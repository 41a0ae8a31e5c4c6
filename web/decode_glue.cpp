// The page's decoder: the rescue decoder's streaming core behind a handful of C functions, for a
// worker that pushes blocks of frames from a file, from the browser's audio decoder or from the
// microphone. Each word's record is the core's own: the bit period and the tone levels it was read
// against, its confidence, the gap before it, and the discriminator of each of its bits, which
// the inspection view draws as the decoder read them. The words also go through the core's
// SideCutter, which cuts the side into programs and junk as they come; each part it closes is
// reported with the range of words it covers, so the page slices its bytes from the listing.
#include "rescue/rescue_decoder.h"
#include "rescue/sample_range.h"
#include "rescue/tape_side.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// One record per word, in doubles, in this order; web/word-record.js reads the same layout.
//     [byte][flags][edge][bit_samples][mark_level][space_level][confidence][gap_before]
//     [bit_count][baud][data_bits][parity][stop_bits][d of each bit, max_bits of them]
// Parity as the page numbers it: 0 none, 1 even, 2 odd.
constexpr std::size_t record_doubles = 13 + max_bits;
constexpr double framing_flag = 1;
constexpr double parity_flag = 2;

// One record per part of the side, in doubles, in this order; web/side-parts.js reads it.
//     [first_word][word_count][start][end][baud][data_bits][parity][stop_bits][kind]
//     [suspect_words][lost_words]
// Start and end are in samples; kind is StretchKind's order: 0 basic, 1 65v, 2 records, 3 data,
// 4 junk. Its first line (or address) and its name come through qx_decode_part_text.
constexpr std::size_t part_doubles = 11;

// A part of the framing that qx_decode_start is to find rather than take.
constexpr int find = -1;

struct PartTexts {
    std::string first;
    std::string name;
};

struct WebDecode {
    RescueDecoder decoder;
    int channels = 0;                  // samples per frame
    std::vector<DecodedWord> words;    // the words of the current push
    std::vector<double> records;       // their records, record_doubles each
    std::vector<std::int16_t> frames;  // the worker writes 16-bit frames here
    std::vector<double> float_frames;  // or floating-point frames here
    std::array<double, 23> result{};   // the last rescue_result, as doubles
    SideCutter cutter;                 // the side's programs, cut as the words come
    std::int64_t parted_words = 0;     // words in the parts closed so far
    std::vector<double> parts;         // the parts closed by the current push, part_doubles each
    std::vector<PartTexts> part_texts; // and their texts
};

double parity_number(Parity parity) {
    return parity == Parity::Even ? 1 : parity == Parity::Odd ? 2 : 0;
}

// A listing's line as the table of qirvex-rescue --list shows it: control characters and bytes
// past '~' as spaces, so the text is plain ASCII (and so valid UTF-8 for the page).
std::string printable(const std::string& text) {
    std::string clean = text;
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < ' ' || static_cast<unsigned char>(c) > '~')
            c = ' ';
    return clean;
}

// The closed parts cover the words in order, one after the other, so each one's range follows
// from the words counted before it.
void record_parts(WebDecode& web, const std::vector<SidePart>& closed) {
    for (const SidePart& part : closed) {
        const SideStretch& stretch = part.stretch;
        const auto count = static_cast<std::int64_t>(part.words.size());
        web.parts.insert(
            web.parts.end(),
            {static_cast<double>(web.parted_words), static_cast<double>(count), stretch.start,
             stretch.end, static_cast<double>(stretch.baud),
             static_cast<double>(stretch.format.data_bits), parity_number(stretch.format.parity),
             static_cast<double>(stretch.format.stop_bits), static_cast<double>(stretch.kind),
             static_cast<double>(stretch.suspect_words), static_cast<double>(stretch.lost_words)});
        web.part_texts.push_back({printable(stretch.first), stretch.name});
        web.parted_words += count;
    }
}

// Records the words of a push and hands them to the cutter; `is_last`: the recording ended.
void record_words(WebDecode& web, bool is_last) {
    web.records.clear();
    web.parts.clear();
    web.part_texts.clear();
    std::vector<SidePart> closed;
    for (const DecodedWord& word : web.words) {
        add_side_word(web.cutter, word, closed);
        const double flags =
            (word.is_framing_error ? framing_flag : 0) + (word.is_parity_error ? parity_flag : 0);
        web.records.insert(
            web.records.end(),
            {static_cast<double>(word.byte), flags, word.edge, word.bit_samples, word.mark_level,
             word.space_level, static_cast<double>(word.confidence), word.gap_before,
             static_cast<double>(word.bit_count), static_cast<double>(word.baud),
             static_cast<double>(word.format.data_bits), parity_number(word.format.parity),
             static_cast<double>(word.format.stop_bits)});
        web.records.insert(web.records.end(), word.bit_d.begin(), word.bit_d.end());
    }
    if (is_last)
        finish_side(web.cutter, closed);
    record_parts(web, closed);
    web.words.clear();
}

} // namespace

// Counts cross the interface as int: this Emscripten hands a 64-bit argument to JavaScript as two
// 32-bit halves.
extern "C" {

// A decoder for frames of `channels` samples at rate_hz, or null when a value is out of range.
// baud: 0 to find it; data_bits 7 or 8, parity 0 none, 1 even, 2 odd, stop_bits 1 or 2, each
// -1 to find it; channel: 1-based, 0 for the strongest.
EMSCRIPTEN_KEEPALIVE WebDecode* qx_decode_start(int baud, int data_bits, int parity, int stop_bits,
                                                int channel, std::uint32_t rate_hz, int channels) {
    if (parity < -1 || parity > 2)
        return nullptr;
    RescueSettings settings;
    settings.baud = baud;
    // A part to be found keeps the usual OSI word's value, 8N2, where the core needs one.
    settings.found = FramingFound{data_bits == find, parity == find, stop_bits == find};
    if (!settings.found.data_bits)
        settings.format.data_bits = data_bits;
    if (!settings.found.parity)
        settings.format.parity = parity == 1   ? Parity::Even
                                 : parity == 2 ? Parity::Odd
                                               : Parity::None;
    if (!settings.found.stop_bits)
        settings.format.stop_bits = stop_bits;
    settings.channel = channel;
    if (!is_decodable(settings, rate_hz, channels))
        return nullptr;
    auto* web = new WebDecode;
    web->channels = channels;
    web->cutter.rate_hz = rate_hz;
    start_rescue(web->decoder, settings, rate_hz, channels);
    return web;
}

// Room for `count` frames of 16-bit samples, or of floating-point samples, that the worker fills
// before calling qx_decode_push.
EMSCRIPTEN_KEEPALIVE std::int16_t* qx_decode_frames(WebDecode* web, int count) {
    web->frames.resize(static_cast<std::size_t>(count * web->channels));
    return web->frames.data();
}

EMSCRIPTEN_KEEPALIVE double* qx_decode_float_frames(WebDecode* web, int count) {
    web->float_frames.resize(static_cast<std::size_t>(count * web->channels));
    return web->float_frames.data();
}

// Decodes `count` frames from the room given last (floating-point ones when is_float); returns
// the number of words they completed, whose records qx_decode_records then points to.
EMSCRIPTEN_KEEPALIVE int qx_decode_push(WebDecode* web, int count, int is_float) {
    if (is_float) {
        const auto samples = static_cast<std::size_t>(count * web->channels);
        web->frames.resize(samples);
        for (std::size_t n = 0; n < samples; ++n)
            web->frames[n] = scaled_sample(web->float_frames[n]);
    }
    push_frames(web->decoder, web->frames.data(), count, web->words);
    record_words(*web, false);
    return static_cast<int>(web->records.size() / record_doubles);
}

// Ends the recording; returns the number of last words, as qx_decode_push does.
EMSCRIPTEN_KEEPALIVE int qx_decode_finish(WebDecode* web) {
    finish_rescue(web->decoder, web->words);
    record_words(*web, true);
    return static_cast<int>(web->records.size() / record_doubles);
}

EMSCRIPTEN_KEEPALIVE const double* qx_decode_records(const WebDecode* web) {
    return web->records.data();
}

// The parts of the side that the last push or finish closed: their number, their records, and
// the text of each (which: 0 its first line or load address, 1 its name for a file).
EMSCRIPTEN_KEEPALIVE int qx_decode_part_count(const WebDecode* web) {
    return static_cast<int>(web->parts.size() / part_doubles);
}

EMSCRIPTEN_KEEPALIVE const double* qx_decode_parts(const WebDecode* web) {
    return web->parts.data();
}

EMSCRIPTEN_KEEPALIVE const char* qx_decode_part_text(const WebDecode* web, int index, int which) {
    if (index < 0 || index >= qx_decode_part_count(web))
        return "";
    const PartTexts& texts = web->part_texts[static_cast<std::size_t>(index)];
    return which == 0 ? texts.first.c_str() : texts.name.c_str();
}

// What the decode found so far, as doubles:
//     [is_calibrated][channel][speed][has_leader][is_speed_measured][mark_level][space_level]
//     [frames_read][bytes][suspect_words][locks][lock_losses][jumps][window_samples][baud]
//     [lost_words][repeat_factor][is_baud_found][data_bits][parity][stop_bits][is_framing_found]
//     [is_space_alone]
// is_space_alone is 1 where the words were read from the space tone alone, as a chain that rolls
// off the treble and delays the two tones unequally calls for.
EMSCRIPTEN_KEEPALIVE const double* qx_decode_result(WebDecode* web) {
    const RescueResult r = rescue_result(web->decoder);
    web->result = {r.calibrated_on != CalibrationSource::Pending ? 1.0 : 0.0,
                   static_cast<double>(r.channel),
                   r.speed,
                   r.has_leader ? 1.0 : 0.0,
                   r.is_speed_measured ? 1.0 : 0.0,
                   r.mark_level,
                   r.space_level,
                   static_cast<double>(r.frames_read),
                   static_cast<double>(r.bytes),
                   static_cast<double>(r.suspect_words),
                   static_cast<double>(r.locks),
                   static_cast<double>(r.lock_losses),
                   static_cast<double>(r.jumps),
                   static_cast<double>(r.window_samples),
                   static_cast<double>(r.baud),
                   static_cast<double>(r.lost_words),
                   static_cast<double>(r.repeat_factor),
                   r.is_baud_found ? 1.0 : 0.0,
                   static_cast<double>(r.format.data_bits),
                   parity_number(r.format.parity),
                   static_cast<double>(r.format.stop_bits),
                   r.is_framing_found ? 1.0 : 0.0,
                   r.reader == ToneReader::SpaceAlone ? 1.0 : 0.0};
    return web->result.data();
}

EMSCRIPTEN_KEEPALIVE void qx_decode_end(WebDecode* web) { delete web; }

} // extern "C"
