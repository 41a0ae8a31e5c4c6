// The single-writer, single-reader ring: each side stores only its own counter, with release
// order after its copy, and loads the other's with acquire order before its own, so that a frame
// is never read before it is whole nor overwritten before it is read.
#include "sound/sound_ring.h"

#include <algorithm>
#include <cstring>

namespace {

// Copies `count` frames between the ring, from frame position `at` (wrapping at the end), and
// a flat block, in the direction that `is_into_ring` names.
void copy_frames(SoundRing& ring, std::uint64_t at, std::int16_t* block, std::size_t count,
                 bool is_into_ring) {
    const auto channels = static_cast<std::size_t>(ring.channels);
    const std::size_t start = static_cast<std::size_t>(at % ring.capacity_frames);
    const std::size_t first = std::min(count, ring.capacity_frames - start);
    const std::size_t parts[2][3] = {{start, 0, first}, {0, first, count - first}};
    for (const auto& [ring_frame, block_frame, frames] : parts) {
        std::int16_t* in_ring = ring.samples.data() + ring_frame * channels;
        std::int16_t* in_block = block + block_frame * channels;
        const std::size_t bytes = frames * channels * sizeof(std::int16_t);
        if (bytes > 0)
            std::memcpy(is_into_ring ? in_ring : in_block, is_into_ring ? in_block : in_ring,
                        bytes);
    }
}

} // namespace

void reset_ring(SoundRing& ring, std::size_t capacity_frames, int channels) {
    ring.capacity_frames = std::max<std::size_t>(capacity_frames, 1);
    ring.channels = std::max(channels, 1);
    ring.samples.assign(ring.capacity_frames * static_cast<std::size_t>(ring.channels), 0);
    ring.written.store(0);
    ring.read.store(0);
}

std::size_t put_frames(SoundRing& ring, const std::int16_t* frames, std::size_t count) {
    const std::uint64_t written = ring.written.load(std::memory_order_relaxed);
    const std::uint64_t read = ring.read.load(std::memory_order_acquire);
    const auto room = static_cast<std::size_t>(ring.capacity_frames - (written - read));
    const std::size_t fitting = std::min(count, room);
    copy_frames(ring, written, const_cast<std::int16_t*>(frames), fitting, true);
    ring.written.store(written + fitting, std::memory_order_release);
    return fitting;
}

std::size_t take_frames(SoundRing& ring, std::int16_t* frames, std::size_t count) {
    const std::uint64_t read = ring.read.load(std::memory_order_relaxed);
    const std::uint64_t written = ring.written.load(std::memory_order_acquire);
    const std::size_t taken = std::min(count, static_cast<std::size_t>(written - read));
    copy_frames(ring, read, frames, taken, false);
    ring.read.store(read + taken, std::memory_order_release);
    return taken;
}

std::size_t waiting_frames(const SoundRing& ring) {
    return static_cast<std::size_t>(ring.written.load(std::memory_order_acquire) -
                                    ring.read.load(std::memory_order_relaxed));
}
