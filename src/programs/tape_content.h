// What a decoded tape holds, judged from its bytes: a BASIC listing, a 65V load text, MOS
// checksum records (often after a 65V loader), or other data.
#pragma once

#include "programs/memory_image.h"

#include <cstdint>
#include <vector>

enum class TapeContent { BasicListing, LoadText65v, ChecksumRecords, OtherData };

[[nodiscard]] const char* content_name(TapeContent content);

// Records outweigh a 65V loader before them; a 65V text needs one ".AAAA/"; a listing needs
// most of its lines to begin with a line number. NULs, line ends and the echoes around a
// listing do not count.
[[nodiscard]] TapeContent classify_tape(const std::vector<std::uint8_t>& bytes);

// The program on a decoded tape of a 65V load text: a cc65 boot tape (a loader, then the program's
// raw bytes) as its program; any other text with the bytes after its "G" named as a fault, since
// the image cannot hold them.
[[nodiscard]] ReadResult read_65v_tape(const std::vector<std::uint8_t>& bytes);
