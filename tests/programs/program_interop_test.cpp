// qirvex-program against the tools users have: Debian's srecord (srec_cat) and cc65 (cl65) as
// independent peers, and qirvex and qirvex-rescue for the audio between.
#include "program_images.h"
#include "programs/binary_image.h"
#include "programs/intel_hex.h"
#include "programs/monitor_65v.h"
#include "programs/mos_records.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>

namespace {

using namespace std::string_literals;

// A small C program for cc65's OSI target: its startup code, a loop and a table.
constexpr const char* osi_program = "static const unsigned char table[] = {1, 2, 3, 250, 13, 0};\n"
                                    "int main(void) {\n"
                                    "    unsigned char i;\n"
                                    "    for (i = 0; table[i] != 0; ++i)\n"
                                    "        *(unsigned char*)(0xD000 + i) = table[i];\n"
                                    "    return 0;\n"
                                    "}\n";

class ProgramPeers : public ScratchTest {
  protected:
    // Runs a shell command in the scratch folder; true when it exits with 0.
    bool shell(const std::string& command) {
        return std::system(("cd '" + folder.string() + "' && " + command).c_str()) == 0;
    }
    bool has(const char* tool) { return shell(std::string("command -v ") + tool + " >/dev/null"); }
    std::vector<std::uint8_t> file_bytes(const std::string& name) {
        return bytes_of(read_file(path(name)));
    }
    ProcessResult program(const std::vector<std::string>& arguments) {
        return run_program(PROGRAM_BINARY, arguments, folder.string());
    }
};

// 256 bytes at 0300 that run through every value, as a raw file.
std::string counting_bytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i * 37 + 11);
    return bytes;
}

TEST_F(ProgramPeers, SrecordAndWeWriteTheSame65vTextAndReadEachOthers) {
    if (!has("srec_cat"))
        GTEST_SKIP() << "srec_cat (Debian's srecord) is not installed";
    write_file(path("a.bin"), counting_bytes());
    write_file(path("b.bin"), "\x60");
    ASSERT_TRUE(shell("srec_cat a.bin -binary -offset 0x0300 b.bin -binary -offset 0x1000 "
                      "-execution-start-address=0x0300 -o theirs.65v -os65v"));
    MemoryImage image = counting_image(0x0300, 0);
    image.stretches[0].bytes = bytes_of(counting_bytes());
    image.stretches.push_back({0x1000, {0x60}});
    // srecord ends each line with LF where the monitor takes CR, and adds one after the G, which
    // the started program would read; otherwise the texts are the same.
    std::string theirs = read_file(path("theirs.65v"));
    for (char& c : theirs)
        c = c == '\n' ? '\r' : c;
    EXPECT_EQ(theirs, write_65v(image, 0) + "\r");
    const ReadResult read = read_65v(file_bytes("theirs.65v"));
    EXPECT_EQ("", problems_text(read.problems));
    EXPECT_EQ(image_text(image), image_text(read.image));
    // srecord reads our text when it has no NULs (it stops at the first).
    write_file(path("ours.65v"), write_65v(image, 0));
    ASSERT_TRUE(
        shell("srec_cat ours.65v -os65v -crop 0x0300 0x0400 -offset -0x0300 -o back.bin -binary"));
    EXPECT_EQ(counting_bytes(), read_file(path("back.bin")));
}

TEST_F(ProgramPeers, SrecordReadsOurRecordsAndWeReadTheirs) {
    if (!has("srec_cat"))
        GTEST_SKIP() << "srec_cat (Debian's srecord) is not installed";
    write_file(path("a.bin"), counting_bytes());
    MemoryImage image = counting_image(0x0300, 0);
    image.stretches[0].bytes = bytes_of(counting_bytes());
    image.run_address.reset();
    write_file(path("ours.hex"), write_intel_hex(image));
    // srecord takes LF line ends only; the machine, CR.
    std::string mos = write_mos_records(image, 0);
    for (char& c : mos)
        c = c == '\r' ? '\n' : c;
    write_file(path("ours.mos"), mos);
    for (const char* format : {"-intel", "-mos_tech"}) {
        SCOPED_TRACE(format);
        const std::string ours = format == "-intel"s ? "ours.hex" : "ours.mos";
        ASSERT_TRUE(
            shell("srec_cat " + ours + " " + format + " -offset -0x0300 -o back.bin -binary"));
        EXPECT_EQ(counting_bytes(), read_file(path("back.bin")));
        ASSERT_TRUE(
            shell("srec_cat a.bin -binary -offset 0x0300 -o theirs -" + std::string(format + 1)));
        const ReadResult read = format == "-intel"s ? read_intel_hex(file_bytes("theirs"))
                                                    : read_mos_records(file_bytes("theirs"));
        EXPECT_EQ("", problems_text(read.problems));
        EXPECT_EQ(image_text(image), image_text(read.image));
    }
}

