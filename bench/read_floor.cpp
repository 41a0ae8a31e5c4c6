// The read floor: the least that any decoder of a file must do, which is to read it once. Reads
// the file in blocks of 256 KB, the size of qirvex's own reads, through C stdio without its
// buffer, adds up every byte so that each one is touched, and prints the sum. make bench times
// it beside the decoders, and every decode time is also given as a multiple of it.
//
// Usage: read_floor FILE
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t block_bytes = 256 * 1024;

// The sum of the bytes read as 64-bit words, modulo 2^64, and of the last few one by one. Adding
// single bytes made the loop a third of the program's time; eight at a time it is a sliver, and
// the floor is what reading costs.
std::uint64_t sum_bytes(const std::uint8_t* bytes, std::size_t count) {
    std::uint64_t sum = 0;
    std::size_t n = 0;
    for (; n + sizeof(std::uint64_t) <= count; n += sizeof(std::uint64_t)) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + n, sizeof word);
        sum += word;
    }
    for (; n < count; ++n)
        sum += bytes[n];
    return sum;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: read_floor FILE\n");
        return 2;
    }
    std::FILE* input = std::fopen(argv[1], "rb");
    if (input == nullptr) {
        std::fprintf(stderr, "read_floor: cannot open %s\n", argv[1]);
        return 1;
    }
    std::setvbuf(input, nullptr, _IONBF, 0);
    std::vector<std::uint8_t> block(block_bytes);
    std::uint64_t sum = 0;
    std::size_t got = 0;
    while ((got = std::fread(block.data(), 1, block.size(), input)) > 0)
        sum += sum_bytes(block.data(), got);
    const bool failed = std::ferror(input) != 0;
    std::fclose(input);
    if (failed) {
        std::fprintf(stderr, "read_floor: error reading %s\n", argv[1]);
        return 1;
    }
    std::printf("%llu\n", static_cast<unsigned long long>(sum));
    return 0;
}
