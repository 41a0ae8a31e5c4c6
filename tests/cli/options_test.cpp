// The option table, its order effects and the usage text.
#include "test_support.h"

#include "cli/options.h"

#include <string>
#include <vector>

namespace {

struct ParseOutcome {
    std::optional<FileArguments> files;
    std::string out;
    std::string err;
};

// Parses a command line (without the program name) from fresh default options.
ParseOutcome parse(std::vector<std::string> arguments) {
    options = Options{};
    std::vector<char*> argv{const_cast<char*>("qirvex")};
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    ParseOutcome outcome;
    outcome.files = parse_options(static_cast<int>(argv.size() - 1), argv.data());
    outcome.out = ::testing::internal::GetCapturedStdout();
    outcome.err = ::testing::internal::GetCapturedStderr();
    return outcome;
}

const std::string usage_text =
    "QIRVEX - Transcodes between Kansas City Standard audio & data file for OSI\r\n"
    "Usage: QIRVEX [options] infile [outfile]\r\n"
    "    If [outfile] is not specified, a target file is automatically\r\n"
    "       created based on input filetype\r\n"
    "    -Rn Rate for en/decoding 0=300/1=600 (default: 0)\r\n"
    "    -F  Force overwrite of existing output file\r\n"
    "    -A  Append to output file (WAV or data)(WAV must be 21600/22050[legacy mode] 8bit "
    "mono)\r\n"
    "    Encode options:\r\n"
    "    -B  BASIC processing -add NULS between <CR> & <LF> like OSI BASIC\r\n"
    "    -Nn Number of Nulls (default 10)\r\n"
    "    -O  Odd parity \r\n"
    "    -E  Even parity\r\n"
    "    -D  7 Data bits\r\n"
    "    -S  1 Stop bit\r\n"
    "    -Wn padding in msec after each serial Word\r\n"
    "    -Pn Padding in msec after each EOL\r\n"
    "    -Ln Leader time (in msec) defaults to 2000\r\n"
    "    -Tn Trailer time (in msec) defaults to 1000\r\n"
    "    -U  use sine Tone instead of precompensated square wave\r\n"
    "    -Cn select WAV Channel for decode 0=Any 1=Left 2=Right\r\n"
    "    -Q  Use Legacy 22050 sample rate\r\n"
    "    -X  Decoding output diagnostics\r\n"
    " Default encode: create 21600 8bit mono WAV file @300 baud 8N2\r\n"
    " Default decode: create data file from 300 baud 8N2 WAV file\r\n"
    " (ver 1.3)\r\n";

} // namespace

TEST(Options, DefaultsBeforeAnyOption) {
    const Options defaults;
    EXPECT_EQ(2000, defaults.leader_ms);
    EXPECT_EQ(1000, defaults.trailer_ms);
    EXPECT_EQ(21600, defaults.sample_rate);
    EXPECT_EQ(0, defaults.legacy_rate);
    EXPECT_EQ(0, defaults.null_count);
    EXPECT_FALSE(defaults.basic_mode || defaults.even_parity || defaults.odd_parity ||
                 defaults.decode_mode);
}

TEST(Options, UsageWithoutFileArgument) {
    const std::vector<std::vector<std::string>> command_lines = {{}, {"-F", "-A"}, {"-B"}};
    for (const auto& arguments : command_lines) {
        SCOPED_TRACE(arguments.size());
        const ParseOutcome outcome = parse(arguments);
        EXPECT_FALSE(outcome.files.has_value());
        EXPECT_EQ(usage_text, outcome.out);
        EXPECT_EQ("", outcome.err);
    }
}

TEST(Options, UnknownArgumentsPrintTheirTextThenUsage) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"-ox", " Unknown argument:ox\r\n"}, {"-x5", " Unknown argument:x5\r\n"},
        {"-B2", " Unknown argument:B2\r\n"}, {"-FA", " Unknown argument:FA\r\n"},
        {"-", " Unknown argument:\r\n"},     {"-%s%n", " Unknown argument:%s%n\r\n"},
        {"-Z", " Unknown argument:Z\r\n"},
    };
    for (const auto& [argument, message] : cases) {
        SCOPED_TRACE(argument);
        const ParseOutcome outcome = parse({argument, "prog.txt"});
        EXPECT_FALSE(outcome.files.has_value());
        EXPECT_EQ(message, outcome.err);
        EXPECT_EQ(usage_text, outcome.out);
    }
}

