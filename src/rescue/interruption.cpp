// Signal handlers that note the signal and make the input read as ended.
#include "rescue/interruption.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace {

// Read by every thread that decodes, set by the handler on whichever thread it runs: a lock-free
// atomic, safe in a handler and between threads.
std::atomic<int> caught_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);
// Set before the handlers are installed, read only by them.
int input_descriptor = -1;
int null_descriptor = -1;

// Only async-signal-safe calls here. Putting /dev/null in the input's place ends a read that
// waits: libsndfile retries a read that the signal interrupted, and that read now finds the end.
extern "C" void note_signal(int signal_number) {
    int none = 0;
    caught_signal.compare_exchange_strong(none, signal_number);
    if (input_descriptor >= 0 && null_descriptor >= 0)
        dup2(null_descriptor, input_descriptor);
}

} // namespace

void watch_for_interruption(std::FILE* input) {
    input_descriptor = input != nullptr ? fileno(input) : -1;
    null_descriptor = open("/dev/null", O_RDONLY);
    struct sigaction action {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a waiting read returns at once with EINTR.
    action.sa_flags = 0;
    for (const int signal_number : {SIGINT, SIGTERM, SIGPIPE})
        sigaction(signal_number, &action, nullptr);
}

int interruption_signal() { return caught_signal; }

const char* signal_name(int signal_number) {
    switch (signal_number) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGPIPE:
        return "SIGPIPE";
    default:
        return "a signal";
    }
}

bool is_output_gone(int signal_number) { return signal_number == SIGPIPE; }
