// The batch's work queue: workers take the recordings in order, each decode writing its messages
// to a scratch file of its own; the calling thread prints them in order as they end and draws
// the batch's progress line meanwhile. Only the calling thread writes to the console.
#include "rescue/batch_run.h"

#include "base/platform.h"
#include "rescue/batch_line.h"
#include "rescue/batch_summary.h"
#include "rescue/interruption.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

constexpr const char* program_name = "qirvex-rescue";

struct BatchQueue {
    std::vector<BatchEntry>& entries;
    const RescueOptions& options;      // the batch's
    std::atomic<std::size_t> next{0};  // the next entry to start
    std::mutex lock{};                 // guards `running` and each entry's is_done
    std::condition_variable changed{}; // an entry is done, or a worker has left
    int running = 0;                   // workers still taking entries
};

// The options of one recording's decode: the batch's, for that recording alone.
RescueOptions options_for(const RescueOptions& batch, const BatchRecording& recording) {
    RescueOptions options = batch;
    options.is_batch = false;
    options.batch_names.clear();
    options.input = recording.name;
    options.target.clear();
    options.split_folder = recording.split_folder;
    return options;
}

// Everything written to the scratch file, which is then closed.
std::string take_contents(std::FILE* scratch) {
    std::string text;
    if (scratch == nullptr)
        return text;
    std::rewind(scratch);
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, scratch)) > 0;)
        text.append(buffer, got);
    std::fclose(scratch);
    return text;
}

void refuse_entry(BatchEntry& entry, const std::string& problem) {
    entry.tally.problem = problem;
    entry.messages =
        std::string(program_name) + ": " + entry.recording.name + ": " + problem + "\n";
    entry.status = rescue_failed;
}

// Decodes one recording as if alone; its messages and its table are kept to be printed in turn.
void decode_entry(const RescueOptions& batch, BatchEntry& entry) {
    std::FILE* messages = open_scratch_file();
    std::FILE* table = batch.is_list && messages != nullptr ? open_scratch_file() : nullptr;
    if (messages == nullptr || (batch.is_list && table == nullptr)) {
        refuse_entry(entry, std::string("cannot make a temporary file for its messages: ") +
                                std::strerror(errno));
        if (messages != nullptr)
            std::fclose(messages);
        return;
    }
    RescueConsole console;
    // Nothing but the table goes to standard output in a batch: the bytes go to files.
    console.out = table != nullptr ? table : messages;
    console.messages = messages;
    console.tally = &entry.tally;
    entry.status = rescue_recording(options_for(batch, entry.recording), console);
    entry.messages = take_contents(messages);
    entry.table = take_contents(table);
}

// A worker: takes the next entry until none is left or a signal stops the batch.
void work(BatchQueue& queue) {
    while (interruption_signal() == 0) {
        const std::size_t index = queue.next.fetch_add(1);
        if (index >= queue.entries.size())
            break;
        BatchEntry& entry = queue.entries[index];
        entry.is_started = true;
        decode_entry(queue.options, entry);
        const std::lock_guard<std::mutex> guard(queue.lock);
        entry.is_done = true;
        queue.changed.notify_all();
    }
    const std::lock_guard<std::mutex> guard(queue.lock);
    --queue.running;
    queue.changed.notify_all();
}

