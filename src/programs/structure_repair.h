// Repair from structure: a byte that the tape's content cannot hold (bit 7 set in a BASIC
// listing, a character other than a hex digit inside a 65V load text or a checksum record) or a
// record whose checksum fails, changed to the nearest reading that the content allows, where
// the bits to change were the ones the decoder was least sure of. Dire Wolf repairs single bits
// under a frame's CRC in the same way. Every change is returned; none is made silently.
#pragma once

#include "programs/tape_content.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// A byte as the decoder read it: the discriminator d of each data bit (least significant first),
// > 0 where the bit read 1, and |d| how sure that reading was, 0 to 1.
struct ReadByte {
    std::uint8_t byte = 0;
    int data_bits = 8; // 7: bit 7 was not on the tape, and is never changed
    std::array<float, 8> data_d{};
};

struct ByteRepair {
    std::size_t offset = 0;  // of the byte in the tape
    std::uint8_t before = 0; // as read
    std::uint8_t after = 0;  // as repaired
    float margin = 0;        // the surest of the bits changed: how doubtful the repair is
};

// The bits of a byte changed by a repair are all read with a margin under this: at most half
// as sure as a clean bit (0.9 and more). Over the 76 conditions of scripts/repair_table.py, 4
// programs at 2 rates each (measured at b92a211), 186 bytes were changed: bytes missing or
// wrong fell from 1570 to 1294, 3 more programs came back exactly, and no exact decode or other
// program was changed for the worse.
constexpr float most_repair_margin = 0.5F;

// Repairs `bytes` in place as `content` allows, and returns the changes in the order of the
// tape. Other data is left as it is.
[[nodiscard]] std::vector<ByteRepair> repair_from_structure(TapeContent content,
                                                            std::vector<ReadByte>& bytes);

struct MendedTape {
    TapeContent content = TapeContent::OtherData; // what the tape holds, judged from its bytes
    std::vector<ByteRepair> repairs;
};

// Judges what the bytes hold (classify_tape) and repairs them in place as that allows.
[[nodiscard]] MendedTape mend_tape(std::vector<ReadByte>& bytes);
