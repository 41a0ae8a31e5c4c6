// The decode of one opened recording: block by block from the input into the streaming core,
// each decided byte written as soon as its word is decided, and the output flushed often enough
// that a person watching sees the listing appear line by line.
#pragma once

#include "rescue/audio_input.h"
#include "rescue/progress.h"
#include "rescue/rescue_decoder.h"
#include "rescue/side_output.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct DecodeTargets {
    std::FILE* target = nullptr; // the decoded bytes; null where the side's programs are written
    std::FILE* report = nullptr; // one line per suspect word; null: no report
    std::FILE* record = nullptr; // a tab-separated line for every word; null: no record
    bool is_repaired = false;    // the words are held to the end and repaired from structure
    SideWriter* side = nullptr;  // the side's programs, listed or split as each one ends
};

struct DecodeOutcome {
    RescueResult result;
    std::string shortfall;  // how the input fell short of its header; empty: it did not
    int signal = 0;         // the signal that ended the input early; 0: none
    bool is_written = true; // every byte reached the target's stream
    std::int64_t repaired = 0; // bytes changed by repair from structure
};

// The output path of a decode, whatever its input: each decided byte written at once, the
// reports beside it, and the output flushed once a quarter of a second of audio, or after every
// block while a person watches it arrive live.
struct DecodeWriter {
    DecodeTargets targets;
    std::uint32_t rate_hz = 0;
    std::int64_t flush_frames = 0; // frames of audio between flushes of audio that is all there
    std::int64_t flushed_at = 0;   // frames read when the output was last flushed
    bool has_pending = false;      // bytes wait in the output's buffer
    std::int64_t written = 0;      // bytes written so far
    std::vector<DecodedWord> held; // words held for mending until the input ends
    std::int64_t repaired = 0;     // bytes mended when it ended
    std::vector<std::uint32_t> reading_rates; // merged captures: each one's rate, from the first
};

// One decode between the blocks of its input: the streaming core and the output path, for a
// caller that reads the blocks itself (a file, a pipe, a sound card).
struct DecodeSession {
    RescueDecoder decoder;
    DecodeWriter writer;
    std::vector<DecodedWord> words; // the words of the block in hand
};

// Readies a session for frames of `channels` samples at rate_hz, and writes the record's header.
void start_decode(DecodeSession& session, const RescueSettings& settings, std::uint32_t rate_hz,
                  int channels, const DecodeTargets& targets);

// Decodes `count` frames and writes the words they complete; `frames_read` counts every frame
// so far, and `is_live` flushes the output at once. False when writing the target failed.
[[nodiscard]] bool decode_block(DecodeSession& session, const std::int16_t* frames,
                                std::int64_t count, std::int64_t frames_read, bool is_live);

// Ends the input: the last words written, the output flushed, and what the decode found.
[[nodiscard]] RescueResult end_decode(DecodeSession& session);

// Writes the words of merged captures (capture_merge.h) as a decode writes its own, mended first
// where asked; each word's times are those of the capture it came from, `rates_hz` holding each
// capture's rate, and the record's lines end with the capture and whether another confirmed the
// byte. Returns the bytes mended; `is_written` is false when writing the target failed.
[[nodiscard]] std::int64_t write_merged(const DecodeTargets& targets, int data_bits,
                                        const std::vector<std::uint32_t>& rates_hz,
                                        std::vector<DecodedWord>& words, bool& is_written);

// Decodes `audio` to the targets, drawing `progress` on the way.
[[nodiscard]] DecodeOutcome decode_recording(AudioInput& audio, const RescueSettings& settings,
                                             const DecodeTargets& targets, Progress& progress);
