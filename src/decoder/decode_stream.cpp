#include "decoder/decode_stream.h"

std::int64_t decode_stream(std::FILE*, std::FILE*, std::int32_t, std::int32_t) { return -1; }
