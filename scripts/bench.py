#!/usr/bin/env python3
"""Times qirvex and qirvex-rescue against reading the file once, against the disk and against a
general FSK modem, side by side.

Makes 10 minutes and 1 hour of tape (the program's own 21600 Hz 8-bit output, and the same
converted by sox to 44100 Hz 16-bit mono and stereo) in a folder under /tmp, then times whole
processes: each round runs every command once, in the same order, so that a change in the
machine's load touches all of them alike; the first round is a warm-up that fills the page cache
and is not counted. Every ratio is taken between medians of the same run. Every decode that is
timed is checked against the data it must give back, byte for byte.

The read floor is the least any decoder must do: read the file once (build-bench/read_floor reads
it in 256 KB blocks and adds up its bytes). Each decode is given in nanoseconds per sample frame,
by the clock and by processor time (user and system, which the load of a shared machine moves
far less), and as a multiple of the floor and of cp.

Both decoders are timed beside an earlier build of themselves when BENCH_BEFORE names that
build's folder. qirvex-rescue is also timed reading the same audio from a pipe
(`cat FILE | qirvex-rescue - OUT`), and fed a tape through a pipe at 8 times and at real time to
measure how soon its bytes come out (bench_stream.py); its peak memory is taken on the files and
on the pipes.

Environment: BENCH_QUICK=1 times only the 10-minute files; BENCH_RUNS sets the counted rounds;
BENCH_BEFORE=folder adds the qirvex-rescue and the qirvex in that folder (an earlier build) to the
rounds.
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
import wave

from bench_stream import measure_latency

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
QIRVEX = os.path.join(ROOT, "build", "qirvex")
RESCUE = os.path.join(ROOT, "build", "qirvex-rescue")
MICROBENCH = os.path.join(ROOT, "build-bench", "microbench")
READ_FLOOR = os.path.join(ROOT, "build-bench", "read_floor")
GNU_TIME = "/usr/bin/time"

QUICK = os.environ.get("BENCH_QUICK", "") not in ("", "0")
RUNS = int(os.environ.get("BENCH_RUNS", "5" if QUICK else "7"))
WARMUP_ROUNDS = 1
# The folder of an earlier build whose qirvex-rescue is timed beside this one, or None.
BEFORE = os.environ.get("BENCH_BEFORE") or None
BEFORE_RESCUE = os.path.join(BEFORE, "qirvex-rescue") if BEFORE else None
BEFORE_QIRVEX = os.path.join(BEFORE, "qirvex") if BEFORE else None

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
    paths = {name: os.path.join(folder, f"{name}-{minutes}min{ext}") for name, ext in
             [("data", ".bin"), ("m21", ".wav"), ("m44", ".wav"), ("s44", ".wav")]}
    data = encode_tape(minutes, paths["data"], paths["m21"])
    # No dither, so that the files are the same on every run; -V1 keeps sox's notes on the
    # clipped peaks of the square wave quiet.
    for name, channels in [("m44", "1"), ("s44", "2")]:
        subprocess.run(["sox", "-V1", "-D", paths["m21"], "-b", "16", "-r", "44100",
                        "-c", channels, paths[name]], check=True)
    return paths, data


def encode_tape(minutes, data_path, tape_path):
    """Writes random data that fills the minutes of tape, and qirvex's tape of it; returns the
    data."""
    words = (minutes * 60 * SAMPLE_RATE_HZ - FRAME_SAMPLES) // WORD_SAMPLES
    data = random.Random(minutes).randbytes(words)
    with open(data_path, "wb") as f:
        f.write(data)
    status = subprocess.run([QIRVEX, "-F", data_path, tape_path]).returncode
    if status != 1:
        sys.exit(f"bench: encoding {data_path} failed with status {status}")
    return data


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
        self.seconds = []           # wall-clock time of each counted run
        self.cpu_seconds = []       # user and system time of each counted run, with its children

    def run(self):
        """Runs the command once; returns its wall-clock and its processor time in seconds."""
        out = open(self.stdout, "wb") if self.stdout else subprocess.DEVNULL
        err = open(self.stderr, "wb") if self.stderr else subprocess.DEVNULL
        start = time.perf_counter()
        process = subprocess.Popen(self.argv, stdout=out, stderr=err)
        # wait4's usage counts the process and every child it waited for (cat in a pipe).
        _, wait_status, usage = os.wait4(process.pid, 0)
        elapsed = time.perf_counter() - start
        process.returncode = os.waitstatus_to_exitcode(wait_status)
        for stream in (out, err):
            if stream is not subprocess.DEVNULL:
                stream.close()
        if process.returncode != self.status:
            sys.exit(f"bench: {' '.join(self.argv)} exited with {process.returncode}, "
                     f"not {self.status}")
        if self.expected is not None and read(self.result) != self.expected:
            sys.exit(f"bench: {' '.join(self.argv)} did not give the data back exactly")
        return elapsed, usage.ru_utime + usage.ru_stime

    def median_ms(self):
        return statistics.median(self.seconds) * 1000.0

    def median_cpu_ms(self):
        return statistics.median(self.cpu_seconds) * 1000.0


def decode_jobs(paths, data, folder):
    jobs = []
    for name in ("m21", "m44", "s44"):
        audio = paths[name]
        out = os.path.join(folder, "decoded.txt")
        jobs.append(Job((name, "floor"), [READ_FLOOR, audio], stdout=os.path.join(folder, "sum")))
        jobs.append(Job((name, "cp"), ["cp", audio, os.path.join(folder, "copy.wav")]))
        jobs.append(Job((name, "qirvex"), [QIRVEX, "-F", audio, out], status=1,
                        expected=data, result=out))
        if BEFORE_QIRVEX and os.path.exists(BEFORE_QIRVEX):
            jobs.append(Job((name, "qirvex before"), [BEFORE_QIRVEX, "-F", audio, out], status=1,
                            expected=data, result=out))
        jobs.append(Job((name, "trace"), [QIRVEX, "-X", "-F", audio, out], status=1,
                        stderr=os.path.join(folder, "trace.txt"), expected=data, result=out))
        # qirvex-rescue exits with 0 when every word decoded cleanly.
        jobs.append(Job((name, "rescue"), [RESCUE, "-f", audio, out], expected=data,
                        result=out))
        jobs.append(Job((name, "rescue pipe"), ["sh", "-c", 'cat "$1" | "$2" -f - "$3"', "sh",
                                                audio, RESCUE, out], expected=data, result=out))
        if BEFORE_RESCUE:
            jobs.append(Job((name, "rescue before"), [BEFORE_RESCUE, "-f", audio, out],
                            expected=data, result=out))
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
            elapsed, cpu = job.run()
            # What a command wrote goes to the disk before the next one starts, outside both
            # times: the kernel writing back cp's 53 MB copy had added 18 ms (a third) to the
            # qirvex decode that followed it.
            os.sync()
            if round_number >= WARMUP_ROUNDS:
                job.seconds.append(elapsed)
                job.cpu_seconds.append(cpu)


def peak_rss_kb(argv, piped_from=None):
    """Maximum resident set size of one run, as GNU time -v reports it; with piped_from, the
    run reads that file from a pipe that cat writes."""
    cat = None
    if piped_from:
        with open(piped_from, "rb") as source:
            cat = subprocess.Popen(["cat"], stdin=source, stdout=subprocess.PIPE)
    result = subprocess.run([GNU_TIME, "-v"] + argv, stdin=cat.stdout if cat else None,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if cat:
        cat.stdout.close()
        cat.wait()
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

# The per-sample goals, in nanoseconds per sample frame of the whole process (wall clock), on the
# two mono files. They hold for the project's machine (a 2.6 GHz Xeon, 2 cores), where 1.5 ns was
# about 6 and 4 times the read floor of the two files; a slower machine misses them as a whole.
DECODE_NS_LIMIT = 1.5
RESCUE_NS_LIMIT = 4.0
NS_GOAL_FILES = ("m21", "m44")
# The encoder writes its tape within this multiple of head -c writing as many bytes.
ENCODE_HEAD_LIMIT = 1.3


def frame_count(path):
    with wave.open(path, "rb") as audio:
        return audio.getnframes()


class Timing:
    """One program's medians on one file, beside the floor and cp of the same rounds."""

    def __init__(self, by_key, name, program, frames):
        job = by_key[(name, program)]
        self.ms = job.median_ms()
        self.cpu_ms = job.median_cpu_ms()
        self.ns = self.ms * 1e6 / frames
        self.cpu_ns = self.cpu_ms * 1e6 / frames
        self.per_floor = self.ms / by_key[(name, "floor")].median_ms()
        self.per_cp = self.ms / by_key[(name, "cp")].median_ms()

    def cells(self):
        """ms, ns per sample by clock and by processor time, and the ratios to floor and cp."""
        return "%8.1f %6.2f %6.2f %6.2f %6.2f" % (self.ms, self.ns, self.cpu_ns, self.per_floor,
                                                 self.per_cp)


