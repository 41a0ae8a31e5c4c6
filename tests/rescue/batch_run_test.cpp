// qirvex-rescue --batch: the recordings it takes, the table it ends with, its status, and outputs
// the same as a run of each recording alone. Recordings made by the built qirvex in a scratch
// folder; the batch runs in-process.
#include "test_support.h"

#include "rescue/rescue_driver.h"

#include <algorithm>
#include <csignal>
#include <regex>
#include <sstream>

namespace {

struct BatchRun {
    int status = -1;
    std::string out;      // standard output: the tables of --list
    std::string messages; // the messages, the summary last
};

// Runs the program in-process; `out` is its standard output, a scratch file where null.
BatchRun run(std::vector<std::string> arguments, std::FILE* out = nullptr) {
    arguments.insert(arguments.begin(), "qirvex-rescue");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    RescueConsole console;
    console.out = out != nullptr ? out : std::tmpfile();
    console.messages = std::tmpfile();
    BatchRun result;
    result.status = run_rescue(static_cast<int>(arguments.size()), argv.data(), console);
    result.messages = stream_contents(console.messages);
    if (out == nullptr) {
        result.out = stream_contents(console.out);
        std::fclose(console.out);
    }
    std::fclose(console.messages);
    return result;
}

class BatchRunTest : public ScratchTest {
  protected:
    // A recording of `text` in the scratch folder, made by qirvex.
    std::string recording(const std::string& name, const std::string& text) {
        write_file(path(name + ".data"), text);
        // qirvex ends an encode with status 1, as the program it follows did.
        EXPECT_EQ(1, run_qirvex({name + ".data", name}, folder.string()).status);
        return path(name);
    }

    // "HELLO WORLD" with its sixth word silenced: 8-bit samples at 21600 Hz after a 44-byte
    // header and 2 s of leader, 8N2 words of 792 samples.
    std::string damaged(const std::string& name) {
        const std::string file = recording(name, "HELLO WORLD");
        std::string wav = read_file(file);
        wav.replace(44 + 43200 + 792 * 5, 792, 792, '\x80');
        write_file(file, wav);
        return file;
    }

    // The summary's rows as "cell | cell | ...", the scratch folder left out of the names.
    std::vector<std::string> summary_rows(const std::string& messages) const {
        std::vector<std::string> rows;
        const std::string table = messages.substr(messages.find("recording  "));
        std::istringstream lines(table);
        std::string line;
        std::getline(lines, line); // the header
        while (std::getline(lines, line)) {
            std::string row = std::regex_replace(line, std::regex(" {2,}"), " | ");
            rows.push_back(row.starts_with(folder.string()) ? row.substr(folder.string().size() + 1)
                                                            : row);
        }
        return rows;
    }
};

TEST_F(BatchRunTest, SummarisesEachRecordingAndEndsWithTheWorstStatus) {
    const std::string clean = recording("clean.wav", "HELLO");
    const std::string broken = damaged("damaged.wav");
    write_file(path("notes.wav"), "not audio at all");
    const BatchRun result = run({"--batch", clean, broken, path("notes.wav")});
    EXPECT_EQ(rescue_failed, result.status);
    const std::vector<std::string> expected = {
        "clean.wav | - | 5 | 0 | 0 | 300 | 8N2 | clean",
        "damaged.wav | - | 10 | 0 | 1 | 300 | 8N2 | suspect",
        "notes.wav | - | - | - | - | - | - | failed: found no recording that libsndfile can read "
        "(\"Format not recognised.\"), where a WAV, AIFF, CAF, FLAC, Ogg or MP3 recording was "
        "expected",
        "total | - | 15 | 0 | 1 | 1 clean, 1 suspect, 1 failed",
    };
    EXPECT_EQ(expected, summary_rows(result.messages)) << result.messages;
    EXPECT_EQ("HELLO", read_file(path("clean.txt")));
    EXPECT_EQ("HELLOWORLD", read_file(path("damaged.txt")));

    struct Case {
        std::vector<std::string> recordings;
        int status;
    };
    const Case cases[] = {
        {{clean}, rescue_clean},
        {{clean, broken}, rescue_suspect},
        {{path("notes.wav"), clean}, rescue_failed},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"--batch", "-f", "-q"};
        arguments.insert(arguments.end(), c.recordings.begin(), c.recordings.end());
        EXPECT_EQ(c.status, run(arguments).status) << c.recordings.size();
    }
}

