// Merging readings one at a time into the stream so far: lined up, then judged place by place.
#include "rescue/capture_merge.h"

#include "rescue/word_alignment.h"

#include <algorithm>
#include <cmath>

namespace {

using Words = std::vector<DecodedWord>;

bool is_suspect(const DecodedWord& word) { return word.is_framing_error || word.is_parity_error; }

// The mean margin of the word's bits.
double clarity(const DecodedWord& word) {
    double sum = 0;
    for (int k = 0; k < word.bit_count; ++k)
        sum += std::fabs(word.bit_d[static_cast<std::size_t>(k)]);
    return word.bit_count > 0 ? sum / word.bit_count : 0.0;
}

// One of the two streams being merged, as the walk along their alignment reaches it.
struct Side {
    const Words& words;
    std::int64_t next = 0; // its next word
};

// Whether a stream has not begun here or has ended: it cannot tell what lies here.
bool is_outside(const Side& side) {
    return side.next == 0 || side.next >= static_cast<std::int64_t>(side.words.size());
}

// The merge of two streams, walked along their alignment.
struct Walk {
    Side so_far;
    Side added;
    MergeTally& tally;
    Words out;
    int lost = 0; // words lost by both since the last word out
};

void put(Walk& walk, DecodedWord word) {
    word.lost_before = walk.lost;
    walk.lost = 0;
    walk.out.push_back(word);
}

// Both streams read a word here: the better one, confirmed where the bytes agree. Its gap is
// the shorter: time one stream had without words, the other filled.
void judge(Walk& walk) {
    const DecodedWord& old_word = walk.so_far.words[static_cast<std::size_t>(walk.so_far.next++)];
    const DecodedWord& new_word = walk.added.words[static_cast<std::size_t>(walk.added.next++)];
    DecodedWord chosen = frames_better(new_word, old_word) ? new_word : old_word;
    chosen.is_confirmed = old_word.byte == new_word.byte || chosen.is_confirmed;
    chosen.gap_before = std::min(old_word.gap_before, new_word.gap_before);
    if (old_word.byte != new_word.byte)
        ++walk.tally.disagreements;
    put(walk, chosen);
}

// Only `own` read a word here. It is kept where the other lost a word or had time for one here,
// or cannot tell, or where it is not doubtful; a doubtful word where the other read on is a
// stray.
void take_lone(Walk& walk, Side& own, const Side& other, std::int64_t other_has) {
    const DecodedWord& word = own.words[static_cast<std::size_t>(own.next++)];
    if (other_has == no_word && is_doubtful(word) && !is_outside(other)) {
        ++walk.tally.strays;
        return;
    }
    put(walk, word);
}

// Neither read a word here: a word lost where one lost it and the other lost it too, had time
// for it, or cannot tell; not where the other read on, nor in time both had without words.
void take_loss(Walk& walk, const Side& a, const Side& b, const WordPair& pair) {
    const bool has_loss = pair.a == lost_word || pair.b == lost_word;
    const bool is_missed_in_a = pair.a != no_word || is_outside(a);
    const bool is_missed_in_b = pair.b != no_word || is_outside(b);
    walk.lost += has_loss && is_missed_in_a && is_missed_in_b ? 1 : 0;
}

Words merge_two(const Words& so_far, const Words& added, MergeTally& tally) {
    Walk walk{Side{so_far}, Side{added}, tally, {}, 0};
    walk.out.reserve(std::max(so_far.size(), added.size()));
    for (const WordPair& pair : align_words(so_far, added)) {
        if (pair.a >= 0 && pair.b >= 0)
            judge(walk);
        else if (pair.a >= 0)
            take_lone(walk, walk.so_far, walk.added, pair.b);
        else if (pair.b >= 0)
            take_lone(walk, walk.added, walk.so_far, pair.a);
        else
            take_loss(walk, walk.so_far, walk.added, pair);
    }
    return std::move(walk.out);
}

void mark(Words& words, int reading) {
    for (DecodedWord& word : words)
        word.reading = reading;
}

} // namespace

bool frames_better(const DecodedWord& x, const DecodedWord& y) {
    if (is_suspect(x) != is_suspect(y))
        return !is_suspect(x);
    if (x.is_confirmed != y.is_confirmed)
        return x.is_confirmed;
    if (x.is_faint != y.is_faint)
        return !x.is_faint;
    if (x.confidence != y.confidence)
        return x.confidence > y.confidence;
    return clarity(x) > clarity(y);
}

Words merge_readings(std::vector<Words> readings, MergeTally& tally) {
    tally = MergeTally{};
    tally.taken.assign(readings.size(), 0);
    Words merged;
    for (std::size_t r = 0; r < readings.size(); ++r) {
        mark(readings[r], static_cast<int>(r + 1));
        merged = r == 0 ? std::move(readings[r]) : merge_two(merged, readings[r], tally);
        readings[r] = Words{};
    }
    for (const DecodedWord& word : merged) {
        ++tally.taken[static_cast<std::size_t>(word.reading - 1)];
        tally.confirmed += word.is_confirmed ? 1 : 0;
    }
    return merged;
}
