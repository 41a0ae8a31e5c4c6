// Repair from structure: a byte the content cannot hold takes the nearest reading it allows,
// only where the bits changed were doubtful, and a failed record checksum is mended by one digit.
#include "programs/structure_repair.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every bit read surely (margin 0.9) as in `text`, except the bits named in `doubtful` (bit
// numbers of the byte at `offset`), read at `margin`.
struct Doubt {
    std::size_t offset;
    int bit;
    float margin;
};

std::vector<ReadByte> read_surely(const std::string& text, const std::vector<Doubt>& doubts) {
    std::vector<ReadByte> bytes;
    for (const char c : text) {
        ReadByte read;
        read.byte = static_cast<std::uint8_t>(c);
        for (int k = 0; k < 8; ++k)
            read.data_d[static_cast<std::size_t>(k)] = ((read.byte >> k) & 1) != 0 ? 0.9F : -0.9F;
        bytes.push_back(read);
    }
    for (const Doubt& doubt : doubts) {
        float& d = bytes[doubt.offset].data_d[static_cast<std::size_t>(doubt.bit)];
        d = d > 0 ? doubt.margin : -doubt.margin;
    }
    return bytes;
}

std::string text_of(const std::vector<ReadByte>& bytes) {
    std::string text;
    for (const ReadByte& read : bytes)
        text.push_back(static_cast<char>(read.byte));
    return text;
}

TEST(StructureRepair, ChangesOnlyImpossibleBytesWhoseBitsWereDoubtful) {
    struct Case {
        const char* name;
        TapeContent content;
        std::string read;
        std::vector<Doubt> doubts;
        std::string repaired;
        int data_bits = 8;
    };
    const Case cases[] = {
        {"bit 7 in a listing", TapeContent::BasicListing, "10 STEP\xC5\r", {{7, 7, 0.1F}},
         "10 STEPE\r"},
        {"bit 7 read surely stays", TapeContent::BasicListing, "10 STEP\xC5\r", {},
         "10 STEP\xC5\r"},
        {"the cheaper of two changes", TapeContent::BasicListing, "10 A\x05\r",
         {{4, 6, 0.05F}, {4, 5, 0.2F}}, "10 AE\r"},
        {"a 7-bit word has no bit 7 to change", TapeContent::BasicListing, "A\x05",
         {{1, 6, 0.3F}, {1, 7, 0.01F}}, "AE", 7},
        {"not a hex digit in 65V", TapeContent::LoadText65v, ".0300/Q2\r.0300G",
         {{6, 4, 0.1F}}, ".0300/A2\r.0300G"},
        {"65V: the prompt before the first dot and the bytes after G stay",
         TapeContent::LoadText65v, "LOAD\r.0300/A2\r.0300G\x01Z", {{0, 3, 0.1F}, {20, 0, 0.1F}},
         "LOAD\r.0300/A2\r.0300G\x01Z"},
        // One data byte: 0x40 read where the checksum 0045 wants 0x41.
        {"a record's checksum mended by its doubtful digit", TapeContent::ChecksumRecords,
         ";010300400045\r", {{8, 0, 0.2F}}, ";010300410045\r"},
        {"a failed checksum with no doubtful digit stays", TapeContent::ChecksumRecords,
         ";010300400045\r", {}, ";010300400045\r"},
        {"other data stays", TapeContent::OtherData, "\xC5\x01", {{0, 7, 0.1F}}, "\xC5\x01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ReadByte> bytes = read_surely(c.read, c.doubts);
        for (ReadByte& read : bytes)
            read.data_bits = c.data_bits;
        const std::vector<ByteRepair> repairs = repair_from_structure(c.content, bytes);
        EXPECT_EQ(c.repaired, text_of(bytes));
        std::size_t changed = 0;
        for (std::size_t i = 0; i < c.read.size(); ++i)
            changed += c.read[i] != c.repaired[i] ? 1 : 0;
        ASSERT_EQ(changed, repairs.size());
        for (const ByteRepair& repair : repairs) {
            EXPECT_EQ(static_cast<std::uint8_t>(c.read[repair.offset]), repair.before);
            EXPECT_EQ(static_cast<std::uint8_t>(c.repaired[repair.offset]), repair.after);
            EXPECT_LT(repair.margin, most_repair_margin);
        }
    }
}

} // namespace
