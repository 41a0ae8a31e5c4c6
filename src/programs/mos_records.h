// MOS Technology's checksum records, as the KIM-1 and the loaders of long OSI programs read them:
//
//     ;18 0200 A2FF9AD8... 0A3C      count, address, data, checksum (without the blanks)
//     ;00 0004 0004                  the last: count 00, the number of records before it
//
// The checksum is the 16-bit sum of the count, the two address bytes and the data bytes.
#pragma once

#include "programs/memory_image.h"

#include <cstdint>
#include <string>
#include <vector>

// 24 data bytes a record, as the KIM-1 writes them, CR line ends with `nul_count` NULs after
// each, and the last record. The format has no run address.
[[nodiscard]] std::string write_mos_records(const MemoryImage& image, int nul_count);

// Every record checked; a bad one is named and left out. Text before the first ";" (a loader,
// echoes) is skipped; reading stops after the last record.
[[nodiscard]] ReadResult read_mos_records(const std::vector<std::uint8_t>& text);
