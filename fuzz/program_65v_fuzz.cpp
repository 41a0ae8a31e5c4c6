// The 65V load text reader, and cc65's boot file reader around it: any bytes, as a decoded tape
// may hold them. The image read is written again with the input's first byte as NUL count and
// must read back the same.
#include "program_checks.h"
#include "programs/binary_image.h"
#include "programs/monitor_65v.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const ReadResult read = read_65v(bytes);
    check_result(read, size);
    const int nul_count = size > 0 ? data[0] % 16 : 0;
    check_round_trip(
        read.image, [&](const MemoryImage& image) { return write_65v(image, nul_count); }, read_65v,
        true);
    check_result(read_cc65(bytes, cc65_start_address), size);
    require(bytes_after_go(bytes, read) <= size - read.end_offset, "more bytes after G than held");
    (void)is_cc65_boot(bytes);
    return 0;
}
