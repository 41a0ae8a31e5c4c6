// Option parsing: each argument that begins with "-" is matched against a table of single
// letters, in the table's order; the first argument that does not begin with "-" is the input.
#include "cli/options.h"

#include "base/saturate.h"
#include "cli/usage.h"

#include <cstdio>
#include <cstring>
#include <limits>

Options options;

namespace {

// Folds ASCII A-Z onto a-z and nothing else, whatever the locale.
char fold_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A padding length: out of 0..2000 gives 0.
std::int32_t padding_value(const char* text) {
    const std::int32_t ms = option_value(text);
    return (ms < 0 || ms > 2000) ? 0 : ms;
}

// A leader or trailer length: a negative value gives 2000.
std::int32_t tone_length_value(const char* text) {
    const std::int32_t ms = option_value(text);
    return ms < 0 ? 2000 : ms;
}

// Options that are a letter alone.
bool apply_flag(char letter) {
    switch (letter) {
    case 'o':
        options.odd_parity = true;
        return true;
    case 'b':
        // -B undoes an earlier -N, and keeps an earlier non-zero -P.
        options.basic_mode = true;
        options.null_count = 10;
        if (options.eol_padding_ms == 0)
            options.eol_padding_ms = 20;
        return true;
    case 'e':
        options.even_parity = true;
        return true;
    case 'd':
        options.seven_data_bits = true;
        return true;
    case 'u':
        options.sine_tone = true;
        return true;
    case 'f':
        options.force_overwrite = true;
        return true;
    case 'a':
        options.append = true;
        return true;
    case 's':
        options.one_stop_bit = true;
        return true;
    case 'x':
        options.diagnostics = true;
        return true;
    default:
        return false;
    }
}

// Options whose letter is followed by a value text (possibly empty).
bool apply_valued(char letter, const char* value) {
    switch (letter) {
    case 'r':
        options.fast_rate = value[0] == '1' ? 1 : 0;
        return true;
    case 'p':
        options.eol_padding_ms = padding_value(value);
        return true;
    case 'w':
        options.word_padding_ms = padding_value(value);
        return true;
    case 'q':
        options.legacy_rate = 1;
        options.sample_rate = 22050;
        return true;
    case 'c':
        options.channel = option_value(value);
        return true;
    case 'l':
        options.leader_ms = tone_length_value(value);
        return true;
    case 't':
        options.trailer_ms = tone_length_value(value);
        return true;
    case 'n':
        options.null_count = option_value(value);
        return true;
    default:
        return false;
    }
}

// Applies one option text (the argument less its "-"); false when no row matches. A flag letter
// with anything after it matches no row, and no valued letter is also a flag letter.
bool apply_option(const char* text) {
    const char letter = fold_ascii(text[0]);
    if (letter == '\0')
        return false;
    if (text[1] == '\0' && apply_flag(letter))
        return true;
    return apply_valued(letter, text + 1);
}

void report_unknown(const char* text) {
    std::fputs(" Unknown argument:", stderr);
    std::fputs(text, stderr);
    std::fputs("\r\n", stderr);
}

} // namespace

std::int32_t option_value(const char* text) {
    constexpr std::int64_t high = std::numeric_limits<std::int32_t>::max();
    while (is_space(*text))
        ++text;
    const bool is_negative = *text == '-';
    if (*text == '+' || *text == '-')
        ++text;
    // Accumulate as a magnitude and stop growing once past every 32-bit limit.
    std::int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (magnitude <= high + 1)
            magnitude = magnitude * 10 + (*text - '0');
    }
    return saturate_to_int32(is_negative ? -magnitude : magnitude);
}

std::optional<FileArguments> parse_options(int argc, char* const* argv) {
    int remaining = argc - 1;
    for (int index = 1; remaining > 0; ++index, --remaining) {
        const char* argument = argv[index];
        if (argument[0] != '-')
            return FileArguments{index, remaining};
        if (!apply_option(argument + 1)) {
            report_unknown(argument + 1);
            break;
        }
    }
    print_usage();
    return std::nullopt;
}
