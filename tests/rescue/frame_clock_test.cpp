// The frame clock on tone histories built without audio: the line is a list of runs of steady
// tone levels, and each window start gets the magnitudes a one-bit matched filter would give,
// each tone's level averaged over the window. Trains at the clock's period, fast, slow and
// wobbling, with idle gaps, false starts and damaged words, as Clock Signal tests its PLL.
#include "rescue/frame_clock.h"
#include "rescue/tone_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

// A clean tone's magnitude over a whole window; any level works, the clock divides it out.
constexpr double full_level = 1 << 20;
// Window starts pushed between drains, as the decoder pushes a step of samples.
constexpr std::size_t block_windows = 1024;
// Idle line before the first word, and after the last so that its whole word arrives.
constexpr double leader_bits = 20;
constexpr double trailer_bits = 4;

// A stretch of line with steady tone levels, as shares of a clean tone: mark is {1, 0}.
struct Run {
    double mark = 1;
    double space = 0;
    double length_samples = 0;
};

struct Line {
    std::vector<Run> runs;
    double bit_samples = 147;  // the period when not wobbling
    double wobble = 0;         // relative swing of the period, a sine over the line
    double wobble_bits = 25;   // bits per cycle of the wobble
    double length_samples = 0; // total of the runs
};

void append(Line& line, double mark, double space, double samples) {
    line.runs.push_back({mark, space, samples});
    line.length_samples += samples;
}

void append_bit(Line& line, bool is_mark, double samples) {
    append(line, is_mark ? 1 : 0, is_mark ? 0 : 1, samples);
}

void append_idle(Line& line, double bits) { append_bit(line, true, bits * line.bit_samples); }

// [start][d0 .. d7][parity][stop][stop], each bit as long as the period where it begins.
// `fault` 'P' flips the parity bit, 'F' makes the first stop bit space, 'B' does both, 'S' blurs
// the start bit to a little more mark than space.
void append_word(Line& line, const WordFormat& format, int byte, char fault = '.') {
    std::vector<bool> bits{false};
    int ones = 0;
    for (int k = 0; k < format.data_bits; ++k) {
        bits.push_back(((byte >> k) & 1) != 0);
        ones += (byte >> k) & 1;
    }
    const bool is_odd = ones % 2 == 1;
    if (format.parity != Parity::None)
        bits.push_back((is_odd == (format.parity == Parity::Even)) !=
                       (fault == 'P' || fault == 'B'));
    for (int k = 0; k < format.stop_bits; ++k)
        bits.push_back(k > 0 || (fault != 'F' && fault != 'B'));
    for (std::size_t k = 0; k < bits.size(); ++k) {
        const double cycle = line.wobble_bits * line.bit_samples;
        const double phase = 2 * std::numbers::pi * line.length_samples / cycle;
        const double samples = line.bit_samples * (1 + line.wobble * std::sin(phase));
        if (k == 0 && fault == 'S')
            append(line, 0.55, 0.45, samples);
        else
            append_bit(line, bits[k], samples);
    }
}

// The bytes back to back; `faults`, when given, has a letter per byte for append_word.
void append_words(Line& line, const WordFormat& format, const std::string& bytes,
                  const std::string& faults = "") {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        append_word(line, format, static_cast<unsigned char>(bytes[i]),
                    i < faults.size() ? faults[i] : '.');
}

// A leader of idle line, then the bytes.
Line train(double bit_samples, const WordFormat& format, const std::string& bytes,
           double wobble = 0, double wobble_bits = 25) {
    Line line{{}, bit_samples, wobble, wobble_bits, 0};
    append_idle(line, leader_bits);
    append_words(line, format, bytes);
    return line;
}

// A tone's level integrated over [0, s) for every whole sample s up to a trailer past the end of
// the line, where it idles in mark.
std::vector<double> integral(const Line& line, double Run::*tone) {
    const Run idle;
    const double end_samples = line.length_samples + trailer_bits * line.bit_samples;
    std::vector<double> before(static_cast<std::size_t>(end_samples) + 1);
    std::size_t r = 0;
    double run_start = 0;
    double whole = 0; // the integral up to run r
    for (std::size_t s = 0; s < before.size(); ++s) {
        const auto t = static_cast<double>(s);
        for (; r < line.runs.size() && run_start + line.runs[r].length_samples <= t; ++r) {
            whole += line.runs[r].*tone * line.runs[r].length_samples;
            run_start += line.runs[r].length_samples;
        }
        before[s] = whole + (r < line.runs.size() ? line.runs[r] : idle).*tone * (t - run_start);
    }
    return before;
}