// cl65 writes the program's bytes for 0200, or with -u __BOOT__ a 65V loader followed by them;
// both are the same program.
TEST_F(ProgramPeers, ReadsBothOfCc65sOsiOutputs) {
    if (!has("cl65"))
        GTEST_SKIP() << "cl65 (Debian's cc65) is not installed";
    write_file(path("prog.c"), osi_program);
    ASSERT_TRUE(shell(
        "cl65 -t osic1p -o prog.out prog.c && cl65 -t osic1p -u __BOOT__ -o prog.lod prog.c"));
    const std::vector<std::uint8_t> bytes = file_bytes("prog.out");
    MemoryImage expected;
    ASSERT_TRUE(image_of_bytes(bytes, 0x0200, expected));
    expected.run_address = 0x0200;
    for (const char* name : {"prog.out", "prog.lod"}) {
        SCOPED_TRACE(name);
        const ReadResult read = read_cc65(file_bytes(name), cc65_start_address);
        EXPECT_EQ("", problems_text(read.problems));
        EXPECT_EQ(image_text(expected), image_text(read.image));
    }
    // Sent as it is, a boot file keeps its program's bytes exactly: only the loader's text is
    // padded.
    const ProcessResult sent = program({"to-tape", "prog.lod"});
    ASSERT_EQ(0, sent.status);
    const std::string padded = read_file(path("prog.tape.lod"));
    ASSERT_GT(padded.size(), bytes.size());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), padded.substr(padded.size() - bytes.size()));
    EXPECT_EQ(image_text(expected),
              image_text(read_cc65(bytes_of(padded), cc65_start_address).image));
    // A boot file cut short loses the program's end, and says so.
    std::string cut = read_file(path("prog.lod"));
    cut.resize(cut.size() - 10);
    EXPECT_EQ("at byte " + std::to_string(cut.size()) + ": found " +
                  std::to_string(bytes.size() - 10) + " bytes after the loader where it reads " +
                  std::to_string(bytes.size()) + "\n",
              problems_text(read_cc65(bytes_of(cut), cc65_start_address).problems));
}

// Every input format to a 65V text (and cc65's boot file as it is), that text through qirvex's
// audio and qirvex-rescue's decoding at both rates, and the decoded tape back to the program.
TEST_F(ProgramPeers, ProgramsSurviveTheTapeInEveryFormatAtBothRates) {
    if (!has("srec_cat") || !has("cl65"))
        GTEST_SKIP() << "srec_cat (srecord) and cl65 (cc65) are needed to make the inputs";
    write_file(path("prog.0300.bin"), counting_bytes());
    write_file(path("prog.c"), osi_program);
    for (const char* format : {"hex -intel", "srec -motorola"})
        ASSERT_TRUE(shell("srec_cat prog.0300.bin -binary -offset 0x0300 "
                          "-execution-start-address=0x0300 -o prog." +
                          std::string(format)));
    ASSERT_TRUE(shell(
        "cl65 -t osic1p -o prog.out prog.c && cl65 -t osic1p -u __BOOT__ -o prog.lod prog.c"));
    struct Input {
        const char* name;
        std::vector<std::string> options;
    };
    const Input inputs[] = {{"prog.0300.bin", {"-g", "0300"}},
                            {"prog.hex", {}},
                            {"prog.srec", {}},
                            {"prog.out", {"-i", "cc65"}},
                            {"prog.lod", {"-i", "cc65"}},
                            {"prog.lod", {"-i", "65v"}}};
    for (const Input& input : inputs)
        for (const int baud : {300, 600}) {
            SCOPED_TRACE(std::string(input.name) + " at " + std::to_string(baud) + " baud");
            std::vector<std::string> to_tape = {"to-tape", "-f"};
            to_tape.insert(to_tape.end(), input.options.begin(), input.options.end());
            to_tape.insert(to_tape.end(), {input.name, "tape.65v"});
            ASSERT_EQ(0, program(to_tape).status);
            const std::string rate = baud == 600 ? "-R1" : "-R0";
            ASSERT_EQ(1, run_qirvex({"-F", rate, "tape.65v", "tape.wav"}, folder.string()).status);
            ASSERT_EQ(0, run_program(rescue_binary(),
                                     {"-f", "-q", "--baud=" + std::to_string(baud), "tape.wav",
                                      "decoded.txt"},
                                     folder.string())
                             .status);
            const ProcessResult back = program({"from-tape", "-f", "decoded.txt", "back.hex"});
            EXPECT_EQ("", back.err);
            ASSERT_EQ(0, back.status);
            // A boot file sent as it is comes back as its program.
            const std::vector<std::uint8_t> tape = file_bytes("tape.65v");
            const ReadResult sent =
                is_cc65_boot(tape) ? read_cc65(tape, cc65_start_address) : read_65v(tape);
            const ReadResult received = read_intel_hex(file_bytes("back.hex"));
            EXPECT_EQ(image_text(sent.image), image_text(received.image));
            EXPECT_GT(byte_count(received.image), 100u);
        }
}

