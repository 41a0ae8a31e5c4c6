#include "program_images.h"
#include "programs/monitor_65v.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

MemoryImage two_stretches() {
    MemoryImage image;
    image.stretches = {{0x0200, {0xA2, 0xFF}}, {0x0300, {0x60}}};
    image.run_address = 0x0200;
    return image;
}

TEST(Monitor65v, WritesAnAddressPerStretchBytesWithCrAndTheRunAddressLast) {
    EXPECT_EQ(std::string(".0200/A2\rFF\r.0300/60\r.0200G"), write_65v(two_stretches(), 0));
    EXPECT_EQ(".0200/A2\r\0\0FF\r\0\0.0300/60\r\0\0.0200G"s, write_65v(two_stretches(), 2));
    MemoryImage without_run = two_stretches();
    without_run.run_address.reset();
    EXPECT_EQ(std::string(".0200/A2\rFF\r.0300/60\r"), write_65v(without_run, 0));
}

TEST(Monitor65v, ReadsBackWhatItWrites) {
    const MemoryImage images[] = {two_stretches(), counting_image(0x0200, 1000),
                                  counting_image(0xFF00, 256), MemoryImage{{{0x1000, {0}}}, {}}};
    for (const MemoryImage& image : images)
        for (const int nul_count : {0, 2, 10}) {
            SCOPED_TRACE(image_text(image).substr(0, 40) + " with NULs " +
                         std::to_string(nul_count));
            const ReadResult read = read_65v(bytes_of(write_65v(image, nul_count)));
            EXPECT_EQ("", problems_text(read.problems));
            EXPECT_EQ(image_text(image), image_text(read.image));
        }
}

// A decoded tape: the "L" that started the load, an echoed prompt, NULs, LF and CR LF line ends,
// and the end of the tape after the G, which the program would read.
TEST(Monitor65v, ReadsADecodedTapeWithoutAHandEdit) {
    const std::string tape =
        "L\r\n\0\0OK\r\n.0200/A2\r\nFF\n\0\09A\r\0\0\r\n"s + ".0300/60\r.0200G\r\n\x7f garbage";
    const ReadResult read = read_65v(bytes_of(tape));
    EXPECT_EQ("", problems_text(read.problems));
    EXPECT_EQ("0200: A2 FF 9A | 0300: 60 | run 0200", image_text(read.image));
    EXPECT_EQ(tape.find('G') + 1, read.end_offset);
}

TEST(Monitor65v, NamesEachBadOrMissingDigitAndKeepsTheOtherBytesInPlace) {
    const std::string text = ".0200/A2\rF\rZ9\r123\r12\r.02X0/44\r.0300/5";
    const ReadResult read = read_65v(bytes_of(text));
    EXPECT_EQ("at byte 10: found CR where a second hex digit was expected\n"
              "at byte 11: found \"Z\" where a hex digit or CR was expected\n"
              "at byte 16: found \"3\" where CR was expected\n"
              "at byte 24: found \"X\" where a hex digit of the address was expected\n"
              "at byte 37: found the end where a second hex digit was expected\n",
              problems_text(read.problems));
    EXPECT_EQ("0200: A2 | 0204: 12", image_text(read.image));
}

TEST(Monitor65v, RefusesTextWithoutAnAddressAndBytesPastFfff) {
    EXPECT_EQ("at byte 8: found the end where a \".\" and an address were expected\n",
              problems_text(read_65v(bytes_of("10 PRINT")).problems));
    const ReadResult read = read_65v(bytes_of(".FFFF/01\r02\r"));
    EXPECT_EQ("at byte 9: found a byte past FFFF where the load text should end\n",
              problems_text(read.problems));
    EXPECT_EQ("FFFF: 01", image_text(read.image));
}

TEST(Monitor65v, NamesAnAddressLoadedTwiceWithAnotherValue) {
    const ReadResult read = read_65v(bytes_of(".0200/01\r.0200/01\r.0200/02\r"));
    EXPECT_EQ("at byte 24: found a second value for address 0200 where each address is loaded "
              "once\n",
              problems_text(read.problems));
    EXPECT_EQ("0200: 02", image_text(read.image));
}

} // namespace
