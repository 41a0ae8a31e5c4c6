// Lining up two readings: each as a row of places (its words, and a place for each word it says
// it lost or had time for and did not read), anchors from runs of bytes that occur once in each,
// then an edit-distance table between each pair of anchors, banded where the gap is long.
#include "rescue/word_alignment.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <unordered_map>

namespace {

// An anchor is a run of this many bytes that occurs exactly once in each reading: 8 bytes pack
// into one 64-bit key. At a byte error rate of 1 % (white noise near where one reading starts to
// fail) 92 % of the runs survive unchanged in one reading, 85 % in both.
constexpr std::int64_t anchor_bytes = 8;

// Costs of the table, in whole units. A lost or unread word pairs with anything for nothing. A
// changed byte costs less than two words left unpaired, so that a bit error pairs the words, even
// two doubtful ones. A lost word left unpaired costs little, as the count of words lost in a
// dropout may be one or two off, but two of them, one either side, cost more than a changed byte:
// in a run of NUL words they would otherwise shift the pairs for nothing until a misread byte
// paired with a lost word and was taken. Before a reading begins or after it ends, the other's
// words cost least.
constexpr std::int64_t mismatch_cost = 3;
constexpr std::int64_t gap_cost = 5;
constexpr std::int64_t doubtful_gap_cost = 2;
constexpr std::int64_t lost_gap_cost = 2;
constexpr std::int64_t outside_gap_cost = 1;
// The places a word's losses or the time before it stand for at most: the clock coasts through
// 16 words, and a longer silence, between two programs on a tape, is one in both readings.
constexpr int most_lost_places = 64;
// Time before a word holds as many unread words as whole words fit in it once this share of a
// word is added: idle line of under three quarters of a word is none. A tape's pauses (after a
// line, between words) are alike in both readings and pair with each other; where one reading
// lost its clock in a dropout and counted nothing, the time stands for the words it missed.
constexpr double unread_rounding = 0.25;
// The cells of one table between anchors: 4 M, one byte each. A longer gap is searched in a band
// about its diagonal, at least 20 words wide either side for a gap of 100 000 words.
constexpr std::int64_t most_cells = std::int64_t{1} << 22;
constexpr std::int64_t no_cost = std::numeric_limits<std::int64_t>::max() / 4;

using Words = std::vector<DecodedWord>;

// One place of a reading: a word it read, one it lost, or time for one it did not read.
struct Place {
    std::int64_t word = lost_word; // its index, lost_word or unread_word
    int byte = 0;
    bool is_doubtful = false;
};
using Places = std::vector<Place>;

bool is_read(const Place& place) { return place.word >= 0; }

// The words that would fit in the time before `word` that no word was read in.
int unread_before(const DecodedWord& word) {
    const double word_samples = word.bit_samples * word.bit_count;
    const double unread = word_samples > 0 ? word.gap_before / word_samples + unread_rounding : 0;
    // Written so that a gap that is not a number counts none.
    return unread >= 1 ? static_cast<int>(std::min(unread, double{most_lost_places})) : 0;
}

Places places_of(const Words& words) {
    Places places;
    places.reserve(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        // A dropout the clock coasted through shows both as words lost and as time.
        const int lost = std::clamp(words[i].lost_before, 0, most_lost_places);
        const int unread = std::max(0, unread_before(words[i]) - lost);
        places.insert(places.end(), static_cast<std::size_t>(lost), Place{});
        places.insert(places.end(), static_cast<std::size_t>(unread), Place{unread_word});
        places.push_back(
            Place{static_cast<std::int64_t>(i), words[i].byte & 0xFF, is_doubtful(words[i])});
    }
    return places;
}

// The run of bytes from `at` as one key; false where the run holds a place without a word.
bool run_key(const Places& places, std::int64_t at, std::uint64_t& key) {
    key = 0;
    for (std::int64_t k = 0; k < anchor_bytes; ++k) {
        const Place& place = places[static_cast<std::size_t>(at + k)];
        if (!is_read(place))
            return false;
        key = key << 8 | static_cast<std::uint64_t>(place.byte);
    }
    return true;
}

struct RunSeen {
    std::int64_t a_count = 0; // times the run occurs in reading a
    std::int64_t a_at = 0;    // where, when once
    std::int64_t b_count = 0;
    std::int64_t b_at = 0;
};

// The runs that occur once in each reading, in the order of reading a.
std::vector<WordPair> unique_runs(const Places& a, const Places& b) {
    std::vector<WordPair> found;
    const auto a_runs = static_cast<std::int64_t>(a.size()) - anchor_bytes + 1;
    const auto b_runs = static_cast<std::int64_t>(b.size()) - anchor_bytes + 1;
    if (a_runs <= 0 || b_runs <= 0)
        return found;
    std::unordered_map<std::uint64_t, RunSeen> seen;
    seen.reserve(static_cast<std::size_t>(a_runs));
    std::uint64_t key = 0;
    for (std::int64_t i = 0; i < a_runs; ++i) {
        if (!run_key(a, i, key))
            continue;
        RunSeen& run = seen[key];
        ++run.a_count;
        run.a_at = i;
    }
    for (std::int64_t j = 0; j < b_runs; ++j) {
        if (!run_key(b, j, key))
            continue;
        const auto run = seen.find(key);
        if (run != seen.end()) {
            ++run->second.b_count;
            run->second.b_at = j;
        }
    }
    for (const auto& entry : seen)
        if (entry.second.a_count == 1 && entry.second.b_count == 1)
            found.push_back(WordPair{entry.second.a_at, entry.second.b_at});
    std::sort(found.begin(), found.end(),
              [](const WordPair& x, const WordPair& y) { return x.a < y.a; });
    return found;
}

// The longest chain of runs that goes forward in both readings: a run that matches out of
// order (a repeated phrase that happens to be unique in both) is left out.
std::vector<WordPair> forward_chain(const std::vector<WordPair>& runs) {
    std::vector<std::size_t> tails;                         // chain ends, by chain length
    std::vector<std::size_t> before(runs.size(), SIZE_MAX); // each run's predecessor
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const auto place =
            std::lower_bound(tails.begin(), tails.end(), runs[r].b,
                             [&runs](std::size_t t, std::int64_t b) { return runs[t].b < b; });
        if (place != tails.begin())
            before[r] = *(place - 1);
        if (place == tails.end())
            tails.push_back(r);
        else
            *place = r;
    }
    std::vector<WordPair> chain;
    for (std::size_t r = tails.empty() ? SIZE_MAX : tails.back(); r != SIZE_MAX; r = before[r])
        chain.push_back(runs[r]);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// Places stand for time as well as words, so the anchors of two readings lie on one diagonal,
// moved only by stray words and by losses counted short. A run that matches another line of a
// listing (one digit misread in a line much like another) lies a line away from it: in white
// noise at -7 dB SNR and 600 baud, three such runs were 96 words off their neighbours, and took
// a line of each reading out of the pairs. An anchor whose diagonal lies further than this from
// the median of its neighbours' is left out.
constexpr std::int64_t most_anchor_shift = 12;
constexpr std::size_t anchor_neighbours = 6; // on each side

std::int64_t diagonal(const WordPair& pair) { return pair.b - pair.a; }

std::vector<WordPair> consistent_anchors(const std::vector<WordPair>& chain) {
    std::vector<WordPair> kept;
    kept.reserve(chain.size());
    for (std::size_t c = 0; c < chain.size(); ++c) {
        std::vector<std::int64_t> around;
        for (std::size_t k = c > anchor_neighbours ? c - anchor_neighbours : 0;
             k < std::min(chain.size(), c + anchor_neighbours + 1); ++k)
            if (k != c)
                around.push_back(diagonal(chain[k]));
        if (around.size() >= 2) {
            const auto middle = around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2);
            std::nth_element(around.begin(), middle, around.end());
            if (std::abs(diagonal(chain[c]) - *middle) > most_anchor_shift)
                continue;
        }
        kept.push_back(chain[c]);
    }
    return kept;
}

