// The diagnostic stream and report_error.
#include "cli/diagnostics.h"

#include <cstdarg>

std::FILE* diagnostic_stream = stderr;

namespace {

// report_error's buffer, reused by every call; its last element always stays a terminator.
char message_buffer[2048] = {};

} // namespace

void report_error(const char* format, ...) {
    if (diagnostic_stream == nullptr || format == nullptr || format[0] == '\0')
        return;
    std::va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message_buffer, sizeof message_buffer, format, arguments);
    va_end(arguments);
    std::fputs(message_buffer, diagnostic_stream);
}
