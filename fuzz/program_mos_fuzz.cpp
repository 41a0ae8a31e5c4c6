// The MOS checksum record reader on any bytes; what it read must survive the writer (with the
// input's first byte as NUL count) and the reader again.
#include "program_checks.h"
#include "programs/mos_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReadResult read = read_mos_records(std::vector<std::uint8_t>(data, data + size));
    check_result(read, size);
    require(!read.image.run_address, "a run address from records that have none");
    const int nul_count = size > 0 ? data[0] % 16 : 0;
    check_round_trip(
        read.image, [&](const MemoryImage& image) { return write_mos_records(image, nul_count); },
        read_mos_records, false);
    return 0;
}