// The pairs the anchors fix, in order: each run's words, up to where the next run begins.
std::vector<WordPair> anchored_pairs(const std::vector<WordPair>& chain) {
    std::vector<WordPair> fixed;
    for (std::size_t c = 0; c < chain.size(); ++c) {
        for (std::int64_t k = 0; k < anchor_bytes; ++k) {
            const WordPair pair{chain[c].a + k, chain[c].b + k};
            const bool is_after_last =
                fixed.empty() || (pair.a > fixed.back().a && pair.b > fixed.back().b);
            const bool is_before_next =
                c + 1 == chain.size() || (pair.a < chain[c + 1].a && pair.b < chain[c + 1].b);
            if (!is_before_next)
                break;
            if (is_after_last)
                fixed.push_back(pair);
        }
    }
    return fixed;
}

// One gap between anchors: words [a0, a1) of a and [b0, b1) of b.
struct Gap {
    std::int64_t a0 = 0, a1 = 0, b0 = 0, b1 = 0;
};

std::int64_t pair_cost(const Place& a, const Place& b) {
    return !is_read(a) || !is_read(b) || a.byte == b.byte ? 0 : mismatch_cost;
}

// The cost of leaving `place` unpaired where the other reading's next place is `next` (its size
// where that reading has ended): least before the other reading begins or after it ends; little
// for a lost or unread word, and for a doubtful word, which may be a stray.
std::int64_t unpaired_cost(const Place& place, const Places& other, std::int64_t next) {
    if (next == 0 || next >= static_cast<std::int64_t>(other.size()))
        return outside_gap_cost;
    if (!is_read(place))
        return lost_gap_cost;
    return place.is_doubtful ? doubtful_gap_cost : gap_cost;
}