struct Decoded {
    std::string bytes;
    std::string errors; // per word: '.' clean, 'F' framing, 'P' parity, 'B' both
    FrameClock clock;
};

// Pushes the line's window sums block by block, draining the clock after each, as the decoder
// does; the detector window is the clock's period rounded, as there.
Decoded decode(const Line& line, const WordFormat& format, double clock_bit_samples) {
    Decoded out;
    configure_clock(out.clock, {format}, clock_bit_samples, 4, full_level, full_level);
    ToneHistory history;
    configure_history(history, clock_history_span(format, clock_bit_samples) + block_windows);
    const auto window = static_cast<std::size_t>(std::lround(clock_bit_samples));
    const std::vector<double> mark_before = integral(line, &Run::mark);
    const std::vector<double> space_before = integral(line, &Run::space);
    const double scale = full_level / static_cast<double>(window);
    std::vector<ToneSums> mark;
    std::vector<ToneSums> space;
    for (std::size_t n = 0; n + window < mark_before.size(); ++n) {
        mark.push_back({std::llround(scale * (mark_before[n + window] - mark_before[n])), 0});
        space.push_back({std::llround(scale * (space_before[n + window] - space_before[n])), 0});
    }
    for (std::size_t done = 0; done < mark.size(); done += block_windows) {
        const std::size_t count = std::min(block_windows, mark.size() - done);
        push_history_block(history, mark.data() + done, space.data() + done, count);
        DecodedWord word;
        while (next_word(out.clock, history, word)) {
            out.bytes.push_back(static_cast<char>(word.byte));
            const char* letters = word.is_parity_error ? "PB" : ".F";
            out.errors.push_back(letters[word.is_framing_error ? 1 : 0]);
        }
    }
    return out;
}

// A listing line, then the bytes with no transitions and with the most.
const std::string text = std::string("10 PRINT \"OSI\"\r\n") + '\0' + "\xFF\x55\xAA\x80\x01";

// The text as a format with `data_bits` carries it.
std::string sent(const std::string& bytes, int data_bits) {
    std::string out;
    for (const char byte : bytes)
        out.push_back(static_cast<char>(byte & ((1 << data_bits) - 1)));
    return out;
}

constexpr WordFormat f8n2{8, Parity::None, 2};
constexpr WordFormat f7e1{7, Parity::Even, 1};
constexpr WordFormat f8o1{8, Parity::Odd, 1};
constexpr WordFormat f7o2{7, Parity::Odd, 2};
constexpr WordFormat f8e1{8, Parity::Even, 1};

struct Case {
    double bit_samples;
    WordFormat format;
    const char* name;
};

// 300 and 600 baud at 44100 Hz, and 1200 and 2400 baud-like short periods.
const Case cases[] = {
    {147, f8n2, "147 8N2"},   {147, f7e1, "147 7E1"}, {73.5, f8o1, "73.5 8O1"},
    {73.5, f8n2, "73.5 8N2"}, {36, f7o2, "36 7O2"},   {18, f8e1, "18 8E1"},
    {18, f7e1, "18 7E1"},
};

} // namespace

TEST(FrameClock, PerfectTrainsDecodeEveryByteWithOneLock) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded got = decode(train(c.bit_samples, c.format, text), c.format, c.bit_samples);
        EXPECT_EQ(sent(text, c.format.data_bits), got.bytes);
        EXPECT_EQ(std::string(text.size(), '.'), got.errors);
        EXPECT_EQ(1, got.clock.locks);
        EXPECT_EQ(0, got.clock.lock_losses);
        EXPECT_EQ(0, got.clock.jumps);
        EXPECT_NEAR(c.bit_samples, got.clock.frame.bit_samples, 0.002 * c.bit_samples);
    }
}

TEST(FrameClock, FastAndSlowTrainsPullTheBitPeriod) {
    for (const Case& c : cases) {
        // 4.5 % fast is the pull-in limit for 11-bit words: at 5 % the window of the last stop
        // bit starts half a bit late, reads the next start bit, and words are lost until the
        // loop has caught up.
        for (const double off : {-0.045, -0.03, 0.03, 0.05}) {
            const double true_bit_samples = c.bit_samples * (1 + off);
            SCOPED_TRACE(std::string(c.name) + " off " + std::to_string(off));
            const Decoded got =
                decode(train(true_bit_samples, c.format, text + text), c.format, c.bit_samples);
            EXPECT_EQ(sent(text + text, c.format.data_bits), got.bytes);
            EXPECT_EQ(0, got.clock.suspect_words);
            EXPECT_EQ(1, got.clock.locks);
            EXPECT_NEAR(true_bit_samples, got.clock.frame.bit_samples, 0.001 * true_bit_samples);
        }
    }
}

