// The summary table of a batch and its exit status.
#include "rescue/batch_summary.h"

#include "rescue/tape_side.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t column_count = 8;
using Cells = std::array<std::string, column_count>;

// The columns; numbers are aligned right, the verdict is last so that a reason may run on.
constexpr std::array<const char*, column_count> header = {
    "recording", "programs", "bytes", "suspect", "lost", "baud", "framing", "verdict"};
constexpr std::array<bool, column_count> is_number = {false, true, true,  true,
                                                      true,  true, false, false};

// What became of the recording, in the words of its exit status, with the first problem its
// decode reported.
std::string verdict(const BatchEntry& entry) {
    if (!entry.is_started)
        return "not done";
    const std::string& problem = entry.tally.problem;
    switch (entry.status) {
    case rescue_clean:
        return "clean";
    case rescue_suspect:
        return problem.empty() ? "suspect" : "suspect: " + problem;
    case rescue_failed:
        return problem.empty() ? "failed" : "failed: " + problem;
    default:
        return problem.empty() ? "stopped" : problem; // by a signal, as its decode said
    }
}

Cells row(const BatchEntry& entry) {
    const RecordingTally& tally = entry.tally;
    if (!tally.is_decoded)
        return {entry.recording.name, "-", "-", "-", "-", "-", "-", verdict(entry)};
    const RescueResult& result = tally.result;
    return {entry.recording.name,
            tally.programs < 0 ? "-" : std::to_string(tally.programs),
            std::to_string(result.bytes),
            std::to_string(result.suspect_words),
            std::to_string(result.lost_words),
            std::to_string(result.baud),
            framing_name(result.format),
            verdict(entry)};
}

// "2 clean, 1 suspect, 1 failed": the verdicts that occur, by kind.
std::string verdict_counts(const std::vector<BatchEntry>& entries) {
    constexpr std::array<const char*, 5> kinds = {"clean", "suspect", "failed", "stopped",
                                                  "not done"};
    std::array<int, kinds.size()> counts{};
    for (const BatchEntry& entry : entries) {
        const bool is_stopped = entry.is_started && entry.status >= rescue_signalled;
        ++counts[!entry.is_started ? 4 : is_stopped ? 3 : static_cast<std::size_t>(entry.status)];
    }
    std::string text;
    for (std::size_t kind = 0; kind < kinds.size(); ++kind)
        if (counts[kind] > 0)
            text += (text.empty() ? "" : ", ") + std::to_string(counts[kind]) + " " + kinds[kind];
    return text;
}

Cells total(const std::vector<BatchEntry>& entries) {
    std::int64_t programs = 0;
    std::int64_t bytes = 0;
    std::int64_t suspect = 0;
    std::int64_t lost = 0;
    bool has_programs = false;
    for (const BatchEntry& entry : entries) {
        const RecordingTally& tally = entry.tally;
        if (!tally.is_decoded)
            continue;
        has_programs = has_programs || tally.programs >= 0;
        programs += std::max<std::int64_t>(tally.programs, 0);
        bytes += tally.result.bytes;
        suspect += tally.result.suspect_words;
        lost += tally.result.lost_words;
    }
    return {"total",
            has_programs ? std::to_string(programs) : "-",
            std::to_string(bytes),
            std::to_string(suspect),
            std::to_string(lost),
            "",
            "",
            verdict_counts(entries)};
}

void print_cells(std::FILE* stream, const Cells& cells,
                 const std::array<int, column_count>& width) {
    std::string line;
    for (std::size_t column = 0; column + 1 < column_count; ++column) {
        const std::string& cell = cells[column];
        const std::string padding(static_cast<std::size_t>(width[column]) - cell.size(), ' ');
        line += is_number[column] ? padding + cell : cell + padding;
        line += "  ";
    }
    line += cells[column_count - 1];
    std::fprintf(stream, "%s\n", line.c_str());
}

} // namespace

void print_batch_summary(std::FILE* stream, const std::vector<BatchEntry>& entries) {
    std::vector<Cells> lines(1);
    std::copy(header.begin(), header.end(), lines[0].begin());
    for (const BatchEntry& entry : entries)
        lines.push_back(row(entry));
    lines.push_back(total(entries));
    std::array<int, column_count> width{};
    for (const Cells& cells : lines)
        for (std::size_t column = 0; column < column_count; ++column)
            width[column] = std::max(width[column], static_cast<int>(cells[column].size()));
    for (const Cells& cells : lines)
        print_cells(stream, cells, width);
    std::fflush(stream);
}

int batch_status(const std::vector<BatchEntry>& entries, int signal_number) {
    int worst = rescue_clean;
    bool is_stopped = false;
    for (const BatchEntry& entry : entries) {
        if (!entry.is_started || entry.status >= rescue_signalled)
            is_stopped = true;
        else
            worst = std::max(worst, entry.status);
    }
    return is_stopped && signal_number != 0 ? rescue_signalled + signal_number : worst;
}
