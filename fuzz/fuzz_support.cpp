// The harnesses' shared support: quiet consoles, fresh options, files in memory, invariants.
#include "fuzz_support.h"

#include "cli/diagnostics.h"
#include "base/kcs.h"
#include "cli/options.h"

#include <array>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

void quiet_console() {
    static std::FILE* const null_stream = std::fopen("/dev/null", "w");
    static const bool is_quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    (void)is_quiet;
    diagnostic_stream = null_stream;
}

void reset_options() { options = Options{}; }

RescueSettings rescue_settings_from(std::uint8_t flags) {
    constexpr std::array<Parity, 4> parities = {Parity::None, Parity::Even, Parity::Odd,
                                                Parity::None};
    RescueSettings settings;
    settings.baud = (flags & 0x01) != 0 ? fast_baud : slow_baud;
    settings.format.data_bits = (flags & 0x02) != 0 ? 7 : 8;
    settings.format.stop_bits = (flags & 0x04) != 0 ? 1 : 2;
    settings.format.parity = parities[(flags >> 3) & 3];
    // The fourth parity value finds the rate and the framing, and tries both again after every
    // quiet.
    if (((flags >> 3) & 3) == 3) {
        settings.baud = 0;
        settings.found = FramingFound{true, true, true};
    }
    return settings;
}

std::FILE* memory_file(const std::uint8_t* data, std::size_t size, const char* mode) {
    const int fd = memfd_create("qirvex-fuzz", 0);
    if (fd < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    for (std::size_t done = 0; done < size;) {
        const ssize_t count = write(fd, data + done, size - done);
        require(count > 0, "memory file write");
        done += static_cast<std::size_t>(count);
    }
    lseek(fd, 0, SEEK_SET);
    std::FILE* stream = fdopen(fd, mode);
    require(stream != nullptr, "fdopen");
    return stream;
}

std::string file_bytes(std::FILE* stream) {
    std::fflush(stream);
    std::string bytes;
    char block[65536];
    off_t offset = 0;
    ssize_t count = 0;
    while ((count = pread(fileno(stream), block, sizeof block, offset)) > 0) {
        bytes.append(block, static_cast<std::size_t>(count));
        offset += count;
    }
    return bytes;
}

void require(bool holds, const char* what) {
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}
