// What every program format harness checks of a reader's result: an image in rising, separate,
// non-empty stretches within the 6502's 64 KB, faults only at offsets inside the input (or at
// its end), and the image read back unchanged from what a writer makes of it.
#pragma once

#include "fuzz_support.h"
#include "programs/memory_image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

inline void check_result(const ReadResult& read, std::size_t size) {
    std::uint32_t next_free = 0;
    for (const Stretch& stretch : read.image.stretches) {
        require(!stretch.bytes.empty(), "an empty stretch");
        require(stretch.start >= next_free, "stretches out of order or touching");
        require(stretch.start + stretch.bytes.size() <= address_space_bytes, "a stretch past FFFF");
        next_free = stretch.start + static_cast<std::uint32_t>(stretch.bytes.size()) + 1;
    }
    for (const Problem& problem : read.problems) {
        require(problem.offset <= size, "a fault named past the input's end");
        require(!problem.message.empty(), "a fault without words");
    }
    require(read.end_offset <= size, "reading stopped past the input's end");
}

// `write` then `read` gives the image back whole and without a fault; `keeps_run` is false for
// a format without a run address.
template <typename Write, typename Read>
void check_round_trip(const MemoryImage& image, Write&& write, Read&& read, bool keeps_run) {
    // An image of nothing is an empty 65V text, which holds no record to read.
    if (image.stretches.empty() && !image.run_address)
        return;
    const std::string text = write(image);
    const ReadResult again = read(std::vector<std::uint8_t>(text.begin(), text.end()));
    require(again.problems.empty(), "a fault in what the writer wrote");
    require(again.image.stretches.size() == image.stretches.size(), "stretches changed");
    for (std::size_t i = 0; i < image.stretches.size(); ++i)
        require(again.image.stretches[i].start == image.stretches[i].start &&
                    again.image.stretches[i].bytes == image.stretches[i].bytes,
                "bytes changed");
    require(!keeps_run || again.image.run_address == image.run_address, "run address changed");
}
