// The run's settings: one global record, filled by parse_options from the command line.
// After parsing only three fields change: decode_mode (file setup, when the input is audio) and
// sample_rate with legacy_rate (the append check adopts the rate of the file appended to).
#pragma once

#include <cstdint>
#include <optional>

struct Options {
    bool even_parity = false;         // -E: words carry even parity (wins over odd_parity)
    bool odd_parity = false;          // -O: words carry odd parity
    bool seven_data_bits = false;     // -D: 7 data bits instead of 8
    bool one_stop_bit = false;        // -S: 1 stop bit instead of 2
    bool sine_tone = false;           // -U: sine cells instead of the precompensated square
    bool force_overwrite = false;     // -F: an existing target may be emptied
    bool append = false;              // -A: add to an existing target instead
    bool basic_mode = false;          // -B: NULs and a pause between every CR and its LF
    bool diagnostics = false;         // -X: trace every decoded bit and byte
    bool decode_mode = false;         // set when the input is judged to be audio
    std::int32_t channel = 0;         // -Cn: channel to decode, 0 and 1 both the first
    std::int32_t null_count = 0;      // -Nn, -B: NUL words after each CR in BASIC mode
    std::int32_t fast_rate = 0;       // -Rn: 0 for 300 baud, 1 for 600 baud
    std::int32_t eol_padding_ms = 0;  // -Pn, -B: mark tone after each CR, milliseconds
    std::int32_t word_padding_ms = 0; // -Wn: mark tone after each word, milliseconds
    std::int32_t leader_ms = 2000;    // -Ln: mark tone before the data, milliseconds
    std::int32_t trailer_ms = 1000;   // -Tn: mark tone after the data, milliseconds
    std::int32_t legacy_rate = 0;     // -Q: 1 for 22050 samples per second output
    std::int32_t sample_rate = 21600; // encoder output rate, samples per second
};

extern Options options;

// Where the file arguments begin: argv[first] is the input name, and count (at least 1) is the
// number of arguments from there to the end.
struct FileArguments {
    int first = 0;
    int count = 0;
};

// Reads the options that precede the first file argument into `options`. Returns nullopt when
// the run must end with status 0 because the usage text was printed (no arguments, options only,
// or an unknown option).
[[nodiscard]] std::optional<FileArguments> parse_options(int argc, char* const* argv);

// The value of a numeric option: decimal like strtol, clamped to the 32-bit range, 0 without
// digits.
[[nodiscard]] std::int32_t option_value(const char* text);
