// Windows raises SIGINT for Ctrl-C and Ctrl-Break in a console; it never sends SIGTERM, which
// then stays unused.
#include "base/stop_signals.h"

#include "base/platform.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t noted_signal = 0;

extern "C" void note_stop_signal(int signal_number) {
    if (noted_signal == 0)
        noted_signal = signal_number;
}

} // namespace

void watch_stop_signals() {
    call_on_signal(SIGINT, note_stop_signal);
    call_on_signal(SIGTERM, note_stop_signal);
}

int stop_signal() { return noted_signal; }

const char* stop_signal_name(int signal_number) {
    return signal_number == SIGTERM ? "SIGTERM" : "SIGINT";
}

void end_by_stop_signal() {
    const int signal_number = noted_signal;
    if (signal_number == 0)
        return;
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}
