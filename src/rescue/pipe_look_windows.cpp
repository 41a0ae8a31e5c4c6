// Looking into a pipe without taking its bytes, for the Windows build's choice of reader. Built
// only for Windows.
#include "rescue/pipe_look.h"

#include "base/platform.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <array>
#include <vector>

namespace {

// A live recording into a pipe brings 512 bytes within 6 ms (16-bit mono at 44100 Hz); a pipe
// that brings none for half a second holds all that it will bring for now.
constexpr DWORD look_ms = 5;
constexpr int stall_looks = 100;
// The relay's pipe and reads: a third of a second of 16-bit stereo at 48000 Hz.
constexpr unsigned relay_bytes_per_read = 65536;

bool is_pipe_handle(int descriptor) {
    return GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor))) == FILE_TYPE_PIPE;
}

struct Relay {
    int from = -1; // the pipe that cannot be looked into
    int to = -1;   // the writing end of the pipe that took its place
};

DWORD WINAPI relay_bytes(void* data) {
    const Relay relay = *static_cast<Relay*>(data);
    delete static_cast<Relay*>(data);
    std::vector<char> buffer(relay_bytes_per_read);
    int got = 0;
    while ((got = _read(relay.from, buffer.data(), relay_bytes_per_read)) > 0)
        if (_write(relay.to, buffer.data(), static_cast<unsigned>(got)) != got)
            break;
    _close(relay.to);
    _close(relay.from);
    return 0;
}

// Wine's pipes from its Unix host cannot be looked into (PeekNamedPipe answers
// ERROR_NOT_SUPPORTED). A thread then relays their bytes into a pipe of Windows' own, which
// takes the input descriptor's place, so that the recording reads as the same pipe would on
// Windows; false when that cannot be done.
bool relay_into_pipe(int descriptor) {
    std::array<int, 2> ends{};
    if (_pipe(ends.data(), relay_bytes_per_read, _O_BINARY | _O_NOINHERIT) != 0)
        return false;
    auto* relay = new Relay{_dup(descriptor), ends[1]};
    const bool is_swapped = relay->from >= 0 && _dup2(ends[0], descriptor) == 0;
    _close(ends[0]);
    HANDLE thread = is_swapped ? CreateThread(nullptr, 0, relay_bytes, relay, 0, nullptr) : nullptr;
    if (thread == nullptr) {
        if (is_swapped)
            _dup2(relay->from, descriptor);
        if (relay->from >= 0)
            _close(relay->from);
        _close(relay->to);
        delete relay;
        return false;
    }
    CloseHandle(thread);
    return true;
}

} // namespace

// Waits until the pipe holds `count` bytes, its writer has gone, or no byte has come for
// stall_looks looks: Windows tells that a pipe's writer has gone only once the pipe is empty, so
// a recording shorter than `count` is looked at after that wait.
std::size_t look_into_pipe(std::FILE* stream, unsigned char* bytes, std::size_t count) {
    const int descriptor = _fileno(stream);
    if (!is_pipe_handle(descriptor))
        return 0;
    std::int64_t waiting = waiting_bytes(stream);
    if (waiting < 0 && relay_into_pipe(descriptor))
        waiting = waiting_bytes(stream);
    for (int still = 0; waiting >= 0 && waiting < static_cast<std::int64_t>(count) &&
                        still < stall_looks && !is_writer_gone(stream);
         ++still) {
        Sleep(look_ms);
        const std::int64_t now = waiting_bytes(stream);
        if (now != waiting)
            still = 0;
        waiting = now;
    }
    DWORD got = 0;
    if (!PeekNamedPipe(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)), bytes,
                       static_cast<DWORD>(count), &got, nullptr, nullptr))
        return 0;
    return got;
}
