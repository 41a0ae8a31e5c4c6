// qirvex: transcodes between data files and Kansas City Standard cassette audio.
#include "base/platform.h"
#include "cli/file_setup.h"
#include "cli/options.h"

namespace {

int run(int argc, char** argv) {
    const auto files = parse_options(argc, argv);
    if (!files)
        return 0;
    return run_files(*files, argv);
}

} // namespace

#if defined(_WIN32)
// Windows hands the arguments over as wide-character strings. The console texts are bytes, each
// line end written out in full, so the streams must not add a carriage return of their own.
int wmain(int argc, wchar_t** wide_argv) { return run_with_utf8_arguments(argc, wide_argv, run); }
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
