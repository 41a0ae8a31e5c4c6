// The 65V load text, written and read. The reader follows the monitor: a byte is the two digits
// before its CR, and the address steps at every CR, stored or not, so that a lost byte leaves a
// gap rather than moving every later byte.
#include "programs/monitor_65v.h"

namespace {

constexpr std::uint8_t cr = 0x0D;
constexpr std::uint8_t lf = 0x0A;
constexpr std::uint8_t nul = 0x00;
constexpr int address_digits = 4;
constexpr int byte_digits = 2;

void append_line_end(std::string& text, int nul_count) {
    text += '\r';
    text.append(static_cast<std::size_t>(nul_count), '\0');
}

enum class Mode {
    Searching, // before the first ".", or after a bad address: waiting for a "."
    Address,   // after ".": four digits, then "/" or "G"
    Data,      // after "/": two digits and CR per byte
    Done       // after "G"
};

struct MonitorState {
    Mode mode = Mode::Searching;
    std::uint32_t value = 0;     // the digits read so far
    int digits = 0;              // how many
    std::uint32_t address = 0;   // where the next byte goes; 0x10000 once past FFFF
    bool is_spoiled = false;     // the byte being read has lost a digit: skip to its CR
    bool was_cr = false;         // the last byte other than NUL was a CR (for CR LF)
    bool has_record = false;     // a "." was seen
    std::size_t byte_offset = 0; // where the current byte's digits began
};

struct Reading {
    MonitorState state;
    ImageBuilder builder;
    ReadResult result;

