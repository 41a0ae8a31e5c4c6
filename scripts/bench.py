#!/usr/bin/env python3
"""Times qirvex and qirvex-rescue against the disk and against a general FSK modem, side by side.

Makes 10 minutes and 1 hour of tape (the program's own 21600 Hz 8-bit output, and the same
converted by sox to 44100 Hz 16-bit mono and stereo) in a folder under /tmp, then times whole
processes: each round runs every command once, in the same order, so that a change in the
machine's load touches all of them alike; the first round is a warm-up that fills the page cache
and is not counted. Every ratio is taken between medians of the same run. Every decode that is
timed is checked against the data it must give back, byte for byte.

Environment: BENCH_QUICK=1 times only the 10-minute files; BENCH_RUNS sets the counted rounds.
Needs python3, sox, minimodem and GNU time; installs the last three with apt-get when run as root.
"""

import os
import platform
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
QIRVEX = os.path.join(ROOT, "build", "qirvex")
RESCUE = os.path.join(ROOT, "build", "qirvex-rescue")
MICROBENCH = os.path.join(ROOT, "build-bench", "microbench")
GNU_TIME = "/usr/bin/time"

QUICK = os.environ.get("BENCH_QUICK", "") not in ("", "0")
RUNS = int(os.environ.get("BENCH_RUNS", "5" if QUICK else "7"))
WARMUP_ROUNDS = 1

SAMPLE_RATE_HZ = 21600
# An encoded file holds 2 s of leader, 1 s of trailer and the pad byte around 792 samples per
# byte (8N2 at 300 baud).
FRAME_SAMPLES = 64801
WORD_SAMPLES = 792

# minimodem's fastest setting that still decodes these files exactly.
MINIMODEM = ["minimodem", "--rx", "-q", "-M", "2400", "-S", "1200", "--stopbits", "2",
             "-c", "1.0", "-l", "inf", "-b", "150"]
# minimodem's most accurate setting, which qirvex-rescue is measured against: no limit on its
# search for the best bit timing (-l inf). On the 49 conditions of make robustness it decoded
# more conditions exactly than its defaults, -c 1.0 or -b 150 did (see robustness.py).
MINIMODEM_ACCURATE = ["minimodem", "--rx", "-q", "-M", "2400", "-S", "1200", "--stopbits", "2",
                      "-l", "inf"]


def ensure_tools():
    """Installs sox, minimodem and GNU time when they are missing, as root with apt-get."""
    wanted = {"sox": "sox", "minimodem": "minimodem"}
    missing = [package for tool, package in wanted.items() if shutil.which(tool) is None]
    if not os.path.exists(GNU_TIME):
        missing.append("time")
    if not missing:
        return
    if os.geteuid() != 0:
        sys.exit("bench: please install " + " ".join(missing) + " (apt-get install, as root)")
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "update", "-q"], check=True, env=env)
    subprocess.run(["apt-get", "install", "-y", "-q"] + missing, check=True, env=env)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def make_tape(folder, minutes):
    """Writes the data, its 21600 Hz 8-bit tape and the sox conversions; returns their paths."""
    words = (minutes * 60 * SAMPLE_RATE_HZ - FRAME_SAMPLES) // WORD_SAMPLES
    data = random.Random(minutes).randbytes(words)
    paths = {name: os.path.join(folder, f"{name}-{minutes}min{ext}") for name, ext in
             [("data", ".bin"), ("m21", ".wav"), ("m44", ".wav"), ("s44", ".wav")]}
    with open(paths["data"], "wb") as f:
        f.write(data)
    status = subprocess.run([QIRVEX, "-F", paths["data"], paths["m21"]]).returncode
    if status != 1:
        sys.exit(f"bench: encoding {paths['data']} failed with status {status}")
    # No dither, so that the files are the same on every run; -V1 keeps sox's notes on the
    # clipped peaks of the square wave quiet.
    for name, channels in [("m44", "1"), ("s44", "2")]:
        subprocess.run(["sox", "-V1", "-D", paths["m21"], "-b", "16", "-r", "44100",
                        "-c", channels, paths[name]], check=True)
    return paths, data


class Job:
    """One command that is timed, with where its output goes and how it is checked."""

    def __init__(self, key, argv, stdout=None, stderr=None, status=0, expected=None,
                 result=None):
        self.key = key
        self.argv = argv
        self.stdout = stdout        # file for standard output, or None to discard it
        self.stderr = stderr        # file for standard error, or None to discard it
        self.status = status        # the exit status of a run that went through
        self.expected = expected    # the bytes the run must leave in `result`
        self.result = result        # the file to check, when expected is given
        self.seconds = []

    def run(self):
        out = open(self.stdout, "wb") if self.stdout else subprocess.DEVNULL
        err = open(self.stderr, "wb") if self.stderr else subprocess.DEVNULL
        start = time.perf_counter()
        status = subprocess.run(self.argv, stdout=out, stderr=err).returncode
        elapsed = time.perf_counter() - start
        for stream in (out, err):
            if stream is not subprocess.DEVNULL:
                stream.close()
        if status != self.status:
            sys.exit(f"bench: {' '.join(self.argv)} exited with {status}, not {self.status}")
        if self.expected is not None and read(self.result) != self.expected:
            sys.exit(f"bench: {' '.join(self.argv)} did not give the data back exactly")
        return elapsed

    def median_ms(self):
        return statistics.median(self.seconds) * 1000.0


