// The S-record reader on any bytes; what it read must survive the writer and the reader again
// (a run address of 0000 reads as none, so only others are compared).
#include "program_checks.h"
#include "programs/motorola_srec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReadResult read = read_srec(std::vector<std::uint8_t>(data, data + size));
    check_result(read, size);
    require(read.image.run_address != 0, "a run address of 0000 kept");
    check_round_trip(read.image, write_srec, read_srec, true);
    return 0;
}
