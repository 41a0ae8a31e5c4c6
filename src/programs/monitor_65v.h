// The load format of OSI's 65V monitor, as a text the machine reads from tape after "L":
//
//     .0200/A2<CR>FF<CR>9A<CR> ... .0200G
//
// "." takes the monitor to address mode and four hex digits set the address; "/" enters data
// mode, where two hex digits set the byte at the address and CR steps to the next one; "G" in
// address mode starts the program there (everything after it goes to the program).
#pragma once

#include "programs/memory_image.h"

#include <cstdint>
#include <string>
#include <vector>

// NULs after each CR unless told otherwise. The monitor stores a byte and redraws its six
// digits in well under a character time (36.7 ms for 8N2 at 300 baud, 18.3 ms at 600 baud); a
// monitor that also echoes to a scrolling screen (CEGMON) needs about 30 ms for a scroll of a
// 2 KB screen at 1 MHz. Two NULs give two character times of room after every CR at either
// rate, on top of the ACIA's one-character buffer, for two fifths more text.
constexpr int default_65v_nul_count = 2;

// The load text of `image`: a ".AAAA/" where each stretch starts, each byte as two hex digits
// and CR, `nul_count` NULs after every CR, and ".RRRRG" last when the image has a run address
// (nothing follows the G: the program would read it).
[[nodiscard]] std::string write_65v(const MemoryImage& image, int nul_count);

// Reads a load text as the monitor would, and tolerates what decoded tapes hold: NULs, LF or
// CR LF line ends, a leading "L", echoes and noise before the first "." or after a bad
// address. A missing, extra or bad hex digit loses that byte and is named with its offset.
// Reading stops after the first "G".
[[nodiscard]] ReadResult read_65v(const std::vector<std::uint8_t>& text);

// The bytes after the "G" that ends `read` other than NULs and line ends: data that the
// started program reads (a loader's), which is not part of the load text.
[[nodiscard]] std::size_t bytes_after_go(const std::vector<std::uint8_t>& text,
                                         const ReadResult& read);
