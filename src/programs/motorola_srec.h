// Motorola S-records: "S", a type digit, then hex pairs of count (the bytes that follow), address
// (2 bytes for S1, S5 and S9; 3 for S2, S6 and S8; 4 for S3 and S7), data and a checksum, the
// ones' complement of the sum of the others. S0 is a header, S1 to S3 data, S5 and S6 count the
// data records, S7 to S9 end the file with the start address.
#pragma once

#include "programs/memory_image.h"

#include <cstdint>
#include <string>
#include <vector>

// An empty S0 header, S1 records of 16 data bytes, an S5 count and an S9 with the run address
// (0000 when there is none); LF line ends.
[[nodiscard]] std::string write_srec(const MemoryImage& image);

// Every record checked; a bad one is named and left out. An S9 start address of 0000 means
// none: tools write it when they have no address, and no 6502 program starts in the zero page.
[[nodiscard]] ReadResult read_srec(const std::vector<std::uint8_t>& text);
