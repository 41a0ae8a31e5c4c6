// Text on its way to the machine: a listing for BASIC or a 65V or checksum record file, made on a
// modern computer with LF or CR LF line ends. OSI BASIC and the monitors take a line at CR (a
// text with LF alone does not load under CEGMON) and need time after it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// NULs after each CR of a listing: BASIC stores the line while they play, as qirvex's BASIC
// mode (-B) sends them.
constexpr int default_listing_nul_count = 10;

// `text` with every line end (CR, LF, CR LF or LF CR) made one CR followed by `nul_count` NULs;
// NULs already there are dropped first, so that the padding is even. When `end_last_line` is
// set, a last line without a line end gets one (BASIC enters a line only at CR); a load text
// ending in "G" must not get one, as the program started would read it.
[[nodiscard]] std::string text_for_machine(const std::vector<std::uint8_t>& text, int nul_count,
                                           bool end_last_line);
