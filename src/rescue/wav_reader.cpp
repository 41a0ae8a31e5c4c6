// The RIFF walk: a 12-byte "RIFF" size "WAVE" preamble, then chunks of a 4-byte id, a 32-bit
// little-endian size and that many bytes, padded to an even length. Only "fmt " and "data"
// matter here; every other chunk is stepped over.
#include "rescue/wav_reader.h"

#include "base/platform.h"
#include "base/byte_order.h"

#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr std::uint16_t tag_pcm = 1;
constexpr std::uint16_t tag_float = 3;
constexpr std::uint16_t tag_extensible = 0xFFFE;
constexpr int plain_format_bytes = 16;
constexpr int extensible_format_bytes = 40;
// The 14 bytes that follow the format tag in every KSDATAFORMAT_SUBTYPE GUID of a WAVE format.
constexpr std::array<std::uint8_t, 14> subtype_guid_tail = {
    0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// A chunk id as it can be shown in a message: printable ASCII as is, anything else as \xNN.
std::string printable_id(const std::uint8_t* id) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (id[i] >= 0x20 && id[i] < 0x7F && id[i] != '"' && id[i] != '\\') {
            text.push_back(static_cast<char>(id[i]));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", id[i]);
            text += escaped;
        }
    }
    return text;
}

std::string found_where_expected(const std::uint8_t* id, const char* expected) {
    return "found \"" + printable_id(id) + "\" where \"" + expected + "\" was expected";
}

bool read_exact(std::FILE* input, std::uint8_t* bytes, std::size_t count) {
    return std::fread(bytes, 1, count, input) == count;
}

const char* tag_name(std::uint16_t tag) {
    switch (tag) {
    case 2:
        return "Microsoft ADPCM";
    case 6:
        return "A-law";
    case 7:
        return "mu-law";
    case 0x11:
        return "IMA ADPCM";
    case 0x55:
        return "MP3";
    default:
        return "unknown";
    }
}

// The format tag that counts: the plain tag, or for WAVE_FORMAT_EXTENSIBLE the first two bytes
// of its sub-format GUID (0 when the GUID is not one of the standard WAVE sub-formats).
std::uint16_t effective_tag(const std::uint8_t* body, std::uint32_t size, std::string& problem) {
    const std::uint16_t tag = bytes_to_u16(body);
    if (tag != tag_extensible)
        return tag;
    if (size < extensible_format_bytes) {
        problem = "an extensible \"fmt \" chunk of " + std::to_string(size) +
                  " bytes, where at least 40 were expected";
        return 0;
    }
    if (std::memcmp(body + 26, subtype_guid_tail.data(), subtype_guid_tail.size()) != 0) {
        problem = "an extensible format whose sub-format is not a WAVE format GUID";
        return 0;
    }
    return bytes_to_u16(body + 24);
}

bool check_sample_type(SampleEncoding encoding, int bits, std::uint16_t tag, std::string& problem) {
    const bool is_supported = encoding == SampleEncoding::Integer
                                  ? (bits == 8 || bits == 16 || bits == 24 || bits == 32)
                                  : (bits == 32 || bits == 64);
    if (!is_supported) {
        problem = std::to_string(bits) +
                  (tag == tag_float ? "-bit float samples, where 32 or 64 bits were expected"
                                    : "-bit integer samples, where 8, 16, 24 or 32 bits were "
                                      "expected");
    }
    return is_supported;
}

// Reads the fields of a "fmt " chunk body (at least 16 bytes) into `format`.
bool parse_format(const std::uint8_t* body, std::uint32_t size, WavFormat& format,
                  std::string& problem) {
    const std::uint16_t tag = effective_tag(body, size, problem);
    if (!problem.empty())
        return false;
    if (tag != tag_pcm && tag != tag_float) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "format tag 0x%04X (%s), where integer PCM (1) or float (3) was expected",
                      tag, tag_name(tag));
        problem = text;
        return false;
    }
    format.encoding = tag == tag_float ? SampleEncoding::Float : SampleEncoding::Integer;
    format.channels = bytes_to_u16(body + 2);
    format.rate_hz = bytes_to_u32(body + 4);
    const int block_align = bytes_to_u16(body + 12);
    format.bits = bytes_to_u16(body + 14);
    if (format.channels == 0) {
        problem = "0 channels, where at least 1 was expected";
        return false;
    }
    if (format.rate_hz < lowest_rate_hz || format.rate_hz > highest_rate_hz) {
        problem = std::to_string(format.rate_hz) +
                  " samples per second, where 8000 to 192000 were expected";
        return false;
    }
    if (!check_sample_type(format.encoding, format.bits, tag, problem))
        return false;
    format.frame_bytes = format.channels * (format.bits / 8);
    if (block_align != format.frame_bytes) {
        problem = "a block align of " + std::to_string(block_align) + " bytes, where " +
                  std::to_string(format.channels) + " channel(s) of " +
                  std::to_string(format.bits) + " bits take " + std::to_string(format.frame_bytes);
        return false;
    }
    return true;
}

// Reads a "fmt " chunk of `size` bytes and leaves the stream after it (and its pad byte).
bool read_format_chunk(std::FILE* input, std::uint32_t size, WavFormat& format,
                       std::string& problem) {
    if (size < plain_format_bytes) {
        problem = "a \"fmt \" chunk of " + std::to_string(size) +
                  " bytes, where at least 16 were expected";
        return false;
    }
    std::array<std::uint8_t, extensible_format_bytes> body{};
    const std::uint32_t kept = size < body.size() ? size : static_cast<std::uint32_t>(body.size());
    if (!read_exact(input, body.data(), kept)) {
        problem = "the end of the file inside the \"fmt \" chunk";
        return false;
    }
    const long rest = static_cast<long>(size - kept) + static_cast<long>(size & 1);
    if (rest > 0 && std::fseek(input, rest, SEEK_CUR) != 0) {
        problem = "a \"fmt \" chunk that cannot be stepped over";
        return false;
    }
    return parse_format(body.data(), size, format, problem);
}

