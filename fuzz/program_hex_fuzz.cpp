// The Intel HEX reader on any bytes; what it read must survive the writer and the reader again.
#include "program_checks.h"
#include "programs/intel_hex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReadResult read = read_intel_hex(std::vector<std::uint8_t>(data, data + size));
    check_result(read, size);
    check_round_trip(read.image, write_intel_hex, read_intel_hex, true);
    return 0;
}
