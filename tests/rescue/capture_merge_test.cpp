// Merging readings of one tape: hand-made word streams with the losses, strays and misreadings
// that two plays suffer, and long streams that need the anchors and the banded table.
#include "rescue/capture_merge.h"
#include "rescue/word_alignment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using Words = std::vector<DecodedWord>;

constexpr int clean_confidence = 80;

// A reading written as text, one character a word of 11 bits of one sample, each optionally
// marked before it: "!" framed badly (confidence 5), "?" clean but doubtful (confidence 10), "~"
// read through a dropout, "[N]" N words lost just before it, and "{N}" time for N words
// before it in which no word was read.
DecodedWord fresh_word() {
    DecodedWord word;
    word.confidence = clean_confidence;
    word.bit_samples = 1;
    word.bit_count = 11;
    return word;
}

Words reading(const std::string& text) {
    Words words;
    DecodedWord word = fresh_word();
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '!') {
            word.is_framing_error = true;
            word.confidence = 5;
        } else if (c == '?') {
            word.confidence = 10;
        } else if (c == '~') {
            word.is_faint = true;
        } else if (c == '[') {
            const std::size_t end = text.find(']', at);
            word.lost_before = std::stoi(text.substr(at + 1, end - at - 1));
            at = end;
        } else if (c == '{') {
            const std::size_t end = text.find('}', at);
            word.gap_before = 11.0 * std::stoi(text.substr(at + 1, end - at - 1));
            at = end;
        } else {
            word.byte = static_cast<unsigned char>(c);
            words.push_back(word);
            word = fresh_word();
        }
    }
    return words;
}

struct Merged {
    std::string bytes;
    std::string readings;  // the reading of each byte, as a digit
    std::string confirmed; // "c" where confirmed, "." where not
    int lost = 0;          // words lost, all told
};

Merged merge(const std::vector<std::string>& texts, MergeTally& tally) {
    std::vector<Words> readings;
    for (const std::string& text : texts)
        readings.push_back(reading(text));
    Merged merged;
    for (const DecodedWord& word : merge_readings(readings, tally)) {
        merged.bytes += static_cast<char>(word.byte);
        merged.readings += static_cast<char>('0' + word.reading);
        merged.confirmed += word.is_confirmed ? 'c' : '.';
        merged.lost += word.lost_before;
    }
    return merged;
}

// Line n of a listing whose lines differ only in their digits: "30 LET V=33333\r\n".
std::string listing_line(int n) {
    return std::to_string(n) + "0 LET V=" + std::string(5, static_cast<char>('0' + n)) + "\r\n";
}

