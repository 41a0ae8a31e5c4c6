// The header templates byte for byte, the little-endian reading, and the final size patch.
#include "test_support.h"

#include "cli/options.h"
#include "wav/wav_header.h"

#include <sstream>

namespace {

std::string hex(const std::string& bytes) {
    std::ostringstream text;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text << (i ? " " : "") << std::hex << std::uppercase << (static_cast<int>(bytes[i]) & 0xFF);
    return text.str();
}

std::string as_string(const WavHeaderBytes& bytes) { return {bytes.begin(), bytes.end()}; }

const char* const default_template_hex =
    "52 49 46 46 0 0 0 0 57 41 56 45 66 6D 74 20 10 0 0 0 1 0 1 0 60 54 0 0 60 54 0 0 1 0 8 0 "
    "64 61 74 61 0 0 0 0";
const char* const legacy_template_hex =
    "52 49 46 46 0 0 0 0 57 41 56 45 66 6D 74 20 10 0 0 0 1 0 1 0 22 56 0 0 22 56 0 0 1 0 8 0 "
    "64 61 74 61 0 0 0 0";

} // namespace

class WavHeaderFileTest : public ScratchTest {};

TEST(WavHeader, TemplatesByteForByte) {
    EXPECT_EQ(default_template_hex, hex(as_string(wav_header_template(false))));
    EXPECT_EQ(legacy_template_hex, hex(as_string(wav_header_template(true))));
}

TEST_F(WavHeaderFileTest, WriteWavHeaderChoosesTemplateByLegacyRate) {
    for (const int legacy_rate : {0, 1}) {
        SCOPED_TRACE(legacy_rate);
        options.legacy_rate = legacy_rate;
        std::FILE* stream = std::tmpfile();
        ASSERT_TRUE(write_wav_header(stream));
        EXPECT_EQ(legacy_rate ? legacy_template_hex : default_template_hex,
                  hex(stream_contents(stream)));
        std::fclose(stream);
    }
}

TEST_F(WavHeaderFileTest, WriteWavHeaderFailsOnReadOnlyStream) {
    write_file(path("target.wav"), "");
    std::FILE* stream = std::fopen(path("target.wav").c_str(), "rb");
    ASSERT_NE(nullptr, stream);
    EXPECT_FALSE(write_wav_header(stream));
    std::fclose(stream);
}

TEST(WavHeader, ParseReadsLittleEndianFields) {
    WavHeaderBytes bytes = wav_header_template(true);
    const std::uint8_t data_size[4] = {0x01, 0x02, 0x03, 0xF4};
    std::copy(std::begin(data_size), std::end(data_size), bytes.begin() + 40);
    bytes[22] = 0x02; // channels
    bytes[23] = 0x01;
    const WavHeader header = parse_wav_header(bytes);
    EXPECT_EQ(std::string("RIFF"), std::string(header.riff_id, 4));
    EXPECT_EQ(std::string("WAVE"), std::string(header.wave_id, 4));
    EXPECT_EQ(std::string("fmt "), std::string(header.format_chunk_id, 4));
    EXPECT_EQ(std::string("data"), std::string(header.data_id, 4));
    EXPECT_EQ(16u, header.format_chunk_size);
    EXPECT_EQ(1, header.format_tag);
    EXPECT_EQ(0x0102, header.channels);
    EXPECT_EQ(22050u, header.samples_per_sec);
    EXPECT_EQ(22050u, header.bytes_per_sec);
    EXPECT_EQ(1, header.block_align);
    EXPECT_EQ(8, header.bits_per_sample);
    EXPECT_EQ(0xF4030201u, header.data_size);
    EXPECT_EQ(0u, header.riff_size);
}

TEST(WavHeader, PatchWritesDataAndRiffSizes) {
    std::FILE* stream = std::tmpfile();
    ASSERT_TRUE(write_wav_header(stream));
    const std::string samples(65593, '\x80');
    std::fwrite(samples.data(), 1, samples.size(), stream);
    // A 2000 ms leader, one 8N2 word at 300 baud and a 1000 ms trailer.
    patch_wav_sizes(stream, 65592);
    const std::string bytes = stream_contents(stream);
    ASSERT_EQ(44u + 65593u, bytes.size());
    WavHeaderBytes header_bytes{};
    std::copy(bytes.begin(), bytes.begin() + 44, header_bytes.begin());
    const WavHeader header = parse_wav_header(header_bytes);
    EXPECT_EQ(65593u, header.data_size);
    EXPECT_EQ(65629u, header.riff_size);
    // Nothing but the two size fields changed.
    EXPECT_EQ(bytes.substr(8, 32), as_string(wav_header_template(false)).substr(8, 32));
    EXPECT_EQ(samples, bytes.substr(44));
    std::fclose(stream);
}