def timing_header(program):
    return "%8s %6s %6s %6s %6s" % (program, "ns/smp", "cpu ns", "/floor", "/cp")


def report(minutes, paths, jobs, folder, goals):
    by_key = {job.key: job for job in jobs}
    print(f"\n{minutes} minutes of tape ({len(read(paths['data']))} data bytes), medians in ms; "
          "ns/smp and cpu ns per sample frame (clock, processor time)")
    print("%-24s %6s %9s %7s %7s %s %8s %7s %10s %11s %8s %10s %8s" % (
        "qirvex", "MB", "frames", "floor", "cp", timing_header("decode"), "before", "/before",
        "minimodem", "/minimodem", "-X", "-X/decode", "peak KB"))
    out = os.path.join(folder, "decoded.txt")
    for name in ("m21", "m44", "s44"):
        frames = frame_count(paths[name])
        decode = Timing(by_key, name, "qirvex", frames)
        trace = by_key[(name, "trace")].median_ms()
        mm_job = by_key.get((name, "minimodem"))
        mm = mm_job.median_ms() if mm_job else None
        before_job = by_key.get((name, "qirvex before"))
        before = before_job.median_ms() if before_job else None
        rss = peak_rss_kb([QIRVEX, "-F", paths[name], out])
        print("%-24s %6.1f %9d %7.1f %7.1f %s %s %s %s %s %8.1f %10.2f %8d" % (
            FILE_NAMES[name], os.path.getsize(paths[name]) / 1e6, frames,
            by_key[(name, "floor")].median_ms(), by_key[(name, "cp")].median_ms(),
            decode.cells(), optional(8, before, "%.1f"),
            optional(7, decode.ms / before if before else None), optional(10, mm, "%.1f"),
            optional(11, decode.ms / mm if mm else None), trace, trace / decode.ms, rss))
        label = f"{minutes} min {FILE_NAMES[name]}: decode"
        if name in NS_GOAL_FILES:
            goals.append((label + " ns per sample", decode.ns, DECODE_NS_LIMIT))
        goals.append((label + "/cp", decode.per_cp, {"m21": 2.0, "m44": 4.0}.get(name)))
        if mm:
            goals.append((label + "/minimodem", decode.ms / mm, 1 / 3 if name == "m44" else 1.0))
        goals.append((f"{minutes} min {FILE_NAMES[name]}: -X/decode", trace / decode.ms, 2.0))
        goals.append((f"{minutes} min {FILE_NAMES[name]}: peak resident KB", rss, 4096))
    report_rescue(paths, by_key, folder, goals, minutes)
    encode = by_key[("enc", "qirvex")].median_ms()
    head = by_key[("enc", "head")].median_ms()
    rss = peak_rss_kb([QIRVEX, "-F", paths["data"], os.path.join(folder, "encoded.wav")])
    print("%-24s %6.1f %9s   head -c %8.1f   encode %8.1f   /head %5.2f   peak KB %d" % (
        "encode", os.path.getsize(paths["m21"]) / 1e6, "", head, encode, encode / head, rss))
    goals.append((f"{minutes} min encode/head", encode / head, ENCODE_HEAD_LIMIT))
    goals.append((f"{minutes} min encode: peak resident KB", rss, 4096))


