// The tone writers: exact cells for both shapes, bit rates and output rates, timed runs rounded
// down to whole cells, and a stream that refuses every write.
#include "test_support.h"

#include "cell_reading.h"
#include "cli/options.h"
#include "encoder/tone_writer.h"
#include "scripted_stream.h"

#include <climits>
#include <vector>

namespace {

class ToneWriterTest : public ScratchTest {};

std::string repeated(const std::vector<int>& cell, int times) {
    std::string samples;
    for (int i = 0; i < times; ++i)
        for (const int sample : cell)
            samples += static_cast<char>(sample);
    return samples;
}

} // namespace

TEST_F(ToneWriterTest, WriteBitCopiesTheCellOfItsShapeAndRate) {
    struct Case {
        const char* name;
        bool is_sine;
        int bit;
        int fast_rate;
        std::vector<int> cell;
        int cells;
    };
    const std::vector<int> mark_square_cycle = {157, 220, 245, 255, 151, 85, 43, 17, 0};
    std::vector<int> mark_square_cell = mark_square_cycle;
    mark_square_cell.insert(mark_square_cell.end(), mark_square_cycle.begin(),
                            mark_square_cycle.end());
    const std::vector<int> space_square_cell = {155, 193, 217, 232, 242, 249, 252, 255, 160,
                                                100, 62,  38,  23,  13,  6,   3,   0,   95};
    const std::vector<int> mark_sine_cell = {210, 254, 239, 172, 84, 17, 2, 46, 128,
                                             210, 254, 239, 172, 84, 17, 2, 46, 128};
    const std::vector<int> space_sine_cell = {150, 192, 226, 248, 255, 248, 226, 192, 150,
                                              106, 64,  30,  8,   0,   8,   30,  64,  106};
    const Case cases[] = {
        {"square mark 300", false, 1, 0, mark_square_cell, 4},
        {"square space 300", false, 0, 0, space_square_cell, 4},
        {"square mark 600", false, 1, 1, mark_square_cell, 2},
        {"square space 600", false, 0, 1, space_square_cell, 2},
        {"sine mark 300", true, 1, 0, mark_sine_cell, 4},
        {"sine space 300", true, 0, 0, space_sine_cell, 4},
        {"sine mark 600", true, 1, 1, mark_sine_cell, 2},
        {"sine space 600", true, 0, 1, space_sine_cell, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const int legacy_rate : {0, 1}) {
            options.sine_tone = c.is_sine;
            options.fast_rate = c.fast_rate;
            options.legacy_rate = legacy_rate;
            std::FILE* bit_stream = std::tmpfile();
            EXPECT_EQ(c.cells * 18, write_bit(c.bit, bit_stream));
            EXPECT_EQ(repeated(c.cell, c.cells), stream_contents(bit_stream));
            std::fclose(bit_stream);
        }
    }
}

TEST_F(ToneWriterTest, WriteToneMsRoundsDownToWholeCells) {
    struct Case {
        std::int32_t ms;
        int legacy_rate;
        std::int64_t cells;
    };
    const Case cases[] = {
        {0, 0, 0},   {-1, 0, 0},  {-2000, 1, 0},  {1, 0, 1},       {1, 1, 1},
        {20, 0, 24}, {20, 1, 24}, {999, 0, 1198}, {2000, 0, 2400}, {2000, 1, 2450},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ms << " ms, legacy " << c.legacy_rate);
        options.legacy_rate = c.legacy_rate;
        std::FILE* tone_stream = std::tmpfile();
        EXPECT_EQ(c.cells * 18, write_tone_ms(c.ms, tone_stream));
        EXPECT_EQ(c.cells * 18, tone_length_samples(c.ms));
        EXPECT_EQ(std::string(static_cast<std::size_t>(c.cells), 'M'),
                  cell_names(stream_contents(tone_stream)));
        std::fclose(tone_stream);
    }
}

TEST_F(ToneWriterTest, WriteToneMsUsesTheSineMarkCell) {
    options.sine_tone = true;
    std::FILE* stream = std::tmpfile();
    EXPECT_EQ(24 * 18, write_tone_ms(20, stream));
    EXPECT_EQ(std::string(24, 'm'), cell_names(stream_contents(stream)));
    std::fclose(stream);
}

