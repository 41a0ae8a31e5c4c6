#include "test_support.h"

#include "cli/diagnostics.h"
#include "cli/options.h"

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

void ScratchTest::SetUp() {
    options = Options{};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    folder = std::filesystem::temp_directory_path() /
             ("qirvex-test-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

void ScratchTest::TearDown() {
    std::error_code ignored;
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(folder, ignored);
    options = Options{};
}

std::string ScratchTest::path(const std::string& name) const { return (folder / name).string(); }

void TargetFileTest::SetUp() {
    ScratchTest::SetUp();
    target = std::tmpfile();
    ASSERT_NE(nullptr, target);
}

void TargetFileTest::TearDown() {
    if (target != nullptr)
        std::fclose(target);
    ScratchTest::TearDown();
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string stream_contents(std::FILE* stream) {
    std::fflush(stream);
    const long position = std::ftell(stream);
    std::rewind(stream);
    std::string bytes;
    char block[65536];
    std::size_t count = 0;
    while ((count = std::fread(block, 1, sizeof block, stream)) > 0)
        bytes.append(block, count);
    std::fseek(stream, position, SEEK_SET);
    return bytes;
}

DiagnosticCapture::DiagnosticCapture() : capture_(std::tmpfile()), saved_(diagnostic_stream) {
    diagnostic_stream = capture_;
}

DiagnosticCapture::~DiagnosticCapture() {
    diagnostic_stream = saved_;
    std::fclose(capture_);
}

std::string DiagnosticCapture::text() {
    std::string bytes = stream_contents(capture_);
    std::fseek(capture_, 0, SEEK_END);
    return bytes;
}

std::string qirvex_binary() { return QIRVEX_BINARY; }

namespace {

std::string read_all(int fd) {
    std::string bytes;
    char block[4096];
    ssize_t count = 0;
    while ((count = read(fd, block, sizeof block)) > 0)
        bytes.append(block, static_cast<std::size_t>(count));
    return bytes;
}

} // namespace

ProcessResult run_qirvex(const std::vector<std::string>& arguments, const std::string& cwd) {
    // Output goes to temporary files, so that a large output cannot block the child.
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ProcessResult result;
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        std::string program = qirvex_binary();
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (auto& argument : copies)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const int null_input = open("/dev/null", O_RDONLY);
        dup2(null_input, 0);
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        if (chdir(cwd.c_str()) != 0)
            _exit(126);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    if (WIFEXITED(wait_status))
        result.status = WEXITSTATUS(wait_status);
    lseek(fileno(out), 0, SEEK_SET);
    lseek(fileno(err), 0, SEEK_SET);
    result.out = read_all(fileno(out));
    result.err = read_all(fileno(err));
    std::fclose(out);
    std::fclose(err);
    return result;
}
