// Bytes become asynchronous serial words: a space start bit, the data bits least significant
// first, an optional parity bit and mark stop bits; 8N2 unless options say otherwise.
#include "encoder/serial_framing.h"

#include "cli/options.h"
#include "encoder/tone_writer.h"

#include <algorithm>

namespace {

constexpr std::uint8_t space_bit = 0;
constexpr std::uint8_t mark_bit = 1;

// Failed parts of padding and of the end-of-line sequence are skipped, not subtracted.
std::int64_t positive_part(std::int64_t samples) { return std::max<std::int64_t>(samples, 0); }

void push_bit(SerialWord& word, std::uint8_t bit) {
    word.bits[static_cast<std::size_t>(word.bit_count)] = bit;
    ++word.bit_count;
}

} // namespace

SerialWord frame_byte(int byte) {
    SerialWord word;
    push_bit(word, space_bit);
    const int data_bits = options.seven_data_bits ? 7 : 8;
    int ones = 0;
    for (int i = 0; i < data_bits; ++i) {
        const auto bit = static_cast<std::uint8_t>((byte >> i) & 1);
        ones += bit;
        push_bit(word, bit);
    }
    if (options.even_parity || options.odd_parity) {
        // Even parity makes data and parity together hold an even number of ones, odd parity
        // an odd number; even wins when both are set.
        const bool has_odd_ones = (ones & 1) != 0;
        push_bit(word, has_odd_ones == options.even_parity ? mark_bit : space_bit);
    }
    push_bit(word, mark_bit);
    if (!options.one_stop_bit)
        push_bit(word, mark_bit);
    return word;
}

std::int64_t write_word(int byte, std::FILE* stream) {
    const SerialWord word = frame_byte(byte & 0xFF);
    std::int64_t samples = 0;
    for (int i = 0; i < word.bit_count; ++i) {
        const std::int32_t bit_samples = write_bit(word.bits[static_cast<std::size_t>(i)], stream);
        if (bit_samples <= 0)
            return -1;
        samples += bit_samples;
    }
    return samples + positive_part(write_tone_ms(options.word_padding_ms, stream));
}

std::int64_t write_eol_sequence(std::FILE* stream) {
    std::int64_t samples = positive_part(write_word(ascii_cr, stream));
    for (std::int32_t i = 0; i < options.null_count; ++i)
        samples += positive_part(write_word(ascii_nul, stream));
    samples += positive_part(write_tone_ms(options.eol_padding_ms, stream));
    return samples + positive_part(write_word(ascii_lf, stream));
}

std::int64_t word_length_samples() {
    return std::int64_t{frame_byte(0).bit_count} * bit_length_samples() +
           tone_length_samples(options.word_padding_ms);
}

std::int64_t eol_sequence_length_samples() {
    // CR, the NULs and LF are words of equal length.
    const std::int64_t words = 2 + std::max<std::int64_t>(options.null_count, 0);
    return words * word_length_samples() + tone_length_samples(options.eol_padding_ms);
}