TEST_F(BatchRunTest, FolderGivesItsAudioFilesInNameOrder) {
    std::filesystem::create_directories(folder / "tapes" / "inner.wav");
    const std::string tape = recording("tape.wav", basic_listing(3));
    for (const char* name : {"b.wav", "A.WAV", "c.aiff", "inner.wav/d.wav", "e.wav.bak", "._b.wav"})
        std::filesystem::copy_file(tape, folder / "tapes" / name);
    write_file(path("tapes/notes.txt"), "HI");
    const BatchRun result = run({"--batch", "-q", "--list", path("tapes")});
    EXPECT_EQ(rescue_clean, result.status) << result.messages;
    EXPECT_EQ("", result.messages);
    // libsndfile reads by content: the extension alone chose c.aiff, and left the others out.
    std::string headings;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line.back() == ':')
            headings += line.substr(folder.string().size() + 1) + "\n";
    EXPECT_EQ("tapes/A.WAV:\ntapes/b.wav:\ntapes/c.aiff:\n", headings);
}

TEST_F(BatchRunTest, WritesWhatEachRecordingWritesAlone) {
    const std::string first = recording("first.wav", "10 PRINT \"ONE\"\r\n");
    const std::string second = damaged("second.wav");
    const BatchRun batch = run({"--batch", first, second});
    const BatchRun split = run({"--batch", "--split=" + path("batch"), first, second});
    int worst = rescue_clean;
    int worst_split = rescue_clean;
    for (const std::string name : {"first", "second"}) {
        SCOPED_TRACE(name);
        const std::string bytes = read_file(path(name + ".txt"));
        const BatchRun alone = run({"-f", path(name + ".wav")});
        EXPECT_EQ(bytes, read_file(path(name + ".txt")));
        EXPECT_NE(std::string::npos, batch.messages.find(alone.messages)) << alone.messages;
        const int split_status =
            run({"--split=" + path("alone/" + name), path(name + ".wav")}).status;
        EXPECT_EQ(read_file(path("alone/" + name + "/index.tsv")),
                  read_file(path("batch/" + name + "/index.tsv")));
        worst = std::max(worst, alone.status);
        worst_split = std::max(worst_split, split_status);
    }
    EXPECT_EQ(worst, batch.status);
    EXPECT_EQ(worst_split, split.status);
    EXPECT_EQ("10 PRINT \"ONE\"\r\n", read_file(path("batch/first/01-basic-PRINT.bas")));
    // The messages come whole and in the order of the recordings.
    EXPECT_LT(batch.messages.find("first.txt"), batch.messages.find("second.txt"));
    const BatchRun list = run({"--batch", "--list", first, second});
    EXPECT_EQ(first + ":\n" + run({"--list", first}).out + "\n" + second + ":\n" +
                  run({"--list", second}).out,
              list.out);
}

