// Serial words bit by bit, their lengths in every framing, the word padding and BASIC's
// end-of-line sequence, read back from the samples.
#include "test_support.h"

#include "cell_reading.h"
#include "cli/options.h"
#include "encoder/serial_framing.h"
#include "scripted_stream.h"

namespace {

class SerialFramingTest : public ScratchTest {};

std::string bits_of(const SerialWord& word) {
    std::string bits;
    for (int i = 0; i < word.bit_count; ++i)
        bits += static_cast<char>('0' + word.bits[static_cast<std::size_t>(i)]);
    return bits;
}

// Sets the framing from its usual name, such as "8N2" or "7E1".
void set_framing(const std::string& name) {
    options.seven_data_bits = name[0] == '7';
    options.even_parity = name[1] == 'E';
    options.odd_parity = name[1] == 'O';
    options.one_stop_bit = name[2] == '1';
}

struct Written {
    std::int64_t result = 0;
    std::string samples;
};

template <typename Writer> Written written_by(Writer writer) {
    std::FILE* stream = std::tmpfile();
    Written written;
    written.result = writer(stream);
    written.samples = stream_contents(stream);
    std::fclose(stream);
    return written;
}

} // namespace

TEST_F(SerialFramingTest, WordBitsInSendingOrder) {
    struct Case {
        const char* framing;
        int byte;
        const char* bits; // [start][data, least significant first][parity][stops]
    };
    const Case cases[] = {
        {"8N2", 0x41, "01000001011"},
        {"8N1", 0x80, "0000000011"},
        {"7E1", 0x41, "0100000101"},
        // Bit 7 is neither sent nor counted.
        {"7E1", 0xC1, "0100000101"},
        {"7O1", 0x41, "0100000111"},
        {"7E2", 0x43, "01100001111"},
        {"8O2", 0x01, "010000000011"},
        {"8E1", 0xFF, "01111111101"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.framing << " " << c.byte);
        set_framing(c.framing);
        EXPECT_EQ(c.bits, bits_of(frame_byte(c.byte)));
    }
}

TEST_F(SerialFramingTest, BothParityOptionsGiveEvenParity) {
    options.even_parity = true;
    options.odd_parity = true;
    EXPECT_EQ("010000010011", bits_of(frame_byte(0x41)));
    EXPECT_EQ("011000010111", bits_of(frame_byte(0x43)));
}

TEST_F(SerialFramingTest, WriteWordSamplesCarryTheBits) {
    const Written word = written_by([](std::FILE* stream) { return write_word(0x41, stream); });
    EXPECT_EQ(792, word.result);
    EXPECT_EQ("01000001011", bits_of_samples(word.samples));
}

TEST_F(SerialFramingTest, WordLengthInEveryFraming) {
    struct Case {
        const char* framing;
        int bits;
        int samples_300;
        int samples_600;
    };
    const Case cases[] = {
        {"7N1", 9, 648, 324},  {"7N2", 10, 720, 360}, {"7E1", 10, 720, 360}, {"7O1", 10, 720, 360},
        {"8N1", 10, 720, 360}, {"7E2", 11, 792, 396}, {"7O2", 11, 792, 396}, {"8N2", 11, 792, 396},
        {"8E1", 11, 792, 396}, {"8O1", 11, 792, 396}, {"8E2", 12, 864, 432}, {"8O2", 12, 864, 432},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.framing);
        set_framing(c.framing);
        for (const int fast_rate : {0, 1}) {
            options.fast_rate = fast_rate;
            const int samples = fast_rate ? c.samples_600 : c.samples_300;
            const Written word =
                written_by([](std::FILE* stream) { return write_word(0x5A, stream); });
            EXPECT_EQ(c.bits, frame_byte(0x5A).bit_count);
            EXPECT_EQ(samples, word.result);
            EXPECT_EQ(samples, static_cast<int>(word.samples.size()));
            EXPECT_EQ(samples, word_length_samples());
            EXPECT_EQ(bits_of(frame_byte(0x5A)), bits_of_samples(word.samples, 4 - 2 * fast_rate));
        }
    }
}

TEST_F(SerialFramingTest, WordPaddingFollowsEveryWord) {
    options.word_padding_ms = 10;
    const Written word = written_by([](std::FILE* stream) { return write_word(0x00, stream); });
    EXPECT_EQ(792 + 216, word.result);
    EXPECT_EQ(792 + 216, word_length_samples());
    // Start and data bits of a NUL are space, then two stop bits and 12 cells of padding.
    EXPECT_EQ(std::string(36, 'S') + std::string(8 + 12, 'M'), cell_names(word.samples));
}

TEST_F(SerialFramingTest, FailedBitEndsTheWordWithoutPadding) {
    options.word_padding_ms = 10;
    write_file(path("read-only"), "");
    std::FILE* read_only = std::fopen(path("read-only").c_str(), "rb");
    ASSERT_NE(nullptr, read_only);
    EXPECT_EQ(-1, write_word(0x41, read_only));
    // Nothing of the sequence is accepted, and a sequence of failed parts adds up to nothing.
    EXPECT_EQ(0, write_eol_sequence(read_only));
    std::fclose(read_only);
}

TEST_F(SerialFramingTest, BasicEndOfLineSequence) {
    options.null_count = 10;
    options.eol_padding_ms = 20;
    const Written eol = written_by([](std::FILE* stream) { return write_eol_sequence(stream); });
    // 12 words of 792 samples and 24 cells of mark tone.
    EXPECT_EQ(9936, eol.result);
    EXPECT_EQ(9936, eol_sequence_length_samples());
    std::string nuls;
    for (int i = 0; i < 10; ++i)
        nuls += "00000000011";
    EXPECT_EQ("01011000011" + nuls + "111111" + "00101000011", bits_of_samples(eol.samples));
}

TEST_F(SerialFramingTest, EndOfLineSequenceWithoutNulsOrPadding) {
    for (const std::int32_t null_count : {0, -5}) {
        options.null_count = null_count;
        const Written eol =
            written_by([](std::FILE* stream) { return write_eol_sequence(stream); });
        EXPECT_EQ(2 * 792, eol.result);
        EXPECT_EQ(2 * 792, eol_sequence_length_samples());
        EXPECT_EQ("01011000011"
                  "00101000011",
                  bits_of_samples(eol.samples));
    }
}

TEST_F(SerialFramingTest, EndOfLineLengthOfHugeNullCountIsExact) {
    options.null_count = INT32_MAX;
    EXPECT_EQ((std::int64_t{INT32_MAX} + 2) * 792, eol_sequence_length_samples());
}

TEST_F(SerialFramingTest, FailedPartsOfWordAndSequence) {
    struct Case {
        const char* name;
        int refused_call;
        bool is_sequence;
        std::int64_t result;
        int calls;
    };
    // A word is 44 cell writes, its padding 12 more; NULs are off, the end-of-line padding is
    // 24 cells.
    const Case cases[] = {
        {"bit in the middle of a word", 20, false, -1, 20},
        {"padding of a word", 45, false, 792, 45},
        {"CR of a sequence", 1, true, 432 + 792 + 216, 1 + 24 + 56},
        {"padding of a sequence", 58, true, 2 * (792 + 216), 56 + 2 + 56},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options.word_padding_ms = 10;
        options.eol_padding_ms = 20;
        WriteScript script;
        script.refused_call = c.refused_call;
        std::FILE* stream = open_scripted_stream(script);
        EXPECT_EQ(c.result, c.is_sequence ? write_eol_sequence(stream) : write_word(0x41, stream));
        EXPECT_EQ(c.calls, script.calls);
        std::fclose(stream);
    }
}
