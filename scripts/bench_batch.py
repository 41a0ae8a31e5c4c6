"""Measures qirvex-rescue --batch against the same recordings decoded one after another.

Four ten-minute recordings, each a listing of 16 KB that qirvex encodes at 300 baud (27 bytes a
second of 8N2 words), resampled by sox to 44100 Hz 16-bit stereo as a sound card captures, are
decoded alone in turn and in one batch, alternately, for a few rounds; the medians of the wall
times are compared, and the processor time of both is given beside them. A batch runs a decode
on each core, so its speed-up is bounded by the cores that are free: the machine's cores and its
load average before and after are printed with the figures.

    python3 scripts/bench_batch.py [build folder] [rounds]
"""

import os
import random
import resource
import statistics
import subprocess
import sys
import tempfile
import time

RECORDINGS = 4
# 16,360 bytes at 27.27 bytes a second: ten minutes of tape.
LISTING_BYTES = 16360


def listing(seed):
    """A BASIC listing of PRINT lines of random words, CR LF line ends."""
    chooser = random.Random(seed)
    lines = []
    size = 0
    number = 10
    while size < LISTING_BYTES:
        text = "".join(chooser.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ ") for _ in range(40))
        line = '%d PRINT "%s"\r\n' % (number, text)
        lines.append(line)
        size += len(line)
        number += 10
    return "".join(lines)


def make_recordings(build, folder):
    names = []
    for n in range(RECORDINGS):
        base = os.path.join(folder, "tape%d" % n)
        with open(base + ".bas", "w", newline="") as out:
            out.write(listing(n))
        # qirvex ends an encode with status 1.
        subprocess.run([os.path.join(build, "qirvex"), base + ".bas", base + ".kcs.wav"],
                       check=False, capture_output=True)
        subprocess.run(["sox", "-q", "-v", "0.8", base + ".kcs.wav", "-r", "44100", "-b", "16",
                        "-c", "2", base + ".wav"], check=True)
        names.append(base + ".wav")
    return names


def timed(commands):
    """Wall time and the children's processor time (user plus system) of running the commands
    one after another."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    for command in commands:
        subprocess.run(command, check=True, capture_output=True)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    rescue = os.path.join(build, "qirvex-rescue")
    with tempfile.TemporaryDirectory() as folder:
        names = make_recordings(build, folder)
        alone = [[rescue, "-q", "-f", name] for name in names]
        batch = [[rescue, "-q", "-f", "--batch"] + names]
        print("cores: %d; load average before: %.2f %.2f %.2f" % ((os.cpu_count(),)
                                                                  + os.getloadavg()))
        times = {"alone": [], "batch": []}
        for _ in range(rounds):
            times["alone"].append(timed(alone))
            times["batch"].append(timed(batch))
        print("load average after: %.2f %.2f %.2f" % os.getloadavg())
        for kind, runs in times.items():
            print("%-6s wall %.2f s (median of %d: %s), processor %.2f s" % (
                kind, statistics.median(w for w, _ in runs), rounds,
                " ".join("%.2f" % w for w, _ in runs), statistics.median(c for _, c in runs)))
        speedup = (statistics.median(w for w, _ in times["alone"]) /
                   statistics.median(w for w, _ in times["batch"]))
        print("speed-up of the batch: %.2f times" % speedup)


if __name__ == "__main__":
    main()
