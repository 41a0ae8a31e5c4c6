// The end of a batch: a row for each recording (what its decode found and its verdict), a total
// line, and the exit status of the whole, the worst of the recordings' unless a signal stopped it.
#pragma once

#include "rescue/batch_inputs.h"
#include "rescue/rescue_driver.h"

#include <cstdio>
#include <string>
#include <vector>

// One recording of a batch, from the queue to the summary.
struct BatchEntry {
    BatchRecording recording;
    RecordingTally tally;       // what its decode found, filled in by the decode
    int status = rescue_failed; // its exit status, as if decoded alone
    bool is_started = false;    // a worker took it
    bool is_done = false;       // its decode has ended (guarded by the queue's lock)
    std::string messages;       // what its decode wrote as messages
    std::string table;          // the table of its programs, with --list
};

// Prints the table of the entries and the total line.
void print_batch_summary(std::FILE* stream, const std::vector<BatchEntry>& entries);

// The worst status of the entries, 2 over 1 over 0; 128 plus `signal_number` where a signal
// stopped a decode or kept one from starting.
[[nodiscard]] int batch_status(const std::vector<BatchEntry>& entries, int signal_number);
