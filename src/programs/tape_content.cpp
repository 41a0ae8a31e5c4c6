#include "programs/tape_content.h"

#include "programs/basic_listing.h"
#include "programs/binary_image.h"
#include "programs/monitor_65v.h"
#include "programs/record_lines.h"

namespace {

// ";" then at least count, address and checksum: 5 bytes in 10 hex digits.
constexpr std::size_t shortest_record_digits = 10;

bool is_record(const std::vector<std::uint8_t>& bytes, const RecordLine& line) {
    if (bytes[line.offset] != ';' || line.size < 1 + shortest_record_digits)
        return false;
    for (std::size_t i = line.offset + 1; i < line.offset + 1 + shortest_record_digits; ++i)
        if (hex_value(bytes[i]) < 0)
            return false;
    return true;
}

bool has_65v_address(const std::vector<std::uint8_t>& bytes) {
    // ".AAAA/" with NULs allowed nowhere inside: a decoded text keeps it whole.
    constexpr std::size_t form_size = 6;
    for (std::size_t i = 0; i + form_size <= bytes.size(); ++i) {
        if (bytes[i] != '.' || bytes[i + form_size - 1] != '/')
            continue;
        bool are_digits = true;
        for (std::size_t d = 1; d < form_size - 1; ++d)
            are_digits = are_digits && hex_value(bytes[i + d]) >= 0;
        if (are_digits)
            return true;
    }
    return false;
}

bool is_listing(const std::vector<std::uint8_t>& bytes) {
    const std::vector<ListingLine> lines = listing_lines(bytes);
    std::size_t numbered = 0;
    for (const ListingLine& line : lines)
        numbered += !line.text.empty() && line.text[0] >= '0' && line.text[0] <= '9';
    return numbered > 0 && numbered * 2 > lines.size();
}

} // namespace

const char* content_name(TapeContent content) {
    switch (content) {
    case TapeContent::BasicListing:
        return "a BASIC listing";
    case TapeContent::LoadText65v:
        return "a 65V load text";
    case TapeContent::ChecksumRecords:
        return "checksum records";
    case TapeContent::OtherData:
        break;
    }
    return "other data";
}

TapeContent classify_tape(const std::vector<std::uint8_t>& bytes) {
    for (const RecordLine& line : record_lines(bytes))
        if (is_record(bytes, line))
            return TapeContent::ChecksumRecords;
    if (has_65v_address(bytes))
        return TapeContent::LoadText65v;
    if (is_listing(bytes))
        return TapeContent::BasicListing;
    return TapeContent::OtherData;
}

ReadResult read_65v_tape(const std::vector<std::uint8_t>& bytes) {
    if (is_cc65_boot(bytes))
        return read_cc65(bytes, cc65_start_address);
    ReadResult read = read_65v(bytes);
    const std::size_t after_go = bytes_after_go(bytes, read);
    if (after_go > 0)
        read.problems.push_back({read.end_offset, "found " + std::to_string(after_go) +
                                                      " bytes after \"G\" where the load text "
                                                      "should end"});
    return read;
}
