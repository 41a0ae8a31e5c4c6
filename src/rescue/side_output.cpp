// The table, the program files and the index of a side.
#include "rescue/side_output.h"

#include "base/platform.h"
#include "rescue/word_repair.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* index_name = "index.tsv";
constexpr const char* index_header =
    "number\tstart\tend\tbaud\tframing\tbytes\tkind\tfirst\tsuspect\tlost\tverdict\tfile\n";
constexpr const char* table_header =
    "  #      start        end  baud  framing  bytes  kind     suspect   lost  verdict  first\n";

const char* extension(StretchKind kind) {
    switch (kind) {
    case StretchKind::BasicListing:
        return ".bas";
    case StretchKind::LoadText65v:
        return ".65v";
    case StretchKind::ChecksumRecords:
        return ".mos";
    case StretchKind::OtherData:
    case StretchKind::Junk:
        break;
    }
    return ".bin";
}

// "3:07.215": minutes and seconds, as a person reads a tape counter's time.
std::string clock_time(double samples, double rate_hz) {
    const double seconds = samples / rate_hz;
    const int minutes = static_cast<int>(seconds / 60);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%06.3f", minutes, seconds - 60.0 * minutes);
    return text;
}

// A listing's line as one cell: tabs and other control characters would break the columns.
std::string cell(const std::string& text) {
    std::string clean = text;
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < ' ' || static_cast<unsigned char>(c) > '~')
            c = ' ';
    return clean;
}

std::string file_name(std::int64_t number, const SideStretch& stretch) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%02lld-%s", static_cast<long long>(number),
                  kind_tag(stretch.kind));
    return std::string(prefix) + (stretch.name.empty() ? "" : "-" + stretch.name) +
           extension(stretch.kind);
}

void fail(SideWriter& side, const std::string& name, const char* what) {
    if (side.problem.empty())
        side.problem = name + ": " + what + ": " + std::strerror(errno);
}

void write_program(SideWriter& side, const std::string& name,
                   const std::vector<std::uint8_t>& bytes) {
    const std::string path = (std::filesystem::path(side.folder) / name).string();
    std::FILE* file = open_file(path.c_str(), "wb");
    if (file == nullptr) {
        fail(side, path, "cannot open for writing");
        return;
    }
    const bool is_written = write_bytes(bytes.data(), bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !is_written)
        fail(side, path, "writing failed");
}

struct Row {
    std::string number = "-";
    std::string verdict = "-";
    std::string file = "-";
};

void write_row(SideWriter& side, const SidePart& part, const Row& row) {
    const SideStretch& stretch = part.stretch;
    const double rate_hz = side.cutter.rate_hz;
    const std::string framing = framing_name(stretch.format);
    const std::string first = cell(stretch.first);
    if (side.table != nullptr)
        std::fprintf(side.table, "%3s  %9s  %9s  %4d  %-7s  %5zu  %-7s  %7lld  %5lld  %-7s  %s\n",
                     row.number.c_str(), clock_time(stretch.start, rate_hz).c_str(),
                     clock_time(stretch.end, rate_hz).c_str(), stretch.baud, framing.c_str(),
                     part.words.size(), kind_tag(stretch.kind),
                     static_cast<long long>(stretch.suspect_words),
                     static_cast<long long>(stretch.lost_words), row.verdict.c_str(),
                     first.c_str());
    if (side.index != nullptr)
        std::fprintf(side.index, "%s\t%.3f\t%.3f\t%d\t%s\t%zu\t%s\t%s\t%lld\t%lld\t%s\t%s\n",
                     row.number.c_str(), stretch.start / rate_hz, stretch.end / rate_hz,
                     stretch.baud, framing.c_str(), part.words.size(), kind_tag(stretch.kind),
                     first.c_str(), static_cast<long long>(stretch.suspect_words),
                     static_cast<long long>(stretch.lost_words), row.verdict.c_str(),
                     row.file.c_str());
}

// A program: mended where asked, written to its file, and a row of the table and the index.
void take_program(SideWriter& side, SidePart& part) {
    ++side.programs;
    std::int64_t mended = 0;
    if (side.is_mended)
        mended = repair_words(part.words, part.stretch.format.data_bits, side.report,
                              static_cast<std::uint32_t>(side.cutter.rate_hz));
    side.repaired += mended;
    const bool is_damaged = !is_clean(part.stretch) || mended > 0;
    side.damaged += is_damaged;
    Row row{std::to_string(side.programs), is_damaged ? "damaged" : "clean", "-"};
    if (!side.folder.empty()) {
        row.file = file_name(side.programs, part.stretch);
        write_program(side, row.file, part_bytes(part));
    }
    write_row(side, part, row);
}

void take_parts(SideWriter& side, std::vector<SidePart>& parts) {
    for (SidePart& part : parts) {
        if (part.stretch.kind == StretchKind::Junk) {
            ++side.junk;
            side.junk_bytes += static_cast<std::int64_t>(part.words.size());
            write_row(side, part, Row{});
        } else {
            take_program(side, part);
        }
    }
    parts.clear();
}

} // namespace

bool open_side(SideWriter& side, std::uint32_t rate_hz, bool may_replace) {
    side.cutter.rate_hz = rate_hz;
    if (side.table != nullptr)
        std::fputs(table_header, side.table);
    if (side.folder.empty())
        return true;
    std::error_code error;
    std::filesystem::create_directories(side.folder, error);
    if (error) {
        side.problem = side.folder + ": cannot make the folder: " + error.message();
        return false;
    }
    const std::string path = (std::filesystem::path(side.folder) / index_name).string();
    if (!may_replace && std::filesystem::exists(path, error)) {
        side.problem = side.folder + ": holds the programs of an earlier split (" + index_name +
                       "); use --force to replace them";
        return false;
    }
    side.index = open_file(path.c_str(), "wb");
    if (side.index == nullptr) {
        fail(side, path, "cannot open for writing");
        return false;
    }
    std::fputs(index_header, side.index);
    return true;
}

void take_side_words(SideWriter& side, const std::vector<DecodedWord>& words) {
    std::vector<SidePart> closed;
    for (const DecodedWord& word : words)
        add_side_word(side.cutter, word, closed);
    take_parts(side, closed);
}

bool close_side(SideWriter& side) {
    std::vector<SidePart> closed;
    finish_side(side.cutter, closed);
    take_parts(side, closed);
    if (side.index != nullptr) {
        if (std::fclose(side.index) != 0)
            fail(side, (std::filesystem::path(side.folder) / index_name).string(),
                 "writing failed");
        side.index = nullptr;
    }
    if (side.table != nullptr && std::fflush(side.table) != 0)
        fail(side, "standard output", "writing failed");
    return side.problem.empty();
}
