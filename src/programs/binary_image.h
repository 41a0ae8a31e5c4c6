// Raw memory bytes: a file that holds nothing but the bytes, whose load address travels beside
// it (in its name here), and the output of cc65's OSI target, which is one of those or a 65V
// loader followed by them.
#pragma once

#include "programs/memory_image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Where cc65's osic1p.cfg puts a program (its STARTADDRESS), and so where it starts.
constexpr std::uint16_t cc65_start_address = 0x0200;

// `bytes` loaded at `start`; bytes past FFFF are left out and named.
[[nodiscard]] ReadResult read_binary(const std::vector<std::uint8_t>& bytes, std::uint16_t start);

// What `cl65 -t osic1p` writes: without a boot loader, the program's bytes for `start` (run
// there too, where the startup code is); with one (`-u __BOOT__`), a 65V text that loads a
// small loader and starts it, followed by the program's bytes, which the loader reads from tape
// to the address its first instructions set. The image is the program alone, run at its start.
[[nodiscard]] ReadResult read_cc65(const std::vector<std::uint8_t>& bytes, std::uint16_t start);

// Whether `bytes` are a cc65 boot file: a 65V text that loads cc65's loader and starts it.
[[nodiscard]] bool is_cc65_boot(const std::vector<std::uint8_t>& bytes);

// A raw file's name carries its load address: "prog" and 0x0200 give "prog.0200.bin".
[[nodiscard]] std::string binary_name(const std::string& stem, std::uint16_t start);

// The address in a name of that form ("x/prog.0200.bin" gives 0x0200), if it has one.
[[nodiscard]] std::optional<std::uint16_t> address_in_name(const std::string& name);

// A raw program's run address travels beside its files, in a go file named after the same stem
// ("prog" gives "prog.go") that holds the address as the monitor's G takes it: "0300" and LF.
[[nodiscard]] std::string go_file_name(const std::string& stem);
[[nodiscard]] std::string go_file_text(std::uint16_t run_address);

// The go file that belongs beside a file named as binary_name makes them ("x/prog.0200.bin"
// gives "x/prog.go"); empty for a name of another form.
[[nodiscard]] std::string go_file_beside(const std::string& name);

// The run address a go file's text holds: four hex digits, then a line end or nothing.
[[nodiscard]] std::optional<std::uint16_t>
address_in_go_file(const std::vector<std::uint8_t>& text);