TEST(CaptureMerge, TakesEachByteFromTheReadingThatFramesItBest) {
    struct Case {
        const char* name;
        std::vector<std::string> readings;
        std::string bytes;
        std::string from; // the reading of each byte
        std::string confirmed;
        int lost;
    };
    const Case cases[] = {
        {"one reading lost words in a dropout",
         {"10 PRINT [3]LLO\"", "10 PRINT \"HELLO\""},
         "10 PRINT \"HELLO\"",
         "1111111112221111",
         "ccccccccc...cccc",
         0},
        {"each lost different words",
         {"10 P[3]T \"HELLO\"", "10 PRINT \"HE[2]O\""},
         "10 PRINT \"HELLO\"",
         "1111222111111111",
         "cccc...ccccc..cc",
         0},
        {"both lost the same words",
         {"ABCDEF[3]JKLMNOP", "ABCDEFG[4]LMNOP"},
         "ABCDEFGJKLMNOP",
         "11111121111111",
         "cccccc...ccccc",
         2},
        {"each lost words in silence, counting none, one just after the other",
         {"0123456789ABCDEF{8}OPQRSTUV", "01234567{8}GHIJKLMNOPQRSTUV"},
         "0123456789ABCDEFGHIJKLMNOPQRSTUV",
         "11111111111111112222222211111111",
         "cccccccc................cccccccc",
         0},
        {"a pause on the tape, in both readings",
         {"10 REM{3}20 END", "10 REM{3}20 END"},
         "10 REM20 END",
         "111111111111",
         "cccccccccccc",
         0},
        {"stray words framed in a dropout of the other reading",
         {"SIDE ONE OF TAPE", "SIDE O!x!yNE OF TAPE"},
         "SIDE ONE OF TAPE",
         "1111111111111111",
         "cccccccccccccccc",
         0},
        {"a misread byte loses to a surer reading",
         {"LOAD ?XAME", "LOAD GAME"},
         "LOAD GAME",
         "111112111",
         "ccccc.ccc",
         0},
        {"the first reading misread, the second doubted another",
         {"RUN 1?9000", "RUN ?22000"},
         "RUN 12000",
         "111112111",
         "cccc..ccc",
         0},
        {"a framing error loses to a clean word, whatever its confidence",
         {"POKE !5300", "POKE ?6300"},
         "POKE 6300",
         "111112111",
         "ccccc.ccc",
         0},
        {"a word read through a dropout loses to one at full level",
         {"DATA ~7", "DATA 8"},
         "DATA 8",
         "111112",
         "ccccc.",
         0},
        {"the second play began later and ran on longer",
         {"LEADERABCDEFGH", "ABCDEFGHTRAILER"},
         "LEADERABCDEFGHTRAILER",
         "111111111111112222222",
         "......cccccccc.......",
         0},
        {"two readings alike outvote a surer third",
         {"X=?1", "X=?1", "X=2"},
         "X=1",
         "111",
         "ccc",
         0},
        {"a line lost, and the next misread as the lost one",
         {listing_line(1) + "[16]30 LET V=?2?2?2?2?2\r\n" + listing_line(4) + listing_line(5) +
              listing_line(6) + listing_line(7),
          listing_line(1) + listing_line(2) + listing_line(3) + listing_line(4) +
              listing_line(5) + listing_line(6) + listing_line(7)},
         listing_line(1) + listing_line(2) + listing_line(3) + listing_line(4) + listing_line(5) +
             listing_line(6) + listing_line(7),
         "", "", 0},
        {"a run of NULs, each reading losing words elsewhere in it",
         {std::string(20, '\0') + "[5]" + std::string(25, '\0') + "END",
          std::string(40, '\0') + "[3]" + std::string(7, '\0') + "END"},
         std::string(50, '\0') + "END",
         "",
         "",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MergeTally tally;
        const Merged merged = merge(c.readings, tally);
        EXPECT_EQ(c.bytes, merged.bytes);
        if (!c.from.empty()) {
            EXPECT_EQ(c.from, merged.readings);
            EXPECT_EQ(c.confirmed, merged.confirmed);
        }
        EXPECT_EQ(c.lost, merged.lost);
    }
}

TEST(CaptureMerge, CountsWhatItTookAndLeftOut) {
    MergeTally tally;
    const Merged merged = merge({"AB?XD[2]GH", "A!yBCDEF!zGH"}, tally);
    EXPECT_EQ("ABCDEFGH", merged.bytes);
    EXPECT_EQ((std::vector<std::int64_t>{5, 3}), tally.taken);
    EXPECT_EQ(5, tally.confirmed);
    EXPECT_EQ(1, tally.disagreements);
    EXPECT_EQ(2, tally.strays);
}

TEST(CaptureMerge, OneReadingAloneComesBackUnchanged) {
    MergeTally tally;
    const Merged merged = merge({"AB!CD[3]E"}, tally);
    EXPECT_EQ("ABCDE", merged.bytes);
    EXPECT_EQ("11111", merged.readings);
    EXPECT_EQ(3, merged.lost);
    EXPECT_EQ((std::vector<std::int64_t>{5}), tally.taken);
    EXPECT_EQ(0, tally.confirmed + tally.disagreements + tally.strays);
}

// Two readings of a long tape, each losing spans of up to 30 words at random places (none in its
// last 100) and, on a tape of random bytes, misreading one byte in 100 at low confidence, a in
// even places and b in odd ones. In a run of one byte a misread pairs as well with any word
// near it: there the readings lose words only.
struct LongCase {
    std::string truth;
    std::string expected; // at each place the byte read by both, or by the one that read it
    Words a;
    Words b;
    int lost_in_both = 0;
};

// A reading of `truth`; `read` gets the byte it read at each place, -1 where it lost the word.
Words damaged(const std::string& truth, std::mt19937& random, std::size_t parity,
              std::vector<int>& read) {
    Words words;
    int lost_run = 0;
    int lost_before = 0;
    for (std::size_t i = 0; i < truth.size(); ++i) {
        if (lost_run == 0 && i + 100 < truth.size() && random() % 2000 == 0)
            lost_run = 1 + static_cast<int>(random() % 30);
        if (lost_run > 0) {
            --lost_run;
            ++lost_before;
            read.push_back(-1);
            continue;
        }
        DecodedWord word;
        word.byte = static_cast<unsigned char>(truth[i]);
        word.confidence = clean_confidence;
        if (truth[i] != 0 && i % 2 == parity && random() % 100 == 0) {
            word.byte ^= 1 << (random() % 8);
            word.confidence = 8;
        }
        word.lost_before = lost_before;
        lost_before = 0;
        read.push_back(word.byte);
        words.push_back(word);
    }
    return words;
}

LongCase long_case(std::size_t size, bool is_all_zero) {
    std::mt19937 random(1978);
    LongCase c;
    for (std::size_t i = 0; i < size; ++i)
        c.truth += is_all_zero ? '\0' : static_cast<char>(random() & 0xFF);
    std::vector<int> read_a, read_b;
    c.a = damaged(c.truth, random, 0, read_a);
    c.b = damaged(c.truth, random, 1, read_b);
    for (std::size_t i = 0; i < size; ++i) {
        if (read_a[i] < 0 && read_b[i] < 0)
            ++c.lost_in_both;
        else if (read_a[i] < 0 || read_b[i] < 0)
            c.expected += static_cast<char>(std::max(read_a[i], read_b[i]));
        else
            c.expected += c.truth[i];
    }
    return c;
}

// Where two long strings first differ; npos where they do not.
std::size_t first_difference(const std::string& x, const std::string& y) {
    const auto [at_x, at_y] = std::mismatch(x.begin(), x.end(), y.begin(), y.end());
    return at_x == x.end() && at_y == y.end() ? std::string::npos
                                              : static_cast<std::size_t>(at_x - x.begin());
}

TEST(CaptureMerge, LongReadingsComeBackWhereEitherReadThem) {
    for (const bool is_all_zero : {false, true}) {
        SCOPED_TRACE(is_all_zero ? "all NUL: no anchors, one banded table" : "random bytes");
        const LongCase c = long_case(is_all_zero ? 20000 : 60000, is_all_zero);
        ASSERT_GT(c.truth.size() - c.a.size(), 100U);
        ASSERT_GT(c.truth.size() - c.b.size(), 100U);
        MergeTally tally;
        const Words merged = merge_readings({c.a, c.b}, tally);
        std::string bytes;
        int lost = 0;
        for (const DecodedWord& word : merged) {
            bytes += static_cast<char>(word.byte);
            lost += word.lost_before;
        }
        EXPECT_EQ(c.expected.size(), bytes.size());
        EXPECT_EQ(std::string::npos, first_difference(c.expected, bytes));
        EXPECT_EQ(c.lost_in_both, lost);
    }
}

TEST(WordAlignment, PairsEveryWordOnceInOrder) {
    const Words a = reading("HEADER[2]DATA!qBLOCK END");
    const Words b = reading("HEAD[1]R DATA BLOCK END");
    std::int64_t last_a = -1, last_b = -1;
    for (const WordPair& pair : align_words(a, b)) {
        if (pair.a >= 0) {
            EXPECT_EQ(++last_a, pair.a);
        }
        if (pair.b >= 0) {
            EXPECT_EQ(++last_b, pair.b);
        }
        EXPECT_TRUE(pair.a != no_word || pair.b != no_word);
    }
    EXPECT_EQ(static_cast<std::int64_t>(a.size()) - 1, last_a);
    EXPECT_EQ(static_cast<std::int64_t>(b.size()) - 1, last_b);
}

} // namespace
