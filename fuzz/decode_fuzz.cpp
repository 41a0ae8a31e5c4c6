// The WAV reader and the whole decoder: arbitrary bytes as the input file, decoded into a scratch
// target.
//
// The run's options come from the header's format_chunk_size (bytes 16 to 19), which the decoder
// never reads, so every input is also a plain WAV file and the encoder's files (16, 0, 0, 0
// there) decode with the defaults. Byte 17, bit by bit: -X, -R1, -D, -S, -E, -O; byte 18: -C as
// a signed value.
#include "fuzz_support.h"

#include "cli/options.h"
#include "decoder/decode_stream.h"

namespace {

constexpr std::size_t flags_offset = 17;
constexpr std::size_t channel_offset = 18;

void take_options(const std::uint8_t* data, std::size_t size) {
    reset_options();
    if (size <= channel_offset)
        return;
    const std::uint8_t flags = data[flags_offset];
    options.diagnostics = (flags & 0x01) != 0;
    options.fast_rate = (flags & 0x02) != 0 ? 1 : 0;
    options.seven_data_bits = (flags & 0x04) != 0;
    options.one_stop_bit = (flags & 0x08) != 0;
    options.even_parity = (flags & 0x10) != 0;
    options.odd_parity = (flags & 0x20) != 0;
    options.channel = static_cast<std::int8_t>(data[channel_offset]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    take_options(data, size);
    options.decode_mode = true;
    std::FILE* input = memory_file(data, size, "rb");
    std::FILE* target = memory_file(nullptr, 0, "w+b");
    const std::int64_t result = decode_stream(input, target, options.channel, options.fast_rate);
    const std::string decoded = file_bytes(target);
    std::fclose(input);
    std::fclose(target);

    // A rejected header, or a refused rate or channel, writes nothing; an accepted one returns
    // data_size, which bounds the bytes decoded, since every byte takes many samples.
    require(result == -1 || result == -2 || result == -4 || result == refused_rate ||
                result == refused_channel || result >= 0,
            "decode result");
    if (result < 0)
        require(decoded.empty(), "bytes written for a rejected header");
    else
        require(static_cast<std::int64_t>(decoded.size()) <= result, "more bytes than samples");
    return 0;
}
