// The option parser: an argument vector built from the fuzz input, one argument per NUL-ended
// piece, after the program's name. Checked afterwards: the file arguments found, every value
// within its documented range, and the numeric reader against strtol clamped to 32 bits.
#include "fuzz_support.h"

#include "cli/options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace {

constexpr std::size_t most_arguments = 64;

std::vector<std::string> arguments_of(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments{"qirvex"};
    std::string piece;
    for (std::size_t i = 0; i < size && arguments.size() < most_arguments; ++i) {
        if (data[i] != 0) {
            piece += static_cast<char>(data[i]);
            continue;
        }
        arguments.push_back(piece);
        piece.clear();
    }
    if (!piece.empty() && arguments.size() < most_arguments)
        arguments.push_back(piece);
    return arguments;
}

bool is_padding(std::int32_t ms) { return ms >= 0 && ms <= 2000; }

void check_ranges() {
    require(is_padding(options.eol_padding_ms), "eol_padding_ms");
    require(is_padding(options.word_padding_ms), "word_padding_ms");
    require(options.leader_ms >= 0 && options.trailer_ms >= 0, "tone length negative");
    require(options.fast_rate == 0 || options.fast_rate == 1, "fast_rate");
    require((options.legacy_rate == 0 && options.sample_rate == 21600) ||
                (options.legacy_rate == 1 && options.sample_rate == 22050),
            "legacy_rate and sample_rate apart");
    require(!options.decode_mode, "parser set decode_mode");
}

// What the C library makes of the same text, clamped to 32 bits.
std::int32_t reference_value(const char* text) {
    errno = 0;
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    reset_options();
    std::vector<std::string> arguments = arguments_of(data, size);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(arguments.size());

    const auto files = parse_options(argc, argv.data());
    check_ranges();
    if (files) {
        require(files->first >= 1 && files->count >= 1, "file arguments");
        require(files->first + files->count == argc, "file count");
        require(argv[files->first][0] != '-', "an option taken as a file");
    }
    for (int i = 1; i < argc; ++i)
        require(option_value(argv[i]) == reference_value(argv[i]), "numeric value");
    return 0;
}
