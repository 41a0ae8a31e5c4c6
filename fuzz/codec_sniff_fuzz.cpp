// The Windows build's choice of reader on any first bytes: whatever it names must lie within
// them, and a pipe's view and a file's differ only where a tag reaches beyond them.
#include "rescue/codec_sniff.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RecordingStart start;
    start.count = std::min(size, start.bytes.size());
    std::copy_n(data, start.count, start.bytes.begin());
    const Sniffed file = sniff_recording(start, true);
    const Sniffed pipe = sniff_recording(start, false);
    const bool is_beyond = file.offset > 0 && file.offset + 4 > start.count;
    if (file.kind != CodecKind::Other && file.offset + 4 > start.count)
        std::abort();
    if (file.kind != pipe.kind && !(is_beyond && pipe.kind == CodecKind::Mp3))
        std::abort();
    if ((file.kind == CodecKind::Mp3) != (file.mpeg_layer >= 1 && file.mpeg_layer <= 3))
        std::abort();
    return 0;
}
