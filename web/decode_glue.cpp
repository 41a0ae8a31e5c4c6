// The page's decoder: the rescue decoder's streaming core behind a handful of C functions, for a
// worker that pushes blocks of frames from a file, from the browser's audio decoder or from the
// microphone. Each word's record is the core's own: the bit period and the tone levels it was read
// against, its confidence, the gap before it, and the discriminator of each of its bits, which
// the inspection view draws as the decoder read them.
#include "rescue/rescue_decoder.h"
#include "rescue/sample_range.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// One record per word, in doubles, in this order; web/word-record.js reads the same layout.
//     [byte][flags][edge][bit_samples][mark_level][space_level][confidence][gap_before]
//     [bit_count][d of each bit, max_bits of them]
constexpr std::size_t record_doubles = 9 + max_bits;
constexpr double framing_flag = 1;
constexpr double parity_flag = 2;

struct WebDecode {
    RescueDecoder decoder;
    int channels = 0;                 // samples per frame
    std::vector<DecodedWord> words;   // the words of the current push
    std::vector<double> records;      // their records, record_doubles each
    std::vector<std::int16_t> frames; // the worker writes 16-bit frames here
    std::vector<double> float_frames; // or floating-point frames here
    std::array<double, 18> result{};  // the last rescue_result, as doubles
};

void record_words(WebDecode& web) {
    for (const DecodedWord& word : web.words) {
        const double flags =
            (word.is_framing_error ? framing_flag : 0) + (word.is_parity_error ? parity_flag : 0);
        web.records.insert(web.records.end(),
                           {static_cast<double>(word.byte), flags, word.edge, word.bit_samples,
                            word.mark_level, word.space_level,
                            static_cast<double>(word.confidence), word.gap_before,
                            static_cast<double>(word.bit_count)});
        web.records.insert(web.records.end(), word.bit_d.begin(), word.bit_d.end());
    }
    web.words.clear();
}

} // namespace

// Counts cross the interface as int: this Emscripten hands a 64-bit argument to JavaScript as two
// 32-bit halves.
extern "C" {

// A decoder for frames of `channels` samples at rate_hz, or null when a value is out of range.
// baud: 0 to find it; parity: 0 none, 1 even, 2 odd; channel: 1-based, 0 for the strongest.
EMSCRIPTEN_KEEPALIVE WebDecode* qx_decode_start(int baud, int data_bits, int parity, int stop_bits,
                                                int channel, std::uint32_t rate_hz, int channels) {
    if (parity < 0 || parity > 2)
        return nullptr;
    RescueSettings settings;
    settings.baud = baud;
    settings.format.data_bits = data_bits;
    settings.format.parity = parity == 1 ? Parity::Even : parity == 2 ? Parity::Odd : Parity::None;
    settings.format.stop_bits = stop_bits;
    settings.channel = channel;
    if (!is_decodable(settings, rate_hz, channels))
        return nullptr;
    auto* web = new WebDecode;
    web->channels = channels;
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
    web->records.clear();
    if (is_float) {
        const auto samples = static_cast<std::size_t>(count * web->channels);
        web->frames.resize(samples);
        for (std::size_t n = 0; n < samples; ++n)
            web->frames[n] = scaled_sample(web->float_frames[n]);
    }
    push_frames(web->decoder, web->frames.data(), count, web->words);
    record_words(*web);
    return static_cast<int>(web->records.size() / record_doubles);
}

// Ends the recording; returns the number of last words, as qx_decode_push does.
EMSCRIPTEN_KEEPALIVE int qx_decode_finish(WebDecode* web) {
    web->records.clear();
    finish_rescue(web->decoder, web->words);
    record_words(*web);
    return static_cast<int>(web->records.size() / record_doubles);
}

EMSCRIPTEN_KEEPALIVE const double* qx_decode_records(const WebDecode* web) {
    return web->records.data();
}

// What the decode found so far, as doubles:
//     [is_calibrated][channel][speed][has_leader][is_speed_measured][mark_level][space_level]
//     [frames_read][bytes][suspect_words][locks][lock_losses][jumps][window_samples][baud]
//     [lost_words][repeat_factor][is_baud_found]
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
                   r.is_baud_found ? 1.0 : 0.0};
    return web->result.data();
}

EMSCRIPTEN_KEEPALIVE void qx_decode_end(WebDecode* web) { delete web; }

} // extern "C"