# The goals of qirvex-rescue: at most this many times cp, no slower than the build before it and
# faster than minimodem's most accurate setting; from a pipe, at most 10 % slower than from the
# file; peak memory at most 8 MB, from a file or a pipe, whatever the length.
RESCUE_CP_LIMITS = {"m21": 6.0, "m44": 11.0}
RESCUE_BEFORE_LIMIT = 1.0
RESCUE_PIPE_LIMIT = 1.10
RESCUE_PEAK_KB = 8192


def optional(width, value, form="%.2f"):
    """A cell of the given width: the value, or "-" where there is none."""
    return ("%" + str(width) + "s") % (form % value if value is not None else "-")


def report_rescue(paths, by_key, folder, goals, minutes):
    print("%-24s %6s %9s %7s %7s %s %8s %7s %8s %6s %10s %11s %8s %8s" % (
        "qirvex-rescue", "", "", "floor", "cp", timing_header("rescue"), "before", "/before",
        "pipe", "/file", "mm -l inf", "/mm -l inf", "peak KB", "pipe KB"))
    out = os.path.join(folder, "decoded.txt")
    for name in ("m21", "m44", "s44"):
        frames = frame_count(paths[name])
        rescue = Timing(by_key, name, "rescue", frames)
        pipe = by_key[(name, "rescue pipe")].median_ms()
        before_job = by_key.get((name, "rescue before"))
        before = before_job.median_ms() if before_job else None
        mm_job = by_key.get((name, "minimodem accurate")) or by_key.get((name, "minimodem"))
        mm = mm_job.median_ms() if mm_job else None
        rss = peak_rss_kb([RESCUE, "-f", paths[name], out])
        pipe_rss = peak_rss_kb([RESCUE, "-f", "-", out], piped_from=paths[name])
        print("%-24s %6s %9s %7.1f %7.1f %s %s %s %8.1f %6.2f %s %s %8d %8d" % (
            FILE_NAMES[name], "", "", by_key[(name, "floor")].median_ms(),
            by_key[(name, "cp")].median_ms(), rescue.cells(), optional(8, before, "%.1f"),
            optional(7, rescue.ms / before if before else None), pipe, pipe / rescue.ms,
            optional(10, mm, "%.1f"), optional(11, rescue.ms / mm if mm else None), rss,
            pipe_rss))
        label = f"{minutes} min {FILE_NAMES[name]}: rescue"
        if name in NS_GOAL_FILES:
            goals.append((label + " ns per sample", rescue.ns, RESCUE_NS_LIMIT))
        goals.append((label + "/cp", rescue.per_cp, RESCUE_CP_LIMITS.get(name)))
        if before:
            goals.append((label + "/before", rescue.ms / before, RESCUE_BEFORE_LIMIT))
        goals.append((label + " pipe/file", pipe / rescue.ms, RESCUE_PIPE_LIMIT))
        if mm:
            goals.append((label + "/minimodem", rescue.ms / mm, 1.0))
        goals.append((label + " peak resident KB", rss, RESCUE_PEAK_KB))
        goals.append((label + " pipe peak resident KB", pipe_rss, RESCUE_PEAK_KB))


