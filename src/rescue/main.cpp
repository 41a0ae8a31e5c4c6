// qirvex-rescue: recovers the data of Kansas City Standard recordings that qirvex cannot read.
#include "base/platform.h"
#include "rescue/rescue_driver.h"

#if defined(_WIN32)
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int run(int argc, char** argv) {
    RescueConsole console;
    console.is_interruptible = true;
    return run_rescue(argc, argv, console);
}

} // namespace

#if defined(_WIN32)
// As qirvex.exe does: the arguments as UTF-8, the console texts written byte for byte. Standard
// input carries a recording from a pipe, which text mode would cut at its first Ctrl-Z and
// strip of its carriage returns.
int wmain(int argc, wchar_t** wide_argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    return run_with_utf8_arguments(argc, wide_argv, run);
}
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
