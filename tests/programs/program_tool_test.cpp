// qirvex-program as users run it: its files, messages and exit statuses.
#include "program_images.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

class ProgramTool : public ScratchTest {
  protected:
    ProcessResult run(const std::vector<std::string>& arguments) {
        return run_program(PROGRAM_BINARY, arguments, folder.string());
    }
};

TEST_F(ProgramTool, MakesTheLoadTextOfRawBytesNamedWithTheirAddress) {
    write_file(path("prog.0300.bin"), "\xA9\x41\x60");
    const ProcessResult result = run({"to-tape", "-g", "0300", "--nuls=1", "prog.0300.bin"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("prog.0300.65v: 3 bytes in 1 stretch (0300-0302), run at 0300\n", result.out);
    EXPECT_EQ("", result.err);
    EXPECT_EQ(".0300/A9\r\0"
              "41\r\0"
              "60\r\0.0300G"s,
              read_file(path("prog.0300.65v")));
}

TEST_F(ProgramTool, RefusesWhatItCannotDoWithOneLineAndStatusTwo) {
    write_file(path("prog.bin"), "\x60");
    write_file(path("prog.hex"), ":0102000060\n");
    write_file(path("data.txt"), "\x01\x02\x03");
    write_file(path("taken.65v"), "");
    struct Case {
        std::vector<std::string> arguments;
        const char* err;
    };
    const Case cases[] = {
        {{}, "qirvex-program: found no job where to-tape or from-tape was expected\n"},
        {{"send", "prog.bin"},
         "qirvex-program: the job: found \"send\" where to-tape or from-tape was expected\n"},
        {{"to-tape", "--address=10000", "prog.bin"},
         "qirvex-program: --address: found \"10000\" where an address of up to four hex digits "
         "was expected\n"},
        {{"to-tape", "--to=wav", "prog.bin"},
         "qirvex-program: --to: found \"wav\" where hex, srec, binary, 65v or mos was expected\n"},
        {{"to-tape", "-x", "prog.bin"}, "qirvex-program: unknown option -x\n"},
        {{"to-tape", "-F", "prog.bin"},
         "qirvex-program: unknown option -F; qirvex-program spells it -f (force)\n"},
        {{"to-tape", "prog.bin", "a", "b"},
         "qirvex-program: found 3 file names where an input and an optional output were "
         "expected\n"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.err);
        const ProcessResult result = run(test.arguments);
        EXPECT_EQ(2, result.status);
        EXPECT_EQ(test.err + "Try 'qirvex-program --help' for more information.\n"s, result.err);
    }
    const Case refusals[] = {
        {{"to-tape", "prog.bin"},
         "qirvex-program: prog.bin: raw bytes need their load address: give --address or a name "
         "like prog.0200.bin\n"},
        {{"to-tape", "missing.hex"},
         "qirvex-program: missing.hex: cannot open for reading: No such file or directory\n"},
        {{"from-tape", "data.txt"},
         "qirvex-program: data.txt: found other data where a BASIC listing, a 65V load text or "
         "checksum records were expected\n"},
        {{"to-tape", "-a", "200", "prog.bin", "taken.65v"},
         "qirvex-program: taken.65v: the output file exists; use --force to overwrite it\n"},
        {{"to-tape", "-a", "200", "prog.bin", "prog.bin"},
         "qirvex-program: prog.bin: this is the input file; name another output file\n"},
    };
    for (const Case& test : refusals) {
        SCOPED_TRACE(test.err);
        const ProcessResult result = run(test.arguments);
        EXPECT_EQ(2, result.status);
        EXPECT_EQ(test.err, result.err);
        EXPECT_EQ("", result.out);
    }
    EXPECT_EQ("", read_file(path("taken.65v")));
}

TEST_F(ProgramTool, SendsNothingToTapeFromADamagedProgram) {
    write_file(path("prog.hex"), ":0202000A2FF5B\n:00000001FF\n");
    const ProcessResult result = run({"to-tape", "prog.hex"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("qirvex-program: prog.hex: at byte 14: found the line end where a second hex digit "
              "was expected\n",
              result.err);
    EXPECT_FALSE(std::filesystem::exists(path("prog.65v")));
}

TEST_F(ProgramTool, PadsTextsForTheMachine) {
    write_file(path("PROG.BAS"), "10 PRINT\r\n20 END\n");
    write_file(path("mon.lod"), ".0200/A2\nFF\n.0200G");
    ProcessResult result = run({"to-tape", "PROG.BAS"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("PROG.tape.bas: the text with CR line ends and 10 NULs after each\n", result.out);
    const std::string padding(10, '\0');
    EXPECT_EQ("10 PRINT\r" + padding + "20 END\r" + padding, read_file(path("PROG.tape.bas")));
    result = run({"to-tape", "-n", "0", "mon.lod", "mon.65v"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(".0200/A2\rFF\r.0200G", read_file(path("mon.65v")));
}

// A decoded tape as it comes: the "L" that started the load, NULs, CR LF, an echoed prompt, and
// one damaged byte, which is named; the rest is written.
TEST_F(ProgramTool, ConvertsADecodedTapeWithoutAHandEdit) {
    write_file(path("tape.txt"), "L\r\n\0\0.0200/A2\r\n\0\0F\xC6\r\n9A\r\n\0\0OK\r\n.0200G\r\n"s);
    const ProcessResult result = run({"from-tape", "-t", "srec", "tape.txt"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("qirvex-program: tape.txt: at byte 18: found byte 0xC6 where a hex digit or CR was "
              "expected\n"
              "qirvex-program: tape.txt: at byte 27: found \"O\" where a hex digit or CR was "
              "expected\n",
              result.err);
    EXPECT_EQ("tape.txt: a 65V load text, 2 bytes in 2 stretches (0200-0200, 0202-0202), run at "
              "0200\ntape.srec: 59 bytes written\n",
              result.out);
    EXPECT_EQ("S0030000FC\nS1040200A257\nS10402029A5D\nS5030002FA\nS9030200FA\n",
              read_file(path("tape.srec")));
}

// A loader's data after the G is no part of the image; it is named, not lost quietly.
TEST_F(ProgramTool, NamesDataAfterTheGoThatItCannotRead) {
    write_file(path("tape.txt"), ".0200/01\r.0200G\x60\xEA\r\n");
    const ProcessResult result = run({"from-tape", "tape.txt"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("qirvex-program: tape.txt: at byte 15: found 2 bytes after \"G\" where the load text "
              "should end\n",
              result.err);
    EXPECT_EQ(":0102000001FC\r\n:0400000500000200F5\r\n:00000001FF\r\n",
              read_file(path("tape.hex")));
}

TEST_F(ProgramTool, WritesAListingWithTheLineEndsAskedForAndItsLint) {
    write_file(path("cap.txt"), "LIST\r\n\0\0"
                                "10 PRINT\r\n\0\0"
                                "5 END\r\n\0\0OK\r\n"s);
    const ProcessResult result = run({"from-tape", "--line-end=crlf", "cap.txt"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("qirvex-program: cap.txt: at byte 20: found line number 5 after 10 where line "
              "numbers rise\n",
              result.err);
    EXPECT_EQ("10 PRINT\r\n5 END\r\n", read_file(path("cap.bas")));
}

TEST_F(ProgramTool, WritesAFilePerStretchWithItsAddressInTheName) {
    write_file(path("tape.txt"), ".0200/01\r02\r.1000/03\r.0200G");
    const ProcessResult result = run({"from-tape", "--to=binary", "tape.txt", "out.bin"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("\x01\x02", read_file(path("out.0200.bin")));
    EXPECT_EQ("\x03", read_file(path("out.1000.bin")));
    // The name carries the address back.
    const ProcessResult back = run({"to-tape", "-n0", "out.1000.bin"});
    EXPECT_EQ(0, back.status);
    EXPECT_EQ(".1000/03\r", read_file(path("out.1000.65v")));
    // A name without an extension keeps a folder's dot.
    std::filesystem::create_directory(path("sub.d"));
    EXPECT_EQ(0, run({"from-tape", "-t", "binary", "tape.txt", "sub.d/out"}).status);
    EXPECT_EQ("\x03", read_file(path("sub.d/out.1000.bin")));
}

} // namespace
