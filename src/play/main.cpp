// qirvex-play: plays a tape, or a file encoded on the way, into a chosen sound device.
#include "play/play_driver.h"

#if defined(_WIN32)
#include "base/platform.h"

namespace {

int run(int argc, char** argv) { return run_play(argc, argv); }

} // namespace

// As qirvex.exe does: the arguments as UTF-8, so that a tape's name in any script opens.
int wmain(int argc, wchar_t** wide_argv) { return run_with_utf8_arguments(argc, wide_argv, run); }
#else
int main(int argc, char** argv) { return run_play(argc, argv); }
#endif