TEST(Options, FileArgumentsFollowTheOptions) {
    ParseOutcome outcome = parse({"-F", "in.txt", "out.wav", "extra"});
    ASSERT_TRUE(outcome.files.has_value());
    EXPECT_EQ(2, outcome.files->first);
    EXPECT_EQ(3, outcome.files->count);
    EXPECT_EQ("", outcome.out + outcome.err);

    // After the first file name nothing is an option: -F becomes the target name.
    outcome = parse({"prog.txt", "-F"});
    ASSERT_TRUE(outcome.files.has_value());
    EXPECT_EQ(1, outcome.files->first);
    EXPECT_EQ(2, outcome.files->count);
    EXPECT_FALSE(options.force_overwrite);

    // An empty argument ends the options like any other file name.
    outcome = parse({"-X", ""});
    ASSERT_TRUE(outcome.files.has_value());
    EXPECT_EQ(2, outcome.files->first);
}

TEST(Options, FlagsIgnoreAsciiCase) {
    const std::vector<std::string> letters = {"-o", "-e", "-d", "-u", "-f", "-a", "-s", "-x"};
    for (const std::string& letter : letters) {
        SCOPED_TRACE(letter);
        Options lower;
        Options upper;
        ASSERT_TRUE(parse({letter, "in"}).files);
        lower = options;
        std::string capital = letter;
        capital[1] = static_cast<char>(capital[1] - 'a' + 'A');
        ASSERT_TRUE(parse({capital, "in"}).files);
        upper = options;
        EXPECT_EQ(lower.odd_parity, upper.odd_parity);
        EXPECT_EQ(lower.even_parity, upper.even_parity);
        EXPECT_EQ(lower.seven_data_bits, upper.seven_data_bits);
        EXPECT_EQ(lower.sine_tone, upper.sine_tone);
        EXPECT_EQ(lower.force_overwrite, upper.force_overwrite);
        EXPECT_EQ(lower.append, upper.append);
        EXPECT_EQ(lower.one_stop_bit, upper.one_stop_bit);
        EXPECT_EQ(lower.diagnostics, upper.diagnostics);
        const int flags_set = lower.odd_parity + lower.even_parity + lower.seven_data_bits +
                              lower.sine_tone + lower.force_overwrite + lower.append +
                              lower.one_stop_bit + lower.diagnostics;
        EXPECT_EQ(1, flags_set);
    }
}

TEST(Options, RateTakesOnlyAOneAsFirstCharacter) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"-R1", 1}, {"-R10", 1}, {"-r1", 1}, {"-R", 0}, {"-R0", 0}, {"-R2", 0}, {"-Rate", 0},
    };
    for (const auto& [argument, fast_rate] : cases) {
        SCOPED_TRACE(argument);
        ASSERT_TRUE(parse({argument, "in"}).files);
        EXPECT_EQ(fast_rate, options.fast_rate);
    }
    // "-R 1 prog.txt": the 1 is the input name, not the rate.
    const ParseOutcome outcome = parse({"-R", "1", "prog.txt"});
    ASSERT_TRUE(outcome.files);
    EXPECT_EQ(2, outcome.files->first);
    EXPECT_EQ(0, options.fast_rate);
}

