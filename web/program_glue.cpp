// The page's OSI program formats: a machine code file made into its 65V load text before it is
// encoded, and a decoded tape taken back to a clean listing or a program file, as qirvex-program's
// to-tape and from-tape make them from the same bytes. The results stay here until the next call;
// the worker copies them out through the accessors below.
#include "programs/basic_listing.h"
#include "programs/binary_image.h"
#include "programs/intel_hex.h"
#include "programs/memory_image.h"
#include "programs/monitor_65v.h"
#include "programs/mos_records.h"
#include "programs/motorola_srec.h"
#include "programs/structure_repair.h"
#include "programs/tape_content.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

// Statuses, as qirvex-program's exit statuses.
constexpr int program_clean = 0;
constexpr int program_damaged = 1;
constexpr int program_refused = 2;

// A machine code file's format, as the worker names it.
enum class CodeFormat { Binary = 1, IntelHex = 2, Srec = 3, Cc65 = 4 };

// What a decoded tape is written as, as the worker names it.
enum class TapeOutput { Listing = 1, IntelHex = 2, Binary = 3 };

// An address from the worker: 0 to FFFF, anything else none.
std::optional<std::uint16_t> address_or_none(int address) {
    if (address < 0 || address >= static_cast<int>(address_space_bytes))
        return std::nullopt;
    return static_cast<std::uint16_t>(address);
}

struct ProgramOutcome {
    int status = program_clean;
    std::string content;              // what the input holds, in words
    std::vector<Problem> problems;    // each fault at its offset in the input
    std::string messages;             // what was read and every fault, one a line
    std::vector<std::string> names;   // the files made: the suffix of each name
    std::vector<std::string> outputs; // and their bytes
};

ProgramOutcome outcome;

void add_problems(const std::vector<Problem>& problems) {
    for (const Problem& problem : problems) {
        outcome.problems.push_back(problem);
        outcome.messages += describe(problem) + "\n";
    }
    if (!problems.empty() && outcome.status == program_clean)
        outcome.status = program_damaged;
}

void refuse(const std::string& text) {
    outcome.status = program_refused;
    outcome.messages += text + "\n";
}

ReadResult read_code(CodeFormat format, const std::vector<std::uint8_t>& bytes,
                     std::optional<std::uint16_t> load_address) {
    switch (format) {
    case CodeFormat::IntelHex:
        return read_intel_hex(bytes);
    case CodeFormat::Srec:
        return read_srec(bytes);
    case CodeFormat::Cc65:
        return read_cc65(bytes, load_address.value_or(cc65_start_address));
    case CodeFormat::Binary:
        break;
    }
    return read_binary(bytes, load_address.value_or(0));
}

// The program on a decoded tape of `content`.
ReadResult read_tape_program(TapeContent content, const std::vector<std::uint8_t>& bytes) {
    if (content == TapeContent::ChecksumRecords)
        return read_mos_records(bytes);
    return read_65v_tape(bytes);
}

void add_output(std::string name, std::string bytes) {
    outcome.names.push_back(std::move(name));
    outcome.outputs.push_back(std::move(bytes));
}

void write_program(TapeOutput output, const MemoryImage& image) {
    if (output == TapeOutput::IntelHex) {
        add_output(".hex", write_intel_hex(image));
        return;
    }
    // One file a stretch, its address in its name.
    for (const Stretch& stretch : image.stretches)
        add_output(binary_name("", stretch.start),
                   std::string(stretch.bytes.begin(), stretch.bytes.end()));
}

std::vector<std::uint8_t> input_bytes(const std::uint8_t* bytes, std::size_t size) {
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

} // namespace

