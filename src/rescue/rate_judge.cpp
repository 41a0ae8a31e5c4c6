// Words that read every bit in runs of two or four.
#include "rescue/rate_judge.h"

namespace {

// Judged once this many words were read, when this share of them repeat. Of the words that
// have a run of bits inside them, bytes read at their own rate repeat by chance: 7 % of a
// listing's, 10 % with NUL padding, 9 % of a 65V text's, 20 % of digits alone and 7 % of random
// bytes show every inner run of a length divisible by two, 0.5 % of random bytes by four. Read
// at twice its rate through a level that pumps 60 % deep, a listing repeated in 72 % of its
// words, and 0.8 let it end as clean.
constexpr std::int64_t least_judged_words = 16;
constexpr double repeated_share = 0.6;
constexpr std::array<int, 2> factors = {2, 4};

bool is_mark(const DecodedWord& word, int bit) {
    return word.bit_d[static_cast<std::size_t>(bit)] > 0;
}

// The runs of equal bits of a word, start bit to last stop bit.
struct Runs {
    std::array<int, max_bits> length{};
    int count = 0;
};

Runs runs_of(const DecodedWord& word) {
    Runs runs;
    int start = 0;
    for (int k = 1; k <= word.bit_count; ++k) {
        if (k < word.bit_count && is_mark(word, k) == is_mark(word, k - 1))
            continue;
        runs.length[static_cast<std::size_t>(runs.count++)] = k - start;
        start = k;
    }
    return runs;
}

// Every run inside the word (not the first or the last, which its edges may cut short) lasts a
// multiple of `factor` bits. A word of two runs only, space then mark, has none inside: read at
// four times the line's rate, a word spans under three of the line's bits and is always such.
bool repeats(const Runs& runs, int factor) {
    for (int i = 1; i + 1 < runs.count; ++i)
        if (runs.length[static_cast<std::size_t>(i)] % factor != 0)
            return false;
    return true;
}

// NUL and 0xFF read as a run of space and a run of mark at any rate, so they tell nothing: the
// space run is the start bit alone, or the mark run the stop (and parity) bits alone, a quarter
// of the word or less.
bool is_uniform(const DecodedWord& word, const Runs& runs) {
    return runs.count <= 2 && (runs.length[0] == 1 || runs.length[1] <= word.bit_count / 4);
}

} // namespace

void count_repeats(RepeatCount& count, const DecodedWord& word) {
    const Runs runs = runs_of(word);
    if (is_uniform(word, runs))
        return;
    ++count.judged;
    for (std::size_t f = 0; f < factors.size(); ++f)
        count.repeated[f] += repeats(runs, factors[f]) ? 1 : 0;
}

int repeat_factor(const RepeatCount& count) {
    if (count.judged < least_judged_words)
        return 1;
    // The larger factor first: words that repeat four times also repeat twice.
    for (std::size_t f = factors.size(); f-- > 0;)
        if (static_cast<double>(count.repeated[f]) >=
            repeated_share * static_cast<double>(count.judged))
            return factors[f];
    return 1;
}
