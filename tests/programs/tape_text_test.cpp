#include "program_images.h"
#include "programs/basic_listing.h"
#include "programs/tape_content.h"
#include "programs/text_for_machine.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

TEST(TextForMachine, EndsEveryLineWithCrAndEvenPadding) {
    EXPECT_EQ("10 PRINT\r\0\0"
              "20 END\r\0\0"s,
              text_for_machine(bytes_of("10 PRINT\n20 END"), 2, true));
    EXPECT_EQ("10 A\r20 B\r30 C\r\r"s,
              text_for_machine(bytes_of("10 A\r\n20 B\n\r30 C\r\0\0\0\n\r"s), 0, true));
    EXPECT_EQ(".0200/A2\r\0.0200G"s, text_for_machine(bytes_of(".0200/A2\n.0200G"), 1, false));
}

// As SAVE and LIST leave it on tape: the echo of the commands, NUL padding, CR LF, and "OK".
const std::string saved_listing = "SAVE\r\n\0\0OK\r\nLIST\r\n\0\0"
                                  "10 PRINT \"HI\"\r\n\0\0"
                                  "20 GOTO 10\r\n\0\0OK\r\n"s;

TEST(TapeContent, TellsListingsLoadTextsRecordsAndData) {
    struct Case {
        std::string bytes;
        TapeContent content;
    };
    const Case cases[] = {
        {saved_listing, TapeContent::BasicListing},
        {"L\r\n.0200/A2\r\n.0200G", TapeContent::LoadText65v},
        {".7C00/A9\r.7C00G\r;020200A2FF01A5\r;0000010001\r", TapeContent::ChecksumRecords},
        {"\x01\x02\xff 10 ab", TapeContent::OtherData},
        {"", TapeContent::OtherData},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.bytes);
        EXPECT_STREQ(content_name(test.content), content_name(classify_tape(bytes_of(test.bytes))));
    }
}

TEST(BasicListing, LeavesOutTheEchoesAndNulsAroundTheProgram) {
    const std::vector<ListingLine> lines = listing_lines(bytes_of(saved_listing));
    EXPECT_EQ("10 PRINT \"HI\"\n20 GOTO 10\n", join_listing(lines, LineEnd::Lf));
    EXPECT_EQ("10 PRINT \"HI\"\r20 GOTO 10\r", join_listing(lines, LineEnd::Cr));
    EXPECT_EQ("10 PRINT \"HI\"\r\n20 GOTO 10\r\n", join_listing(lines, LineEnd::CrLf));
    EXPECT_EQ("", problems_text(lint_listing(lines)));
}

TEST(BasicListing, LintNamesEachFaultAtItsOffset) {
    const std::string long_line = "30 REM " + std::string(65, 'X');
    const std::string listing = "10 PRINT\r\n\0\0"
                                "20 A\xC1\x07"
                                "B\r\n"s +
                                long_line + "\r\n25 END\r\nX=1\r\n40 END\r\n";
    EXPECT_EQ("at byte 16: found byte 0xC1 where OSI BASIC's 7-bit text was expected\n"
              "at byte 17: found control character byte 0x07 where a printable character was "
              "expected\n"
              "at byte 21: found a line of 72 characters where BASIC takes up to 71\n"
              "at byte 95: found line number 25 after 30 where line numbers rise\n"
              "at byte 103: found a line without a number where each line begins with one\n",
              problems_text(lint_listing(listing_lines(bytes_of(listing)))));
}

} // namespace
