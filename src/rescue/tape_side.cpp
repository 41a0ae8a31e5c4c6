// Cutting a side into programs: first where the line fell quiet or changed rate or framing, then,
// inside each stretch, the clicks at its ends set apart from the program between them.
#include "rescue/tape_side.h"

#include "programs/basic_listing.h"

#include <algorithm>
#include <cctype>

namespace {

// A program ends where no word came for this long: the writers pause for a few character times
// at most inside a program (a line end's NULs are sent, not waited), and a leader runs for 2 s
// or more before the next one.
constexpr double quiet_cut_seconds = 0.75;
// Inside a stretch, words this many word times apart belong to different pieces: a click framed
// as a word or two stands alone in the quiet before or after a program.
constexpr double piece_gap_words = 3;
// A piece of fewer words than this, or with more suspect words than framed ones, is what clicks
// and hiss frame; a program is at least this many words (a one-line listing with its NULs).
constexpr std::size_t least_piece_words = 8;
constexpr std::size_t least_program_words = 16;
// The file name's word is at most this long, and the first line as listed.
constexpr std::size_t longest_name = 16;
constexpr std::size_t longest_first_line = 64;

double word_samples(const DecodedWord& word) {
    return word.bit_samples * word_bits(word.format);
}

bool is_same_line(const DecodedWord& before, const DecodedWord& word) {
    return before.baud == word.baud && before.format == word.format;
}

// Whether the line fell quiet before `word`: a dropout that the clock read on through lost
// words but did not end the program.
bool is_quiet_before(const DecodedWord& word, double rate_hz) {
    return word.lost_before == 0 && word.gap_before >= quiet_cut_seconds * rate_hz;
}

bool is_suspect(const DecodedWord& word) { return word.is_framing_error || word.is_parity_error; }

bool is_junk_piece(const std::vector<DecodedWord>& words, std::size_t first, std::size_t end) {
    const auto suspect = std::count_if(words.begin() + static_cast<std::ptrdiff_t>(first),
                                       words.begin() + static_cast<std::ptrdiff_t>(end),
                                       is_suspect);
    const auto size = static_cast<std::ptrdiff_t>(end - first);
    return end - first < least_piece_words || 2 * suspect > size;
}

// The words [first, end) of the stretch in hand, measured.
SidePart measured(const std::vector<DecodedWord>& words, std::size_t first, std::size_t end) {
    SidePart part;
    part.words.assign(words.begin() + static_cast<std::ptrdiff_t>(first),
                      words.begin() + static_cast<std::ptrdiff_t>(end));
    SideStretch& stretch = part.stretch;
    const DecodedWord& opening = part.words.front();
    const DecodedWord& closing = part.words.back();
    stretch.start = opening.edge;
    stretch.end = closing.edge + closing.bit_samples * closing.bit_count;
    stretch.baud = opening.baud;
    stretch.format = opening.format;
    for (const DecodedWord& word : part.words) {
        stretch.suspect_words += is_suspect(word);
        stretch.lost_words += &word == &opening ? 0 : word.lost_before;
    }
    return part;
}

std::string first_line(const std::vector<std::uint8_t>& bytes) {
    const std::vector<ListingLine> lines = listing_lines(bytes);
    return lines.empty() ? std::string() : lines.front().text.substr(0, longest_first_line);
}

// The four hex digits after the first "." of a 65V text or the ";" and count of a record.
std::string load_address(const std::vector<std::uint8_t>& bytes, char mark, std::size_t skip) {
    const auto at = std::find(bytes.begin(), bytes.end(), static_cast<std::uint8_t>(mark));
    const auto digits = at - bytes.begin() + 1 + static_cast<std::ptrdiff_t>(skip);
    if (at == bytes.end() || digits + 4 > static_cast<std::ptrdiff_t>(bytes.size()))
        return {};
    std::string address(bytes.begin() + digits, bytes.begin() + digits + 4);
    const bool is_hex = std::all_of(address.begin(), address.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
    return is_hex ? address : std::string();
}

// A listing's title: the word after a first REM, else the first word after the line number.
std::string listing_title(const std::string& line) {
    std::size_t at = line.find_first_not_of("0123456789 ");
    if (line.compare(at == std::string::npos ? line.size() : at, 3, "REM") == 0)
        at = line.find_first_not_of(' ', at + 3);
    std::string title;
    for (std::size_t i = at; i < line.size() && title.size() < longest_name; ++i) {
        const char c = line[i];
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-' && c != '_')
            break;
        title += c;
    }
    return title;
}

void judge(SidePart& part) {
    const std::vector<std::uint8_t> bytes = part_bytes(part);
    SideStretch& stretch = part.stretch;
    switch (classify_tape(bytes)) {
    case TapeContent::BasicListing:
        stretch.kind = StretchKind::BasicListing;
        stretch.first = first_line(bytes);
        stretch.name = listing_title(stretch.first);
        break;
    case TapeContent::LoadText65v:
        stretch.kind = StretchKind::LoadText65v;
        stretch.first = stretch.name = load_address(bytes, '.', 0);
        break;
    case TapeContent::ChecksumRecords:
        stretch.kind = StretchKind::ChecksumRecords;
        stretch.first = stretch.name = load_address(bytes, ';', 2);
        break;
    case TapeContent::OtherData:
        stretch.kind = StretchKind::OtherData;
        break;
    }
}

// One stretch of the line: the program from its first to its last piece of words, the clicks
// before and after it apart. A stretch of clicks alone is junk.
void cut_stretch(const std::vector<DecodedWord>& words, std::vector<SidePart>& closed) {
    const std::size_t end = words.size();
    std::size_t program_first = end;
    std::size_t program_end = 0;
    for (std::size_t piece = 0; piece < end;) {
        std::size_t piece_end = piece + 1;
        while (piece_end < end &&
               words[piece_end].gap_before < piece_gap_words * word_samples(words[piece_end]))
            ++piece_end;
        if (!is_junk_piece(words, piece, piece_end)) {
            program_first = std::min(program_first, piece);
            program_end = piece_end;
        }
        piece = piece_end;
    }
    if (program_end <= program_first || program_end - program_first < least_program_words) {
        closed.push_back(measured(words, 0, end));
        return;
    }
    if (program_first > 0)
        closed.push_back(measured(words, 0, program_first));
    closed.push_back(measured(words, program_first, program_end));
    judge(closed.back());
    if (program_end < end)
        closed.push_back(measured(words, program_end, end));
}

} // namespace

void add_side_word(SideCutter& cutter, const DecodedWord& word, std::vector<SidePart>& closed) {
    if (!cutter.held.empty() &&
        (is_quiet_before(word, cutter.rate_hz) || !is_same_line(cutter.held.back(), word)))
        finish_side(cutter, closed);
    cutter.held.push_back(word);
}

void finish_side(SideCutter& cutter, std::vector<SidePart>& closed) {
    if (!cutter.held.empty())
        cut_stretch(cutter.held, closed);
    cutter.held.clear();
}

std::vector<std::uint8_t> part_bytes(const SidePart& part) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(part.words.size());
    for (const DecodedWord& word : part.words)
        bytes.push_back(static_cast<std::uint8_t>(word.byte));
    return bytes;
}

bool is_clean(const SideStretch& stretch) {
    return stretch.suspect_words == 0 && stretch.lost_words == 0;
}

const char* kind_tag(StretchKind kind) {
    switch (kind) {
    case StretchKind::BasicListing:
        return "basic";
    case StretchKind::LoadText65v:
        return "65v";
    case StretchKind::ChecksumRecords:
        return "records";
    case StretchKind::OtherData:
        return "data";
    case StretchKind::Junk:
        break;
    }
    return "junk";
}

std::string framing_name(const WordFormat& format) {
    const char parity = format.parity == Parity::Even  ? 'E'
                        : format.parity == Parity::Odd ? 'O'
                                                       : 'N';
    return std::to_string(format.data_bits) + parity + std::to_string(format.stop_bits);
}
