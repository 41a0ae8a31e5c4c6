// qirvex-play's driver: tape, device, the feeding loop, messages and exit status.
#include "play/play_driver.h"

#include "base/platform.h"
#include "base/stop_signals.h"
#include "play/play_options.h"
#include "play/play_tape.h"
#include "sound/sound_device.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr const char* program_name = "qirvex-play";
constexpr const char* version_text = "qirvex-play 1.0\n";
// The ring holds 2 s, blocks of a tenth of a second go in whenever there is room, and the program
// looks every 10 ms: the card runs dry only when the program is held up for 2 s.
constexpr int ring_seconds = 2;
constexpr int blocks_per_second = 10;
constexpr auto feed_interval = std::chrono::milliseconds(10);
// The progress line is redrawn at most five times a second, as qirvex-rescue's is.
constexpr auto redraw_interval = std::chrono::milliseconds(200);

// The tape on its way into the ring: the block read last and how much of it is in.
struct Feed {
    PlayTape& tape;
    SoundRing& ring;
    int level_percent = 100;
    std::vector<std::int16_t> block; // one block of samples, already at the level
    std::size_t block_frames = 0;    // frames in the block
    std::size_t block_put = 0;       // of them, frames in the ring
    bool is_read_out = false;        // the tape has no more frames
    std::uint64_t put = 0;           // frames put in the ring in all
};

void read_block(Feed& feed) {
    const int channels = feed.tape.info.channels;
    const sf_count_t frames = static_cast<sf_count_t>(feed.block.size()) / channels;
    const sf_count_t got = sf_readf_short(feed.tape.file, feed.block.data(), frames);
    feed.is_read_out = got <= 0;
    feed.block_frames = got > 0 ? static_cast<std::size_t>(got) : 0;
    feed.block_put = 0;
    // Rounded to the nearest: -32768 * 100 / 100 stays in range at every level up to 100.
    for (std::size_t i = 0; i < feed.block_frames * static_cast<std::size_t>(channels); ++i)
        feed.block[i] = static_cast<std::int16_t>(
            (feed.block[i] * feed.level_percent + (feed.block[i] < 0 ? -50 : 50)) / 100);
}

// Puts as much of the tape into the ring as it has room for now.
void feed_ring(Feed& feed) {
    const auto channels = static_cast<std::size_t>(feed.tape.info.channels);
    while (!feed.is_read_out) {
        if (feed.block_put == feed.block_frames) {
            read_block(feed);
            continue;
        }
        const std::size_t put = put_frames(feed.ring, feed.block.data() + feed.block_put * channels,
                                           feed.block_frames - feed.block_put);
        feed.block_put += put;
        feed.put += put;
        if (feed.block_put < feed.block_frames)
            return;
    }
}

