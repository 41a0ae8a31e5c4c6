// The word record reader on any bytes, against a tape taken from the input's head (its first byte
// the tape's length): a record it takes has a word for every byte of the tape, a record it refuses
// is refused with a reason, and every place on the tape can be described either way.
#include "fuzz_support.h"
#include "programs/word_record.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t tape_size = std::min<std::size_t>(data[0], size - 1);
    const std::vector<std::uint8_t> tape(data + 1, data + 1 + tape_size);
    const std::vector<std::uint8_t> record(data + 1 + tape_size, data + size);
    std::vector<WordTime> times;
    std::string problem;
    if (read_word_record(record, tape, "tape.txt", times, problem)) {
        require(times.size() == tape.size(), "a word for every byte of the tape");
        require(problem.empty(), "a problem named for a record taken");
    } else {
        require(!problem.empty(), "a record refused without saying why");
    }
    for (std::size_t offset = 0; offset <= tape.size(); ++offset)
        require(!describe_at({offset, "x"}, times).empty(), "a place described as nothing");
    return 0;
}
