// Merging readings of one tape: the first byte gives the number of readings (1 to 4), then
// every four bytes are a word of the reading that the first of them names (its low two bits):
// its byte, its flags and confidence, the words lost before it and the time before it, in
// words. Every merged word must come from a reading and stand in that reading's order, the
// tally must count each once, and no more words come out than went in.
#include "fuzz_support.h"
#include "rescue/capture_merge.h"

#include <vector>

namespace {

DecodedWord word_from(const std::uint8_t* bytes, std::size_t index) {
    DecodedWord word;
    word.byte = bytes[1];
    word.is_framing_error = (bytes[2] & 1) != 0;
    word.is_parity_error = (bytes[2] & 2) != 0;
    word.is_faint = (bytes[2] & 4) != 0;
    word.confidence = (bytes[2] >> 3) * 100 / 31;
    word.lost_before = bytes[3] >> 4;
    word.bit_count = 11;
    word.bit_samples = 1;
    word.gap_before = 11.0 * (bytes[3] & 0x0F) - 3;
    // The word's place in its reading, to find it again after the merge.
    word.edge = static_cast<double>(index);
    return word;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t count = 1 + data[0] % 4;
    std::vector<std::vector<DecodedWord>> readings(count);
    std::size_t words_in = 0;
    for (std::size_t at = 1; at + 4 <= size; at += 4, ++words_in) {
        std::vector<DecodedWord>& reading = readings[data[at] % count];
        reading.push_back(word_from(data + at, reading.size()));
    }
    MergeTally tally;
    const std::vector<DecodedWord> merged = merge_readings(readings, tally);
    require(merged.size() <= words_in, "more words out than went in");
    std::vector<double> last_edge(count, -1);
    std::int64_t taken = 0;
    for (const DecodedWord& word : merged) {
        require(word.reading >= 1 && static_cast<std::size_t>(word.reading) <= count,
                "a word from no reading");
        const auto reading = static_cast<std::size_t>(word.reading - 1);
        const auto index = static_cast<std::size_t>(word.edge);
        require(index < readings[reading].size() && readings[reading][index].byte == word.byte,
                "a word its reading did not read");
        require(word.edge > last_edge[reading], "a reading's words out of order");
        last_edge[reading] = word.edge;
        require(word.lost_before >= 0, "a negative loss");
    }
    for (const std::int64_t each : tally.taken)
        taken += each;
    require(taken == static_cast<std::int64_t>(merged.size()), "the tally counts another stream");
    return 0;
}
