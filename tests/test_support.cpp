// The tests' shared support: scratch folders, files, captured consoles, programs as processes.
#include "test_support.h"

#include "cli/diagnostics.h"
#include "cli/options.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/ioctl.h>
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

std::string basic_listing(int lines) {
    std::string text;
    for (int line = 1; line <= lines; ++line)
        text += std::to_string(line * 10) + " PRINT \"LINE " + std::to_string(line) + "\"\r\n";
    return text;
}

std::FILE* file_holding(const std::string& bytes) {
    std::FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    return file;
}

std::FILE* pipe_holding(const std::string& bytes) {
    int ends[2] = {-1, -1};
    if (pipe(ends) != 0)
        return nullptr;
    fcntl(ends[1], F_SETFL, O_NONBLOCK);
    const bool fits =
        write(ends[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(ends[1]);
    if (!fits) {
        close(ends[0]);
        return nullptr;
    }
    return fdopen(ends[0], "rb");
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

std::string rescue_binary() { return RESCUE_BINARY; }

std::string play_binary() { return PLAY_BINARY; }

namespace {

std::string read_all(int fd) {
    std::string bytes;
    char block[4096];
    ssize_t count = 0;
    while ((count = read(fd, block, sizeof block)) > 0)
        bytes.append(block, static_cast<std::size_t>(count));
    return bytes;
}

// Starts `binary` in `cwd` with the three descriptors as its standard streams.
pid_t start(const std::string& binary, const std::vector<std::string>& arguments,
            const std::string& cwd, int in, int out, int err) {
    const pid_t child = fork();
    if (child != 0)
        return child;
    std::vector<std::string> copies = arguments;
    copies.insert(copies.begin(), binary);
    std::vector<char*> argv;
    for (auto& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (chdir(cwd.c_str()) != 0)
        _exit(126);
    execv(binary.c_str(), argv.data());
    _exit(127);
}

int exit_status(pid_t child) {
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    if (WIFSIGNALED(wait_status))
        return 128 + WTERMSIG(wait_status);
    return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1000;
}

} // namespace

ProcessResult run_program(const std::string& binary, const std::vector<std::string>& arguments,
                          const std::string& cwd, const std::string& input) {
    // Everything goes through temporary files, so that no pipe can fill and block either side.
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), in);
    std::fflush(in);
    lseek(fileno(in), 0, SEEK_SET);
    ProcessResult result;
    result.status =
        exit_status(start(binary, arguments, cwd, fileno(in), fileno(out), fileno(err)));
    lseek(fileno(out), 0, SEEK_SET);
    lseek(fileno(err), 0, SEEK_SET);
    result.out = read_all(fileno(out));
    result.err = read_all(fileno(err));
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    return result;
}

ProcessResult run_qirvex(const std::vector<std::string>& arguments, const std::string& cwd) {
    return run_program(qirvex_binary(), arguments, cwd);
}

RunningProgram::RunningProgram(const std::string& binary, const std::vector<std::string>& arguments,
                               const std::string& cwd) {
    int in[2];
    int out[2];
    int err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        return;
    // The test's ends must not leak into the child, or its input would never end.
    for (const int fd : {in[1], out[0], err[0]})
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    // A program that stops reading must not kill the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    pid_ = start(binary, arguments, cwd, in[0], out[1], err[1]);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    input_ = in[1];
    output_ = out[0];
    errors_ = err[0];
}

RunningProgram::~RunningProgram() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (const int fd : {input_, output_, errors_})
        if (fd >= 0)
            close(fd);
}

bool RunningProgram::write(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t count = ::write(input_, bytes.data() + done, bytes.size() - done);
        if (count <= 0)
            return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

std::string RunningProgram::wait_for_output(std::size_t count, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (out_.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{output_, POLLIN, 0};
        if (poll(&ready, 1, 50) <= 0)
            continue;
        char block[4096];
        const ssize_t got = read(output_, block, sizeof block);
        if (got <= 0)
            break;
        out_.append(block, static_cast<std::size_t>(got));
    }
    return out_;
}

bool RunningProgram::wait_for_errors(const std::string& text, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (err_.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{errors_, POLLIN, 0};
        if (poll(&ready, 1, 50) <= 0)
            continue;
        char block[4096];
        const ssize_t got = read(errors_, block, sizeof block);
        if (got <= 0)
            break;
        err_.append(block, static_cast<std::size_t>(got));
    }
    return err_.find(text) != std::string::npos;
}

bool RunningProgram::wait_until_starved(double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    const std::string stat_path = "/proc/" + std::to_string(pid_) + "/stat";
    while (std::chrono::steady_clock::now() < deadline) {
        int unread = -1;
        std::ifstream stat(stat_path);
        std::string pid, name, state; // name holds no space for the programs under test
        stat >> pid >> name >> state;
        if (ioctl(input_, FIONREAD, &unread) == 0 && unread == 0 && state == "S")
            return true;
        poll(nullptr, 0, 10);
    }
    return false;
}

void RunningProgram::signal(int number) { kill(pid_, number); }

ProcessResult RunningProgram::finish() {
    close(input_);
    input_ = -1;
    ProcessResult result;
    result.out = out_ + read_all(output_);
    result.err = err_ + read_all(errors_);
    result.status = exit_status(pid_);
    pid_ = -1;
    return result;
}