TEST(FrameClock, StepsOfSpeedAreFollowedWithinWords) {
    // The tape's speed jumps by 2 %, as where a worn belt slips or catches: on clean audio the
    // words' own bit periods bring the clock's to the new one within four words.
    for (const Case& c : cases) {
        for (const double step : {0.02, -0.02}) {
            SCOPED_TRACE(std::string(c.name) + ", step " + std::to_string(step));
            Line line = train(c.bit_samples, c.format, text);
            line.bit_samples = c.bit_samples / (1 + step);
            append_words(line, c.format, text.substr(0, 4));
            const Decoded got = decode(line, c.format, c.bit_samples);
            EXPECT_EQ(sent(text + text.substr(0, 4), c.format.data_bits), got.bytes);
            EXPECT_NEAR(line.bit_samples, got.clock.frame.bit_samples, 0.003 * line.bit_samples);
        }
    }
}

TEST(FrameClock, WobblingTrainsDecodeEveryByte) {
    for (const Case& c : cases) {
        for (const int wobble_bits : {10, 25, 60}) {
            SCOPED_TRACE(std::string(c.name) + ", a cycle per " + std::to_string(wobble_bits) +
                         " bits");
            const Line line = train(c.bit_samples, c.format, text + text, 0.01, wobble_bits);
            const Decoded got = decode(line, c.format, c.bit_samples);
            EXPECT_EQ(sent(text + text, c.format.data_bits), got.bytes);
            EXPECT_EQ(0, got.clock.suspect_words);
            EXPECT_EQ(1, got.clock.locks);
        }
    }
}

TEST(FrameClock, IdleGapsSendTheClockBackToSearch) {
    const double gap_bits[] = {0.3, 0.75, 1.5, 2.73, 9.2};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line line = train(c.bit_samples, c.format, "");
        for (std::size_t i = 0; i < text.size(); ++i) {
            append_word(line, c.format, static_cast<unsigned char>(text[i]));
            if (i % 4 == 3)
                append_idle(line, gap_bits[i / 4 % std::size(gap_bits)]);
        }
        const Decoded got = decode(line, c.format, c.bit_samples);
        EXPECT_EQ(sent(text, c.format.data_bits), got.bytes);
        EXPECT_EQ(0, got.clock.suspect_words);
        // A gap under a bit leaves space where the start edge points: the clock jumps to the
        // true edge (0.3 and 0.75 bits). Every longer gap reads as idle line there too, and is
        // searched across.
        EXPECT_EQ(2, got.clock.jumps);
        EXPECT_EQ(4, got.clock.locks);
        EXPECT_EQ(0, got.clock.lock_losses);
    }
}

TEST(FrameClock, FalseStartsMakeNoWord) {
    struct Row {
        const char* name;
        void (*append)(Line& line);
    };
    // Short chips of random tone levels: `level` 1 gives clean tones, each chip one or the other.
    static constexpr auto append_chips = [](Line& line, double level) {
        std::mt19937 generator(1979);
        std::uniform_real_distribution<double> chip_bits(0.1, 0.5);
        std::uniform_real_distribution<double> share(0, level);
        for (int chip = 0; chip < 60; ++chip) {
            const double samples = chip_bits(generator) * line.bit_samples;
            if (level == 1)
                append_bit(line, chip % 2 == 0, samples);
            else
                append(line, share(generator), share(generator), samples);
        }
    };
    // A receiver that looks for the start bit in its middle misses blips under half a bit too.
    // Hiss stays under the squelch; the jumble of clean tones reads too unclearly for a word,
    // and the silence after it is a word long so that no word reaches from it into idle mark.
    const Row rows[] = {
        {"blip of 0.2 bit", [](Line& line) { append_bit(line, false, 0.2 * line.bit_samples); }},
        {"blip of 0.45 bit", [](Line& line) { append_bit(line, false, 0.45 * line.bit_samples); }},
        {"hiss", [](Line& line) { append_chips(line, 0.35); }},
        {"jumble, silence",
         [](Line& line) {
             append_chips(line, 1);
             append(line, 0, 0, 12 * line.bit_samples);
         }},
    };
    for (const Case& c : cases) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(c.name) + ", " + row.name);
            Line line = train(c.bit_samples, c.format, "");
            row.append(line);
            append_idle(line, 10);
            append_words(line, c.format, text);
            const Decoded got = decode(line, c.format, c.bit_samples);
            EXPECT_EQ(sent(text, c.format.data_bits), got.bytes);
            EXPECT_EQ(1, got.clock.locks);
        }
    }
}

