// A pipe's first bytes, looked at where they wait (PeekNamedPipe), so that the reader chosen by
// them still reads them all. Built only for Windows, where pipes allow it.
#pragma once

#include <cstddef>
#include <cstdio>

// Copies up to `count` of the bytes waiting at the front of the pipe into `bytes`, leaving them
// in the pipe, once that many have come, the writer has gone, or none have come for half a
// second. Returns how many; 0 for a stream that is not a pipe. A pipe that cannot be looked
// into (Wine's pipes from its Unix host) is first put behind one that can, which a thread fills.
[[nodiscard]] std::size_t look_into_pipe(std::FILE* stream, unsigned char* bytes,
                                         std::size_t count);
