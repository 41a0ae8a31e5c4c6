"""Measures qirvex-rescue as a live decoder: the delay from a word's audio to its byte.

A writer feeds a tape to `qirvex-rescue - -` through a pipe at a fixed multiple of real time, in
blocks of 10 ms of audio, each written when its audio would be complete on a live capture, and
notes when each block went out; a reader notes when each byte arrives on the decoder's output.
The tape is qirvex's own 21600 Hz 8-bit audio, whose words end at known samples: 2 s of leader,
then 792 samples per word (8N2 at 300 baud). Its header carries a placeholder length near 2 GB,
as arecord writes for a capture of unknown length.

The decoder holds the first 4 s of audio to choose the channel and measure the speed, so the
figures are: when the first byte arrives after those 4 s are written, and, for every byte whose
word ends after them, when it arrives after the audio up to its word's last sample was written.
At k times real time the part of a delay that waits for audio shrinks k-fold, so every delay is
given multiplied by k, in seconds of tape: at real time that is what a listener sees; faster, an
upper bound of it (the decoder's own computing time, a small part, is counted k times).
"""

import bisect
import os
import statistics
import struct
import subprocess
import threading
import time

SAMPLE_RATE_HZ = 21600
LEADER_SAMPLES = 2 * SAMPLE_RATE_HZ
WORD_SAMPLES = 792
# qirvex writes the canonical 44-byte WAV header; its 8-bit mono samples are one byte each.
HEADER_BYTES = 44
# A length near 2 GB in place of the real one, as arecord and sox write to a pipe.
PLACEHOLDER_DATA_BYTES = 0x7FFFF000
# The audio qirvex-rescue holds before it decides anything (look_ahead_seconds in
# src/rescue/look_ahead.h).
LOOK_AHEAD_SAMPLES = 4 * SAMPLE_RATE_HZ
# A sound card's period is typically 5 to 25 ms.
BLOCK_SAMPLES = SAMPLE_RATE_HZ // 100


class Latency:
    """The figures of one paced run, in seconds of tape."""

    def __init__(self, pace, tape_seconds, first_byte, delays):
        self.pace = pace                  # times real time
        self.tape_seconds = tape_seconds  # length of the tape fed
        self.first_byte = first_byte      # first byte after the look-ahead was written
        self.delays = delays              # per byte after the look-ahead: arrival after its audio

    def median(self):
        return statistics.median(self.delays)

    def percentile_99(self):
        """The delay that 99 % of the bytes keep to: a stall of the machine that holds up a few
        bytes shows in the maximum, not here."""
        return statistics.quantiles(self.delays, n=100)[-1]

    def maximum(self):
        return max(self.delays)


def streaming_header(header):
    """The tape's header with the placeholder sizes of a live capture."""
    riff_bytes = PLACEHOLDER_DATA_BYTES + HEADER_BYTES - 8
    return (header[:4] + struct.pack("<I", riff_bytes) + header[8:40] +
            struct.pack("<I", PLACEHOLDER_DATA_BYTES))


def write_all(fd, data):
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]


def write_paced(fd, tape, pace):
    """Writes the tape at pace times real time; returns the samples written and when, in two
    lists (one entry per block)."""
    audio = memoryview(tape)[HEADER_BYTES:]
    samples_written, times = [], []
    start = time.perf_counter()
    write_all(fd, streaming_header(tape[:HEADER_BYTES]))
    for begin in range(0, len(audio), BLOCK_SAMPLES):
        end = min(begin + BLOCK_SAMPLES, len(audio))
        pause = start + end / SAMPLE_RATE_HZ / pace - time.perf_counter()
        if pause > 0:
            time.sleep(pause)
        # The time before the write, so that a late wake-up of this thread after it cannot make
        # a delay look shorter.
        samples_written.append(end)
        times.append(time.perf_counter())
        write_all(fd, audio[begin:end])
    return samples_written, times


def read_arrivals(fd, arrivals):
    """Appends (time, bytes) for each read of the decoder's output until it closes."""
    while True:
        chunk = os.read(fd, 65536)
        if not chunk:
            return
        arrivals.append((time.perf_counter(), chunk))


def byte_times(arrivals):
    times = []
    for arrived, chunk in arrivals:
        times.extend([arrived] * len(chunk))
    return times


def written_at(samples_written, times, sample):
    """When the block holding the given sample (counted from 1) was written."""
    return times[bisect.bisect_left(samples_written, sample)]


def measure_latency(rescue, tape, data, pace):
    """Feeds the tape to rescue at pace times real time; checks that it gives the data back."""
    decoder = subprocess.Popen([rescue, "-q", "-", "-"], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    arrivals = []
    reader = threading.Thread(target=read_arrivals, args=(decoder.stdout.fileno(), arrivals))
    reader.start()
    samples_written, times = write_paced(decoder.stdin.fileno(), tape, pace)
    decoder.stdin.close()
    reader.join()
    decoder.stdout.close()
    status = decoder.wait()
    arrived = byte_times(arrivals)
    if status != 0 or b"".join(chunk for _, chunk in arrivals) != data:
        raise SystemExit(f"bench: {rescue} did not give a paced pipe's data back (status "
                         f"{status})")
    look_ahead_written = written_at(samples_written, times, LOOK_AHEAD_SAMPLES)
    delays = []
    for index, when in enumerate(arrived):
        word_end = LEADER_SAMPLES + (index + 1) * WORD_SAMPLES
        if word_end > LOOK_AHEAD_SAMPLES:
            delays.append((when - written_at(samples_written, times, word_end)) * pace)
    tape_seconds = samples_written[-1] / SAMPLE_RATE_HZ
    return Latency(pace, tape_seconds, (arrived[0] - look_ahead_written) * pace, delays)