// The data chunk: where its samples begin and how many whole frames the file really holds.
void locate_samples(std::FILE* input, std::int64_t offset, std::uint32_t size, WavFormat& format) {
    format.data_offset = offset;
    format.declared_bytes = size;
    std::int64_t bytes = size;
    const std::int64_t file_bytes = file_size(input);
    if (is_regular_file(input) && file_bytes >= 0 && file_bytes - offset < bytes) {
        bytes = file_bytes - offset;
        format.is_truncated = true;
    }
    format.frame_count = bytes / format.frame_bytes;
}

} // namespace

bool read_wav_format(std::FILE* input, WavFormat& format, std::string& problem) {
    format = WavFormat{};
    std::uint8_t preamble[12];
    if (!read_exact(input, preamble, sizeof preamble)) {
        problem = "a file of fewer than 12 bytes, where a RIFF/WAVE header was expected";
        return false;
    }
    if (std::memcmp(preamble, "RIFF", 4) != 0) {
        problem = found_where_expected(preamble, "RIFF");
        return false;
    }
    if (std::memcmp(preamble + 8, "WAVE", 4) != 0) {
        problem = found_where_expected(preamble + 8, "WAVE");
        return false;
    }
    std::int64_t offset = sizeof preamble;
    bool has_format = false;
    for (;;) {
        std::uint8_t chunk[8];
        if (!read_exact(input, chunk, sizeof chunk)) {
            problem = has_format ? "the end of the file where a \"data\" chunk was expected"
                                 : "the end of the file where a \"fmt \" chunk was expected";
            return false;
        }
        const std::uint32_t size = bytes_to_u32(chunk + 4);
        offset += sizeof chunk;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (!read_format_chunk(input, size, format, problem))
                return false;
            has_format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!has_format) {
                problem = "a \"data\" chunk where a \"fmt \" chunk was expected first";
                return false;
            }
            locate_samples(input, offset, size, format);
            return true;
        } else if (std::fseek(input, static_cast<long>(size) + static_cast<long>(size & 1),
                              SEEK_CUR) != 0) {
            problem = "a \"" + printable_id(chunk) + "\" chunk that cannot be stepped over";
            return false;
        }
        offset += static_cast<std::int64_t>(size) + (size & 1);
    }
}

namespace {

// One sample at `p`, scaled to the 16-bit range. 8-bit samples are unsigned around 128; wider
// integers keep their top 16 bits; floats are clamped to -1..1 and rounded.
std::int32_t sample_at(const std::uint8_t* p, const WavFormat& format) {
    if (format.encoding == SampleEncoding::Float) {
        double value = 0;
        if (format.bits == 32) {
            float single = 0;
            std::uint32_t raw = bytes_to_u32(p);
            std::memcpy(&single, &raw, sizeof single);
            value = single;
        } else {
            std::uint64_t raw =
                bytes_to_u32(p) | (static_cast<std::uint64_t>(bytes_to_u32(p + 4)) << 32);
            std::memcpy(&value, &raw, sizeof value);
        }
        if (!(value > -1.0)) // also catches NaN
            value = value == value ? -1.0 : 0.0;
        if (value > 1.0)
            value = 1.0;
        return static_cast<std::int32_t>(std::lround(value * 32767.0));
    }
    switch (format.bits) {
    case 8:
        return (p[0] - 128) * 256;
    case 16:
        return static_cast<std::int16_t>(bytes_to_u16(p));
    default:
        // 24 and 32 bits: the two most significant bytes are the last two.
        return static_cast<std::int16_t>(bytes_to_u16(p + format.bits / 8 - 2));
    }
}

} // namespace

std::int64_t read_wav_frames(std::FILE* input, const WavFormat& format, std::int32_t* out,
                             std::int64_t max_frames) {
    std::array<std::uint8_t, 8192> block{};
    const std::int64_t frames_per_block =
        static_cast<std::int64_t>(block.size()) / format.frame_bytes;
    std::int64_t done = 0;
    const int sample_bytes = format.bits / 8;
    while (done < max_frames) {
        // A frame wider than the block (thousands of channels) is read one at a time through
        // a heap buffer of its own size.
        if (frames_per_block == 0) {
            std::string frame(static_cast<std::size_t>(format.frame_bytes), '\0');
            if (std::fread(frame.data(), 1, frame.size(), input) != frame.size())
                return done;
            for (int c = 0; c < format.channels; ++c)
                *out++ = sample_at(
                    reinterpret_cast<const std::uint8_t*>(frame.data()) + c * sample_bytes, format);
            ++done;
            continue;
        }
        const std::int64_t wanted =
            max_frames - done < frames_per_block ? max_frames - done : frames_per_block;
        const std::size_t got =
            std::fread(block.data(), static_cast<std::size_t>(format.frame_bytes),
                       static_cast<std::size_t>(wanted), input);
        for (std::size_t i = 0; i < got * static_cast<std::size_t>(format.channels); ++i)
            *out++ = sample_at(block.data() + i * sample_bytes, format);
        done += static_cast<std::int64_t>(got);
        if (static_cast<std::int64_t>(got) < wanted)
            return done;
    }
    return done;
}

bool rewind_to_samples(std::FILE* input, const WavFormat& format) {
    return std::fseek(input, static_cast<long>(format.data_offset), SEEK_SET) == 0;
}