// A damaged listing and a damaged 65V text through qirvex's audio and qirvex-rescue's word
// record: each fault from-tape names is placed at its own word. qirvex starts the first word
// after its 2 s leader, at sample 43200 of 21600 Hz, and sends one every 11 bits at 300 baud
// (792 samples); the time named must be that word's, within half a bit.
TEST_F(ProgramPeers, NamesEachFaultAtItsWordInTheRecording) {
    struct Tape {
        std::string text;
        std::string first_fault; // the text at the first fault named
    };
    const Tape tapes[] = {{"10 PRINT\r\n5 END\r\n20 GOTO 1\xB0\r\n", "5 END"},
                          {".0300/A9\r4G\r60\r.0300G", "G\r60"}};
    constexpr long long first_word_sample = 43200;
    constexpr long long word_samples = 792;
    constexpr long long half_bit_samples = 36;
    for (const Tape& tape : tapes) {
        SCOPED_TRACE(tape.text);
        write_file(path("tape.txt"), tape.text);
        ASSERT_EQ(1, run_qirvex({"-F", "tape.txt", "tape.wav"}, folder.string()).status);
        ASSERT_EQ(0, run_program(rescue_binary(),
                                 {"-f", "-q", "--baud=300", "--report=words.tsv", "tape.wav",
                                  "decoded.txt"},
                                 folder.string())
                         .status);
        ASSERT_EQ(tape.text, read_file(path("decoded.txt")));
        const ProcessResult result =
            program({"from-tape", "-f", "--words=words.tsv", "decoded.txt", "out"});
        EXPECT_EQ(1, result.status);
        const std::regex place(R"(at byte (\d+) at (\d+\.\d{4}) s \(sample (\d+)\): )");
        std::vector<std::size_t> offsets;
        for (auto match = std::sregex_iterator(result.err.begin(), result.err.end(), place);
             match != std::sregex_iterator(); ++match) {
            const std::size_t offset = std::stoul((*match)[1]);
            const long long sample = std::stoll((*match)[3]);
            const double seconds = std::stod((*match)[2]);
            SCOPED_TRACE("byte " + std::to_string(offset));
            EXPECT_NEAR(first_word_sample + word_samples * static_cast<long long>(offset), sample,
                        half_bit_samples);
            EXPECT_NEAR(static_cast<double>(sample) / 21600, seconds, 0.0001);
            offsets.push_back(offset);
        }
        ASSERT_FALSE(offsets.empty()) << result.err;
        EXPECT_EQ(tape.text.find(tape.first_fault), offsets[0]);
        // Every fault line names its time.
        EXPECT_EQ(static_cast<std::size_t>(std::count(result.err.begin(), result.err.end(), '\n')),
                  offsets.size());
    }
}

} // namespace
