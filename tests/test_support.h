// Helpers shared by the tests: a scratch folder per test, whole-file reads and writes, capture
// of the diagnostic stream, and running the program as a process.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// A fixture with fresh default options and an empty scratch folder, removed after the test
// even when an assertion failed.
class ScratchTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // A path inside the scratch folder.
    [[nodiscard]] std::string path(const std::string& name) const;

    std::filesystem::path folder;
};

// A ScratchTest with an open temporary file for decoded bytes, closed after the test.
class TargetFileTest : public ScratchTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::FILE* target = nullptr;
};

[[nodiscard]] std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

// A temporary file holding `bytes`, open for reading and writing at its start; it is removed
// when closed, which the caller does.
[[nodiscard]] std::FILE* file_holding(const std::string& bytes);

// A pipe holding `bytes`, its writing end closed, open for reading; null when they do not fit
// into its buffer (64 KB on Linux). The caller closes it.
[[nodiscard]] std::FILE* pipe_holding(const std::string& bytes);

// Everything written to a stream from its start, as bytes.
[[nodiscard]] std::string stream_contents(std::FILE* stream);

// Points the diagnostic stream at a temporary file for as long as it lives.
class DiagnosticCapture {
  public:
    DiagnosticCapture();
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;
    // What has been written to the diagnostic stream so far.
    [[nodiscard]] std::string text();

  private:
    std::FILE* capture_;
    std::FILE* saved_;
};

// What a job wrote to the console.
struct ConsoleText {
    std::string out;         // standard output
    std::string diagnostics; // the diagnostic stream
};

// Runs job() with standard output and the diagnostic stream captured into `console`, and
// returns its result.
template <typename Job> auto capture_console(ConsoleText& console, Job&& job) {
    DiagnosticCapture capture;
    testing::internal::CaptureStdout();
    auto result = job();
    console.out = testing::internal::GetCapturedStdout();
    console.diagnostics = capture.text();
    return result;
}

// What a job run on temporary files left: its result, the bytes of its target, and what it
// wrote to the console.
struct JobRun {
    std::int64_t result = 0;
    std::string target;
    ConsoleText console;
};

// Runs job(input, target) on an input holding `bytes` and an empty temporary target, with the
// console captured.
template <typename Job> JobRun run_job(const std::string& bytes, Job&& job) {
    std::FILE* input = file_holding(bytes);
    std::FILE* target = std::tmpfile();
    JobRun run;
    run.result = capture_console(run.console, [&] { return job(input, target); });
    run.target = stream_contents(target);
    std::fclose(input);
    std::fclose(target);
    return run;
}

// A BASIC listing of `lines` numbered PRINT lines with CR LF line ends, as it is stored.
[[nodiscard]] std::string basic_listing(int lines);

struct ProcessResult {
    int status = -1000; // exit status as the shell sees it: 0..255, 128 + N after signal N
    std::string out;    // standard output
    std::string err;    // standard error
};

// Runs `binary` with the arguments in the working folder `cwd`, with `input` as its standard
// input.
[[nodiscard]] ProcessResult run_program(const std::string& binary,
                                        const std::vector<std::string>& arguments,
                                        const std::string& cwd, const std::string& input = "");

// Runs qirvex with the arguments in the working folder `cwd`, no standard input.
[[nodiscard]] ProcessResult run_qirvex(const std::vector<std::string>& arguments,
                                       const std::string& cwd);

// The paths of the programs under test.
[[nodiscard]] std::string qirvex_binary();
[[nodiscard]] std::string rescue_binary();
[[nodiscard]] std::string play_binary();

// A program running with pipes on its standard input, output and error, for tests that feed it
// slowly, watch what it writes while it runs, or signal it. Killed when it goes out of scope.
class RunningProgram {
  public:
    RunningProgram(const std::string& binary, const std::vector<std::string>& arguments,
                   const std::string& cwd);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Writes to its standard input; false when it no longer reads.
    bool write(const std::string& bytes);
    // Waits up to `seconds` for its standard output to hold at least `count` bytes, and returns
    // what it holds by then.
    std::string wait_for_output(std::size_t count, double seconds);
    // Waits up to `seconds` for its standard error to hold `text`; true when it does.
    bool wait_for_errors(const std::string& text, double seconds);
    // Waits up to `seconds` for it to have read all that was written to it and to sleep, as it
    // does waiting for more (Linux: its state in /proc); false when that was not seen.
    bool wait_until_starved(double seconds);
    void signal(int number);
    // Closes its standard input, reads its output to the end and waits for it to exit.
    [[nodiscard]] ProcessResult finish();

  private:
    int pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int errors_ = -1;
    std::string out_;
    std::string err_;
};
