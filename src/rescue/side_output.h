// A side's programs as the decode finds them: a row of the table for each (--list), and each
// program in a file of its own with an index beside them (--split=FOLDER), written as soon as the
// line falls quiet after it. Junk between programs is listed and indexed, never written.
#pragma once

#include "rescue/tape_side.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct SideWriter {
    SideCutter cutter;
    std::FILE* table = nullptr;  // the table, a row per stretch; null: not listed
    std::string folder;          // where the programs go; empty: not split
    std::FILE* index = nullptr;  // the folder's index.tsv
    bool is_mended = false;      // a program's impossible bytes are mended before it is written
    std::FILE* report = nullptr; // where mended bytes are named; null: nowhere
    std::int64_t programs = 0;
    std::int64_t damaged = 0;    // programs with suspect, lost or mended words
    std::int64_t junk = 0;       // stretches of junk
    std::int64_t junk_bytes = 0;
    std::int64_t repaired = 0;   // bytes mended
    std::string problem;         // why writing failed; empty while it has not
};

// Readies the writer for a recording at rate_hz: creates the folder where one is named and opens
// its index, refusing one that holds an index already unless `may_replace`. False with
// `problem` set when it cannot.
[[nodiscard]] bool open_side(SideWriter& side, std::uint32_t rate_hz, bool may_replace);

// Takes the words just decoded, writing the programs they end.
void take_side_words(SideWriter& side, const std::vector<DecodedWord>& words);

// Ends the recording: the last program written and the index closed. False when writing failed.
[[nodiscard]] bool close_side(SideWriter& side);
