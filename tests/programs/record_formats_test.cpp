#include "program_images.h"
#include "programs/binary_image.h"
#include "programs/intel_hex.h"
#include "programs/mos_records.h"
#include "programs/motorola_srec.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace std::string_literals;

struct RecordFormat {
    const char* name;
    std::function<std::string(const MemoryImage&)> write;
    std::function<ReadResult(const std::vector<std::uint8_t>&)> read;
    bool keeps_run_address;
};

const RecordFormat formats[] = {
    {"Intel HEX", write_intel_hex, read_intel_hex, true},
    {"S-records", write_srec, read_srec, true},
    {"MOS records", [](const MemoryImage& image) { return write_mos_records(image, 2); },
     read_mos_records, false},
};

MemoryImage two_stretches() {
    MemoryImage image = counting_image(0x0200, 40);
    image.stretches.push_back({0xFFF0, std::vector<std::uint8_t>(16, 0xEA)});
    return image;
}

TEST(RecordFormats, ReadBackWhatTheyWrite) {
    for (const RecordFormat& format : formats)
        for (const MemoryImage& image : {two_stretches(), counting_image(0x1000, 4096)}) {
            SCOPED_TRACE(format.name);
            const ReadResult read = format.read(bytes_of(format.write(image)));
            EXPECT_EQ("", problems_text(read.problems));
            MemoryImage expected = image;
            if (!format.keeps_run_address)
                expected.run_address.reset();
            EXPECT_EQ(image_text(expected), image_text(read.image));
        }
}

TEST(RecordFormats, WriteTheRecordsOtherToolsWrite) {
    MemoryImage image;
    image.stretches = {{0x0200, {0xA2, 0xFF}}};
    image.run_address = 0x0200;
    EXPECT_EQ(":02020000A2FF5B\r\n:0400000500000200F5\r\n:00000001FF\r\n", write_intel_hex(image));
    EXPECT_EQ("S0030000FC\nS1050200A2FF57\nS5030001FB\nS9030200FA\n", write_srec(image));
    EXPECT_EQ(";020200A2FF01A5\r;0000010001\r", write_mos_records(image, 0));
}

// Each format's lines may end in CR, LF or CR LF and carry the NULs of a tape.
TEST(RecordFormats, ReadTheLineEndsAndPaddingOfTapes) {
    const ReadResult hex = read_intel_hex(bytes_of("\0\0:02020000A2FF5B\r\0\0\n:00000001FF\r"s));
    EXPECT_EQ("", problems_text(hex.problems));
    EXPECT_EQ("0200: A2 FF", image_text(hex.image));
    const ReadResult mos =
        read_mos_records(bytes_of(".0200/A2\r.0200G\n;020200A2FF01A5\r\0\0;0000010001\r"s));
    EXPECT_EQ("", problems_text(mos.problems));
    EXPECT_EQ("0200: A2 FF", image_text(mos.image));
}

TEST(RecordFormats, NameEachBadRecordAndLeaveItOut) {
    struct Case {
        const char* name;
        std::function<ReadResult(const std::vector<std::uint8_t>&)> read;
        std::string text;
        const char* problems;
        const char* image;
    };
    const Case cases[] = {
        {"HEX checksum", read_intel_hex, ":02020000A2FF5C\n:01030000609C\n:00000001FF\n",
         "at byte 13: found checksum 5C where 5B was expected\n", "0300: 60"},
        {"HEX digit", read_intel_hex, ":0202000GA2FF5B\n:00000001FF\n",
         "at byte 8: found \"G\" where a hex digit was expected\n", ""},
        {"HEX length", read_intel_hex, ":03020000A2FF5B\n:00000001FF\n",
         "at byte 0: found 7 bytes where 8 were expected\n", ""},
        {"HEX past FFFF", read_intel_hex, ":020000040001F9\n:02020000A2FF5B\n:00000001FF\n",
         "at byte 16: found address 010200 where addresses up to FFFF were expected\n", ""},
        {"HEX no end", read_intel_hex, ":02020000A2FF5B\n",
         "at byte 16: found the end where an end record (:00000001FF) was expected\n",
         "0200: A2 FF"},
        {"S-record checksum", read_srec, "S1050200A2FF58\nS9030000FC\n",
         "at byte 12: found checksum 58 where 57 was expected\n", ""},
        {"S-record count", read_srec, "S1050200A2FF57\nS5030002FA\nS9030000FC\n",
         "at byte 15: found a count of 2 records where 1 were read\n", "0200: A2 FF"},
        {"S-record type", read_srec, "S4050200A2FF57\nS9030000FC\n",
         "at byte 1: found \"4\" where a record type 0 to 3 or 5 to 9 was expected\n", ""},
        {"MOS checksum", read_mos_records, ";020200A2FF01A6\r;0000010001\r",
         "at byte 11: found checksum 01A6 where 01A5 was expected\n"
         "at byte 16: found a count of 1 records where 0 were read\n",
         ""},
        {"MOS no last record", read_mos_records, ";020200A2FF01A5\r",
         "at byte 16: found the end where the last record (count 00) was expected\n",
         "0200: A2 FF"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const ReadResult read = test.read(bytes_of(test.text));
        EXPECT_EQ(test.problems, problems_text(read.problems));
        EXPECT_EQ(test.image, image_text(read.image));
    }
}

TEST(BinaryImage, LoadsAtItsAddressAndNamesWhatDoesNotFit) {
    EXPECT_EQ("FFFE: 01 02", image_text(read_binary({1, 2}, 0xFFFE).image));
    const ReadResult read = read_binary({1, 2, 3}, 0xFFFE);
    EXPECT_EQ("at byte 2: found 3 bytes where 2 fit between FFFE and FFFF\n",
              problems_text(read.problems));
    EXPECT_EQ("FFFE: 01 02", image_text(read.image));
}

TEST(BinaryImage, CarriesItsAddressInItsName) {
    EXPECT_EQ("dir.x/prog.0200.bin", binary_name("dir.x/prog", 0x0200));
    EXPECT_EQ(0x0200, address_in_name("dir.x/prog.0200.bin"));
    EXPECT_EQ(0xC0DE, address_in_name("prog.c0de.bin"));
    for (const char* name : {"prog.bin", "prog.020.bin", "prog.02G0.bin", "0200.bin", "prog"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(address_in_name(name).has_value());
    }
}

} // namespace
