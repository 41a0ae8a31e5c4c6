// Replays inputs through a harness without libFuzzer: every file named, and every file in every
// folder named (sorted, so runs repeat), goes once through LLVMFuzzerTestOneInput. A folder
// that does not exist holds nothing, so an empty crash folder needs no placeholder.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputs_in(const fs::path& place) {
    std::vector<fs::path> files;
    if (fs::is_regular_file(place))
        files.push_back(place);
    else if (fs::is_directory(place))
        for (const auto& entry : fs::directory_iterator(place))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

void replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    // A copy of exactly the file's size, so that any read past its end is caught.
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(data.data(), data.size());
}

} // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i)
        for (const fs::path& file : inputs_in(argv[i])) {
            std::fprintf(stderr, "replaying %s\n", file.string().c_str());
            replay(file);
            ++replayed;
        }
    std::fprintf(stderr, "%d inputs replayed\n", replayed);
    return 0;
}