TEST(Options, NumericValuesAndTheirRanges) {
    struct Case {
        std::string argument;
        std::int32_t Options::*field;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"-P2000", &Options::eol_padding_ms, 2000},
        {"-P2001", &Options::eol_padding_ms, 0},
        {"-P-1", &Options::eol_padding_ms, 0},
        {"-W+10", &Options::word_padding_ms, 10},
        {"-W99999999999", &Options::word_padding_ms, 0},
        {"-W 7x", &Options::word_padding_ms, 7},
        {"-L", &Options::leader_ms, 0},
        {"-Lfoo", &Options::leader_ms, 0},
        {"-L-1", &Options::leader_ms, 2000},
        {"-L2000000000", &Options::leader_ms, 2000000000},
        {"-L99999999999", &Options::leader_ms, 2147483647},
        {"-T", &Options::trailer_ms, 0},
        {"-T-1", &Options::trailer_ms, 2000},
        {"-T5", &Options::trailer_ms, 5},
        {"-C7", &Options::channel, 7},
        {"-C-3", &Options::channel, -3},
        {"-N5", &Options::null_count, 5},
        {"-N-99999999999", &Options::null_count, -2147483647 - 1},
        {"-p30", &Options::eol_padding_ms, 30},
        {"-w40", &Options::word_padding_ms, 40},
        {"-l50", &Options::leader_ms, 50},
        {"-t60", &Options::trailer_ms, 60},
        {"-c2", &Options::channel, 2},
        {"-n3", &Options::null_count, 3},
    };
    for (const Case& test_case : cases) {
        SCOPED_TRACE(test_case.argument);
        ASSERT_TRUE(parse({test_case.argument, "in"}).files);
        EXPECT_EQ(test_case.expected, options.*test_case.field);
    }
}

TEST(Options, ValueConversionLikeStrtolClamped) {
    EXPECT_EQ(0, option_value(""));
    EXPECT_EQ(0, option_value("+"));
    EXPECT_EQ(-12, option_value("  \t-12abc"));
    EXPECT_EQ(2147483647, option_value("2147483647"));
    EXPECT_EQ(2147483647, option_value("2147483648"));
    EXPECT_EQ(-2147483647 - 1, option_value("-2147483648"));
    EXPECT_EQ(-2147483647 - 1, option_value("-2147483649"));
    EXPECT_EQ(2147483647, option_value("000000000000000000000000000099999999999999999999"));
    EXPECT_EQ(0, option_value("--5"));
}

TEST(Options, BasicModeAndItsOrderEffects) {
    struct Case {
        std::vector<std::string> arguments;
        std::int32_t null_count;
        std::int32_t eol_padding_ms;
    };
    const std::vector<Case> cases = {
        {{"-B"}, 10, 20},           {{"-N5", "-B"}, 10, 20},    {{"-B", "-N5"}, 5, 20},
        {{"-P100", "-B"}, 10, 100}, {{"-P0", "-B"}, 10, 20},    {{"-P5000", "-B"}, 10, 20},
        {{"-B", "-P0"}, 10, 0},     {{"-B", "-P300"}, 10, 300},
    };
    for (Case test_case : cases) {
        SCOPED_TRACE(test_case.arguments.front() + " ...");
        test_case.arguments.push_back("in");
        ASSERT_TRUE(parse(test_case.arguments).files);
        EXPECT_TRUE(options.basic_mode);
        EXPECT_EQ(test_case.null_count, options.null_count);
        EXPECT_EQ(test_case.eol_padding_ms, options.eol_padding_ms);
    }
}

TEST(Options, LegacyRateAndParityCombinations) {
    ASSERT_TRUE(parse({"-Qfoo", "in"}).files);
    EXPECT_EQ(1, options.legacy_rate);
    EXPECT_EQ(22050, options.sample_rate);
    ASSERT_TRUE(parse({"-q", "in"}).files);
    EXPECT_EQ(22050, options.sample_rate);
    ASSERT_TRUE(parse({"-E", "-O", "in"}).files);
    EXPECT_TRUE(options.even_parity);
    EXPECT_TRUE(options.odd_parity);
}

TEST(Options, UnknownOptionStopsAfterEarlierOnesApplied) {
    const ParseOutcome outcome = parse({"-E", "-K", "-O", "in"});
    EXPECT_FALSE(outcome.files);
    EXPECT_TRUE(options.even_parity);
    EXPECT_FALSE(options.odd_parity);
}
