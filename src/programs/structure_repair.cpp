// Repairing bytes that a tape's content cannot hold, from the decoder's least sure bits.
#include "programs/structure_repair.h"

#include "programs/monitor_65v.h"
#include "programs/record_lines.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// A reading of a byte one or two bit changes away from what was read. Its cost is the sum of
// the changed bits' margins: the less sure the decoder was of them, the likelier the change.
struct Candidate {
    std::uint8_t byte = 0;
    float cost = 0;
    float margin = 0; // the largest margin of a changed bit
};

// Calls visit(candidate) for every reading of `read` with one or two of its data bits changed,
// each read with a margin under most_repair_margin.
template <typename Visit>
void for_each_candidate(const ReadByte& read, Visit&& visit) {
    for (int a = 0; a < read.data_bits; ++a) {
        const float da = std::fabs(read.data_d[static_cast<std::size_t>(a)]);
        if (da >= most_repair_margin)
            continue;
        const auto once = static_cast<std::uint8_t>(read.byte ^ (1U << a));
        visit(Candidate{once, da, da});
        for (int b = a + 1; b < read.data_bits; ++b) {
            const float db = std::fabs(read.data_d[static_cast<std::size_t>(b)]);
            if (db < most_repair_margin)
                visit(Candidate{static_cast<std::uint8_t>(once ^ (1U << b)), da + db,
                                std::max(da, db)});
        }
    }
}

// The cheapest candidate that `is_allowed` takes, if any.
template <typename Allowed>
std::optional<Candidate> nearest_allowed(const ReadByte& read, Allowed&& is_allowed) {
    std::optional<Candidate> best;
    for_each_candidate(read, [&](const Candidate& candidate) {
        if (is_allowed(candidate.byte) && (!best || candidate.cost < best->cost))
            best = candidate;
    });
    return best;
}

bool is_listing_byte(std::uint8_t byte) {
    // OSI BASIC text is 7-bit ASCII: printable characters, CR and LF line ends, NUL padding.
    return byte == 0 || byte == '\n' || byte == '\r' || (byte >= 0x20 && byte < 0x7F);
}

bool is_65v_byte(std::uint8_t byte) {
    return hex_value(byte) >= 0 || byte == '.' || byte == '/' || byte == 'G' || byte == '\r' ||
           byte == '\n' || byte == 0;
}

bool is_hex_digit(std::uint8_t byte) { return hex_value(byte) >= 0; }

struct Repairing {
    std::vector<ReadByte>& bytes;
    std::vector<ByteRepair> repairs;
    std::vector<bool> is_changed; // a byte is changed once at most: its readings were of the old

    template <typename Allowed>
    void repair_range(std::size_t first, std::size_t end, Allowed&& is_allowed) {
        for (std::size_t i = first; i < end; ++i) {
            if (is_allowed(bytes[i].byte) || is_changed[i])
                continue;
            if (const auto found = nearest_allowed(bytes[i], is_allowed))
                change(i, *found);
        }
    }

    void change(std::size_t offset, const Candidate& candidate) {
        repairs.push_back({offset, bytes[offset].byte, candidate.byte, candidate.margin});
        bytes[offset].byte = candidate.byte;
        is_changed[offset] = true;
    }
};

std::vector<std::uint8_t> plain(const std::vector<ReadByte>& bytes) {
    std::vector<std::uint8_t> text;
    text.reserve(bytes.size());
    for (const ReadByte& read : bytes)
        text.push_back(read.byte);
    return text;
}

std::size_t first_of(const std::vector<std::uint8_t>& text, std::uint8_t wanted) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == wanted)
            return i;
    return text.size();
}

// From the first "." to where the monitor would stop reading: the bytes after the "G" belong to
// the started program (a cc65 boot tape's raw bytes).
void repair_65v(Repairing& repairing, std::size_t end) {
    const std::vector<std::uint8_t> text = plain(repairing.bytes);
    const std::size_t first = first_of(text, '.');
    if (first >= end)
        return;
    repairing.repair_range(first, std::min(end, read_65v(text).end_offset), is_65v_byte);
}

// The record's bytes, when its digits are whole and its checksum holds.
bool is_sound_record(const std::vector<std::uint8_t>& text, const RecordLine& line) {
    std::vector<std::uint8_t> bytes;
    std::vector<Problem> problems;
    if (!read_hex_pairs(text, line, line.offset + 1, bytes, problems) || bytes.size() < 5 ||
        bytes.size() != 5U + bytes[0])
        return false;
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i + 2 < bytes.size(); ++i)
        sum = static_cast<std::uint16_t>(sum + bytes[i]);
    return sum == (bytes[bytes.size() - 2] << 8 | bytes[bytes.size() - 1]);
}

// A record whose checksum fails: the one digit, changed to another digit, that makes it hold.
void repair_checksum(Repairing& repairing, std::vector<std::uint8_t>& text,
                     const RecordLine& line) {
    std::optional<Candidate> best;
    std::size_t best_offset = 0;
    for (std::size_t i = line.offset + 1; i < line.offset + line.size; ++i) {
        if (repairing.is_changed[i])
            continue;
        const std::uint8_t read = text[i];
        for_each_candidate(repairing.bytes[i], [&](const Candidate& candidate) {
            if (!is_hex_digit(candidate.byte) || (best && best->cost <= candidate.cost))
                return;
            text[i] = candidate.byte;
            if (is_sound_record(text, line)) {
                best = candidate;
                best_offset = i;
            }
            text[i] = read;
        });
    }
    if (best) {
        repairing.change(best_offset, *best);
        text[best_offset] = best->byte;
    }
}

void repair_records(Repairing& repairing) {
    std::vector<std::uint8_t> text = plain(repairing.bytes);
    const std::size_t first_record = first_of(text, ';');
    // A 65V loader often comes before the records.
    repair_65v(repairing, first_record);
    text = plain(repairing.bytes);
    for (const RecordLine& line : record_lines(text)) {
        if (text[line.offset] != ';')
            continue;
        const std::size_t before = repairing.repairs.size();
        repairing.repair_range(line.offset + 1, line.offset + line.size, is_hex_digit);
        for (std::size_t r = before; r < repairing.repairs.size(); ++r)
            text[repairing.repairs[r].offset] = repairing.repairs[r].after;
        if (!is_sound_record(text, line))
            repair_checksum(repairing, text, line);
    }
}

} // namespace

std::vector<ByteRepair> repair_from_structure(TapeContent content, std::vector<ReadByte>& bytes) {
    Repairing repairing{bytes, {}, std::vector<bool>(bytes.size(), false)};
    switch (content) {
    case TapeContent::BasicListing:
        // Every byte: the echo of LIST and the prompts around a listing are 7-bit text too.
        repairing.repair_range(0, bytes.size(), is_listing_byte);
        break;
    case TapeContent::LoadText65v:
        repair_65v(repairing, bytes.size());
        break;
    case TapeContent::ChecksumRecords:
        repair_records(repairing);
        break;
    case TapeContent::OtherData:
        // Any byte may stand in data.
        break;
    }
    return repairing.repairs;
}

MendedTape mend_tape(std::vector<ReadByte>& bytes) {
    MendedTape mended;
    mended.content = classify_tape(plain(bytes));
    mended.repairs = repair_from_structure(mended.content, bytes);
    return mended;
}
