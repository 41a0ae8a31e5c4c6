// Repair from structure on decoded words, and the report of each change.
#include "rescue/word_repair.h"

#include "programs/memory_image.h"
#include "programs/structure_repair.h"

#include <cmath>
#include <string>

namespace {

std::vector<ReadByte> read_bytes(const std::vector<DecodedWord>& words, int data_bits) {
    std::vector<ReadByte> bytes(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        const DecodedWord& word = words[i];
        ReadByte& read = bytes[i];
        read.byte = static_cast<std::uint8_t>(word.byte);
        // The data bits follow the start bit.
        read.data_bits = data_bits;
        for (int k = 0; k < read.data_bits; ++k)
            read.data_d[static_cast<std::size_t>(k)] = word.bit_d[static_cast<std::size_t>(1 + k)];
    }
    return bytes;
}

} // namespace

std::int64_t repair_words(std::vector<DecodedWord>& words, int data_bits, std::FILE* report,
                          std::uint32_t rate_hz) {
    std::vector<ReadByte> bytes = read_bytes(words, data_bits);
    const MendedTape mended = mend_tape(bytes);
    for (const ByteRepair& repair : mended.repairs) {
        DecodedWord& word = words[repair.offset];
        word.byte = repair.after;
        word.is_repaired = true;
        if (report != nullptr)
            std::fprintf(report,
                         "repaired byte %zu at %.4f s (sample %lld) as %s allows: 0x%02X to "
                         "0x%02X (%s); the bits changed read at margin %.2f or less\n",
                         repair.offset, word.edge / rate_hz,
                         static_cast<long long>(std::floor(word.edge + 0.5)),
                         content_name(mended.content), repair.before, repair.after,
                         byte_name(repair.after).c_str(), repair.margin);
    }
    return static_cast<std::int64_t>(mended.repairs.size());
}
