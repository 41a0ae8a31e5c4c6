// Whole encoding runs: sizes and bits from known inputs, BASIC line ends, appending, the 4 GB
// limit of the format, and every failure with its message.
#include "test_support.h"

#include "cell_reading.h"
#include "cli/options.h"
#include "encoder/encode_stream.h"
#include "scripted_stream.h"
#include "wav/wav_header.h"

#include <filesystem>

namespace {

struct EncodeResult {
    int result = -1;
    std::string file;        // the target afterwards
    std::string diagnostics; // what went to the diagnostic stream
    std::string out;         // standard output
};

class EncodeStreamTest : public ScratchTest {
  protected:
    // Encodes input into the target "out.wav": a new file, or with options.append the existing
    // one. The target is opened in target_mode.
    EncodeResult encode(const std::string& input, const char* target_mode = nullptr) {
        write_file(path("in.bin"), input);
        EncodeResult encoded = run(path("in.bin"), target_mode);
        encoded.file = read_file(path("out.wav"));
        return encoded;
    }

    // Runs encode_stream on the named input, read from the file or through a pipe; leaves the
    // target file to the caller.
    EncodeResult run(const std::string& input_name, const char* target_mode = nullptr,
                     bool is_piped = false) {
        const char* mode = target_mode ? target_mode : options.append ? "r+b" : "w+b";
        std::FILE* input = is_piped ? popen(("cat '" + input_name + "'").c_str(), "r")
                                    : std::fopen(input_name.c_str(), "rb");
        std::FILE* target = std::fopen(path("out.wav").c_str(), mode);
        EncodeResult encoded;
        if (input == nullptr || target == nullptr) {
            ADD_FAILURE() << "cannot open the files";
            return encoded;
        }
        ConsoleText console;
        encoded.result = capture_console(console, [&] { return encode_stream(input, target); });
        encoded.out = console.out;
        encoded.diagnostics = console.diagnostics;
        is_piped ? pclose(input) : std::fclose(input);
        std::fclose(target);
        return encoded;
    }
};

WavHeader header_of(const std::string& file) {
    WavHeaderBytes bytes{};
    if (file.size() < bytes.size()) {
        ADD_FAILURE() << "no header in a file of " << file.size() << " bytes";
        return parse_wav_header(bytes);
    }
    std::copy(file.begin(), file.begin() + wav_header_bytes, bytes.begin());
    return parse_wav_header(bytes);
}

// The samples of the data chunk without the final pad byte.
std::string samples_of(const std::string& file) {
    return file.substr(wav_header_bytes, file.size() - wav_header_bytes - 1);
}

// The bits of an 8N2 word, worked out apart from the encoder.
std::string word_8n2(int byte) {
    std::string bits = "0";
    for (int i = 0; i < 8; ++i)
        bits += (byte >> i) & 1 ? '1' : '0';
    return bits + "11";
}

std::string words_8n2(const std::string& bytes) {
    std::string bits;
    for (const char byte : bytes)
        bits += word_8n2(static_cast<unsigned char>(byte));
    return bits;
}

// BASIC's end-of-line sequence with ten NULs and 20 ms (24 cells, 6 bit times) of mark tone.
std::string basic_eol() {
    return word_8n2(0x0D) + words_8n2(std::string(10, '\0')) + "111111" + word_8n2(0x0A);
}

std::string u32_bytes(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// Encodes input into a scripted stream; returns encode_stream's result.
int encode_into_script(const std::string& input_name, WriteScript& script,
                       std::string& diagnostics) {
    std::FILE* input = std::fopen(input_name.c_str(), "rb");
    std::FILE* target = open_scripted_stream(script);
    DiagnosticCapture capture;
    const int result = encode_stream(input, target);
    diagnostics = capture.text();
    std::fclose(input);
    std::fclose(target);
    return result;
}

const char* const write_error = "Error writing to target file\r\n";
// A pipe's length is only known at its end: the limit stops the encode where it is reached.
const char* const size_limit_error =
    "qirvex: WAV data would exceed the 4 GB limit of the format\r\n";
// A file is counted first.
const char* const too_long_error =
    "qirvex: The input is too long for one WAV file: its tape needs more than the 4294967259 "
    "bytes of data that the format holds. Encode it in parts.\n";

} // namespace

TEST_F(EncodeStreamTest, EmptyInputWithDefaults) {
    const EncodeResult encoded = encode("");
    ASSERT_EQ(1, encoded.result);
    EXPECT_EQ("", encoded.diagnostics);
    EXPECT_EQ("", encoded.out);
    const WavHeader header = header_of(encoded.file);
    EXPECT_EQ(64801u, header.data_size);
    EXPECT_EQ(64837u, header.riff_size);
    EXPECT_EQ(44u + 64801u, encoded.file.size());
    EXPECT_EQ(std::string(2400 + 1200, 'M'), cell_names(samples_of(encoded.file)));
    EXPECT_EQ('\0', encoded.file.back());
    const WavHeaderBytes& expected = wav_header_template(false);
    EXPECT_EQ(std::string(expected.begin() + 8, expected.begin() + 40), encoded.file.substr(8, 32));
}

TEST_F(EncodeStreamTest, SingleByteBetweenLeaderAndTrailer) {
    const EncodeResult encoded = encode("A");
    ASSERT_EQ(1, encoded.result);
    EXPECT_EQ(65593u, header_of(encoded.file).data_size);
    EXPECT_EQ(65629u, header_of(encoded.file).riff_size);
    const std::string bits = bits_of_samples(samples_of(encoded.file));
    EXPECT_EQ(std::string(600, '1') + "01000001011" + std::string(300, '1'), bits);
}

TEST_F(EncodeStreamTest, NoLeaderNoTrailerLeavesWordsAndPadByte) {
    options.leader_ms = 0;
    options.trailer_ms = 0;
    EXPECT_EQ(1u, header_of(encode("").file).data_size);
    const EncodeResult encoded = encode("AB");
    EXPECT_EQ(2u * 792 + 1, header_of(encoded.file).data_size);
    EXPECT_EQ(words_8n2("AB"), bits_of_samples(samples_of(encoded.file)));
}

TEST_F(EncodeStreamTest, BasicModeLineEnds) {
    struct Case {
        const char* name;
        std::string input;
        std::string bits;
    };
    const std::string eol = basic_eol();
    const Case cases[] = {
        {"empty", "", eol},
        {"CR NUL LF NUL A", std::string("\r\0\n\0A", 5), eol + eol + word_8n2('A')},
        {"single LF", "\n", eol + word_8n2('\n')},
        {"NUL not after CR", std::string("A\0", 2), eol + words_8n2(std::string("A\0", 2))},
        {"line", "PRINT 12\r\n", eol + words_8n2("PRINT 12") + eol},
        {"two CRs", "\r\r", eol + eol + eol},
        {"lone CR", "A\rB", eol + word_8n2('A') + eol + word_8n2('B')},
        {"LF after a word after CR", "\rA\n", eol + eol + words_8n2("A\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options = Options{};
        options.basic_mode = true;
        options.null_count = 10;
        options.eol_padding_ms = 20;
        options.leader_ms = 0;
        options.trailer_ms = 0;
        const EncodeResult encoded = encode(c.input);
        ASSERT_EQ(1, encoded.result);
        EXPECT_EQ(c.bits, bits_of_samples(samples_of(encoded.file)));
    }
}

TEST_F(EncodeStreamTest, EndOfLinePaddingWithoutBasicMode) {
    options.eol_padding_ms = 100;
    options.null_count = 10;
    options.leader_ms = 0;
    options.trailer_ms = 0;
    const EncodeResult encoded = encode("\r\n");
    ASSERT_EQ(1, encoded.result);
    // 120 cells of mark tone after the CR word, none after the LF; no NULs.
    EXPECT_EQ(2u * 792 + 120 * 18 + 1, header_of(encoded.file).data_size);
    EXPECT_EQ(word_8n2('\r') + std::string(30, '1') + word_8n2('\n'),
              bits_of_samples(samples_of(encoded.file)));
}

TEST_F(EncodeStreamTest, EncodingTwiceGivesIdenticalFiles) {
    options.basic_mode = true;
    options.null_count = 10;
    options.eol_padding_ms = 20;
    std::string input = "10 PRINT \"HELLO\"\r\n20 GOTO 10\r\n";
    for (int byte = 0; byte < 256; ++byte)
        input += static_cast<char>(byte);
    const std::string first = encode(input).file;
    const std::string second = encode(input).file;
    EXPECT_EQ(first.size(), second.size());
    EXPECT_TRUE(first == second);
}

TEST_F(EncodeStreamTest, AppendsToItsOwnFileAtEitherRate) {
    for (const int legacy_rate : {0, 1}) {
        SCOPED_TRACE(legacy_rate);
        options = Options{};
        options.legacy_rate = legacy_rate;
        const std::string first = encode("A").file;
        const std::uint32_t old_size = header_of(first).data_size;
        // The second run does not ask for the rate; it adopts the file's.
        options = Options{};
        options.append = true;
        const EncodeResult second = encode("B");
        ASSERT_EQ(1, second.result);
        EXPECT_EQ(legacy_rate ? "Existing file - Sample Rate: 22050, 8 bits, 1 channels\r\n"
                              : "Existing file - Sample Rate: 21600, 8 bits, 1 channels\r\n",
                  second.out);
        const std::uint32_t cells_per_second = legacy_rate ? 1225 : 1200;
        const std::uint32_t new_samples = 3 * cells_per_second * 18 + 792;
        EXPECT_EQ(old_size + new_samples + 1, header_of(second.file).data_size);
        EXPECT_EQ(old_size + new_samples + 1 + 36, header_of(second.file).riff_size);
        // The old samples, their pad byte included, stay; the new leader follows directly.
        EXPECT_TRUE(first.substr(44) == second.file.substr(44, first.size() - 44));
        const std::string added = second.file.substr(first.size(), new_samples);
        const std::string leader_cells(2 * cells_per_second, 'M');
        const std::string trailer_cells(cells_per_second, 'M');
        const std::string names = cell_names(added);
        EXPECT_EQ(leader_cells, names.substr(0, leader_cells.size()));
        EXPECT_EQ(word_8n2('B'), bits_of_cells(names.substr(leader_cells.size(), 44), 4));
        EXPECT_EQ(trailer_cells, names.substr(leader_cells.size() + 44));
        EXPECT_EQ('\0', second.file.back());
    }
}

TEST_F(EncodeStreamTest, AppendRefusalsLeaveTheTargetAlone) {
    struct Case {
        const char* name;
        std::string target;
        const char* message;
    };
    std::string stereo = encode("").file;
    stereo[22] = 2;
    const Case cases[] = {
        {"empty", "", "qirvex: Can't append to this file. The file is corrupt.\n"},
        {"text", std::string(100, 'x'),
         "qirvex: Can't append to this file. The file is not WAV format.\n"},
        {"stereo", stereo,
         "qirvex: Can't append to this file. The WAV format is not 21600/22050(Legacy)/8bit "
         "mono\n"},
    };
    options.append = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(path("out.wav"), c.target);
        const EncodeResult encoded = encode("A");
        EXPECT_EQ(0, encoded.result);
        EXPECT_EQ(c.message, encoded.diagnostics);
        EXPECT_TRUE(c.target == encoded.file);
    }
}

TEST_F(EncodeStreamTest, WriteErrors) {
    struct Case {
        const char* name;
        bool is_append;
        std::int32_t leader_ms;
        bool is_basic;
    };
    const Case cases[] = {
        {"header", false, 2000, false},
        {"leader", true, 2000, false},
        {"initial end of line", true, 0, true},
        {"word", true, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options = Options{};
        options.leader_ms = 0;
        const std::string existing = encode("").file;
        options.append = c.is_append;
        options.leader_ms = c.leader_ms;
        options.basic_mode = c.is_basic;
        const EncodeResult encoded = encode("A", "rb");
        EXPECT_EQ(0, encoded.result);
        EXPECT_EQ(write_error, encoded.diagnostics);
        EXPECT_TRUE(existing == encoded.file);
    }
}

TEST_F(EncodeStreamTest, RefusedCrWordFailsEvenIfItsPaddingIsWritten) {
    options.leader_ms = 0;
    options.eol_padding_ms = 100;
    write_file(path("in.bin"), "\r");
    WriteScript script;
    script.refused_call = 2; // the first cell after the header
    std::string diagnostics;
    EXPECT_EQ(0, encode_into_script(path("in.bin"), script, diagnostics));
    EXPECT_EQ(write_error, diagnostics);
    EXPECT_EQ(44u, script.written.size());
}

// A refused trailer is not an error; its result is -1, so the cells it wrote before the refusal
// are not counted. The stream cannot seek, so the size patch lands after the pad byte.
TEST_F(EncodeStreamTest, FailedTrailerIsNotAnError) {
    options.leader_ms = 0;
    write_file(path("in.bin"), "");
    WriteScript script;
    script.refused_call = 1 + 5 + 1; // the header, five trailer cells, then a refusal
    std::string diagnostics;
    EXPECT_EQ(1, encode_into_script(path("in.bin"), script, diagnostics));
    EXPECT_EQ("", diagnostics);
    const std::string written = script.written;
    ASSERT_EQ(44u + 5 * 18 + 1 + 8, written.size());
    EXPECT_EQ(std::string(1, '\0') + u32_bytes(1) + u32_bytes(37), written.substr(44 + 5 * 18));
}

TEST_F(EncodeStreamTest, ReadErrorFailsWithoutTrailerOrSizes) {
    std::filesystem::create_directory(path("folder"));
    EncodeResult encoded = run(path("folder"));
    encoded.file = read_file(path("out.wav"));
    EXPECT_EQ(0, encoded.result);
    EXPECT_EQ("Error reading input file\r\n", encoded.diagnostics);
    // Header and leader only: no trailer, no pad byte, sizes still 0.
    EXPECT_EQ(44u + 2400 * 18, encoded.file.size());
    EXPECT_EQ(0u, header_of(encoded.file).data_size);
    EXPECT_EQ(0u, header_of(encoded.file).riff_size);
}

TEST_F(EncodeStreamTest, LeaderBeyondTheSizeLimitFailsBeforeAnyTone) {
    options.leader_ms = 2000000000;
    EncodeResult encoded = encode("A");
    EXPECT_EQ(0, encoded.result);
    EXPECT_EQ(too_long_error, encoded.diagnostics);
    EXPECT_EQ(0u, encoded.file.size());

    encoded = run(path("in.bin"), nullptr, true);
    EXPECT_EQ(0, encoded.result);
    EXPECT_EQ(size_limit_error, encoded.diagnostics);
    EXPECT_EQ(44u, read_file(path("out.wav")).size());
}

// The existing data is a sparse file of the claimed length, so nothing near 4 GB is written or
// read.
class SizeLimitTest : public EncodeStreamTest {
  protected:
    // Appends input, from a file or a pipe, to a file whose data chunk already holds data_size
    // bytes; the result holds only the header of the file.
    EncodeResult append(std::uint32_t data_size, const std::string& input, bool is_piped) {
        const WavHeaderBytes& header = wav_header_template(false);
        write_file(path("out.wav"),
                   std::string(header.begin(), header.end()).replace(40, 4, u32_bytes(data_size)));
        std::filesystem::resize_file(path("out.wav"), 44 + std::uint64_t{data_size});
        options.append = true;
        write_file(path("in.bin"), input);
        EncodeResult encoded = run(path("in.bin"), nullptr, is_piped);
        encoded.file.resize(44);
        std::FILE* stream = std::fopen(path("out.wav").c_str(), "rb");
        EXPECT_EQ(44u, std::fread(encoded.file.data(), 1, 44, stream));
        std::fclose(stream);
        return encoded;
    }

    std::uint64_t length() { return std::filesystem::file_size(path("out.wav")); }
};

// Each phase is tried with one byte too little room, then with just enough: counted before the
// encode from a file, met during it from a pipe. Neither writes anything into too little room.
TEST_F(SizeLimitTest, EveryPhaseChecksTheLimit) {
    struct Case {
        const char* name;
        std::uint32_t room; // bytes below the limit, the pad byte's included
        std::int32_t leader_ms;
        std::int32_t trailer_ms;
        bool is_basic;
        std::string input;
    };
    const Case cases[] = {
        {"leader", 12 * 18, 10, 0, false, ""}, {"end of line", 9936, 0, 0, true, ""},
        {"word", 792, 0, 0, false, "A"},       {"trailer", 12 * 18, 0, 10, false, ""},
        {"pad byte", 0, 0, 0, false, ""},
    };
    const auto set_options = [](const Case& c) {
        options = Options{};
        options.leader_ms = c.leader_ms;
        options.trailer_ms = c.trailer_ms;
        options.basic_mode = c.is_basic;
        options.null_count = 10;
        options.eol_padding_ms = 20;
    };
    for (const bool is_piped : {false, true})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (is_piped ? " from a pipe" : " from a file"));
            set_options(c);
            const std::uint32_t old_size = max_data_size_bytes - c.room;
            const EncodeResult refused = append(old_size, c.input, is_piped);
            EXPECT_EQ(0, refused.result);
            EXPECT_EQ(is_piped ? size_limit_error : too_long_error, refused.diagnostics);
            EXPECT_EQ(44 + std::uint64_t{old_size}, length());
            EXPECT_EQ(old_size, header_of(refused.file).data_size);
            set_options(c);
            const EncodeResult fitting = append(old_size - 1, c.input, is_piped);
            EXPECT_EQ(1, fitting.result);
            EXPECT_EQ("", fitting.diagnostics);
            EXPECT_EQ(max_data_size_bytes, header_of(fitting.file).data_size);
            EXPECT_EQ(0xFFFFFFFFu, header_of(fitting.file).riff_size);
            EXPECT_EQ(44 + std::uint64_t{max_data_size_bytes}, length());
        }
}
