// The hand-over between a sound card's thread and the program's: a ring of 16-bit samples with
// one writer and one reader, neither of which ever waits for the other. miniaudio calls its
// device callback on a thread of its own, where a lock or a system call could make the card
// skip; the ring takes a whole period in one copy there, and the program takes blocks out on
// its own thread. Counts are whole frames of `channels` samples.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

struct SoundRing {
    std::vector<std::int16_t> samples;     // the storage, capacity_frames * channels samples
    std::size_t capacity_frames = 0;       // frames the ring holds when full
    int channels = 1;                      // samples per frame
    std::atomic<std::uint64_t> written{0}; // frames ever put in; only the writer stores
    std::atomic<std::uint64_t> read{0};    // frames ever taken out; only the reader stores
};

// Makes the ring empty, for capacity_frames frames of `channels` samples. Not while in use.
void reset_ring(SoundRing& ring, std::size_t capacity_frames, int channels);

// Puts up to `count` frames in; returns how many fitted. Writer's thread only.
[[nodiscard]] std::size_t put_frames(SoundRing& ring, const std::int16_t* frames,
                                     std::size_t count);

// Takes up to `count` frames out; returns how many there were. Reader's thread only.
[[nodiscard]] std::size_t take_frames(SoundRing& ring, std::int16_t* frames, std::size_t count);

// Frames waiting to be taken, as the reader sees them.
[[nodiscard]] std::size_t waiting_frames(const SoundRing& ring);