// 1225 x 2147483647 does not fit 32 bits; the length must still be exact.
TEST_F(ToneWriterTest, ToneLengthIsExactForTheLongest32BitLength) {
    EXPECT_EQ(std::int64_t{2576980376} * 18, tone_length_samples(INT32_MAX));
    options.legacy_rate = 1;
    EXPECT_EQ(std::int64_t{2630667467} * 18, tone_length_samples(INT32_MAX));
}

TEST_F(ToneWriterTest, BitLength) {
    EXPECT_EQ(72, bit_length_samples());
    options.fast_rate = 1;
    EXPECT_EQ(36, bit_length_samples());
}

TEST_F(ToneWriterTest, RefusedWritesReturnMinusOne) {
    write_file(path("read-only"), "");
    std::FILE* read_only = std::fopen(path("read-only").c_str(), "rb");
    ASSERT_NE(nullptr, read_only);
    EXPECT_EQ(-1, write_bit(1, read_only));
    EXPECT_EQ(-1, write_bit(0, read_only));
    EXPECT_EQ(-1, write_tone_ms(2000, read_only));
    EXPECT_EQ(0, write_tone_ms(0, read_only));
    std::fclose(read_only);
    EXPECT_EQ("", read_file(path("read-only")));
}

TEST_F(ToneWriterTest, ShortWritesCountWhatWasAccepted) {
    WriteScript script;
    script.max_bytes = 10;
    std::FILE* stream = open_scripted_stream(script);
    EXPECT_EQ(4 * 10, write_bit(1, stream));
    EXPECT_EQ(24 * 10, write_tone_ms(20, stream));
    EXPECT_EQ(4 + 24, script.calls);
    std::fclose(stream);
}

TEST_F(ToneWriterTest, RefusedCellEndsTheRunAtOnce) {
    WriteScript script;
    script.refused_call = 3;
    std::FILE* stream = open_scripted_stream(script);
    EXPECT_EQ(-1, write_tone_ms(20, stream));
    EXPECT_EQ(3, script.calls);
    EXPECT_EQ(72, write_bit(0, stream));
    EXPECT_EQ("MMSSSS", cell_names(script.written));
    std::fclose(stream);
}

namespace {

// One fwrite per cell: the model that a batched run must match, byte for byte and result for
// result.
std::int64_t write_cell_by_cell(const ToneCell& cell, std::int64_t count, std::FILE* stream) {
    std::int64_t samples = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::size_t accepted = std::fwrite(cell.data(), 1, cell.size(), stream);
        if (accepted == 0)
            return -1;
        samples += static_cast<std::int64_t>(accepted);
    }
    return samples;
}

struct ScriptedRun {
    std::int64_t tone = 0; // result of 20 ms of tone (24 cells)
    std::int64_t bit = 0;  // result of one mark bit after it
    WriteScript script;
};

} // namespace

// Batches go into a buffered stream whose writes are refused or cut short at various points of
// its buffer; results, bytes and the writes the stream sees must be those of one write per cell.
TEST_F(ToneWriterTest, BatchedCellsMatchOneWritePerCellOnBufferedStreams) {
    for (const std::size_t buffer_bytes : {64, 128, 200, 300, 4096}) {
        for (const int refused_call : {0, 1, 2, 3, 5}) {
            for (const std::size_t max_bytes : {std::size_t{5}, std::size_t{36}, SIZE_MAX}) {
                SCOPED_TRACE(testing::Message() << "buffer " << buffer_bytes << ", refused call "
                                                << refused_call << ", max " << max_bytes);
                ScriptedRun batched;
                ScriptedRun model;
                for (ScriptedRun* run : {&batched, &model}) {
                    run->script.refused_call = refused_call;
                    run->script.max_bytes = max_bytes;
                }
                std::vector<char> buffer(buffer_bytes);
                std::FILE* stream =
                    open_scripted_stream(batched.script, buffer.data(), buffer_bytes);
                batched.tone = write_tone_ms(20, stream);
                batched.bit = write_bit(1, stream);
                std::fflush(stream);
                std::fclose(stream);
                stream = open_scripted_stream(model.script, buffer.data(), buffer_bytes);
                model.tone = write_cell_by_cell(mark_square, 24, stream);
                model.bit = write_cell_by_cell(mark_square, 4, stream);
                std::fflush(stream);
                std::fclose(stream);
                EXPECT_EQ(model.tone, batched.tone);
                EXPECT_EQ(model.bit, batched.bit);
                EXPECT_EQ(model.script.written, batched.script.written);
                EXPECT_EQ(model.script.calls, batched.script.calls);
            }
        }
    }
}