# The paced runs: a 10-minute tape at 8 times real time (75 s), and a 1-minute one at real time.
LATENCY_RUNS = [(10, 8), (1, 1)]
# After the look-ahead, every byte within 0.5 s of its audio.
LATENCY_LIMIT_SECONDS = 0.5


def report_latency(folder, goals):
    print("\nqirvex-rescue on a paced pipe (21600 Hz 8-bit): seconds of tape, after the audio "
          "was written")
    print("%-24s %8s %8s %12s %12s %12s %12s" % ("tape", "pace", "bytes", "first byte",
                                                  "median byte", "99 % byte", "max byte"))
    for minutes, pace in LATENCY_RUNS:
        tape_path = os.path.join(folder, f"paced-{minutes}min.wav")
        data = encode_tape(minutes, os.path.join(folder, f"paced-{minutes}min.bin"), tape_path)
        latency = measure_latency(RESCUE, read(tape_path), data, pace)
        print("%-24s %7dx %8d %12.3f %12.3f %12.3f %12.3f" % (
            f"{minutes} min", pace, len(latency.delays), latency.first_byte, latency.median(),
            latency.percentile_99(), latency.maximum()), flush=True)
        label = f"paced pipe {minutes} min at {pace}x: "
        goals.append((label + "first byte after look-ahead, s", latency.first_byte,
                      LATENCY_LIMIT_SECONDS))
        goals.append((label + "slowest byte after its audio, s", latency.maximum(),
                      LATENCY_LIMIT_SECONDS))


def print_goals(goals):
    print("\nGoals (ratio, KB or seconds: measured <= limit)")
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
    if not os.path.exists(READ_FLOOR):
        sys.exit("bench: build the read floor first (make bench builds it in build-bench)")
    if BEFORE_RESCUE and not os.path.exists(BEFORE_RESCUE):
        sys.exit(f"bench: BENCH_BEFORE names {BEFORE}, which holds no qirvex-rescue")
    lengths = [10] if QUICK else [10, 60]
    print(f"qirvex bench on {cpu_model()}, {os.cpu_count()} cores, {platform.system()} "
          f"{platform.release()}; {RUNS} counted rounds after {WARMUP_ROUNDS} warm-up")
    print("before: " + (BEFORE or "not timed (set BENCH_BEFORE)"))
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
        report_latency(folder, goals)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"load average at end: {load_average()}")
    print_goals(goals)
    run_microbenchmarks()


if __name__ == "__main__":
    main()
