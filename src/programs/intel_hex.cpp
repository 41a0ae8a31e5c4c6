#include "programs/intel_hex.h"

#include "programs/record_lines.h"

namespace {

enum RecordType : std::uint8_t {
    data_record = 0x00,
    end_record = 0x01,
    segment_record = 0x02,
    segment_start_record = 0x03,
    linear_record = 0x04,
    linear_start_record = 0x05
};

constexpr std::size_t bytes_per_record = 16;
// Count, two address bytes, type: before the data; the checksum after it.
constexpr std::size_t header_bytes = 4;

std::string record(std::uint16_t address, std::uint8_t type,
                   const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(header_bytes + data.size() + 1);
    bytes.push_back(static_cast<std::uint8_t>(data.size()));
    bytes.push_back(static_cast<std::uint8_t>(address >> 8));
    bytes.push_back(static_cast<std::uint8_t>(address & 0xFF));
    bytes.push_back(type);
    for (const std::uint8_t byte : data)
        bytes.push_back(byte);
    std::uint8_t sum = 0;
    for (const std::uint8_t byte : bytes)
        sum = static_cast<std::uint8_t>(sum + byte);
    bytes.push_back(static_cast<std::uint8_t>(-sum));
    std::string text = ":";
    append_hex_pairs(text, bytes);
    text += "\r\n";
    return text;
}

struct HexReading {
    ImageBuilder builder;
    ReadResult result;
    std::uint32_t base = 0; // from type 02 and 04 records
    bool is_ended = false;

    void problem(std::size_t offset, std::string message) {
        result.problems.push_back({offset, std::move(message)});
    }
};

void store_data(HexReading& reading, std::size_t offset, std::uint32_t address,
                const std::vector<std::uint8_t>& data) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint32_t at = reading.base + address + static_cast<std::uint32_t>(i);
        if (at >= address_space_bytes) {
            reading.problem(offset, "found address " + hex_digits(at, 6) +
                                        " where addresses up to FFFF were expected");
            return;
        }
        if (!reading.builder.store(static_cast<std::uint16_t>(at), data[i]))
            reading.problem(offset, "found a second value for address " + hex_digits(at, 4) +
                                        " where each address is loaded once");
    }
}

void set_run(HexReading& reading, std::size_t offset, std::uint32_t address) {
    if (address >= address_space_bytes)
        reading.problem(offset, "found start address " + hex_digits(address, 8) +
                                    " where addresses up to FFFF were expected");
    else
        reading.builder.set_run_address(static_cast<std::uint16_t>(address));
}

std::uint32_t value_of(const std::vector<std::uint8_t>& data) {
    std::uint32_t value = 0;
    for (const std::uint8_t byte : data)
        value = value << 8 | byte;
    return value;
}

void apply_record(HexReading& reading, std::size_t offset, const std::vector<std::uint8_t>& bytes) {
    const std::uint32_t address = static_cast<std::uint32_t>(bytes[1] << 8 | bytes[2]);
    const std::vector<std::uint8_t> data(bytes.begin() + header_bytes, bytes.end() - 1);
    switch (bytes[3]) {
    case data_record:
        store_data(reading, offset, address, data);
        break;
    case end_record:
        reading.is_ended = true;
        break;
    case segment_record:
        reading.base = value_of(data) << 4;
        break;
    case linear_record:
        reading.base = value_of(data) << 16;
        break;
    case segment_start_record:
        set_run(reading, offset, (value_of(data) >> 16 << 4) + (value_of(data) & 0xFFFF));
        break;
    case linear_start_record:
        set_run(reading, offset, value_of(data));
        break;
    default:
        reading.problem(offset + 7, "found record type " + hex_digits(bytes[3], 2) +
                                        " where 00 to 05 was expected");
    }
}

// Types 02 to 05 carry a fixed number of bytes.
std::size_t data_size_of(std::uint8_t type) {
    return type == segment_record || type == linear_record ? 2 : type <= end_record ? 0 : 4;
}

void read_record(HexReading& reading, const std::vector<std::uint8_t>& text,
                 const RecordLine& line) {
    if (text[line.offset] != ':') {
        reading.problem(line.offset,
                        "found " + byte_name(text[line.offset]) + " where \":\" was expected");
        return;
    }
    std::vector<std::uint8_t> bytes;
    if (!read_hex_pairs(text, line, line.offset + 1, bytes, reading.result.problems))
        return;
    if (bytes.size() < header_bytes + 1 || bytes.size() != header_bytes + 1 + bytes[0]) {
        reading.problem(line.offset,
                        "found " + std::to_string(bytes.size()) + " bytes where " +
                            (bytes.empty() ? std::string("a record")
                                           : std::to_string(header_bytes + 1 + bytes[0])) +
                            " were expected");
        return;
    }
    std::uint8_t sum = 0;
    for (const std::uint8_t byte : bytes)
        sum = static_cast<std::uint8_t>(sum + byte);
    if (sum != 0) {
        const std::uint8_t expected = static_cast<std::uint8_t>(bytes.back() - sum);
        reading.problem(line.offset + line.size - 2, "found checksum " +
                                                         hex_digits(bytes.back(), 2) + " where " +
                                                         hex_digits(expected, 2) + " was expected");
        return;
    }
    if (bytes[3] != data_record && bytes[3] <= linear_start_record &&
        bytes[0] != data_size_of(bytes[3])) {
        reading.problem(line.offset + 1,
                        "found count " + hex_digits(bytes[0], 2) + " where " +
                            hex_digits(static_cast<std::uint32_t>(data_size_of(bytes[3])), 2) +
                            " was expected for type " + hex_digits(bytes[3], 2));
        return;
    }
    apply_record(reading, line.offset, bytes);
}

} // namespace

std::string write_intel_hex(const MemoryImage& image) {
    std::string text;
    for_each_record(image, bytes_per_record,
                    [&](std::uint16_t address, const std::vector<std::uint8_t>& data) {
                        text += record(address, data_record, data);
                    });
    if (image.run_address)
        text += record(0, linear_start_record,
                       {0, 0, static_cast<std::uint8_t>(*image.run_address >> 8),
                        static_cast<std::uint8_t>(*image.run_address & 0xFF)});
    return text + record(0, end_record, {});
}

ReadResult read_intel_hex(const std::vector<std::uint8_t>& text) {
    HexReading reading;
    return read_record_text(reading, text,
                            "found the end where an end record (:00000001FF) was expected");
}
