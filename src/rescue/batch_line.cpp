// Drawing and clearing the batch's progress line.
#include "rescue/batch_line.h"

#include <string>

namespace {

constexpr double bytes_per_megabyte = 1e6;

} // namespace

void draw_batch_line(BatchLine& line, const BatchCount& count) {
    if (line.stream == nullptr)
        return;
    char text[160];
    int length = std::snprintf(text, sizeof text, "qirvex-rescue: %zu of %zu recordings done",
                               count.done, count.total);
    if (count.bytes_total > 0 && length > 0)
        length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length),
                                ", %.1f of %.1f MB read",
                                static_cast<double>(count.bytes_read) / bytes_per_megabyte,
                                static_cast<double>(count.bytes_total) / bytes_per_megabyte);
    const std::size_t width = std::string(text).size();
    // Blanks over what is left of a longer line before it.
    const std::string blanks(line.width > width ? line.width - width : 0, ' ');
    std::fprintf(line.stream, "\r%s%s", text, blanks.c_str());
    std::fflush(line.stream);
    line.width = width;
}

void clear_batch_line(BatchLine& line) {
    if (line.stream == nullptr || line.width == 0)
        return;
    std::fprintf(line.stream, "\r%s\r", std::string(line.width, ' ').c_str());
    std::fflush(line.stream);
    line.width = 0;
}
