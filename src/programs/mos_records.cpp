#include "programs/mos_records.h"

#include "programs/record_lines.h"

namespace {

constexpr std::size_t bytes_per_record = 24;
// Count and two address bytes before the data, two checksum bytes after it.
constexpr std::size_t header_bytes = 3;
constexpr std::size_t checksum_bytes = 2;

std::uint16_t checksum_of(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum = static_cast<std::uint16_t>(sum + bytes[i]);
    return sum;
}

std::string record(std::uint16_t address, const std::vector<std::uint8_t>& data, int nul_count) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(header_bytes + data.size() + checksum_bytes);
    bytes.push_back(static_cast<std::uint8_t>(data.size()));
    bytes.push_back(static_cast<std::uint8_t>(address >> 8));
    bytes.push_back(static_cast<std::uint8_t>(address & 0xFF));
    for (const std::uint8_t byte : data)
        bytes.push_back(byte);
    const std::uint16_t sum = checksum_of(bytes, bytes.size());
    bytes.push_back(static_cast<std::uint8_t>(sum >> 8));
    bytes.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    std::string text = ";";
    append_hex_pairs(text, bytes);
    text += '\r';
    return text.append(static_cast<std::size_t>(nul_count), '\0');
}

struct MosReading {
    ImageBuilder builder;
    ReadResult result;
    std::uint32_t data_records = 0;
    bool is_ended = false;

    void problem(std::size_t offset, std::string message) {
        result.problems.push_back({offset, std::move(message)});
    }
};

void apply_record(MosReading& reading, std::size_t offset, const std::vector<std::uint8_t>& bytes) {
    const std::uint32_t address = static_cast<std::uint32_t>(bytes[1] << 8 | bytes[2]);
    if (bytes[0] == 0) {
        reading.is_ended = true;
        if (address != reading.data_records)
            reading.problem(offset, "found a count of " + std::to_string(address) +
                                        " records where " + std::to_string(reading.data_records) +
                                        " were read");
        return;
    }
    ++reading.data_records;
    for (std::size_t i = 0; i < bytes[0]; ++i) {
        const std::uint32_t at = address + static_cast<std::uint32_t>(i);
        if (at >= address_space_bytes) {
            reading.problem(offset, "found address " + hex_digits(at, 5) +
                                        " where addresses up to FFFF were expected");
            return;
        }
        if (!reading.builder.store(static_cast<std::uint16_t>(at), bytes[header_bytes + i]))
            reading.problem(offset, "found a second value for address " + hex_digits(at, 4) +
                                        " where each address is loaded once");
    }
}

void read_record(MosReading& reading, const std::vector<std::uint8_t>& text,
                 const RecordLine& line) {
    std::vector<std::uint8_t> bytes;
    if (!read_hex_pairs(text, line, line.offset + 1, bytes, reading.result.problems))
        return;
    const std::size_t expected = bytes.empty() ? 0 : header_bytes + bytes[0] + checksum_bytes;
    if (bytes.empty() || bytes.size() != expected) {
        reading.problem(line.offset,
                        "found " + std::to_string(bytes.size()) + " bytes where " +
                            (bytes.empty() ? std::string("a record") : std::to_string(expected)) +
                            " were expected");
        return;
    }
    const std::size_t data_end = bytes.size() - checksum_bytes;
    const std::uint16_t sum = checksum_of(bytes, data_end);
    const std::uint16_t found =
        static_cast<std::uint16_t>(bytes[data_end] << 8 | bytes[data_end + 1]);
    if (sum != found) {
        reading.problem(line.offset + line.size - 4, "found checksum " + hex_digits(found, 4) +
                                                         " where " + hex_digits(sum, 4) +
                                                         " was expected");
        return;
    }
    apply_record(reading, line.offset, bytes);
}

} // namespace

std::string write_mos_records(const MemoryImage& image, int nul_count) {
    std::string text;
    std::uint16_t count = 0;
    for_each_record(image, bytes_per_record,
                    [&](std::uint16_t address, const std::vector<std::uint8_t>& data) {
                        text += record(address, data, nul_count);
                        ++count;
                    });
    return text + record(count, {}, nul_count);
}

ReadResult read_mos_records(const std::vector<std::uint8_t>& text) {
    MosReading reading;
    reading.result.end_offset = text.size();
    bool has_record = false;
    for (const RecordLine& line : record_lines(text)) {
        // A line without ";" is not a record: the loader before them, or an echo.
        if (text[line.offset] != ';')
            continue;
        has_record = true;
        read_record(reading, text, line);
        if (reading.is_ended) {
            reading.result.end_offset = line.offset + line.size;
            break;
        }
    }
    if (!has_record)
        reading.problem(text.size(), "found the end where a record (\";\") was expected");
    else if (!reading.is_ended)
        reading.problem(text.size(), "found the end where the last record (count 00) was expected");
    reading.result.image = reading.builder.image();
    return reading.result;
}
