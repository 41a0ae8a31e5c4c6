#!/usr/bin/env python3
"""Measures the memory of qirvex-rescue --capture over a long capture from a real sound server.

Needs the sound server of the live tests (scripts/sound_server.sh: PulseAudio with the null sink
qirvex_test). Makes a tape of the given length: a BASIC listing repeated to fill it, encoded by
qirvex at 300 baud. Starts qirvex-rescue --capture on the sink's monitor, plays the tape into the
sink with qirvex-play, and reads VmRSS and VmHWM of the capture from /proc/PID/status once a
sampling interval. When the tape has played and its bytes are out, SIGINT ends the capture, as
Ctrl-C would. Prints every sample, the peak memory at 1, 5, 10, 30 and 60 minutes (those the run
reaches), and whether the decoded bytes equal the bytes played.

    python3 scripts/capture_bench.py [--minutes 3] [--sample-seconds 60] [--bin build]

Runs in real time and takes little processor time; no other live sound test may share the sink
while it runs. Exit status 0 when the bytes came back whole and both programs ended as expected.
"""

import argparse
import os
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SINK = "qirvex_test"
# A part of the monitor's name, as a user would type it (and as the live tests do).
MONITOR_PART = "qirvex_test.mon"

SAMPLE_RATE_HZ = 21600
# An encoded file holds 2 s of leader, 1 s of trailer and the pad byte around 792 samples per
# byte (8N2 at 300 baud), as in bench.py.
FRAME_SAMPLES = 64801
WORD_SAMPLES = 792
MARK_MINUTES = (1, 5, 10, 30, 60)
# How long the capture may take to start, and to decode the last bytes once the tape has played.
PATIENCE_SECONDS = 30


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--minutes", type=float, default=3, help="length of the tape (3)")
    parser.add_argument("--sample-seconds", type=float, default=60,
                        help="time between two readings of the capture's memory (60)")
    parser.add_argument("--bin", default=os.path.join(ROOT, "build"),
                        help="folder of qirvex, qirvex-rescue and qirvex-play (build)")
    return parser.parse_args()


def basic_listing(lines):
    return "".join(f'{line * 10} PRINT "LINE {line}"\r\n' for line in range(1, lines + 1))


