// Windows: Ctrl-C (SIGINT) and Ctrl-Break (SIGBREAK) in the console are noted, and NUL is put in
// the input's place, as the POSIX handlers put /dev/null there, so that a read waiting on a
// silent pipe ends and every later one finds the end. The C library calls the handler on a
// thread of its own, and a read holds its descriptor's lock while it waits: a helper thread
// swaps the descriptor, which it can only once no read holds it, while the handler cancels the
// main thread's waiting reads (CancelSynchronousIo) until it has. Windows has no SIGPIPE: a
// reader that went away makes the next write fail. Built only for Windows.
#include "rescue/interruption.h"

#include "base/platform.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <csignal>
#include <initializer_list>

namespace {

// Read by every thread that decodes, set by the handler on whichever thread it runs: a lock-free
// atomic, safe in a handler and between threads.
std::atomic<int> caught_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);
// Set before the handlers are installed, read only by them.
HANDLE reading_thread = nullptr; // the thread that reads the input
int input_descriptor = -1;
int null_descriptor = -1;
volatile LONG is_swapped = 0; // NUL has taken the input's place

// How often, and for how long at most, the handler cancels the reads: a read that the swap must
// wait for ends at the next cancel; a decode that holds no read lets the swap through at once.
constexpr DWORD cancel_every_ms = 5;
constexpr int cancel_tries = 400;

DWORD WINAPI swap_input(void*) {
    _dup2(null_descriptor, input_descriptor);
    InterlockedExchange(&is_swapped, 1);
    return 0;
}

extern "C" void note_signal(int signal_number) {
    int none = 0;
    if (!caught_signal.compare_exchange_strong(none, signal_number))
        return;
    if (input_descriptor < 0)
        return;
    HANDLE swapper = CreateThread(nullptr, 0, swap_input, nullptr, 0, nullptr);
    if (swapper == nullptr)
        return;
    for (int n = 0; n < cancel_tries && InterlockedCompareExchange(&is_swapped, 0, 0) == 0; ++n) {
        CancelSynchronousIo(reading_thread);
        WaitForSingleObject(swapper, cancel_every_ms);
    }
    CloseHandle(swapper);
}

} // namespace

void watch_for_interruption(std::FILE* input) {
    // A capture from the sound card has no input stream: the signal alone ends it.
    input_descriptor = input != nullptr ? _fileno(input) : -1;
    null_descriptor = _wopen(L"NUL", _O_RDONLY | _O_BINARY);
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &reading_thread,
                    0, FALSE, DUPLICATE_SAME_ACCESS);
    for (const int signal_number : {SIGINT, SIGBREAK})
        call_on_signal(signal_number, note_signal);
}

int interruption_signal() { return caught_signal; }

const char* signal_name(int signal_number) {
    switch (signal_number) {
    case SIGINT:
        return "SIGINT";
    case SIGBREAK:
        return "SIGBREAK";
    default:
        return "a signal";
    }
}

bool is_output_gone(int) { return false; }
