// The frame assembler: word windows, framing and parity errors, the bytes written and the -X
// trace, driven bit by bit.
#include "decoder/kcs_decoder.h"

#include "cli/options.h"
#include "test_support.h"

#include <cstdint>
#include <limits>
#include <string>

namespace {

class FrameAssemblerTest : public TargetFileTest {
  protected:
    // Pushes the bits written as '0' and '1', oldest first; blanks only group them for reading.
    static void push_bits(KcsDecoder& decoder, const std::string& bits) {
        for (char bit : bits)
            if (bit != ' ')
                decoder.push_bit(bit == '1' ? 1 : 0);
    }

    std::string written() { return stream_contents(target); }
};

TEST_F(FrameAssemblerTest, ConfigureFramePlacesParityAndStopBits) {
    struct Row {
        int data_bits, stop_bits, parity, frame_length, parity_position, stop_1, stop_2;
    };
    const Row rows[] = {
        {8, 2, 0, 11, -1, 9, 10}, {8, 1, 0, 10, -1, 9, 9}, {8, 2, 1, 12, 9, 10, 11},
        {8, 1, 2, 11, 9, 10, 10}, {7, 2, 0, 10, -1, 8, 9}, {7, 1, 0, 9, -1, 8, 8},
        {7, 2, 2, 11, 8, 9, 10},  {7, 1, 1, 10, 8, 9, 9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.data_bits) + " data, parity " + std::to_string(row.parity) +
                     ", " + std::to_string(row.stop_bits) + " stop");
        KcsDecoder decoder(target);
        push_bits(decoder, "0");
        decoder.configure_frame(row.data_bits, row.stop_bits, row.parity);
        EXPECT_EQ(row.frame_length, decoder.frame_length);
        EXPECT_EQ(row.parity_position, decoder.parity_position);
        EXPECT_EQ(row.stop_1, decoder.stop_position_1);
        EXPECT_EQ(row.stop_2, decoder.stop_position_2);
        // Reconfiguring leaves the window alone.
        EXPECT_EQ(1, decoder.bits_seen);
        EXPECT_EQ(0, decoder.frame_bits[10]);
    }
}

TEST_F(FrameAssemblerTest, IdleMarkLineWritesNothing) {
    KcsDecoder decoder(target);
    push_bits(decoder, std::string(100, '1'));
    EXPECT_EQ("", written());
    EXPECT_EQ(0, decoder.bytes_written);
    EXPECT_EQ(0, decoder.framing_errors);
    EXPECT_EQ(0, decoder.parity_errors);
}

TEST_F(FrameAssemblerTest, WritesByteAndTracesBitsAndByte) {
    options.diagnostics = true;
    DiagnosticCapture trace;
    KcsDecoder decoder(target);
    decoder.previous_event_sample = 1234;
    // Start, 0x41 least significant bit first, two stops, then idle.
    push_bits(decoder, "0 10000010 11 1");
    EXPECT_EQ("A", written());
    EXPECT_EQ(1, decoder.bytes_written);
    EXPECT_EQ("0 1 0 0 0 0 0 1 0 1 1 [00001234=41]A\r\n1 ", trace.text());
    EXPECT_EQ(1, decoder.bits_seen);
}

TEST_F(FrameAssemblerTest, NoTraceWithoutDiagnostics) {
    DiagnosticCapture trace;
    KcsDecoder decoder(target);
    push_bits(decoder, "0 10000010 11");
    EXPECT_EQ("A", written());
    EXPECT_EQ("", trace.text());
}

TEST_F(FrameAssemblerTest, FramingErrorCountsOncePerLossOfSync) {
    options.diagnostics = true;
    DiagnosticCapture trace;
    KcsDecoder decoder(target);
    // A 0 in the first stop position, then zeros: every alignment fails.
    push_bits(decoder, "0 10000010 01 0000000000");
    EXPECT_EQ(1, decoder.framing_errors);
    EXPECT_TRUE(decoder.sync_lost);
    EXPECT_EQ("", written());
    push_bits(decoder, "0 10000010 11");
    EXPECT_EQ("A", written());
    EXPECT_EQ(1, decoder.framing_errors);
    EXPECT_FALSE(decoder.sync_lost);
    const std::string text = trace.text();
    EXPECT_EQ("[00000000=41]A[FE]\r\n", text.substr(text.find('[')));
    // Sync is lost again after the accepted word: a 0 in the last stop position.
    push_bits(decoder, "0 10000010 10");
    EXPECT_EQ(2, decoder.framing_errors);
}

