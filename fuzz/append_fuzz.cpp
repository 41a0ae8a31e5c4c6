// The append check and the appending encoder: arbitrary bytes as the existing target, with a
// short fixed text appended to it.
//
// The run's options come from the header's format_chunk_size (bytes 16 to 19), which the append
// check never reads. Byte 17, bit by bit: -B, -U, -R1, -D, -S, -E, -O, -Q; byte 18: leader and
// trailer of 0 to 15 ms each. The leader and trailer stay short so that each run is quick.
//
// What must hold afterwards: a refused file is left exactly as it was; an accepted one keeps its
// header (but for the two sizes) and every old sample, and its sizes describe the new data.
#include "fuzz_support.h"

#include "cli/options.h"
#include "encoder/encode_stream.h"
#include "wav/wav_header.h"

#include <cstring>

namespace {

constexpr std::size_t flags_offset = 17;
constexpr std::size_t lengths_offset = 18;
const char appended_text[] = "10 A\r\n";

void take_options(const std::uint8_t* data, std::size_t size) {
    reset_options();
    options.append = true;
    options.leader_ms = 0;
    options.trailer_ms = 0;
    if (size <= lengths_offset)
        return;
    const std::uint8_t flags = data[flags_offset];
    if ((flags & 0x01) != 0) {
        options.basic_mode = true;
        options.null_count = 2;
        options.eol_padding_ms = 5;
    }
    options.sine_tone = (flags & 0x02) != 0;
    options.fast_rate = (flags & 0x04) != 0 ? 1 : 0;
    options.seven_data_bits = (flags & 0x08) != 0;
    options.one_stop_bit = (flags & 0x10) != 0;
    options.even_parity = (flags & 0x20) != 0;
    options.odd_parity = (flags & 0x40) != 0;
    if ((flags & 0x80) != 0) {
        options.legacy_rate = 1;
        options.sample_rate = 22050;
    }
    options.leader_ms = data[lengths_offset] & 0x0F;
    options.trailer_ms = data[lengths_offset] >> 4;
}

std::uint32_t u32_at(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[offset + i])) << 8 * i;
    return value;
}

void check_appended(const std::string& before, const std::string& after) {
    require(before.size() >= wav_header_bytes, "accepted a short header");
    const std::uint32_t old_data_size = u32_at(before, 40);
    const std::uint32_t new_data_size = u32_at(after, 40);
    require(u32_at(after, 4) == new_data_size + 36, "riff_size");
    require(new_data_size > old_data_size, "data_size did not grow");
    require(after.size() >= wav_header_bytes + std::uint64_t{new_data_size}, "data past the end");
    // Bytes 4 to 7 and 40 to 43 are the sizes; everything else up to the old data's end stays.
    const std::size_t kept = wav_header_bytes + old_data_size;
    for (std::size_t i = 0; i < kept; ++i)
        if ((i < 4 || i >= 8) && (i < 40 || i >= 44))
            require(before[i] == after[i], "old header or sample changed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    take_options(data, size);
    std::FILE* input = memory_file(reinterpret_cast<const std::uint8_t*>(appended_text),
                                   std::strlen(appended_text), "rb");
    std::FILE* target = memory_file(data, size, "r+b");
    const int result = encode_stream(input, target);
    const std::string before(reinterpret_cast<const char*>(data), size);
    const std::string after = file_bytes(target);
    std::fclose(input);
    std::fclose(target);

    require(result == 0 || result == 1, "encode result");
    if (result == 0)
        require(after == before, "a refused target was changed");
    else
        check_appended(before, after);
    return 0;
}