enum Step : std::uint8_t { Both, OnlyA, OnlyB };

// The table of one gap, row i for a's words, banded about the diagonal.
struct Band {
    std::int64_t rows = 0, columns = 0, half_width = 0;
    std::vector<std::int64_t> row_start; // each row's first cell in `steps`
    std::vector<std::uint8_t> steps;     // the step that reached each cell
};

std::int64_t band_low(const Band& band, std::int64_t i) {
    const std::int64_t centre = band.rows == 0 ? 0 : i * band.columns / band.rows;
    return std::max<std::int64_t>(0, centre - band.half_width);
}

std::int64_t band_high(const Band& band, std::int64_t i) {
    const std::int64_t centre = band.rows == 0 ? band.columns : i * band.columns / band.rows;
    return std::min(band.columns, centre + band.half_width);
}

Band band_for(const Gap& gap) {
    Band band;
    band.rows = gap.a1 - gap.a0;
    band.columns = gap.b1 - gap.b0;
    // Wide enough that each row's band meets the next one's, and everything where that fits.
    const std::int64_t least = band.columns / std::max<std::int64_t>(band.rows, 1) + 2;
    band.half_width = std::max(least, most_cells / (2 * (band.rows + 1)));
    band.half_width = std::min(band.half_width, std::max(band.columns, least));
    return band;
}

// One row of the table's costs: those of its band, from column `low`.
struct CostRow {
    std::int64_t low = 0;
    std::vector<std::int64_t> costs;
};

std::int64_t cost_at(const CostRow& row, std::int64_t j) {
    const std::int64_t at = j - row.low;
    return at < 0 || at >= static_cast<std::int64_t>(row.costs.size())
               ? no_cost
               : row.costs[static_cast<std::size_t>(at)];
}

const Place& place_at(const Places& places, std::int64_t at) {
    return places[static_cast<std::size_t>(at)];
}