TEST_F(FrameAssemblerTest, ParityErrorIsCountedAndTheByteWrittenAnyway) {
    struct Case {
        const char* name;
        int parity;
        const char* bits;
        const char* line;
    };
    // 0x41 has two 1s.
    const Case cases[] = {
        {"even, right", 1, "0 10000010 0 11", "[00000000=41]A\r\n"},
        {"even, wrong", 1, "0 10000010 1 11", "[00000000=41]A[PE]\r\n"},
        {"odd, right", 2, "0 10000010 1 11", "[00000000=41]A\r\n"},
        {"odd, wrong", 2, "0 10000010 0 11", "[00000000=41]A[PE]\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options.diagnostics = true;
        DiagnosticCapture trace;
        std::FILE* file = std::tmpfile();
        ASSERT_NE(nullptr, file);
        KcsDecoder decoder(file);
        decoder.configure_frame(8, 2, c.parity);
        push_bits(decoder, c.bits);
        EXPECT_EQ("A", stream_contents(file));
        EXPECT_EQ(std::string(c.line).find("[PE]") != std::string::npos ? 1 : 0,
                  decoder.parity_errors);
        const std::string text = trace.text();
        EXPECT_EQ(c.line, text.substr(text.find('[')));
        std::fclose(file);
    }
}

TEST_F(FrameAssemblerTest, ParityAndFramingMarksShareOneLine) {
    options.diagnostics = true;
    DiagnosticCapture trace;
    KcsDecoder decoder(target);
    decoder.configure_frame(8, 2, 1);
    // A 1 after the failed word keeps the next word's parity and first stop bit, both 1, from
    // passing for the stop bits of an alignment that starts on the failed word's last 0.
    push_bits(decoder, "0 10000010 0 00 1");
    push_bits(decoder, "0 10000010 1 11");
    const std::string text = trace.text();
    EXPECT_EQ("[00000000=41]A[PE][FE]\r\n", text.substr(text.find('[')));
    EXPECT_EQ(1, decoder.parity_errors);
    EXPECT_EQ(1, decoder.framing_errors);
}

TEST_F(FrameAssemblerTest, OddParityWordFillsAllTwelvePositions) {
    KcsDecoder decoder(target);
    decoder.configure_frame(8, 2, 2);
    // The last stop bit is position 11: a 0 there fails the word even though 10 holds a 1.
    push_bits(decoder, "0 10000010 1 10");
    EXPECT_EQ(1, decoder.framing_errors);
    EXPECT_EQ("", written());
    // Zeros and then a 1 keep the failed word's 0s from starting a false word; idle 1s would
    // not, as any 0 followed by 1s ten and eleven places later passes the test.
    push_bits(decoder, "000000000000 1 0 10000010 1 11");
    EXPECT_EQ("A", written());
    EXPECT_EQ(0, decoder.parity_errors);
}

TEST_F(FrameAssemblerTest, SevenDataBitsLeaveTheTopBitZero) {
    KcsDecoder decoder(target);
    decoder.configure_frame(7, 2, 0);
    // The line carries eight 1s after the start bit; the eighth is read as the first stop bit.
    push_bits(decoder, "0 11111111 11");
    EXPECT_EQ("\x7F", written());
    push_bits(decoder, "0 1011001 11");
    EXPECT_EQ("\x7F\x4D", written());
}

TEST_F(FrameAssemblerTest, UnprintableBytesShowAsBlank) {
    struct Case {
        std::uint8_t byte;
        const char* line;
    };
    const Case cases[] = {
        {0x0D, "[00000000=0D] \r\n"}, {0x0A, "[00000000=0A] \r\n"}, {0x00, "[00000000=00] \r\n"},
        {0x1F, "[00000000=1F] \r\n"}, {0x20, "[00000000=20] \r\n"}, {0x7E, "[00000000=7E]~\r\n"},
        {0x7F, "[00000000=7F] \r\n"}, {0x80, "[00000000=80] \r\n"}, {0xFF, "[00000000=FF] \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        options.diagnostics = true;
        DiagnosticCapture trace;
        KcsDecoder decoder(target);
        std::string bits = "0";
        for (int k = 0; k < 8; ++k)
            bits += (c.byte >> k) & 1 ? '1' : '0';
        push_bits(decoder, bits + "11");
        const std::string text = trace.text();
        EXPECT_EQ(c.line, text.substr(text.find('[')));
    }
    EXPECT_EQ(std::string("\x0D\x0A\x00\x1F\x20\x7E\x7F\x80\xFF", 9), written());
}

TEST_F(FrameAssemblerTest, TraceShowsTheSampleIndexAsUnsigned) {
    options.diagnostics = true;
    DiagnosticCapture trace;
    KcsDecoder decoder(target);
    decoder.previous_event_sample = -1;
    push_bits(decoder, "0 10000010 11");
    const std::string text = trace.text();
    EXPECT_EQ("[4294967295=41]A\r\n", text.substr(text.find('[')));
}

TEST_F(FrameAssemblerTest, LongIdleLineSaturatesTheBitCount) {
    KcsDecoder decoder(target);
    decoder.bits_seen = std::numeric_limits<std::int32_t>::max();
    push_bits(decoder, "11");
    EXPECT_EQ(std::numeric_limits<std::int32_t>::max(), decoder.bits_seen);
    push_bits(decoder, "0 10000010 11");
    EXPECT_EQ("A", written());
    EXPECT_EQ(0, decoder.bits_seen);
}

} // namespace
