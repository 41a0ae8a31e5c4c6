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
        {{"to-tape", "--words=w.tsv", "prog.bin"},
         "qirvex-program: --words: found to-tape where from-tape was expected\n"},
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
    // The names carry the load addresses back, and the go file the run address, to the file
    // whose bytes hold it.
    EXPECT_EQ("0200\n", read_file(path("out.go")));
    ProcessResult back = run({"to-tape", "-n0", "out.1000.bin"});
    EXPECT_EQ(0, back.status);
    EXPECT_EQ(".1000/03\r", read_file(path("out.1000.65v")));
    EXPECT_EQ("out.1000.65v: 1 bytes in 1 stretch (1000-1000), no run address\n"
              "out.go: run at 0200, outside out.1000.bin; give --go to start there\n",
              back.out);
    back = run({"to-tape", "-n0", "out.0200.bin"});
    EXPECT_EQ(0, back.status);
    EXPECT_EQ(".0200/01\r02\r.0200G", read_file(path("out.0200.65v")));
    EXPECT_EQ("out.0200.65v: 2 bytes in 1 stretch (0200-0201), run at 0200\nout.go: run at 0200\n",
              back.out);
    // --go is the user's word over the file's.
    EXPECT_EQ(0, run({"to-tape", "-f", "-n0", "-g", "0201", "out.0200.bin"}).status);
    EXPECT_EQ(".0200/01\r02\r.0201G", read_file(path("out.0200.65v")));
    write_file(path("out.go"), "20\n");
    back = run({"to-tape", "-f", "out.0200.bin"});
    EXPECT_EQ(2, back.status);
    EXPECT_EQ("qirvex-program: out.go: found 3 bytes where four hex digits of a run address were "
              "expected\n",
              back.err);
    // A name without an extension keeps a folder's dot.
    std::filesystem::create_directory(path("sub.d"));
    EXPECT_EQ(0, run({"from-tape", "-t", "binary", "tape.txt", "sub.d/out"}).status);
    EXPECT_EQ("\x03", read_file(path("sub.d/out.1000.bin")));
    EXPECT_EQ("0200\n", read_file(path("sub.d/out.go")));
    // Without a run address there is no go file.
    write_file(path("norun.txt"), ".0200/01\r");
    EXPECT_EQ(0, run({"from-tape", "-t", "binary", "norun.txt"}).status);
    EXPECT_EQ("\x01", read_file(path("norun.0200.bin")));
    EXPECT_FALSE(std::filesystem::exists(path("norun.go")));
}

// The word record qirvex-rescue would write for `tape` sent at 300 baud 8N2 after a leader of
// 2 s at 21600 Hz: a word every 792 samples from sample 43200. With `reading`, as from merged
// captures. One string a line.
std::vector<std::string> word_record(const std::string& tape, int reading) {
    std::string header = "offset\tseconds\tsample\tbyte\tconfidence\tflags\tbits";
    if (reading > 0)
        header += "\treading\tconfirmed";
    std::vector<std::string> lines = {header + "\n"};
    for (std::size_t offset = 0; offset < tape.size(); ++offset) {
        const long long sample = 43200 + 792 * static_cast<long long>(offset);
        char line[128];
        std::snprintf(line, sizeof line, "%zu\t%.4f\t%lld\t0x%02X\t90\t-\t-1.00", offset,
                      static_cast<double>(sample) / 21600, sample,
                      static_cast<unsigned char>(tape[offset]));
        std::string word = line;
        if (reading > 0) {
            word += '\t';
            word += std::to_string(reading);
            word += "\tno";
        }
        word += '\n';
        lines.push_back(word);
    }
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return text;
}

// A word record places each fault in the recording; one that does not belong to the tape is
// refused before anything is written.
TEST_F(ProgramTool, NamesFaultsByTimeFromAWordRecordThatFitsTheTape) {
    const std::string tape = ".0200/A9\r4G\r";
    write_file(path("tape.txt"), tape);
    std::vector<std::string> words = word_record(tape, 0);
    write_file(path("words.tsv"), joined(words));
    ProcessResult result = run({"from-tape", "-w", "words.tsv", "tape.txt"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("qirvex-program: tape.txt: at byte 10 at 2.3667 s (sample 51120): found \"G\" where "
              "a hex digit or CR was expected\n",
              result.err);
    // Merged captures: the time is that of the capture the byte came from.
    write_file(path("merged.tsv"), joined(word_record(tape, 2)));
    result = run({"from-tape", "-f", "--words=merged.tsv", "tape.txt"});
    EXPECT_EQ("qirvex-program: tape.txt: at byte 10 at 2.3667 s (sample 51120) of reading 2: found "
              "\"G\" where a hex digit or CR was expected\n",
              result.err);
    std::filesystem::remove(path("tape.hex"));

    const std::vector<std::string> whole = words;
    words.pop_back();
    write_file(path("short.tsv"), joined(words));
    words = whole;
    words[2].replace(words[2].find("0x30"), 4, "0x31");
    write_file(path("other.tsv"), joined(words));
    words = whole;
    std::swap(words[2], words[3]);
    write_file(path("moved.tsv"), joined(words));
    words = whole;
    words[2] = "1\t2,0367\t43992\t0x30\n";
    write_file(path("broken.tsv"), joined(words));
    write_file(path("empty.tsv"), "");
    struct Case {
        const char* record;
        const char* err;
    };
    const Case cases[] = {
        {"none.tsv", "none.tsv: cannot open for reading: No such file or directory"},
        {"empty.tsv", "empty.tsv: found an empty file where qirvex-rescue's word record was "
                      "expected"},
        {"tape.txt", "tape.txt: found \".0200/A9?4G?\" where the header of qirvex-rescue's word "
                     "record (offset, seconds, sample, byte, ...) was expected"},
        {"short.tsv", "short.tsv: found 11 words where 12 were expected, one for each byte of "
                      "tape.txt"},
        {"broken.tsv", "broken.tsv: line 3: found \"1 2,0367 43992 0x30\" where a word's "
                       "offset, seconds, sample and byte were expected"},
        {"other.tsv", "other.tsv: line 3: found byte 0x31 where tape.txt holds 0x30"},
        {"moved.tsv", "moved.tsv: line 3: found offset 2 where 1 was expected"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.record);
        result = run({"from-tape", "--words="s + test.record, "tape.txt"});
        EXPECT_EQ(2, result.status);
        EXPECT_EQ("qirvex-program: "s + test.err + "\n", result.err);
        EXPECT_EQ("", result.out);
        EXPECT_FALSE(std::filesystem::exists(path("tape.hex")));
    }
}

} // namespace
