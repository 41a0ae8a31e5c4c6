// The frame assembler: slides each decided bit into a window one serial word long, accepts a word
// when its start bit is the oldest bit and both stop positions hold 1, and writes the word's data
// byte to the target, also when its parity is wrong. With -X it traces every bit and byte.
//
// The window for 8 data bits, parity and 2 stop bits, oldest bit first (position 0):
//     [start][d0 .. d7][parity][stop][stop]
// Without parity the stop bits move down one place; with 7 data bits, one more.
#include "decoder/kcs_decoder.h"

#include "base/platform.h"
#include "cli/diagnostics.h"
#include "cli/options.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

constexpr std::int32_t no_parity = 0;
constexpr std::int32_t even_parity = 1;
constexpr std::int32_t odd_parity = 2;

constexpr unsigned char first_printable = 0x20;
constexpr unsigned char last_printable = 0x7E;

// Moves every bit one place towards the oldest position and puts the new bit at the newest.
void slide_in(KcsDecoder& decoder, int bit) {
    std::uint8_t* const window = decoder.frame_bits;
    std::copy(window + 1, window + decoder.frame_length, window);
    // The trace's "%c " for the bit, written without formatting: it comes for every bit.
    if (options.diagnostics) {
        write_byte(bit != 0 ? '1' : '0', diagnostic_stream);
        write_byte(' ', diagnostic_stream);
    }
    window[decoder.frame_length - 1] = static_cast<std::uint8_t>(bit != 0 ? 1 : 0);
}

// A framing error counts once per loss of sync: the window keeps sliding, and every further bit
// tests the next alignment until a word is accepted.
void note_framing_error(KcsDecoder& decoder) {
    if (!decoder.sync_lost) {
        ++decoder.framing_errors;
        decoder.sync_lost = true;
    }
}

// Data bits sit least significant first after the start bit; with 7 of them the top bit is 0.
unsigned char word_byte(const KcsDecoder& decoder) {
    unsigned byte = 0;
    for (std::int32_t k = 0; k < decoder.data_bits; ++k)
        byte |= static_cast<unsigned>(decoder.frame_bits[k + 1]) << k;
    return static_cast<unsigned char>(byte);
}

bool has_parity_error(const KcsDecoder& decoder) {
    std::int32_t ones = 0;
    for (std::int32_t position = 1; position <= decoder.data_bits; ++position)
        ones += decoder.frame_bits[position];
    if (decoder.parity_position >= 0)
        ones += decoder.frame_bits[decoder.parity_position];
    const bool is_odd = ones % 2 != 0;
    switch (decoder.parity) {
    case even_parity:
        return is_odd;
    case odd_parity:
        return !is_odd;
    default:
        return false;
    }
}

void trace_byte(const KcsDecoder& decoder, unsigned char byte, bool parity_error) {
    const bool is_printable = byte >= first_printable && byte <= last_printable;
    std::fprintf(diagnostic_stream, "[%08u=%02X]%c%s%s\r\n",
                 static_cast<unsigned>(decoder.previous_event_sample), static_cast<unsigned>(byte),
                 is_printable ? byte : ' ', parity_error ? "[PE]" : "",
                 decoder.sync_lost ? "[FE]" : "");
}

// Writes the word's byte, whatever its parity, and goes back to hunting for a start bit: the
// window refills with 1s, so the next word is tested only once a 0 has passed right through it.
void accept_word(KcsDecoder& decoder) {
    const unsigned char byte = word_byte(decoder);
    const bool parity_error = has_parity_error(decoder);
    if (parity_error)
        ++decoder.parity_errors;
    std::fputc(byte, decoder.output);
    ++decoder.bytes_written;
    if (options.diagnostics)
        trace_byte(decoder, byte, parity_error);
    std::fill(std::begin(decoder.frame_bits), std::end(decoder.frame_bits), std::uint8_t{1});
    decoder.bits_seen = 0;
    decoder.sync_lost = false;
}

} // namespace

void KcsDecoder::configure_frame(std::int32_t data_bit_count, std::int32_t stop_bit_count,
                                 std::int32_t parity_code) {
    data_bits = data_bit_count;
    stop_bits = stop_bit_count;
    parity = parity_code;
    const std::int32_t parity_bit_count = parity_code != no_parity ? 1 : 0;
    frame_length = 1 + data_bit_count + parity_bit_count + stop_bit_count;
    parity_position = parity_bit_count != 0 ? data_bit_count + 1 : -1;
    stop_position_1 = data_bit_count + 1 + parity_bit_count;
    stop_position_2 = stop_bit_count > 1 ? stop_position_1 + 1 : stop_position_1;
}

void KcsDecoder::push_bit(int bit) {
    slide_in(*this, bit);
    // Only its comparison with frame_length matters, so a long idle line may saturate it.
    if (bits_seen < std::numeric_limits<std::int32_t>::max())
        ++bits_seen;
    // No start bit at the oldest position, or not yet a whole word since the last one.
    if (frame_bits[0] != 0 || bits_seen < frame_length)
        return;
    if (frame_bits[stop_position_1] != 1 || frame_bits[stop_position_2] != 1) {
        note_framing_error(*this);
        return;
    }
    accept_word(*this);
}
