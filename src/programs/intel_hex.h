// Intel HEX: ":" then hex pairs of count, address (two bytes), type, data and a checksum that
// makes the record's bytes sum to zero. Types 00 (data), 01 (end), 02 and 04 (upper address
// bits, which must leave every byte below 10000) and 03 and 05 (start address).
#pragma once

#include "programs/memory_image.h"

#include <cstdint>
#include <string>
#include <vector>

// 16 data bytes a record, a type 05 record for the run address, and the end record; CR LF line
// ends, as most tools write them.
[[nodiscard]] std::string write_intel_hex(const MemoryImage& image);

// Every record checked; a bad one is named and left out. Reading stops at the end record.
[[nodiscard]] ReadResult read_intel_hex(const std::vector<std::uint8_t>& text);
