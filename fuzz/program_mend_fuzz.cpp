// Mending a decoded tape from its structure: the first byte names the content (its two low
// bits) and the word (bit 2: 7 data bits); each following byte is a byte of the tape, and the
// next one's bits say which of its bits were read doubtfully. Every change must be one the
// mending may make: named, inside the tape, one or two doubtful data bits, and nothing else
// changed.
#include "fuzz_support.h"
#include "programs/structure_repair.h"

#include <bit>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    constexpr std::array<TapeContent, 4> contents = {
        TapeContent::BasicListing, TapeContent::LoadText65v, TapeContent::ChecksumRecords,
        TapeContent::OtherData};
    const TapeContent content = contents[data[0] & 3];
    const int data_bits = (data[0] & 4) != 0 ? 7 : 8;
    std::vector<ReadByte> bytes(size - 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ReadByte& read = bytes[i];
        read.byte = data[1 + i];
        if (data_bits == 7)
            read.byte &= 0x7F;
        read.data_bits = data_bits;
        const std::uint8_t doubtful = data[1 + (i + 1) % bytes.size()];
        for (int k = 0; k < 8; ++k) {
            const float margin = ((doubtful >> k) & 1) != 0 ? 0.05F * static_cast<float>(k) : 0.9F;
            read.data_d[static_cast<std::size_t>(k)] = ((read.byte >> k) & 1) != 0 ? margin : -margin;
        }
    }
    const std::vector<ReadByte> before = bytes;
    const std::vector<ByteRepair> repairs = repair_from_structure(content, bytes);
    std::vector<bool> is_named(bytes.size(), false);
    for (const ByteRepair& repair : repairs) {
        require(repair.offset < bytes.size(), "a change named past the tape's end");
        require(!is_named[repair.offset], "a byte changed twice");
        is_named[repair.offset] = true;
        const ReadByte& read = before[repair.offset];
        require(repair.before == read.byte && repair.after == bytes[repair.offset].byte,
                "a change named wrongly");
        const auto changed = static_cast<unsigned>(repair.before ^ repair.after);
        require(std::popcount(changed) >= 1 && std::popcount(changed) <= 2,
                "a change of other than one or two bits");
        require((changed >> data_bits) == 0, "a bit changed that was not on the tape");
        for (int k = 0; k < data_bits; ++k)
            if (((changed >> k) & 1) != 0)
                require(std::fabs(read.data_d[static_cast<std::size_t>(k)]) < most_repair_margin,
                        "a sure bit changed");
        require(content != TapeContent::OtherData, "data changed");
    }
    for (std::size_t i = 0; i < bytes.size(); ++i)
        require(is_named[i] || bytes[i].byte == before[i].byte, "a byte changed unnamed");
    return 0;
}
