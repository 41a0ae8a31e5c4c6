// The single-writer, single-reader ring: each side stores only its own counter, with release
// order after its copy, and loads the other's with acquire order before its own, so that a frame
// is never read before it is whole nor overwritten before it is read.
#include "sound/sound_ring.h"

#include <algorithm>
#include <cstring>

namespace {

// Where `count` frames from frame position `at` lie in the ring: up to its end, then on from its
// start.
struct RingSpans {
    std::size_t first_start = 0;  // sample index of the first part
    std::size_t first_frames = 0; // frames up to the ring's end
    std::size_t rest_frames = 0;  // frames from the ring's start
};

RingSpans spans_of(const SoundRing& ring, std::uint64_t at, std::size_t count) {
    const auto start = static_cast<std::size_t>(at % ring.capacity_frames);
    const std::size_t first = std::min(count, ring.capacity_frames - start);
    return RingSpans{start * static_cast<std::size_t>(ring.channels), first, count - first};
}

std::size_t bytes_of(const SoundRing& ring, std::size_t frames) {
    return frames * static_cast<std::size_t>(ring.channels) * sizeof(std::int16_t);
}

void copy_into(SoundRing& ring, std::uint64_t at, const std::int16_t* frames, std::size_t count) {
    const RingSpans spans = spans_of(ring, at, count);
    const std::size_t split = spans.first_frames * static_cast<std::size_t>(ring.channels);
    if (spans.first_frames > 0)
        std::memcpy(ring.samples.data() + spans.first_start, frames,
                    bytes_of(ring, spans.first_frames));
    if (spans.rest_frames > 0)
        std::memcpy(ring.samples.data(), frames + split, bytes_of(ring, spans.rest_frames));
}

void copy_out_of(const SoundRing& ring, std::uint64_t at, std::int16_t* frames, std::size_t count) {
    const RingSpans spans = spans_of(ring, at, count);
    const std::size_t split = spans.first_frames * static_cast<std::size_t>(ring.channels);
    if (spans.first_frames > 0)
        std::memcpy(frames, ring.samples.data() + spans.first_start,
                    bytes_of(ring, spans.first_frames));
    if (spans.rest_frames > 0)
        std::memcpy(frames + split, ring.samples.data(), bytes_of(ring, spans.rest_frames));
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
    copy_into(ring, written, frames, fitting);
    ring.written.store(written + fitting, std::memory_order_release);
    return fitting;
}

std::size_t take_frames(SoundRing& ring, std::int16_t* frames, std::size_t count) {
    const std::uint64_t read = ring.read.load(std::memory_order_relaxed);
    const std::uint64_t written = ring.written.load(std::memory_order_acquire);
    const std::size_t taken = std::min(count, static_cast<std::size_t>(written - read));
    copy_out_of(ring, read, frames, taken);
    ring.read.store(read + taken, std::memory_order_release);
    return taken;
}

std::size_t waiting_frames(const SoundRing& ring) {
    return static_cast<std::size_t>(ring.written.load(std::memory_order_acquire) -
                                    ring.read.load(std::memory_order_relaxed));
}
