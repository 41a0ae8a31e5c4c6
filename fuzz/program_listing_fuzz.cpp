// A decoded tape as a listing: the classifier, the listing's lines and its lint, and the text
// made for the machine. The lines joined again must give the same lines, and every fault must
// point inside the input.
#include "fuzz_support.h"
#include "programs/basic_listing.h"
#include "programs/tape_content.h"
#include "programs/text_for_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    (void)classify_tape(bytes);
    const std::vector<ListingLine> lines = listing_lines(bytes);
    for (const ListingLine& line : lines) {
        require(line.text.size() == line.char_offsets.size(), "a character without its offset");
        for (const std::size_t offset : line.char_offsets)
            require(offset < size && data[offset] != 0, "a character from nowhere");
    }
    for (const Problem& problem : lint_listing(lines))
        require(problem.offset < size, "a fault named past the input's end");
    const std::string joined = join_listing(lines, LineEnd::Lf);
    const std::vector<ListingLine> again = listing_lines({joined.begin(), joined.end()});
    require(again.size() == lines.size(), "lines lost or gained when joined");
    for (std::size_t i = 0; i < lines.size(); ++i)
        require(again[i].text == lines[i].text, "a line changed when joined");
    const int nul_count = size > 0 ? data[0] % 16 : 0;
    const std::string padded = text_for_machine(bytes, nul_count, true);
    require(padded.find('\n') == std::string::npos, "an LF left for the machine");
    return 0;
}
