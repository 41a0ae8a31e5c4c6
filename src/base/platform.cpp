// What every platform does alike: changing a stream's buffer while it is in use.
#include "base/platform.h"

// The C standard allows setvbuf only before a stream's first use; glibc, the BSDs and the
// Windows C library allow it at any time and flush the stream first. Flushing here first leaves
// nothing for the change to lose.
void use_stream_buffer(std::FILE* stream, char* buffer, std::size_t bytes) {
    std::fflush(stream);
    std::setvbuf(stream, buffer, _IOFBF, bytes);
}

void use_no_stream_buffer(std::FILE* stream) {
    std::fflush(stream);
    std::setvbuf(stream, nullptr, _IONBF, 0);
}
