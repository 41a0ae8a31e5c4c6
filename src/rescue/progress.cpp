// Drawing and clearing the progress line.
#include "rescue/progress.h"

namespace {

// Five redraws a second look smooth and cost nothing next to the decode.
constexpr auto redraw_interval = std::chrono::milliseconds(200);

// Tape time as m:ss.
void print_time(std::FILE* stream, std::int64_t frames, std::uint32_t rate_hz) {
    const std::int64_t seconds = frames / rate_hz;
    std::fprintf(stream, "%lld:%02lld", static_cast<long long>(seconds / 60),
                 static_cast<long long>(seconds % 60));
}

} // namespace

void show_progress(Progress& progress, std::int64_t frames_done) {
    if (progress.share != nullptr)
        progress.share->frames_done.store(frames_done, std::memory_order_relaxed);
    if (progress.stream == nullptr || progress.total_frames <= 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (progress.is_drawn && now - progress.drawn_at < redraw_interval)
        return;
    progress.drawn_at = now;
    progress.is_drawn = true;
    const std::int64_t percent = frames_done * 100 / progress.total_frames;
    std::fprintf(progress.stream, "\rqirvex-rescue: %3lld %% (", static_cast<long long>(percent));
    print_time(progress.stream, frames_done, progress.rate_hz);
    std::fputs(" of ", progress.stream);
    print_time(progress.stream, progress.total_frames, progress.rate_hz);
    std::fputs(" of tape) ", progress.stream);
    std::fflush(progress.stream);
}

void clear_progress(Progress& progress) {
    if (!progress.is_drawn)
        return;
    // "\r", then blanks over the widest line, then "\r" again.
    std::fprintf(progress.stream, "\r%60s\r", "");
    std::fflush(progress.stream);
    progress.is_drawn = false;
}
