// The check of an existing target before appending: refusal codes in the order of the checks,
// the "Existing file" line, the rate adoption and the position after the old samples.
#include "test_support.h"

#include "cli/options.h"
#include "wav/wav_header.h"

namespace {

void put_u16(std::string& bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

void put_u32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A header as the encoder writes it, with its sizes set for data_size samples.
std::string wav_header(std::uint32_t data_size, bool is_legacy_rate = false) {
    const WavHeaderBytes& bytes = wav_header_template(is_legacy_rate);
    std::string header(bytes.begin(), bytes.end());
    put_u32(header, 4, data_size + 36);
    put_u32(header, 40, data_size);
    return header;
}

std::string wav_file(std::uint32_t data_size, bool is_legacy_rate = false) {
    return wav_header(data_size, is_legacy_rate) + std::string(data_size, '\x80');
}

struct AppendCheck {
    int code = 0;
    std::uint32_t existing_data_size = 0;
    long position = -1;
    std::string out; // standard output
};

AppendCheck check_file(const std::string& name, const std::string& bytes) {
    write_file(name, bytes);
    std::FILE* stream = std::fopen(name.c_str(), "r+b");
    AppendCheck check;
    check.existing_data_size = 12345;
    testing::internal::CaptureStdout();
    check.code = open_append_target(stream, check.existing_data_size);
    check.out = testing::internal::GetCapturedStdout();
    check.position = std::ftell(stream);
    std::fclose(stream);
    return check;
}

const char* const line_21600_mono = "Existing file - Sample Rate: 21600, 8 bits, 1 channels\r\n";

} // namespace

class AppendCheckTest : public ScratchTest {};

TEST_F(AppendCheckTest, AcceptsEncoderFileAndStopsAfterItsData) {
    const AppendCheck check = check_file(path("a.wav"), wav_file(100));
    EXPECT_EQ(append_accepted, check.code);
    EXPECT_EQ(100u, check.existing_data_size);
    EXPECT_EQ(44 + 100, check.position);
    EXPECT_EQ(line_21600_mono, check.out);
}

TEST_F(AppendCheckTest, AcceptsLongerFile) {
    const AppendCheck check =
        check_file(path("a.wav"), wav_file(10) + std::string("LIST\x04\0\0\0abcd", 12));
    EXPECT_EQ(append_accepted, check.code);
    EXPECT_EQ(10u, check.existing_data_size);
    EXPECT_EQ(54, check.position);
}

TEST_F(AppendCheckTest, AdoptsTheFileRate) {
    struct Case {
        bool is_file_legacy;
        int command_line_legacy;
        int expected_legacy;
        std::int32_t expected_rate;
        const char* line;
    };
    const Case cases[] = {
        {true, 0, 1, 22050, "Existing file - Sample Rate: 22050, 8 bits, 1 channels\r\n"},
        {false, 1, 0, 21600, line_21600_mono},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        options.legacy_rate = c.command_line_legacy;
        options.sample_rate = c.command_line_legacy ? 22050 : 21600;
        const AppendCheck check = check_file(path("a.wav"), wav_file(8, c.is_file_legacy));
        EXPECT_EQ(append_accepted, check.code);
        EXPECT_EQ(c.expected_legacy, options.legacy_rate);
        EXPECT_EQ(c.expected_rate, options.sample_rate);
        EXPECT_EQ(c.line, check.out);
    }
}

TEST_F(AppendCheckTest, RefusesInOrderOfChecks) {
    struct Case {
        const char* fault;
        std::string bytes;
        int code;
        const char* out;
    };
    auto with = [](std::size_t offset, const std::string& text) {
        std::string bytes = wav_file(4);
        bytes.replace(offset, text.size(), text);
        return bytes;
    };
    auto with_u16 = [](std::size_t offset, std::uint16_t value, std::string bytes) {
        put_u16(bytes, offset, value);
        return bytes;
    };
    const std::string rate_44100 = [] {
        std::string bytes = wav_file(4);
        put_u32(bytes, 24, 44100);
        return bytes;
    }();
    const std::string cut_data = wav_header(5) + "abcd";
    const Case cases[] = {
        {"empty file", "", append_corrupt, ""},
        {"43-byte header", wav_header(0).substr(0, 43), append_corrupt, ""},
        {"RIFX", with(0, "RIFX"), append_not_wav, ""},
        {"WAVX", with(8, "WAVX"), append_not_wav, ""},
        {"fmx ", with(12, "fmx "), append_not_wav, ""},
        {"RIFX before LIST", with(36, "LIST").replace(0, 4, "RIFX"), append_not_wav, ""},
        {"LIST where data belongs", with(36, "LIST"), append_corrupt, ""},
        {"LIST before float format", with_u16(20, 3, with(36, "LIST")), append_corrupt, ""},
        {"float format", with_u16(20, 3, wav_file(4)), append_wrong_format, ""},
        {"float format before cut data", with_u16(20, 3, cut_data), append_wrong_format, ""},
        {"data cut short", cut_data, append_corrupt, ""},
        {"44100 Hz", rate_44100, append_wrong_format,
         "Existing file - Sample Rate: 44100, 8 bits, 1 channels\r\n"},
        {"16 bits", with_u16(34, 16, wav_file(4)), append_wrong_format,
         "Existing file - Sample Rate: 21600, 16 bits, 1 channels\r\n"},
        {"stereo", with_u16(22, 2, wav_file(4)), append_wrong_format,
         "Existing file - Sample Rate: 21600, 8 bits, 2 channels\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        const AppendCheck check = check_file(path("a.wav"), c.bytes);
        EXPECT_EQ(c.code, check.code);
        EXPECT_EQ(0u, check.existing_data_size);
        EXPECT_EQ(c.out, check.out);
    }
}

TEST_F(AppendCheckTest, IgnoresFourthByteOfFormatId) {
    std::string bytes = wav_file(4);
    bytes[15] = '\0';
    EXPECT_EQ(append_accepted, check_file(path("a.wav"), bytes).code);
}

TEST_F(AppendCheckTest, KeepsRateOnRefusedRate) {
    options.legacy_rate = 1;
    options.sample_rate = 22050;
    std::string bytes = wav_file(4);
    put_u32(bytes, 24, 8000);
    EXPECT_EQ(append_wrong_format, check_file(path("a.wav"), bytes).code);
    EXPECT_EQ(1, options.legacy_rate);
    EXPECT_EQ(22050, options.sample_rate);
}