std::string tape_time(std::uint64_t frames, int rate_hz) {
    const std::uint64_t seconds = frames / static_cast<std::uint64_t>(rate_hz);
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

struct ProgressLine {
    bool is_shown = false; // drawn on a terminal, unless --quiet
    bool is_drawn = false; // a line stands on the terminal
    std::chrono::steady_clock::time_point drawn_at;
};

void draw_progress(ProgressLine& line, std::uint64_t played, const SF_INFO& info) {
    const auto now = std::chrono::steady_clock::now();
    if (!line.is_shown || info.frames <= 0 ||
        (line.is_drawn && now - line.drawn_at < redraw_interval))
        return;
    line.is_drawn = true;
    line.drawn_at = now;
    const auto total = static_cast<std::uint64_t>(info.frames);
    const std::uint64_t done = std::min(played, total);
    std::fprintf(stderr, "\r%s: %3llu %% (%s of %s, %s left) ", program_name,
                 static_cast<unsigned long long>(done * 100 / total),
                 tape_time(done, info.samplerate).c_str(),
                 tape_time(total, info.samplerate).c_str(),
                 tape_time(total - done, info.samplerate).c_str());
    std::fflush(stderr);
}

void clear_progress(ProgressLine& line) {
    if (line.is_drawn)
        std::fprintf(stderr, "\r%70s\r", "");
    line.is_drawn = false;
}

// Plays the opened tape to its end or to a signal; returns the frames played.
std::uint64_t play_tape(PlayTape& tape, SoundStream& stream, const PlayOptions& options,
                        std::string& problem) {
    const int rate_hz = tape.info.samplerate;
    Feed feed{tape, stream_ring(stream), options.level_percent, {}, 0, 0, false, 0};
    feed.block.resize(static_cast<std::size_t>(rate_hz / blocks_per_second * tape.info.channels));
    ProgressLine line;
    line.is_shown = !options.is_quiet && is_terminal(stderr);
    // The ring is full before the card starts, so that its first periods find samples; a tape
    // that fits in it whole is marked ended before the card can find the ring empty.
    feed_ring(feed);
    if (feed.is_read_out)
        mark_stream_end(stream);
    if (!start_stream(stream, problem))
        return 0;
    while (stop_signal() == 0) {
        feed_ring(feed);
        if (feed.is_read_out)
            mark_stream_end(stream);
        if (feed.is_read_out && played_frames(stream) >= feed.put)
            break;
        draw_progress(line, played_frames(stream), tape.info);
        std::this_thread::sleep_for(feed_interval);
    }
    clear_progress(line);
    // The last samples taken are still in the device's buffer and the sound system's.
    if (stop_signal() == 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(output_delay_seconds(stream)));
    return played_frames(stream);
}

int list_playback_devices() {
    std::string problem;
    if (write_device_list(Direction::Playback, stdout, problem))
        return play_done;
    std::fprintf(stderr, "%s: %s\n", program_name, problem.c_str());
    return play_failed;
}

struct Player {
    SoundSystem* system = nullptr;
    SoundStream* stream = nullptr;
    DeviceEntry device;
};

bool open_player(Player& player, const PlayOptions& options, const SF_INFO& info,
                 std::string& problem) {
    player.system = open_sound_system(problem);
    if (player.system == nullptr)
        return false;
    const std::vector<DeviceEntry> devices = list_devices(*player.system, Direction::Playback);
    const int position = choose_device(devices, options.device, Direction::Playback, problem);
    if (position < 0)
        return false;
    player.device = devices[static_cast<std::size_t>(position)];
    const StreamFormat format{static_cast<std::uint32_t>(info.samplerate), info.channels};
    player.stream =
        open_stream(*player.system, Direction::Playback, position, format, ring_seconds, problem);
    if (player.stream == nullptr)
        problem = "the device " + device_label(player.device) + " " + problem;
    return player.stream != nullptr;
}

void close_player(Player& player) {
    close_stream(player.stream);
    close_sound_system(player.system);
}

void note_playing(const PlayOptions& options, const PlayTape& tape, const Player& player) {
    const std::string encoded =
        tape.is_encoded ? ", encoded at " + std::to_string(options.baud) + " baud" : "";
    std::fprintf(
        stderr,
        "%s: playing %s (%s%s, %d Hz, %d channel(s)) on %s through %s (%s) at level %d %%\n",
        program_name, options.input.c_str(),
        tape_time(static_cast<std::uint64_t>(tape.info.frames), tape.info.samplerate).c_str(),
        encoded.c_str(), tape.info.samplerate, tape.info.channels,
        device_label(player.device).c_str(), sound_system_name(*player.system).c_str(),
        device_format_text(*player.stream).c_str(), options.level_percent);
}

// Plays the opened tape and reports how it went.
int play_to_device(const PlayOptions& options, PlayTape& tape) {
    Player player;
    std::string problem;
    int status = play_failed;
    if (!open_player(player, options, tape.info, problem)) {
        std::fprintf(stderr, "%s: %s\n", program_name, problem.c_str());
    } else {
        if (!options.is_quiet)
            note_playing(options, tape, player);
        watch_stop_signals();
        const std::uint64_t played = play_tape(tape, *player.stream, options, problem);
        const std::uint64_t gaps = missed_frames(*player.stream);
        const std::string length = tape_time(played, tape.info.samplerate);
        if (!problem.empty())
            std::fprintf(stderr, "%s: the device %s %s\n", program_name,
                         device_label(player.device).c_str(), problem.c_str());
        else if (stop_signal() != 0)
            std::fprintf(stderr, "%s: %s: stopped by %s after %s\n", program_name,
                         options.input.c_str(), stop_signal_name(stop_signal()), length.c_str());
        else if (gaps > 0)
            std::fprintf(stderr,
                         "%s: %s: the sound card ran dry for %.2f s on the way; the tape "
                         "has gaps\n",
                         program_name, options.input.c_str(),
                         static_cast<double>(gaps) / tape.info.samplerate);
        else if (!options.is_quiet)
            std::fprintf(stderr, "%s: played %s of %s\n", program_name, length.c_str(),
                         options.input.c_str());
        status = !problem.empty() ? play_failed : gaps > 0 ? play_gaps : play_done;
    }
    close_player(player);
    return status;
}

} // namespace

int run_play(int argc, char* const* argv) {
    PlayOptions options;
    std::string problem;
    switch (parse_play_options(argc, argv, options, problem)) {
    case PlayParse::Help:
        std::fputs(play_usage(), stdout);
        return play_done;
    case PlayParse::Version:
        std::fputs(version_text, stdout);
        return play_done;
    case PlayParse::ListDevices:
        return list_playback_devices();
    case PlayParse::Error:
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program_name,
                     problem.c_str(), program_name);
        return play_failed;
    case PlayParse::Run:
        break;
    }
    PlayTape tape;
    if (!open_tape(tape, options, problem)) {
        std::fprintf(stderr, "%s: %s: %s\n", program_name, options.input.c_str(), problem.c_str());
        close_tape(tape);
        return play_failed;
    }
    const int status = play_to_device(options, tape);
    close_tape(tape);
    end_by_stop_signal();
    return status;
}
