// Several captures of one tape: opened and checked before any output exists, read one file at a
// time with a decoder per capture, merged, and written.
#include "rescue/merged_decode.h"

#include "base/platform.h"
#include "base/target_file.h"
#include "rescue/interruption.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr const char* program_name = "qirvex-rescue";
// Each channel's decoder holds its own look-ahead of up to 2 MB (rescue_decoder.cpp): eight
// channels, a multitrack recorder's, take 16 MB.
constexpr int most_merged_channels = 8;
// Blocks of a quarter of a second, of at most 65536 samples, as decode_loop.cpp reads files.
constexpr std::int64_t blocks_per_second = 4;
constexpr std::int64_t block_samples_limit = 65536;

bool check_channels(const RescueOptions& options, const AudioInput& audio, bool is_main,
                    std::string& problem) {
    const int channels = audio.info.channels;
    if (options.is_merging_channels && is_main && channels < 2)
        problem = "--merge-channels reads each channel as a capture; found 1 channel, where 2 "
                  "or more were expected";
    else if (options.is_merging_channels && channels > most_merged_channels)
        problem = "--merge-channels reads up to " + std::to_string(most_merged_channels) +
                  " channels; found " + std::to_string(channels);
    else if (options.settings.channel > channels)
        problem = "channel " + std::to_string(options.settings.channel) +
                  " was asked for, but the recording has " + std::to_string(channels);
    return problem.empty();
}

bool open_other(const RescueOptions& options, OtherInput& other, std::string& problem) {
    other.file = open_file(other.name.c_str(), "rb");
    if (other.file == nullptr) {
        problem = std::string("cannot open for reading: ") + std::strerror(errno);
        return false;
    }
    return open_audio(other.audio, other.file, options.raw, problem) &&
           check_channels(options, other.audio, false, problem);
}

std::string capture_name(const std::string& name, int channel, int count) {
    return count > 1 ? name + ", channel " + std::to_string(channel + 1) : name;
}

// How a file's reading ended.
struct FileEnd {
    std::string shortfall; // how it fell short of its header; empty: it did not
    int signal = 0;        // the signal that stopped it; 0: none
};

// Readies a decoder per capture of the file, and a reading for each. Captures after the first
// file's are read at the rate the first capture found in its words, unless one was given.
std::vector<RescueDecoder> start_captures(const AudioInput& audio, const std::string& name,
                                          const RescueOptions& options,
                                          std::vector<Reading>& readings) {
    const int count = options.is_merging_channels ? audio.info.channels : 1;
    const auto rate_hz = static_cast<std::uint32_t>(audio.info.samplerate);
    std::vector<RescueDecoder> decoders(static_cast<std::size_t>(count));
    RescueSettings settings = options.settings;
    // The other captures are read at the line the first one found, so that their bytes are
    // the same bytes.
    if (!readings.empty() && readings.front().result.bytes > 0) {
        if (settings.baud == 0)
            settings.baud = readings.front().result.baud;
        if (is_framing_found(settings.found)) {
            settings.format = readings.front().result.format;
            settings.found = FramingFound{};
        }
    }
    for (int k = 0; k < count; ++k) {
        if (options.is_merging_channels)
            settings.channel = k + 1;
        start_rescue(decoders[static_cast<std::size_t>(k)], settings, rate_hz, audio.info.channels);
        readings.push_back(Reading{capture_name(name, k, count), rate_hz, {}, {}});
    }
    return decoders;
}

// Reads one file to its end into its captures' readings.
FileEnd read_file(AudioInput& audio, const std::string& name, const RescueOptions& options,
                  Progress& progress, std::vector<Reading>& readings) {
    const std::size_t first = readings.size();
    std::vector<RescueDecoder> decoders = start_captures(audio, name, options, readings);
    const int channels = audio.info.channels;
    const std::int64_t frames = std::clamp<std::int64_t>(audio.info.samplerate / blocks_per_second,
                                                         1, block_samples_limit / channels);
    std::vector<std::int16_t> block(static_cast<std::size_t>(frames * channels));
    for (;;) {
        const std::int64_t got = read_audio(audio, block.data(), frames);
        // As decode_loop.cpp: a block decoder's last read after a signal is not the recording's.
        const bool is_signalled = interruption_signal() != 0;
        if (got == 0 || (is_signalled && audio.is_block_coded))
            break;
        for (std::size_t k = 0; k < decoders.size(); ++k)
            push_frames(decoders[k], block.data(), got, readings[first + k].words);
        show_progress(progress, audio.frames_read);
        if (is_signalled)
            break;
    }
    for (std::size_t k = 0; k < decoders.size(); ++k) {
        finish_rescue(decoders[k], readings[first + k].words);
        readings[first + k].result = rescue_result(decoders[k]);
        // The words are held until the merge: without the room they grew into, an hour of them
        // at 300 baud takes 13 MB, not up to twice that.
        readings[first + k].words.shrink_to_fit();
    }
    clear_progress(progress);
    FileEnd end;
    end.signal = interruption_signal();
    if (end.signal == 0)
        end.shortfall = audio_shortfall(audio);
    return end;
}

