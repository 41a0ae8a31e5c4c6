// Helpers shared by the tests: a scratch folder per test, whole-file reads and writes, capture
// of the diagnostic stream, and running the program as a process.
#pragma once

#include <gtest/gtest.h>

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

struct ProcessResult {
    int status = -1000;       // exit status as the shell sees it (0..255), or -1000 if it died
    std::string out;          // standard output
    std::string err;          // standard error
};

// Runs the program with the arguments in the working folder `cwd`, no standard input.
[[nodiscard]] ProcessResult run_qirvex(const std::vector<std::string>& arguments,
                                       const std::string& cwd);

// The path of the program under test.
[[nodiscard]] std::string qirvex_binary();
