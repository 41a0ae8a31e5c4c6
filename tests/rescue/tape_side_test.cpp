// A side cut into programs: where the line falls quiet or changes, the clicks around a program
// kept apart, a dropout inside one left whole, and each program judged by its bytes.
#include "rescue/tape_side.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr double rate_hz = 44100;
constexpr double bit_samples = rate_hz / 300;
constexpr double word_samples = 11 * bit_samples;

struct Side {
    std::vector<DecodedWord> words;
    double at = 0; // where the next word starts

    // `text` as words back to back after `gap` seconds of quiet.
    void add(const std::string& text, double gap, int baud = 300, bool is_suspect = false) {
        at += gap * rate_hz;
        for (std::size_t i = 0; i < text.size(); ++i) {
            DecodedWord word;
            word.byte = static_cast<unsigned char>(text[i]);
            word.edge = at;
            word.gap_before = i == 0 ? gap * rate_hz : 0;
            word.bit_samples = bit_samples * 300 / baud;
            word.bit_count = 11;
            word.baud = baud;
            word.is_framing_error = is_suspect;
            words.push_back(word);
            at += 11 * word.bit_samples;
        }
    }
};

std::vector<SidePart> cut(const std::vector<DecodedWord>& words) {
    SideCutter cutter{rate_hz, {}};
    std::vector<SidePart> parts;
    for (const DecodedWord& word : words)
        add_side_word(cutter, word, parts);
    finish_side(cutter, parts);
    return parts;
}

std::string kinds(const std::vector<SidePart>& parts) {
    std::string text;
    for (const SidePart& part : parts)
        text += std::string(text.empty() ? "" : " ") + kind_tag(part.stretch.kind) + ":" +
                std::to_string(part.words.size());
    return text;
}

const std::string listing = "10 REM STARTREK\r\n20 PRINT \"HELLO\"\r\n30 GOTO 10\r\n";
const std::string load_text = ".0300/A2\r00\rA9\r41\r60\r.0300G";

TEST(TapeSide, CutsWhereTheLineFallsQuietOrChanges) {
    struct Case {
        const char* name;
        void (*build)(Side&);
        const char* parts;
    };
    const Case cases[] = {
        {"two programs after a quiet",
         [](Side& side) {
             side.add(listing, 2);
             side.add(load_text, 0.8);
         },
         "basic:47 65v:27"},
        {"a pause inside a program is no cut",
         [](Side& side) {
             side.add(listing.substr(0, 20), 2);
             side.add(listing.substr(20), 0.5);
         },
         "basic:47"},
        {"a change of rate without a quiet",
         [](Side& side) {
             side.add(listing, 2);
             side.add(load_text, 0, 600);
         },
         "basic:47 65v:27"},
        {"clicks framed before and after a program, and alone between programs",
         [](Side& side) {
             side.add("\xff\x7f", 1, 300, true);
             side.add(listing, 0.3);
             side.add("\x01", 0.2);
             side.add("\xfe\xfe\xfe", 3, 300, true);
             side.add(load_text, 3);
         },
         "junk:2 basic:47 junk:1 junk:3 65v:27"},
        {"a few words alone are junk, not a program",
         [](Side& side) { side.add("10 A\r", 1); },
         "junk:5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Side side;
        c.build(side);
        EXPECT_EQ(c.parts, kinds(cut(side.words)));
    }
}

TEST(TapeSide, KeepsAProgramWholeAcrossADropoutAndCountsItsLosses) {
    Side side;
    side.add(listing, 2);
    side.add(listing, 0);
    // The clock read on after a second of dropout, in step: 27 words lost, no new program.
    side.words[49].gap_before = rate_hz;
    side.words[49].lost_before = 27;
    side.words[60].is_parity_error = true;
    const std::vector<SidePart> parts = cut(side.words);
    ASSERT_EQ(1u, parts.size());
    const SideStretch& stretch = parts[0].stretch;
    EXPECT_EQ(27, stretch.lost_words);
    EXPECT_EQ(1, stretch.suspect_words);
    EXPECT_FALSE(is_clean(stretch));
    const std::vector<std::uint8_t> bytes = part_bytes(parts[0]);
    EXPECT_EQ(listing + listing, std::string(bytes.begin(), bytes.end()));
}

TEST(TapeSide, NamesEachProgramByItsFirstLineOrAddress) {
    Side side;
    side.add(std::string(4, '\0') + "\r\n" + listing, 2);
    side.add(load_text, 2);
    side.add(";180300A200A9410000\r\n;180310A200A9410000\r\n", 2);
    side.add(std::string(40, '\x55'), 2);
    const std::vector<SidePart> parts = cut(side.words);
    ASSERT_EQ(4u, parts.size());
    const std::string expected[][2] = {
        {"10 REM STARTREK", "STARTREK"}, {"0300", "0300"}, {"0300", "0300"}, {"", ""}};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(expected[i][0], parts[i].stretch.first) << i;
        EXPECT_EQ(expected[i][1], parts[i].stretch.name) << i;
    }
    EXPECT_EQ("basic 65v records data", std::string(kind_tag(parts[0].stretch.kind)) + " " +
                                            kind_tag(parts[1].stretch.kind) + " " +
                                            kind_tag(parts[2].stretch.kind) + " " +
                                            kind_tag(parts[3].stretch.kind));
    EXPECT_NEAR(2 * rate_hz, parts[0].stretch.start, 1e-6);
    EXPECT_NEAR(parts[0].stretch.start + parts[0].words.size() * word_samples,
                parts[0].stretch.end, 1e-6);
}

} // namespace