def decode_jobs(paths, data, folder):
    jobs = []
    for name in ("m21", "m44", "s44"):
        audio = paths[name]
        out = os.path.join(folder, "decoded.txt")
        jobs.append(Job((name, "cp"), ["cp", audio, os.path.join(folder, "copy.wav")]))
        jobs.append(Job((name, "qirvex"), [QIRVEX, "-F", audio, out], status=1,
                        expected=data, result=out))
        jobs.append(Job((name, "trace"), [QIRVEX, "-X", "-F", audio, out], status=1,
                        stderr=os.path.join(folder, "trace.txt"), expected=data, result=out))
        # qirvex-rescue exits with 0 when every word decoded cleanly.
        jobs.append(Job((name, "rescue"), [RESCUE, "-f", audio, out], expected=data,
                        result=out))
        # minimodem reads only mono audio.
        if name != "s44":
            mm_out = os.path.join(folder, "minimodem.txt")
            jobs.append(Job((name, "minimodem"), MINIMODEM + ["-f", audio, "300"],
                            stdout=mm_out, expected=data, result=mm_out))
            if MINIMODEM_ACCURATE != MINIMODEM:
                jobs.append(Job((name, "minimodem accurate"),
                                MINIMODEM_ACCURATE + ["-f", audio, "300"], stdout=mm_out,
                                expected=data, result=mm_out))
    return jobs


def encode_jobs(paths, folder):
    tape = read(paths["m21"])
    out = os.path.join(folder, "encoded.wav")
    zeros = os.path.join(folder, "zeros.bin")
    return [
        Job(("enc", "qirvex"), [QIRVEX, "-F", paths["data"], out], status=1, expected=tape,
            result=out),
        Job(("enc", "head"), ["head", "-c", str(len(tape)), "/dev/zero"], stdout=zeros),
    ]


def time_interleaved(jobs):
    for round_number in range(WARMUP_ROUNDS + RUNS):
        for job in jobs:
            elapsed = job.run()
            if round_number >= WARMUP_ROUNDS:
                job.seconds.append(elapsed)


