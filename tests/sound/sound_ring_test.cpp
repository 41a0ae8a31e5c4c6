// The ring between a sound card's thread and the program's: frames come out whole and in order
// across the wrap, a full ring refuses what does not fit, and two real threads moving a counted
// sequence in blocks of different sizes lose, repeat and tear nothing.
#include "sound/sound_ring.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Stereo frames n holding (n, -n), so that a torn or swapped frame shows.
std::vector<std::int16_t> counted_frames(int first, int count) {
    std::vector<std::int16_t> frames;
    for (int n = first; n < first + count; ++n) {
        frames.push_back(static_cast<std::int16_t>(n));
        frames.push_back(static_cast<std::int16_t>(-n));
    }
    return frames;
}

TEST(SoundRing, KeepsOrderAcrossTheWrapAndRefusesWhatDoesNotFit) {
    SoundRing ring;
    reset_ring(ring, 5, 2);
    std::vector<std::int16_t> out(10);
    // Each round puts 3, then takes 3, so the positions wrap every other round.
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const std::vector<std::int16_t> in = counted_frames(round * 3, 3);
        ASSERT_EQ(3u, put_frames(ring, in.data(), 3));
        EXPECT_EQ(3u, waiting_frames(ring));
        ASSERT_EQ(3u, take_frames(ring, out.data(), 5));
        EXPECT_EQ(in, std::vector<std::int16_t>(out.begin(), out.begin() + 6));
    }
    const std::vector<std::int16_t> seven = counted_frames(100, 7);
    EXPECT_EQ(5u, put_frames(ring, seven.data(), 7));
    EXPECT_EQ(0u, put_frames(ring, seven.data(), 1));
    ASSERT_EQ(5u, take_frames(ring, out.data(), 9));
    EXPECT_EQ(counted_frames(100, 5), out);
    EXPECT_EQ(0u, take_frames(ring, out.data(), 1));
}

TEST(SoundRing, TwoThreadsMoveEveryFrameOnceInOrder) {
    constexpr int total_frames = 200000;
    SoundRing ring;
    reset_ring(ring, 257, 2);
    std::thread writer([&ring] {
        // Blocks of 37 frames, as a card's periods, into a ring of 257: every wrap differs.
        for (int first = 0; first < total_frames;) {
            const int count = std::min(37, total_frames - first);
            const std::vector<std::int16_t> block = counted_frames(first, count);
            std::size_t put = 0;
            while (put < static_cast<std::size_t>(count)) {
                put += put_frames(ring, block.data() + put * 2, count - put);
                std::this_thread::yield();
            }
            first += count;
        }
    });
    std::vector<std::int16_t> received;
    std::vector<std::int16_t> block(2 * 100);
    while (received.size() < 2u * total_frames) {
        const std::size_t got = take_frames(ring, block.data(), 100);
        received.insert(received.end(), block.begin(), block.begin() + 2 * got);
        std::this_thread::yield();
    }
    writer.join();
    int wrong = 0;
    for (int n = 0; n < total_frames; ++n)
        wrong += received[2 * n] != static_cast<std::int16_t>(n) ||
                 received[2 * n + 1] != static_cast<std::int16_t>(-n);
    EXPECT_EQ(0, wrong);
    EXPECT_EQ(0u, waiting_frames(ring));
}

} // namespace
