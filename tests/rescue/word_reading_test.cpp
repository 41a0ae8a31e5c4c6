// Doubtful bits decided again from each tone's phase, on tone histories written by hand: one
// window start per bit, each tone's sums given as a level and a phase in turns.
#include "rescue/word_reading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double level = 1 << 20;
constexpr WordFormat f8n2{8, Parity::None, 2};

struct Tone {
    double share = 0; // of the level
    double turns = 0; // phase against the detector
};

ToneSums sums(const Tone& tone) {
    const double angle = 2 * std::numbers::pi * tone.turns;
    return {std::llround(tone.share * level * std::cos(angle)),
            std::llround(tone.share * level * std::sin(angle))};
}

// The word 0x0F (bits 1 to 4 mark) with each tone at phase 0 where it is sent, but bit 3, whose
// sums are `mark` and `space`; each tone's phase turns by `turn` per bit.
ToneHistory word_with_bit_3(const Tone& mark, const Tone& space, double turn = 0) {
    const bool is_mark[] = {false, true, true, true, true, false, false, false, false, true, true};
    std::vector<ToneSums> marks;
    std::vector<ToneSums> spaces;
    for (int k = 0; k < 11; ++k) {
        const Tone sent{1, turn * k};
        marks.push_back(sums(k == 3 ? mark : (is_mark[k] ? sent : Tone{})));
        spaces.push_back(sums(k == 3 ? space : (is_mark[k] ? Tone{} : sent)));
    }
    ToneHistory history;
    configure_history(history, 16);
    push_history_block(history, marks.data(), spaces.data(), marks.size());
    return history;
}

struct Case {
    const char* name;
    Tone mark;
    Tone space;
    double turn;
    bool is_mark_read; // bit 3 as read from the magnitudes alone
    bool is_mark_cohered;
};

} // namespace

TEST(WordReading, DecidesDoubtfulBitsByEachTonesPhase) {
    const Case cases[] = {
        // Hiss across the space tone's phase outweighs a mark weakened in step with its tone.
        {"mark in phase, space across", {0.45, 0}, {0.55, 0.25}, 0, false, true},
        {"space in phase, mark across", {0.55, 0.25}, {0.45, 0}, 0, true, false},
        // Against its phase a tone counts less than nothing.
        {"space against its phase", {0.3, 0}, {0.4, 0.5}, 0, false, true},
        // A clear bit stays as read, whatever its phase.
        {"clear space across", {0.1, 0}, {0.9, 0.25}, 0, false, false},
        // Phases that turn a third of a turn per bit give no phase to read against.
        {"tones turning", {0.45, 0}, {0.55, 0.25}, 1.0 / 3, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ToneHistory history = word_with_bit_3(c.mark, c.space, c.turn);
        const ReadingFrame frame{f8n2, ToneReader::BothTones, 1, 0, level, level};
        const WordBits read = read_bits(frame, history, 0);
        ASSERT_EQ(c.is_mark_read, read.is_mark[3]);
        const CoheredBits result = cohered_bits(frame, history, 0, read);
        const WordBits& cohered = result.bits;
        EXPECT_EQ(c.is_mark_cohered, cohered.is_mark[3]);
        // The clear data bits are evidence only where the tones kept their phase.
        EXPECT_EQ(c.turn == 0, result.evidence.steady_bits + result.evidence.after_change_bits > 0);
        for (const int k : {0, 1, 2, 4, 5, 6, 7, 8, 9, 10})
            EXPECT_EQ(read.is_mark[static_cast<std::size_t>(k)],
                      cohered.is_mark[static_cast<std::size_t>(k)]);
    }
    // Read from the space tone alone, the bits are as read.
    const ToneHistory history = word_with_bit_3({0.45, 0}, {0.55, 0.25});
    const ReadingFrame space_alone{f8n2, ToneReader::SpaceAlone, 1, 0, level, level};
    const WordBits read = read_bits(space_alone, history, 0);
    EXPECT_EQ(read.is_mark[3], cohered_bits(space_alone, history, 0, read).bits.is_mark[3]);
}
