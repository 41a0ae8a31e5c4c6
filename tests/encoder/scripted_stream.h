// A stream whose writes follow a script, for the failure rules of the writers: every write call
// accepts at most max_bytes, and the call numbered refused_call (from 1) accepts nothing. The
// stream is unbuffered, so every fwrite reaches the script, or fully buffered in a buffer of the
// caller's, so that the script sees only what the buffer passes on. glibc's fopencookie.
#pragma once

#include <cstdio>
#include <limits>
#include <string>
#include <sys/types.h>

struct WriteScript {
    int refused_call = 0;                                            // 0: none refused
    std::size_t max_bytes = std::numeric_limits<std::size_t>::max(); // per write call
    int calls = 0;                                                   // write calls so far
    std::string written;                                             // every byte accepted
};

inline ssize_t scripted_write(void* cookie, const char* bytes, std::size_t size) {
    auto& script = *static_cast<WriteScript*>(cookie);
    ++script.calls;
    if (script.calls == script.refused_call)
        return 0;
    const std::size_t accepted = std::min(size, script.max_bytes);
    script.written.append(bytes, accepted);
    return static_cast<ssize_t>(accepted);
}

inline std::FILE* open_scripted_stream(WriteScript& script, char* buffer = nullptr,
                                       std::size_t buffer_bytes = 0) {
    const cookie_io_functions_t functions{nullptr, scripted_write, nullptr, nullptr};
    std::FILE* stream = fopencookie(&script, "w", functions);
    if (buffer != nullptr)
        std::setvbuf(stream, buffer, _IOFBF, buffer_bytes);
    else
        std::setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}