TEST(FrameClock, KeepsWordsWithABlurredStartBit) {
    // A start bit that reads a little more mark than space, in a clear word, is not idle line:
    // the word is kept and flagged, and the clock stays locked. Both bytes begin with a mark
    // bit, so that no edge nearby reads space instead.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line line = train(c.bit_samples, c.format, "");
        append_words(line, c.format, text, ".....S....S");
        const Decoded got = decode(line, c.format, c.bit_samples);
        EXPECT_EQ(sent(text, c.format.data_bits), got.bytes);
        EXPECT_EQ(".....F....F" + std::string(text.size() - 11, '.'), got.errors);
        EXPECT_EQ(1, got.clock.locks);
    }
}

TEST(FrameClock, ABlurInIdleLineMakesNoWord) {
    // The same blur where idle line follows a word would read as a word of all mark (0xFF with
    // a blurred start): idle line is not taken for a word.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line line = train(c.bit_samples, c.format, text.substr(0, 4));
        append(line, 0.55, 0.45, line.bit_samples);
        append_idle(line, 2 * word_bits(c.format));
        append_words(line, c.format, text.substr(4));
        const Decoded got = decode(line, c.format, c.bit_samples);
        EXPECT_EQ(sent(text, c.format.data_bits), got.bytes);
    }
}

TEST(FrameClock, FlagsFramingAndParityErrors) {
    struct Row {
        WordFormat format;
        const char* faults; // per word, as the clock reports them
    };
    const Row rows[] = {
        {f7e1, ".P..F..B.."}, {f8o1, "..B.P..F.."}, {f8n2, "...F..F..."}, {f7o2, ".B..P.F..."}};
    const std::string bytes = "OSI BASIC!";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.faults);
        Line line = train(73.5, row.format, "");
        append_words(line, row.format, bytes, row.faults);
        const Decoded got = decode(line, row.format, 73.5);
        EXPECT_EQ(sent(bytes, row.format.data_bits), got.bytes);
        EXPECT_EQ(row.faults, got.errors);
        EXPECT_EQ(1, got.clock.locks);
    }
}

TEST(FrameClock, DropoutsKeepTheLock) {
    // Both tones fall for whole words, as where the oxide has worn off the tape. Gone, the words
    // inside are lost, and counted; the clock steps over them and reads on in step. Faded to 1 %,
    // they still read clearly and are kept.
    struct Row {
        std::size_t words;
        double level;
    };
    const Row rows[] = {{1, 0}, {3, 0}, {12, 0}, {3, 0.01}};
    constexpr std::size_t first_faded = 6;
    for (const Case& c : cases) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(row.words) + " words at " +
                         std::to_string(row.level));
            Line line = train(c.bit_samples, c.format, text);
            // One run for the leader, then one per bit.
            const std::size_t word_runs = (line.runs.size() - 1) / text.size();
            const std::size_t from = 1 + first_faded * word_runs;
            for (std::size_t r = from; r < from + row.words * word_runs; ++r) {
                line.runs[r].mark *= row.level;
                line.runs[r].space *= row.level;
            }
            const std::size_t lost = row.level > 0 ? 0 : row.words;
            std::string kept = text;
            kept.erase(first_faded, lost);
            const Decoded got = decode(line, c.format, c.bit_samples);
            EXPECT_EQ(sent(kept, c.format.data_bits), got.bytes);
            EXPECT_EQ(1, got.clock.locks);
            EXPECT_EQ(0, got.clock.suspect_words);
            EXPECT_EQ(static_cast<std::int64_t>(lost), got.clock.lost_words);
        }
    }
}

TEST(FrameClock, SilencesOutOfStepAreSearchedAcross) {
    // A stretch of silence that is not a whole number of words, then a little idle line: the
    // clock steps over the silence as over a dropout, finds its step gone when the tones come
    // back, and searches from the last silent word, losing nothing.
    for (const Case& c : cases) {
        for (const double silent_words : {0.3, 2.5, 5.6}) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(silent_words) + " words");
            Line line = train(c.bit_samples, c.format, text.substr(0, 8));
            append(line, 0, 0, silent_words * word_bits(c.format) * c.bit_samples);
            append_idle(line, 3);
            append_words(line, c.format, text.substr(8));
            const Decoded got = decode(line, c.format, c.bit_samples);
            EXPECT_EQ(sent(text, c.format.data_bits), got.bytes);
            EXPECT_EQ(0, got.clock.suspect_words);
            EXPECT_EQ(0, got.clock.lost_words);
        }
    }
}
