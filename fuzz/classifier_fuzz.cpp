// The classifier and the frame assembler: an arbitrary stream of half-period events, under an
// arbitrary input rate and any framing the options allow.
//
// Input layout: 4 bytes of sample rate (little-endian, any value, so refused rates too), one
// byte of flags (bit by bit: 600 baud, 7 data bits, 1 stop bit, even parity, odd parity, -X,
// encoder rate 22050), then two bytes per event: its length and the step to its sample index.
// A length byte of 255 takes the next 4 bytes as the length (top bit cleared: the tracker never
// gives a negative length); a step byte of 255 takes the next 4 bytes as the new sample index
// itself, so indexes may jump, repeat and wrap as they do after 2^31 frames.
#include "fuzz_support.h"

#include "cli/options.h"
#include "decoder/kcs_decoder.h"

namespace {

constexpr std::uint8_t escape = 255;

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    bool has(std::size_t count) const { return size - at >= count; }
    std::uint8_t byte() { return data[at++]; }
    std::uint32_t u32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= std::uint32_t{byte()} << 8 * i;
        return value;
    }
};

void configure(KcsDecoder& decoder, std::uint32_t rate_hz, std::uint8_t flags) {
    options.diagnostics = (flags & 0x20) != 0;
    if ((flags & 0x40) != 0) {
        options.legacy_rate = 1;
        options.sample_rate = 22050;
    }
    decoder.configure_rate(static_cast<std::int32_t>(rate_hz), (flags & 0x01) != 0 ? 600 : 300);
    const std::int32_t parity = (flags & 0x08) != 0 ? 1 : ((flags & 0x10) != 0 ? 2 : 0);
    decoder.configure_frame((flags & 0x02) != 0 ? 7 : 8, (flags & 0x04) != 0 ? 1 : 2, parity);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    reset_options();
    Reader in{data, size};
    if (!in.has(5))
        return 0;
    const std::uint32_t rate_hz = in.u32();
    const std::uint8_t flags = in.byte();
    std::FILE* target = memory_file(nullptr, 0, "w+b");
    std::int64_t events = 0;
    {
        KcsDecoder decoder(target);
        configure(decoder, rate_hz, flags);
        std::uint32_t sample_index = 0;
        while (in.has(2)) {
            std::uint32_t length = in.byte();
            if (length == escape && in.has(4))
                length = in.u32() & 0x7FFFFFFFu;
            if (!in.has(1))
                break;
            const std::uint8_t step = in.byte();
            sample_index = (step == escape && in.has(4)) ? in.u32() : sample_index + step;
            decoder.on_half_period(static_cast<std::int32_t>(length),
                                   static_cast<std::int32_t>(sample_index));
            ++events;
        }
        const std::string decoded = file_bytes(target);
        require(static_cast<std::int64_t>(decoded.size()) == decoder.bytes_written,
                "bytes_written against the target");
        // A byte takes a whole word of bits, and a bit at least one event.
        require(decoder.bytes_written * 9 <= events, "more bytes than events allow");
        require(decoder.framing_errors >= 0 && decoder.parity_errors <= decoder.bytes_written,
                "error counts");
    }
    std::fclose(target);
    return 0;
}