// Starting a thread is the one call here that throws (std::system_error, where the system has
// no thread to give): caught at once, so that the batch goes on with the workers it has.
bool start_worker(std::vector<std::thread>& workers, BatchQueue& queue) {
    try {
        workers.emplace_back(work, std::ref(queue));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

// A worker per core, as many as there are recordings; none where none could be started, and
// the calling thread then decodes them all itself.
std::vector<std::thread> start_workers(BatchQueue& queue) {
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t count = std::min(cores, queue.entries.size());
    std::vector<std::thread> workers;
    workers.reserve(count);
    for (std::size_t n = 0; n < count; ++n) {
        {
            const std::lock_guard<std::mutex> guard(queue.lock);
            ++queue.running;
        }
        if (!start_worker(workers, queue)) {
            const std::lock_guard<std::mutex> guard(queue.lock);
            --queue.running;
            break;
        }
    }
    if (workers.empty()) {
        queue.running = 1;
        work(queue);
    }
    return workers;
}

// The entry's table under a line naming its recording, a blank line between tables (as ls
// lists folders), then its messages.
void print_entry(const BatchEntry& entry, const RescueConsole& console, bool& has_table) {
    if (!entry.table.empty()) {
        std::fprintf(console.out, "%s%s:\n", has_table ? "\n" : "", entry.recording.name.c_str());
        std::fwrite(entry.table.data(), 1, entry.table.size(), console.out);
        std::fflush(console.out);
        has_table = true;
    }
    std::fwrite(entry.messages.data(), 1, entry.messages.size(), console.messages);
    std::fflush(console.messages);
}

// How far the batch is, read while holding the queue's lock.
BatchCount count_progress(const BatchQueue& queue) {
    BatchCount count;
    count.total = queue.entries.size();
    for (const BatchEntry& entry : queue.entries) {
        const std::int64_t size = entry.recording.size_bytes;
        const std::int64_t total_frames = entry.tally.progress.total_frames.load();
        const std::int64_t frames = std::min(entry.tally.progress.frames_done.load(), total_frames);
        count.done += entry.is_done;
        count.bytes_total = size < 0 || count.bytes_total < 0 ? -1 : count.bytes_total + size;
        if (entry.is_done)
            count.bytes_read += std::max<std::int64_t>(size, 0);
        else if (total_frames > 0)
            count.bytes_read += static_cast<std::int64_t>(static_cast<double>(size) * frames /
                                                          static_cast<double>(total_frames));
    }
    return count;
}

// Prints each entry once it and every entry before it are done, redrawing the progress line
// meanwhile. Returns how many were printed: all of them, unless a signal kept some from starting.
std::size_t print_in_order(BatchQueue& queue, const RescueConsole& console, BatchLine& line) {
    std::size_t printed = 0;
    bool has_table = false;
    std::unique_lock<std::mutex> guard(queue.lock);
    while (printed < queue.entries.size()) {
        if (queue.entries[printed].is_done) {
            guard.unlock();
            clear_batch_line(line);
            print_entry(queue.entries[printed++], console, has_table);
            guard.lock();
            continue;
        }
        if (queue.running == 0)
            break;
        queue.changed.wait_for(guard, batch_redraw_interval);
        const BatchCount count = count_progress(queue);
        guard.unlock();
        draw_batch_line(line, count);
        guard.lock();
    }
    guard.unlock();
    clear_batch_line(line);
    return printed;
}

// The tables reach standard output through this thread alone, after their decodes have ended: a
// write that failed there (a full disk) is seen only here.
bool is_out_written(const RescueOptions& options, const RescueConsole& console) {
    return !options.is_list || (std::fflush(console.out) == 0 && std::ferror(console.out) == 0);
}

} // namespace

int run_batch(const RescueOptions& options, const RescueConsole& console) {
    std::vector<BatchRecording> recordings;
    std::string problem;
    const bool is_side = options.is_list || !options.split_folder.empty();
    if (!find_batch_recordings(options.batch_names, options.split_folder, !is_side, recordings,
                               problem)) {
        std::fprintf(console.messages, "%s: %s\n", program_name, problem.c_str());
        return rescue_failed;
    }
    // Every input is a file, and a file's read never waits: each decode ends at its next block.
    if (console.is_interruptible)
        watch_for_interruption(nullptr);
    std::vector<BatchEntry> entries(recordings.size());
    for (std::size_t n = 0; n < recordings.size(); ++n)
        entries[n].recording = recordings[n];
    BatchQueue queue{entries, options};
    BatchLine line;
    if (!options.is_quiet && is_terminal(console.messages))
        line.stream = console.messages;
    std::vector<std::thread> workers = start_workers(queue);
    const std::size_t printed = print_in_order(queue, console, line);
    for (std::thread& worker : workers)
        worker.join();
    const int signal_number = interruption_signal();
    for (std::size_t n = printed; n < entries.size(); ++n)
        std::fprintf(console.messages, "%s: %s: not done: the batch was stopped by %s first\n",
                     program_name, entries[n].recording.name.c_str(), signal_name(signal_number));
    const bool is_listed = is_out_written(options, console);
    if (!is_listed)
        std::fprintf(console.messages,
                     "%s: standard output: writing failed; the tables are incomplete\n",
                     program_name);
    if (!options.is_quiet)
        print_batch_summary(console.messages, entries);
    const int status = batch_status(entries, signal_number);
    return is_listed || status >= rescue_signalled ? status : rescue_failed;
}