def tape_data(minutes):
    """The listing repeated to fill the minutes of tape at 300 baud, the last time cut short."""
    words = max(1, (int(minutes * 60 * SAMPLE_RATE_HZ) - FRAME_SAMPLES) // WORD_SAMPLES)
    listing = basic_listing(100).encode()
    return (listing * (words // len(listing) + 1))[:words]


def has_sink(play):
    devices = subprocess.run([play, "--list-devices"], capture_output=True, text=True)
    return f"[{SINK}]" in devices.stdout


def wait_for_text(path, text, process):
    deadline = time.monotonic() + PATIENCE_SECONDS
    while time.monotonic() < deadline and process.poll() is None:
        with open(path, encoding="utf-8", errors="replace") as f:
            if text in f.read():
                return True
        time.sleep(0.2)
    return False


def memory_kb(pid):
    """VmRSS and VmHWM of the process, in kB."""
    fields = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            name, _, value = line.partition(":")
            if name in ("VmRSS", "VmHWM"):
                fields[name] = int(value.split()[0])
    return fields["VmRSS"], fields["VmHWM"]


def take_sample(rescue, start, samples):
    elapsed = time.monotonic() - start
    rss_kb, hwm_kb = memory_kb(rescue.pid)
    samples.append((elapsed, rss_kb, hwm_kb))
    print(f"{elapsed / 60:6.1f} min  VmRSS {rss_kb:6d} kB  VmHWM {hwm_kb:6d} kB", flush=True)


def sample_while_playing(rescue, play, sample_seconds, start, samples):
    """Reads the capture's memory every sample_seconds until the tape has played."""
    next_sample = start + sample_seconds
    while play.poll() is None and rescue.poll() is None:
        if time.monotonic() >= next_sample:
            take_sample(rescue, start, samples)
            next_sample += sample_seconds
        time.sleep(0.5)


def wait_for_bytes(path, size, rescue):
    """Waits until the capture has written size bytes (the trailer is still playing then)."""
    deadline = time.monotonic() + PATIENCE_SECONDS
    while time.monotonic() < deadline and rescue.poll() is None:
        if os.path.getsize(path) >= size:
            return
        time.sleep(0.5)


def print_marks(samples):
    """The peak at each mark: VmHWM of the first sample taken at or after it."""
    print("\npeak memory of the capture (VmHWM) after")
    for minutes in MARK_MINUTES:
        later = [s for s in samples if s[0] >= minutes * 60 - 1]
        if later:
            print(f"  {minutes:2d} min: {later[0][2]} kB (VmRSS {later[0][1]} kB)")
    if samples:
        elapsed, rss_kb, hwm_kb = samples[-1]
        print(f"  end ({elapsed / 60:.1f} min): {hwm_kb} kB (VmRSS {rss_kb} kB)")


def compare(played, decoded):
    if decoded == played:
        print(f"decoded bytes equal the bytes played: yes ({len(played)} bytes)")
        return True
    first = next((i for i, (a, b) in enumerate(zip(played, decoded)) if a != b),
                 min(len(played), len(decoded)))
    print(f"decoded bytes equal the bytes played: NO ({len(decoded)} decoded of {len(played)}; "
          f"first difference at byte {first})")
    return False


def run(arguments, folder):
    programs = {name: os.path.join(arguments.bin, name)
                for name in ("qirvex", "qirvex-rescue", "qirvex-play")}
    if not has_sink(programs["qirvex-play"]):
        sys.exit(f"capture_bench: no sound server with the null sink {SINK}; "
                 "start one with bash scripts/sound_server.sh")
    data = tape_data(arguments.minutes)
    paths = {name: os.path.join(folder, name) for name in
             ("listing.txt", "tape.wav", "decoded.txt", "rescue.err", "play.err")}
    with open(paths["listing.txt"], "wb") as f:
        f.write(data)
    # qirvex's status 1 is a tape written.
    encode = [programs["qirvex"], "-F", paths["listing.txt"], paths["tape.wav"]]
    if subprocess.run(encode).returncode != 1:
        sys.exit("capture_bench: qirvex could not encode the listing")
    print(f"tape: {len(data)} bytes of listing at 300 baud, {arguments.minutes:g} min; "
          f"memory read every {arguments.sample_seconds:g} s", flush=True)

    rescue_err = open(paths["rescue.err"], "w")
    play_err = open(paths["play.err"], "w")
    rescue = subprocess.Popen([programs["qirvex-rescue"], "-b", "300",
                               f"--capture={MONITOR_PART}", paths["decoded.txt"]],
                              stderr=rescue_err)
    play = None
    try:
        start = time.monotonic()
        if not wait_for_text(paths["rescue.err"], "capturing from", rescue):
            with open(paths["rescue.err"]) as f:
                sys.exit("capture_bench: the capture did not start: " + f.read())
        play = subprocess.Popen([programs["qirvex-play"], "-q", "-d", SINK, paths["tape.wav"]],
                                stderr=play_err)
        samples = []
        sample_while_playing(rescue, play, arguments.sample_seconds, start, samples)
        play_status = play.wait()
        wait_for_bytes(paths["decoded.txt"], len(data), rescue)
        if rescue.poll() is None:
            take_sample(rescue, start, samples)
            rescue.send_signal(signal.SIGINT)
        rescue_status = rescue.wait()
    finally:
        for process in (rescue, play):
            if process is not None and process.poll() is None:
                process.kill()
                process.wait()
        rescue_err.close()
        play_err.close()

    print_marks(samples)
    with open(paths["decoded.txt"], "rb") as f:
        is_whole = compare(data, f.read())
    print(f"qirvex-play status {play_status} (0: no gaps); qirvex-rescue status {rescue_status} "
          "(130: ended by SIGINT)")
    for name in ("rescue.err", "play.err"):
        with open(paths[name], encoding="utf-8", errors="replace") as f:
            print(f"--- {name}\n{f.read().rstrip()}")
    return is_whole and play_status == 0 and rescue_status == 130


def main():
    arguments = parse_arguments()
    with tempfile.TemporaryDirectory(prefix="qirvex-capture-bench-") as folder:
        sys.exit(0 if run(arguments, folder) else 1)


if __name__ == "__main__":
    main()