    void problem(std::size_t offset, std::string message) {
        result.problems.push_back({offset, std::move(message)});
    }
};

void store_byte(Reading& reading) {
    MonitorState& state = reading.state;
    if (state.address >= address_space_bytes) {
        reading.problem(state.byte_offset, "found a byte past FFFF where the load text should end");
        return;
    }
    if (!reading.builder.store(static_cast<std::uint16_t>(state.address),
                               static_cast<std::uint8_t>(state.value)))
        reading.problem(state.byte_offset, "found a second value for address " +
                                               hex_digits(state.address, 4) +
                                               " where each address is loaded once");
}

// CR (or an LF that stands for one) ends a byte and steps the address.
void end_byte(Reading& reading, std::size_t offset, std::uint8_t byte) {
    MonitorState& state = reading.state;
    if (!state.is_spoiled && state.digits == byte_digits)
        store_byte(reading);
    else if (!state.is_spoiled && state.digits == 1)
        reading.problem(offset,
                        "found " + byte_name(byte) + " where a second hex digit was expected");
    if (state.address < address_space_bytes)
        ++state.address;
    state.digits = 0;
    state.value = 0;
    state.is_spoiled = false;
}

void spoil_byte(Reading& reading, std::size_t offset, std::uint8_t byte, const char* expected) {
    if (!reading.state.is_spoiled)
        reading.problem(offset,
                        "found " + byte_name(byte) + " where " + expected + " was expected");
    reading.state.is_spoiled = true;
}

void read_data(Reading& reading, std::size_t offset, std::uint8_t byte) {
    MonitorState& state = reading.state;
    const int digit = hex_value(byte);
    if (digit >= 0 && state.digits < byte_digits) {
        if (state.digits == 0)
            state.byte_offset = offset;
        state.value = state.value * 16 + static_cast<std::uint32_t>(digit);
        ++state.digits;
    } else if (digit >= 0) {
        spoil_byte(reading, offset, byte, "CR");
    } else if (byte == cr || (byte == lf && !state.was_cr)) {
        end_byte(reading, offset, byte);
    } else if (byte == lf) {
        // The LF of a CR LF: the CR stepped already.
    } else if (byte == '.') {
        // The digits before a "." are in memory already: the monitor stores as they are typed.
        if (!state.is_spoiled && state.digits == byte_digits)
            store_byte(reading);
        else if (!state.is_spoiled && state.digits == 1)
            reading.problem(offset, "found \".\" where a second hex digit was expected");
        state.mode = Mode::Address;
        state.value = 0;
        state.digits = 0;
        state.is_spoiled = false;
    } else {
        spoil_byte(reading, offset, byte, "a hex digit or CR");
    }
}

void read_address(Reading& reading, std::size_t offset, std::uint8_t byte) {
    MonitorState& state = reading.state;
    const int digit = hex_value(byte);
    if (digit >= 0 && state.digits < address_digits) {
        state.value = state.value * 16 + static_cast<std::uint32_t>(digit);
        ++state.digits;
    } else if (state.digits < address_digits) {
        reading.problem(offset, "found " + byte_name(byte) +
                                    " where a hex digit of the address was expected");
        state.mode = Mode::Searching;
    } else if (byte == '/') {
        state.mode = Mode::Data;
        state.address = state.value;
        state.value = 0;
        state.digits = 0;
    } else if (byte == 'G') {
        reading.builder.set_run_address(static_cast<std::uint16_t>(state.value));
        state.mode = Mode::Done;
    } else {
        reading.problem(offset, "found " + byte_name(byte) + " where \"/\" or \"G\" was expected");
        state.mode = Mode::Searching;
    }
}

void read_byte(Reading& reading, std::size_t offset, std::uint8_t byte) {
    MonitorState& state = reading.state;
    switch (state.mode) {
    case Mode::Searching:
        // Echoes, prompts and noise mean nothing to the monitor until the next ".".
        if (byte == '.') {
            state.mode = Mode::Address;
            state.value = 0;
            state.digits = 0;
            state.has_record = true;
        }
        break;
    case Mode::Address:
        read_address(reading, offset, byte);
        break;
    case Mode::Data:
        read_data(reading, offset, byte);
        break;
    case Mode::Done:
        break;
    }
}

void finish(Reading& reading, std::size_t offset) {
    MonitorState& state = reading.state;
    if (state.mode == Mode::Data && !state.is_spoiled && state.digits == byte_digits)
        store_byte(reading);
    else if (state.mode == Mode::Data && !state.is_spoiled && state.digits == 1)
        reading.problem(offset, "found the end where a second hex digit was expected");
    else if (state.mode == Mode::Address)
        reading.problem(offset, "found the end where an address was expected");
    if (!state.has_record)
        reading.problem(offset, "found the end where a \".\" and an address were expected");
}

} // namespace

std::string write_65v(const MemoryImage& image, int nul_count) {
    std::string text;
    for (const Stretch& stretch : image.stretches) {
        text += '.';
        text += hex_digits(stretch.start, address_digits);
        text += '/';
        for (const std::uint8_t byte : stretch.bytes) {
            text += hex_digits(byte, byte_digits);
            append_line_end(text, nul_count);
        }
    }
    if (image.run_address) {
        text += '.';
        text += hex_digits(*image.run_address, address_digits);
        text += 'G';
    }
    return text;
}

ReadResult read_65v(const std::vector<std::uint8_t>& text) {
    Reading reading;
    std::size_t offset = 0;
    for (; offset < text.size() && reading.state.mode != Mode::Done; ++offset) {
        const std::uint8_t byte = text[offset];
        // NULs pad the text for the machine; the monitor never sees them as keys.
        if (byte == nul)
            continue;
        read_byte(reading, offset, byte);
        reading.state.was_cr = byte == cr;
    }
    finish(reading, offset);
    reading.result.image = reading.builder.image();
    reading.result.end_offset = offset;
    return reading.result;
}

std::size_t bytes_after_go(const std::vector<std::uint8_t>& text, const ReadResult& read) {
    std::size_t count = 0;
    for (std::size_t i = read.end_offset; i < text.size(); ++i)
        count += text[i] != nul && text[i] != cr && text[i] != lf;
    return count;
}