// The progress line of another file, drawn where the main file's is.
Progress progress_of(const Progress& main, const AudioInput& audio) {
    Progress progress;
    if (main.stream != nullptr && audio.info.frames > 0) {
        progress.stream = main.stream;
        progress.total_frames = audio.info.frames;
        progress.rate_hz = static_cast<std::uint32_t>(audio.info.samplerate);
    }
    return progress;
}

// The first capture's findings, with the counts of the merged stream.
RescueResult merged_result(const std::vector<Reading>& readings,
                           const std::vector<DecodedWord>& words) {
    RescueResult result = readings.front().result;
    result.bytes = static_cast<std::int64_t>(words.size());
    result.suspect_words = 0;
    result.lost_words = 0;
    for (const DecodedWord& word : words) {
        result.suspect_words += word.is_framing_error || word.is_parity_error ? 1 : 0;
        result.lost_words += word.lost_before;
    }
    for (const Reading& reading : readings)
        result.repeat_factor = std::max(result.repeat_factor, reading.result.repeat_factor);
    return result;
}

// Merges the readings' words, each handed on, and writes them.
void merge_and_write(MergedDecode& merged, const RescueOptions& options,
                     const DecodeTargets& targets) {
    std::vector<std::vector<DecodedWord>> words;
    std::vector<std::uint32_t> rates_hz;
    for (Reading& reading : merged.readings) {
        words.push_back(std::move(reading.words));
        reading.words.clear();
        rates_hz.push_back(reading.rate_hz);
    }
    std::vector<DecodedWord> stream = merge_readings(std::move(words), merged.tally);
    DecodeOutcome& outcome = merged.outcome;
    outcome.result = merged_result(merged.readings, stream);
    const int data_bits = merged.readings.empty() ? options.settings.format.data_bits
                                                  : merged.readings.front().result.format.data_bits;
    outcome.repaired = write_merged(targets, data_bits, rates_hz, stream, outcome.is_written);
}

} // namespace

bool open_other_inputs(const RescueOptions& options, const AudioInput& main,
                       std::vector<OtherInput>& others, std::string& name, std::string& problem) {
    name.clear();
    if (!check_channels(options, main, true, problem))
        return false;
    others.reserve(options.merged.size());
    for (const std::string& file : options.merged) {
        others.push_back(OtherInput{file, nullptr, {}});
        if (!open_other(options, others.back(), problem)) {
            name = file;
            return false;
        }
    }
    return true;
}

void close_other_inputs(std::vector<OtherInput>& others) {
    for (OtherInput& other : others) {
        close_audio(other.audio);
        if (other.file != nullptr)
            std::fclose(other.file);
    }
    others.clear();
}

std::string input_overwritten(const std::string& output, std::vector<OtherInput>& others) {
    for (const OtherInput& other : others)
        if (probe_target(output.c_str(), other.file, "rb", nullptr) == TargetState::IsInput)
            return other.name;
    return "";
}

MergedDecode decode_merged(AudioInput& main, const std::string& name,
                           std::vector<OtherInput>& others, const RescueOptions& options,
                           const DecodeTargets& targets, Progress& progress) {
    MergedDecode merged;
    FileEnd end = read_file(main, name, options, progress, merged.readings);
    for (OtherInput& other : others) {
        if (end.signal != 0)
            break;
        Progress other_progress = progress_of(progress, other.audio);
        const FileEnd other_end =
            read_file(other.audio, other.name, options, other_progress, merged.readings);
        if (end.shortfall.empty() && !other_end.shortfall.empty())
            end.shortfall = other.name + ": " + other_end.shortfall;
        end.signal = other_end.signal;
    }
    merged.outcome.shortfall = end.shortfall;
    merged.outcome.signal = end.signal;
    merge_and_write(merged, options, targets);
    return merged;
}

void report_merge(std::FILE* messages, const MergedDecode& merged) {
    for (std::size_t r = 0; r < merged.readings.size(); ++r) {
        const Reading& reading = merged.readings[r];
        const RescueResult& result = reading.result;
        std::fprintf(messages,
                     "%s: reading %zu, %s: %lld words, %lld suspect, %lld lost in dropouts; %d "
                     "baud, tape speed %.2f %%\n",
                     program_name, r + 1, reading.name.c_str(),
                     static_cast<long long>(result.bytes),
                     static_cast<long long>(result.suspect_words),
                     static_cast<long long>(result.lost_words), result.baud, result.speed * 100);
    }
    std::string taken;
    for (std::size_t r = 0; r < merged.tally.taken.size(); ++r)
        taken += (r > 0 ? ", " : "") + std::to_string(merged.tally.taken[r]) + " from reading " +
                 std::to_string(r + 1);
    const MergeTally& tally = merged.tally;
    std::fprintf(messages,
                 "%s: merged %lld bytes: %s; %lld confirmed, %lld disagreement(s), %lld stray "
                 "word(s) left out\n",
                 program_name, static_cast<long long>(merged.outcome.result.bytes), taken.c_str(),
                 static_cast<long long>(tally.confirmed),
                 static_cast<long long>(tally.disagreements), static_cast<long long>(tally.strays));
}
