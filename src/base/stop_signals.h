// Ctrl-C (SIGINT) and SIGTERM during a job that must not leave a half-written file behind: the
// signal is only noted, the job looks at the note between its steps and stops cleanly, and the
// program then ends by the same signal, so that a calling shell or script sees it was stopped.
#pragma once

// Notes SIGINT and SIGTERM from now on instead of ending the program at once.
void watch_stop_signals();

// The signal noted since watch_stop_signals, or 0 while none has arrived.
[[nodiscard]] int stop_signal();

// The signal's name for a message: "SIGINT" or "SIGTERM".
[[nodiscard]] const char* stop_signal_name(int signal_number);

// Ends the program by the noted signal, as it would have ended without watching; returns only
// when no signal was noted.
void end_by_stop_signal();
