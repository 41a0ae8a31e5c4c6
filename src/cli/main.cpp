// qirvex: transcodes between data files and Kansas City Standard cassette audio.
#include "cli/file_setup.h"
#include "cli/options.h"

int main(int argc, char** argv) {
    const auto files = parse_options(argc, argv);
    if (!files)
        return 0;
    return run_files(*files, argv);
}
