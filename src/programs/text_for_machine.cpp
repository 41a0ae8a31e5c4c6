#include "programs/text_for_machine.h"

namespace {

bool is_line_end(std::uint8_t byte) { return byte == 0x0D || byte == 0x0A; }

} // namespace

std::string text_for_machine(const std::vector<std::uint8_t>& text, int nul_count,
                             bool end_last_line) {
    std::string clean;
    std::string line_end(static_cast<std::size_t>(nul_count) + 1, '\0');
    line_end[0] = '\r';
    bool is_line_open = false; // characters since the last line end
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::uint8_t byte = text[i];
        if (byte == 0x00)
            continue;
        if (!is_line_end(byte)) {
            clean += static_cast<char>(byte);
            is_line_open = true;
            continue;
        }
        // The second byte of a CR LF or an LF CR belongs to the same line end; NULs between
        // them were padding.
        std::size_t next = i + 1;
        while (next < text.size() && text[next] == 0x00)
            ++next;
        if (next < text.size() && is_line_end(text[next]) && text[next] != byte)
            i = next;
        clean += line_end;
        is_line_open = false;
    }
    if (is_line_open && end_last_line)
        clean += line_end;
    return clean;
}
