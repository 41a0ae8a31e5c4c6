// A side of tape as programs: the decoded words cut where the line fell quiet or changed its rate
// or framing, each stretch judged from its bytes (a BASIC listing, a 65V load text, checksum
// records, other data), and the few words that clicks and hiss frame between programs kept
// apart as junk. The words arrive as they are decoded, and only the stretch in hand is held, so
// an hour-long side needs no more memory than its longest program.
#pragma once

#include "programs/tape_content.h"
#include "rescue/decoded_word.h"

#include <cstdint>
#include <string>
#include <vector>

enum class StretchKind { BasicListing, LoadText65v, ChecksumRecords, OtherData, Junk };

struct SideStretch {
    double start = 0;           // its first start edge, in samples
    double end = 0;             // the end of its last word's last bit, in samples
    int baud = 0;
    WordFormat format;
    StretchKind kind = StretchKind::Junk;
    std::int64_t suspect_words = 0; // framing or parity errors
    std::int64_t lost_words = 0;    // lost in dropouts inside it
    std::string first;              // a listing's first line, or the load address (0300)
    std::string name;               // a word for its file name: the listing's title or address
};

// A stretch with its words.
struct SidePart {
    SideStretch stretch;
    std::vector<DecodedWord> words;
};

struct SideCutter {
    double rate_hz = 0;             // of the recording
    std::vector<DecodedWord> held;  // the stretch in hand
};

// Takes the next word of the recording. Where the line fell quiet or changed before it, the words
// held so far are cut into programs and junk, appended to `closed`, and let go.
void add_side_word(SideCutter& cutter, const DecodedWord& word, std::vector<SidePart>& closed);

// Ends the recording: cuts the words still held.
void finish_side(SideCutter& cutter, std::vector<SidePart>& closed);

[[nodiscard]] std::vector<std::uint8_t> part_bytes(const SidePart& part);

[[nodiscard]] bool is_clean(const SideStretch& stretch);

// "basic", "65v", "records", "data", "junk".
[[nodiscard]] const char* kind_tag(StretchKind kind);

// "8N2", "7E1": data bits, parity, stop bits.
[[nodiscard]] std::string framing_name(const WordFormat& format);