def peak_rss_kb(argv):
    """Maximum resident set size of one run, as GNU time -v reports it."""
    result = subprocess.run([GNU_TIME, "-v"] + argv, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    for line in result.stderr.splitlines():
        if "Maximum resident set size" in line:
            return int(line.split(":")[1])
    sys.exit("bench: no peak memory in the output of " + GNU_TIME)


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def load_average():
    return "%.2f %.2f %.2f" % os.getloadavg()


FILE_NAMES = {"m21": "21600 Hz 8-bit mono", "m44": "44100 Hz 16-bit mono",
              "s44": "44100 Hz 16-bit stereo"}


def report(minutes, paths, jobs, folder, goals):
    by_key = {job.key: job for job in jobs}
    print(f"\n{minutes} minutes of tape ({len(read(paths['data']))} data bytes), medians in ms")
    header = ("file", "MB", "cp", "decode", "/cp", "minimodem", "/minimodem", "-X", "-X/decode",
              "peak KB")
    print("%-24s %7s %8s %8s %6s %10s %11s %8s %10s %8s" % header)
    out = os.path.join(folder, "decoded.txt")
    for name in ("m21", "m44", "s44"):
        cp = by_key[(name, "cp")].median_ms()
        decode = by_key[(name, "qirvex")].median_ms()
        trace = by_key[(name, "trace")].median_ms()
        mm_job = by_key.get((name, "minimodem"))
        mm = "%10.1f" % mm_job.median_ms() if mm_job else "%10s" % "-"
        mm_ratio = "%11.2f" % (decode / mm_job.median_ms()) if mm_job else "%11s" % "-"
        rss = peak_rss_kb([QIRVEX, "-F", paths[name], out])
        size_mb = os.path.getsize(paths[name]) / 1e6
        print("%-24s %7.1f %8.1f %8.1f %6.2f %s %s %8.1f %10.2f %8d" % (
            FILE_NAMES[name], size_mb, cp, decode, decode / cp, mm, mm_ratio, trace,
            trace / decode, rss))
        goals.append((f"{minutes} min {FILE_NAMES[name]}: decode/cp", decode / cp,
                      {"m21": 2.0, "m44": 4.0}.get(name)))
        if mm_job:
            goals.append((f"{minutes} min {FILE_NAMES[name]}: decode/minimodem",
                          decode / mm_job.median_ms(), 1 / 3 if name == "m44" else 1.0))
        goals.append((f"{minutes} min {FILE_NAMES[name]}: -X/decode", trace / decode, 2.0))
        goals.append((f"{minutes} min {FILE_NAMES[name]}: peak resident KB", rss, 4096))
    report_rescue(paths, by_key, folder, goals, minutes)
    encode = by_key[("enc", "qirvex")].median_ms()
    head = by_key[("enc", "head")].median_ms()
    rss = peak_rss_kb([QIRVEX, "-F", paths["data"], os.path.join(folder, "encoded.wav")])
    print("%-24s %7.1f %8s %8s %6s   head -c %8.1f   encode %8.1f   /head %5.2f   peak KB %d" % (
        "encode", os.path.getsize(paths["m21"]) / 1e6, "", "", "", head, encode,
        encode / head, rss))
    goals.append((f"{minutes} min encode/head", encode / head, 2.0))
    goals.append((f"{minutes} min encode: peak resident KB", rss, 4096))


# The goals of qirvex-rescue: at most this many times cp, and faster than minimodem's most
# accurate setting; peak memory at most 8 MB.
RESCUE_CP_LIMITS = {"m21": 6.0, "m44": 11.0}
RESCUE_PEAK_KB = 8192


def report_rescue(paths, by_key, folder, goals, minutes):
    print("%-24s %7s %8s %8s %6s %10s %11s %8s" % ("qirvex-rescue", "", "cp", "rescue", "/cp",
                                                   "mm -l inf", "/mm -l inf", "peak KB"))
    out = os.path.join(folder, "decoded.txt")
    for name in ("m21", "m44", "s44"):
        cp = by_key[(name, "cp")].median_ms()
        rescue = by_key[(name, "rescue")].median_ms()
        mm_job = by_key.get((name, "minimodem accurate")) or by_key.get((name, "minimodem"))
        mm = "%10.1f" % mm_job.median_ms() if mm_job else "%10s" % "-"
        mm_ratio = "%11.2f" % (rescue / mm_job.median_ms()) if mm_job else "%11s" % "-"
        rss = peak_rss_kb([RESCUE, "-f", paths[name], out])
        print("%-24s %7s %8.1f %8.1f %6.2f %s %s %8d" % (FILE_NAMES[name], "", cp, rescue,
                                                         rescue / cp, mm, mm_ratio, rss))
        label = f"{minutes} min {FILE_NAMES[name]}: rescue"
        goals.append((label + "/cp", rescue / cp, RESCUE_CP_LIMITS.get(name)))
        if mm_job:
            goals.append((label + "/minimodem", rescue / mm_job.median_ms(), 1.0))
        goals.append((label + " peak resident KB", rss, RESCUE_PEAK_KB))


def print_goals(goals):
    print("\nGoals (ratio or KB: measured <= limit)")
    for name, value, limit in goals:
        if limit is None:
            continue
        verdict = "met" if value <= limit else "NOT met"
        print("  %-58s %10.2f <= %-8.2f %s" % (name, value, limit, verdict))


def run_microbenchmarks():
    if not os.path.exists(MICROBENCH):
        print("\n(no microbenchmarks: build them with cmake -DQIRVEX_BENCH=ON)")
        return
    print("\nMicrobenchmarks (CPU time per sample, event, word or cell)")
    sys.stdout.flush()
    subprocess.run([MICROBENCH], check=True)


def main():
    ensure_tools()
    if not os.path.exists(QIRVEX) or not os.path.exists(RESCUE):
        sys.exit("bench: build the programs first (make)")
    lengths = [10] if QUICK else [10, 60]
    print(f"qirvex bench on {cpu_model()}, {os.cpu_count()} cores, {platform.system()} "
          f"{platform.release()}; {RUNS} counted rounds after {WARMUP_ROUNDS} warm-up")
    print(f"load average at start: {load_average()}")
    sys.stdout.flush()
    goals = []
    folder = tempfile.mkdtemp(prefix="qirvex-bench-", dir="/tmp")
    try:
        for minutes in lengths:
            paths, data = make_tape(folder, minutes)
            jobs = decode_jobs(paths, data, folder) + encode_jobs(paths, folder)
            time_interleaved(jobs)
            report(minutes, paths, jobs, folder, goals)
            for path in os.listdir(folder):
                os.remove(os.path.join(folder, path))
            sys.stdout.flush()
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"load average at end: {load_average()}")
    print_goals(goals)
    run_microbenchmarks()


if __name__ == "__main__":
    main()