TEST_F(BatchRunTest, CtrlCEndsTheDecodesUnderWayAndNamesTheRest) {
    // A short recording first, whose summary shows the batch under way, then three of eleven
    // minutes each (18 KB at 27 bytes a second), linked under names of their own.
    recording("first.wav", basic_listing(3));
    const std::string listing = basic_listing(800);
    const std::string tape = recording("tape.wav", listing);
    std::vector<std::string> arguments = {"--batch", "first.wav"};
    for (const std::string name : {"long1", "long2", "long3"}) {
        std::filesystem::create_hard_link(tape, path(name + ".wav"));
        arguments.push_back(name + ".wav");
    }
    RunningProgram batch(rescue_binary(), arguments, folder.string());
    ASSERT_TRUE(batch.wait_for_errors("wrote", 60));
    batch.signal(SIGINT);
    const ProcessResult result = batch.finish();
    EXPECT_EQ(130, result.status) << result.err;
    // Each long recording was stopped part-way, with what it decoded until then in its output,
    // or never started, and named so.
    for (const std::string name : {"long1", "long2", "long3"}) {
        SCOPED_TRACE(name);
        const std::string row_start = name + ".wav  ";
        const std::size_t row = result.err.find("\n" + row_start);
        ASSERT_NE(std::string::npos, row) << result.err;
        const std::string verdict = result.err.substr(row, result.err.find('\n', row + 1) - row);
        if (verdict.ends_with("not done")) {
            EXPECT_NE(std::string::npos,
                      result.err.find("qirvex-rescue: " + name +
                                      ".wav: not done: the batch was stopped by SIGINT first\n"));
            EXPECT_FALSE(std::filesystem::exists(path(name + ".txt")));
        } else {
            EXPECT_NE(std::string::npos, verdict.find("stopped by SIGINT after ")) << verdict;
            EXPECT_TRUE(listing.starts_with(read_file(path(name + ".txt"))));
        }
    }
}

TEST_F(BatchRunTest, TablesThatCouldNotBeWrittenFailTheRun) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    const std::string clean = recording("clean.wav", basic_listing(3));
    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(nullptr, full);
    const BatchRun result = run({"--batch", "-q", "--list", clean}, full);
    std::fclose(full);
    EXPECT_EQ(rescue_failed, result.status);
    EXPECT_EQ("qirvex-rescue: standard output: writing failed; the tables are incomplete\n",
              result.messages);
}

TEST_F(BatchRunTest, RefusesWhatABatchCannotDo) {
    const std::string clean = recording("clean.wav", "HI");
    std::filesystem::create_directories(folder / "empty");
    std::filesystem::copy_file(clean, path("notes.wav"));
    write_file(path("notes.txt"), "NOTES");
    const std::string again = folder.string() + "/./clean.wav";
    const std::string usage = "\nTry 'qirvex-rescue --help' for more information.";
    struct Case {
        std::vector<std::string> arguments;
        std::string message; // after "qirvex-rescue: "
    };
    const Case cases[] = {
        {{"--batch", clean, "-"},
         "found \"-\" among the recordings, where --batch reads files and folders, not "
         "standard input" +
             usage},
        {{"--batch", "--capture"},
         "--batch reads recordings and folders of them, not --capture" + usage},
        {{"--batch", "--report=" + path("words.tsv"), clean},
         "--report=" + path("words.tsv") +
             ": one file cannot hold the words of a batch; give -r for the suspect words, or "
             "decode the recordings one by one" +
             usage},
        {{"--batch", clean, path("out.txt")},
         path("out.txt") + ": found no file or folder of that name, where --batch expects "
                           "recordings and folders of them; it names each output after its "
                           "recording"},
        {{"--batch", clean, again},
         "found two recordings that write " + folder.string() + "/./clean.txt: " + clean + " and " +
             again + ", where each needs an output of its own"},
        {{"--batch", "-f", path("notes.wav"), path("notes.txt")},
         path("notes.wav") + " writes " + path("notes.txt") + ", which is one of the recordings"},
        {{"--batch", clean, "/dev/null"},
         "/dev/null: found a pipe or a device, where --batch expects recordings and folders of "
         "them"},
        {{"--batch", path("empty")},
         path("empty") + ": found no audio file in the folder, where --batch expects .wav, .aif, "
                         ".aiff, .caf, .w64, .rf64, .flac, .ogg, .oga or .mp3 files"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const BatchRun result = run(c.arguments);
        EXPECT_EQ(rescue_failed, result.status);
        EXPECT_EQ("qirvex-rescue: " + c.message + "\n", result.messages);
        EXPECT_FALSE(std::filesystem::exists(path("clean.txt")));
        EXPECT_EQ("NOTES", read_file(path("notes.txt")));
    }
}

} // namespace
