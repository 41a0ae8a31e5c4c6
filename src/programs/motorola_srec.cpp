#include "programs/motorola_srec.h"

#include "programs/record_lines.h"

namespace {

constexpr std::size_t bytes_per_record = 16;
// The record types' address lengths in bytes, S0 to S9; 0 for S4, which is not used.
constexpr std::size_t address_bytes_of[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

std::string record(char type, std::uint32_t address, std::size_t address_bytes,
                   const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(1 + address_bytes + data.size() + 1);
    bytes.push_back(static_cast<std::uint8_t>(address_bytes + data.size() + 1));
    for (std::size_t i = address_bytes; i-- > 0;)
        bytes.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
    for (const std::uint8_t byte : data)
        bytes.push_back(byte);
    std::uint8_t sum = 0;
    for (const std::uint8_t byte : bytes)
        sum = static_cast<std::uint8_t>(sum + byte);
    bytes.push_back(static_cast<std::uint8_t>(~sum));
    std::string text = {'S', type};
    append_hex_pairs(text, bytes);
    text += '\n';
    return text;
}

struct SrecReading {
    ImageBuilder builder;
    ReadResult result;
    std::uint32_t data_records = 0;
    bool is_ended = false;

    void problem(std::size_t offset, std::string message) {
        result.problems.push_back({offset, std::move(message)});
    }
};

void store_data(SrecReading& reading, std::size_t offset, std::uint32_t address,
                const std::vector<std::uint8_t>& data) {
    ++reading.data_records;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint32_t at = address + static_cast<std::uint32_t>(i);
        if (at >= address_space_bytes) {
            reading.problem(offset, "found address " + hex_digits(at, 8) +
                                        " where addresses up to FFFF were expected");
            return;
        }
        if (!reading.builder.store(static_cast<std::uint16_t>(at), data[i]))
            reading.problem(offset, "found a second value for address " + hex_digits(at, 4) +
                                        " where each address is loaded once");
    }
}

void apply_record(SrecReading& reading, std::size_t offset, int type, std::uint32_t address,
                  const std::vector<std::uint8_t>& data) {
    switch (type) {
    case 1:
    case 2:
    case 3:
        store_data(reading, offset, address, data);
        break;
    case 5:
    case 6:
        if (address != reading.data_records)
            reading.problem(offset, "found a count of " + std::to_string(address) +
                                        " records where " + std::to_string(reading.data_records) +
                                        " were read");
        break;
    case 7:
    case 8:
    case 9:
        reading.is_ended = true;
        if (address >= address_space_bytes)
            reading.problem(offset, "found start address " + hex_digits(address, 8) +
                                        " where addresses up to FFFF were expected");
        else if (address != 0)
            reading.builder.set_run_address(static_cast<std::uint16_t>(address));
        break;
    default: // S0, a header
        break;
    }
}

void read_record(SrecReading& reading, const std::vector<std::uint8_t>& text,
                 const RecordLine& line) {
    const std::uint8_t first = text[line.offset];
    if (first != 'S' && first != 's') {
        reading.problem(line.offset, "found " + byte_name(first) + " where \"S\" was expected");
        return;
    }
    const std::uint8_t type_digit = line.size > 1 ? text[line.offset + 1] : 0x0D;
    if (type_digit < '0' || type_digit > '9' || type_digit == '4') {
        reading.problem(line.offset + 1, "found " + byte_name(type_digit) +
                                             " where a record type 0 to 3 or 5 to 9 was expected");
        return;
    }
    const int type = type_digit - '0';
    std::vector<std::uint8_t> bytes;
    if (!read_hex_pairs(text, line, line.offset + 2, bytes, reading.result.problems))
        return;
    const std::size_t address_bytes = address_bytes_of[type];
    if (bytes.size() < address_bytes + 2 || bytes.size() != std::size_t{bytes[0]} + 1) {
        reading.problem(line.offset + 2, "found " + std::to_string(bytes.size()) + " bytes where " +
                                             (bytes.size() < address_bytes + 2
                                                  ? "at least " + std::to_string(address_bytes + 2)
                                                  : std::to_string(std::size_t{bytes[0]} + 1)) +
                                             " were expected");
        return;
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    if (static_cast<std::uint8_t>(~sum) != bytes.back()) {
        reading.problem(line.offset + line.size - 2,
                        "found checksum " + hex_digits(bytes.back(), 2) + " where " +
                            hex_digits(static_cast<std::uint8_t>(~sum), 2) + " was expected");
        return;
    }
    std::uint32_t address = 0;
    for (std::size_t i = 1; i <= address_bytes; ++i)
        address = address << 8 | bytes[i];
    apply_record(reading, line.offset, type, address,
                 {bytes.begin() + static_cast<std::ptrdiff_t>(1 + address_bytes), bytes.end() - 1});
}

} // namespace

std::string write_srec(const MemoryImage& image) {
    std::string text = record('0', 0, 2, {});
    std::uint32_t count = 0;
    for_each_record(image, bytes_per_record,
                    [&](std::uint16_t address, const std::vector<std::uint8_t>& data) {
                        text += record('1', address, 2, data);
                        ++count;
                    });
    // 64 KB in 16-byte records is at most 4096 records: S5's two bytes always hold the count.
    text += record('5', count, 2, {});
    return text + record('9', image.run_address.value_or(0), 2, {});
}

ReadResult read_srec(const std::vector<std::uint8_t>& text) {
    SrecReading reading;
    return read_record_text(reading, text,
                            "found the end where an end record (S7, S8 or S9) was expected");
}