extern "C" {

// The 65V load text of a machine code file in `format` (1 raw bytes, 2 Intel HEX, 3 S-records,
// 4 cc65's OSI output), with two NULs after each CR, as `qirvex-program to-tape` writes it.
// Addresses are 0 to FFFF, or -1 for none: raw bytes need their load address; a run address
// given replaces the file's. Returns 0 when the text was made, 1 when the file was damaged and
// 2 when it was refused; then nothing is made, as nothing should go to tape that would not load.
EMSCRIPTEN_KEEPALIVE int qx_program_to_tape(int format, const std::uint8_t* bytes, std::size_t size,
                                            int load_address, int run_address) {
    outcome = ProgramOutcome{};
    const auto code_format = static_cast<CodeFormat>(format);
    const std::optional<std::uint16_t> load = address_or_none(load_address);
    if (code_format == CodeFormat::Binary && !load) {
        refuse("raw bytes need their load address: type it, or choose a file named like "
               "prog.0200.bin");
        return outcome.status;
    }
    ReadResult read = read_code(code_format, input_bytes(bytes, size), load);
    add_problems(read.problems);
    if (outcome.status != program_clean)
        return outcome.status;
    if (read.image.stretches.empty()) {
        refuse("found no bytes where a program was expected");
        return outcome.status;
    }
    if (address_or_none(run_address))
        read.image.run_address = address_or_none(run_address);
    outcome.messages = image_summary(read.image) + "\n";
    add_output(".65v", write_65v(read.image, default_65v_nul_count));
    return outcome.status;
}

// Judges what a decoded tape holds and writes it as `output` (1 a listing with LF line ends,
// 2 Intel HEX, 3 raw bytes, a file a stretch) as `qirvex-program from-tape` does, with every
// fault at its offset: a listing's lint, or what could not be read of a program. A listing is
// written as one, whatever `output` asks. Returns 0 when the tape was whole, 1 when faults
// were found (what could be read is written), 2 when there was nothing to read.
EMSCRIPTEN_KEEPALIVE int qx_program_from_tape(int output, const std::uint8_t* bytes,
                                              std::size_t size) {
    outcome = ProgramOutcome{};
    const std::vector<std::uint8_t> input = input_bytes(bytes, size);
    const TapeContent content = classify_tape(input);
    outcome.content = content_name(content);
    if (content == TapeContent::OtherData) {
        refuse("found other data where a BASIC listing, a 65V load text or checksum records "
               "were expected");
        return outcome.status;
    }
    if (content == TapeContent::BasicListing) {
        const std::vector<ListingLine> lines = listing_lines(input);
        add_problems(lint_listing(lines));
        outcome.messages =
            "a BASIC listing of " + std::to_string(lines.size()) + " lines\n" + outcome.messages;
        add_output(".bas", join_listing(lines, LineEnd::Lf));
        return outcome.status;
    }
    const ReadResult read = read_tape_program(content, input);
    add_problems(read.problems);
    if (read.image.stretches.empty()) {
        refuse("found no bytes that could be read");
        return outcome.status;
    }
    outcome.messages = image_summary(read.image) + "\n" + outcome.messages;
    write_program(static_cast<TapeOutput>(output), read.image);
    return outcome.status;
}

// What the last input held ("a BASIC listing", "a 65V load text", ...): from-tape only.
EMSCRIPTEN_KEEPALIVE const char* qx_program_content() { return outcome.content.c_str(); }

// What was read and every fault, one a line.
EMSCRIPTEN_KEEPALIVE const char* qx_program_messages() { return outcome.messages.c_str(); }

// The faults one by one: their offsets in the input and their messages.
EMSCRIPTEN_KEEPALIVE int qx_program_problem_count() {
    return static_cast<int>(outcome.problems.size());
}
EMSCRIPTEN_KEEPALIVE int qx_program_problem_offset(int index) {
    return static_cast<int>(outcome.problems[static_cast<std::size_t>(index)].offset);
}
EMSCRIPTEN_KEEPALIVE const char* qx_program_problem_message(int index) {
    return outcome.problems[static_cast<std::size_t>(index)].message.c_str();
}

// The files made: how many, and each one's name suffix (".65v", ".hex", ".0200.bin"), bytes and
// size.
EMSCRIPTEN_KEEPALIVE int qx_program_output_count() {
    return static_cast<int>(outcome.outputs.size());
}
EMSCRIPTEN_KEEPALIVE const char* qx_program_output_name(int index) {
    return outcome.names[static_cast<std::size_t>(index)].c_str();
}
EMSCRIPTEN_KEEPALIVE const char* qx_program_output_bytes(int index) {
    return outcome.outputs[static_cast<std::size_t>(index)].data();
}
EMSCRIPTEN_KEEPALIVE int qx_program_output_size(int index) {
    return static_cast<int>(outcome.outputs[static_cast<std::size_t>(index)].size());
}

} // extern "C"

namespace {

// The changes of the last qx_mend, four doubles each: offset, byte as read, byte mended, and the
// largest margin of a bit changed.
std::vector<double> mended;

} // namespace

extern "C" {

// Mends a decoded tape from its structure, as qirvex-rescue --mend does: `count` bytes with the
// discriminator of each of their data bits (8 per byte, from bit 0; words of `data_bits`), the
// content judged from the bytes. Returns the number of bytes changed; qx_mend_changes points
// to them.
EMSCRIPTEN_KEEPALIVE int qx_mend(const std::uint8_t* bytes, const double* data_d, int count,
                                 int data_bits) {
    mended.clear();
    std::vector<ReadByte> reads(static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = 0; i < reads.size(); ++i) {
        reads[i].byte = bytes[i];
        reads[i].data_bits = data_bits == 7 ? 7 : 8;
        for (std::size_t k = 0; k < 8; ++k)
            reads[i].data_d[k] = static_cast<float>(data_d[i * 8 + k]);
    }
    for (const ByteRepair& repair : mend_tape(reads).repairs)
        mended.insert(mended.end(), {static_cast<double>(repair.offset),
                                     static_cast<double>(repair.before),
                                     static_cast<double>(repair.after),
                                     static_cast<double>(repair.margin)});
    return static_cast<int>(mended.size() / 4);
}

EMSCRIPTEN_KEEPALIVE const double* qx_mend_changes() { return mended.data(); }

} // extern "C"
