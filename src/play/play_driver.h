// The qirvex-play program: reads the command line, opens or encodes the tape, opens the playback
// device the user names, plays the tape at the level asked for with a line of progress and time
// left, and turns the outcome into messages and an exit status.
#pragma once

// Exit statuses. Playback stopped by a signal ends the program by that signal.
constexpr int play_done = 0;   // the whole tape was played
constexpr int play_gaps = 1;   // played, but the sound card ran dry on the way
constexpr int play_failed = 2; // usage, input or device error

// Runs the program with standard output and standard error.
[[nodiscard]] int run_play(int argc, char* const* argv);