// Fills row i (a's places up to gap.a0 + i) from the row above, keeping the step into each cell.
void fill_row(Band& band, const Gap& gap, const Places& a, const Places& b, std::int64_t i,
              const CostRow& above, CostRow& row) {
    row.low = band_low(band, i);
    row.costs.assign(static_cast<std::size_t>(band_high(band, i) - row.low + 1), no_cost);
    band.row_start.push_back(static_cast<std::int64_t>(band.steps.size()));
    for (std::int64_t j = row.low; j <= band_high(band, i); ++j) {
        std::int64_t best = i == 0 && j == 0 ? 0 : no_cost;
        Step step = Both;
        if (i > 0 && j > 0)
            best = cost_at(above, j - 1) +
                   pair_cost(place_at(a, gap.a0 + i - 1), place_at(b, gap.b0 + j - 1));
        const std::int64_t up =
            i > 0 ? cost_at(above, j) + unpaired_cost(place_at(a, gap.a0 + i - 1), b, gap.b0 + j)
                  : no_cost;
        if (up < best) {
            best = up;
            step = OnlyA;
        }
        const std::int64_t left =
            j > row.low
                ? cost_at(row, j - 1) + unpaired_cost(place_at(b, gap.b0 + j - 1), a, gap.a0 + i)
                : no_cost;
        if (left < best) {
            best = left;
            step = OnlyB;
        }
        row.costs[static_cast<std::size_t>(j - row.low)] = best;
        band.steps.push_back(step);
    }
}

// Fills the table of a gap, row by row.
void fill_band(Band& band, const Gap& gap, const Places& a, const Places& b) {
    CostRow above, row;
    for (std::int64_t i = 0; i <= band.rows; ++i) {
        fill_row(band, gap, a, b, i, above, row);
        std::swap(above, row);
    }
}

// Walks the table back from its far corner and appends the gap's pairs of places in order.
void trace_band(const Band& band, const Gap& gap, std::vector<WordPair>& pairs) {
    std::vector<WordPair> reversed;
    std::int64_t i = band.rows, j = band.columns;
    while (i > 0 || j > 0) {
        const auto cell = static_cast<std::size_t>(band.row_start[static_cast<std::size_t>(i)] + j -
                                                   band_low(band, i));
        switch (static_cast<Step>(band.steps[cell])) {
        case Both:
            // Both readings read a word here.
            --i;
            --j;
            reversed.push_back(WordPair{gap.a0 + i, gap.b0 + j});
            break;
        case OnlyA:
            // Only a read a word here.
            --i;
            reversed.push_back(WordPair{gap.a0 + i, -1});
            break;
        case OnlyB:
            // Only b read a word here.
            --j;
            reversed.push_back(WordPair{-1, gap.b0 + j});
            break;
        }
    }
    pairs.insert(pairs.end(), reversed.rbegin(), reversed.rend());
}

void align_gap(const Gap& gap, const Places& a, const Places& b, std::vector<WordPair>& pairs) {
    if (gap.a1 == gap.a0 && gap.b1 == gap.b0)
        return;
    Band band = band_for(gap);
    fill_band(band, gap, a, b);
    trace_band(band, gap, pairs);
}

// A place pair's word, lost_word, unread_word, or no_word.
std::int64_t word_at(const Places& places, std::int64_t at) {
    return at < 0 ? no_word : places[static_cast<std::size_t>(at)].word;
}

} // namespace

bool is_doubtful(const DecodedWord& word) {
    return word.is_framing_error || word.is_parity_error || word.is_faint;
}

std::vector<WordPair> align_words(const Words& words_a, const Words& words_b) {
    const Places a = places_of(words_a);
    const Places b = places_of(words_b);
    const std::vector<WordPair> fixed =
        anchored_pairs(consistent_anchors(forward_chain(unique_runs(a, b))));
    std::vector<WordPair> pairs;
    pairs.reserve(std::max(a.size(), b.size()));
    WordPair last{-1, -1};
    for (const WordPair& pair : fixed) {
        align_gap(Gap{last.a + 1, pair.a, last.b + 1, pair.b}, a, b, pairs);
        pairs.push_back(pair);
        last = pair;
    }
    align_gap(Gap{last.a + 1, static_cast<std::int64_t>(a.size()), last.b + 1,
                  static_cast<std::int64_t>(b.size())},
              a, b, pairs);
    for (WordPair& pair : pairs)
        pair = WordPair{word_at(a, pair.a), word_at(b, pair.b)};
    return pairs;
}
