#!/usr/bin/env python3
"""Merging captures, measured: one recording made by qirvex (a BASIC listing and random bytes,
1212 bytes in all) at 300 and 600 baud, damaged twice in the same way but independently (white
noise from different seeds, dropouts at different places), and decoded by qirvex-rescue from each
copy alone and from both with --merge; then the two copies as the channels of one stereo file,
alone with -c 1 and -c 2 and together with --merge-channels. For each: the bytes right (the
longest common subsequence with the data, so lost, changed and extra bytes all count) and whether
the decode is exact; and beside them the bytes that either copy read right, the most a merge can
give (placed by difflib's matching blocks). Every copy is made from a fixed seed, so every run
makes the same files.

Usage: merge_table.py BUILD_FOLDER   (needs sox; takes about two minutes on two cores)
"""

import argparse
import array
import difflib
import math
import random
import sys
import tempfile
import time
import wave
from pathlib import Path

from degrade import clean_at_44100, dip_envelope, run, write_mono16
from robustness import common_length

BAUDS = (300, 600)
# The signal is taken 20 dB below full scale before noise is added, as degrade.py does, so that
# even at -9 dB SNR the sum seldom clips.
SIGNAL_SCALE = 0.1


def data():
    """The tape: a listing with CR LF line ends, then random bytes."""
    generator = random.Random(1978)
    listing = b"".join(b'%d FOR I=%d TO %d STEP 2:PRINT "ROW";I*%d:NEXT I\r\n' % (n * 10, n, n * 9, n)
                       for n in range(1, 16))
    return listing + bytes(generator.getrandbits(8) for _ in range(1212 - len(listing)))


def noise(snr_db):
    """White Gaussian noise snr_db below the signal."""
    def shape(samples, rate, seed):
        generator = random.Random(seed)
        power = sum(s * s for s in samples) / len(samples)
        sigma = math.sqrt(power) / 10 ** (snr_db / 20)
        return [s + generator.gauss(0, sigma) for s in samples]
    return shape


def dropouts(depth_db, hiss_db):
    """Dropouts as degrade.py makes them (5 to 50 ms, one every 0.3 to 1.5 s), each copy's at
    other places, under white hiss hiss_db below the signal."""
    def shape(samples, rate, seed):
        gains = dip_envelope(len(samples), rate, depth_db, seed)
        return noise(hiss_db)([s * g for s, g in zip(samples, gains)], rate, seed + 7)
    return shape


def silences(seconds, every_seconds):
    """Half-second silences, one every every_seconds, each copy's starting at another place."""
    def shape(samples, rate, seed):
        out = list(samples)
        start = random.Random(seed).uniform(0, every_seconds)
        while start * rate < len(out):
            begin = int(start * rate)
            out[begin:begin + int(seconds * rate)] = [0.0] * min(int(seconds * rate),
                                                                  len(out) - begin)
            start += every_seconds
        return out
    return shape


# Each condition: its name and the damage, shape(samples, rate, seed), applied to each copy
# with its own seed.
CONDITIONS = [("white noise, SNR %d dB" % snr, noise(snr)) for snr in (-3, -5, -6, -7, -8)] + [
    ("dropouts 30 dB under hiss 24 dB", dropouts(30, 24)),
    ("dropouts 40 dB under hiss 18 dB", dropouts(40, 18)),
    ("silent 0.5 s every 4 s", silences(0.5, 4)),
    ("silent 0.5 s every 4 s, SNR -5 dB", lambda s, r, seed: noise(-5)(
        silences(0.5, 4)(s, r, seed), r, seed + 1)),
]
# The conditions measured again with the copies as the channels of one stereo file.
STEREO = ["white noise, SNR -6 dB", "dropouts 40 dB under hiss 18 dB", "silent 0.5 s every 4 s"]


def to_int16(samples):
    return array.array("h", (max(-32768, min(32767, int(round(s * 32768)))) for s in samples))


def write_stereo16(target, rate, left, right):
    frames = array.array("h", [0] * (2 * len(left)))
    frames[0::2] = left
    frames[1::2] = right
    with wave.open(str(target), "wb") as writer:
        writer.setnchannels(2)
        writer.setsampwidth(2)
        writer.setframerate(rate)
        writer.writeframes(frames.tobytes())


class Cell:
    def __init__(self, expected, got, seconds):
        self.right = common_length(expected, got)
        self.exact = expected == got
        self.seconds = seconds
        matcher = difflib.SequenceMatcher(None, expected, got, autojunk=False)
        self.places = {block.a + k for block in matcher.get_matching_blocks()
                       for k in range(block.size)}

    def __str__(self):
        return "%d %s" % (self.right, "yes" if self.exact else "no")


def decode(build, work, arguments, expected):
    target = work / "out.txt"
    target.unlink(missing_ok=True)
    started = time.perf_counter()
    run([str(build / "qirvex-rescue"), "-q", "-f"] + arguments + [str(target)])
    seconds = time.perf_counter() - started
    return Cell(expected, target.read_bytes() if target.exists() else b"", seconds)


def copies(work, clean, shape, seed):
    """The two damaged copies of the clean samples, as 16-bit samples."""
    samples, rate = clean
    quiet = [s / 32768.0 * SIGNAL_SCALE for s in samples]
    return rate, [to_int16(shape(quiet, rate, seed + copy)) for copy in (1, 2)]


def measure(build, work, clean, expected, baud, name, shape, seed, is_stereo):
    rate, (a, b) = copies(work, clean, shape, seed)
    rate_option = ["-b", str(baud)]
    if is_stereo:
        write_stereo16(work / "stereo.wav", rate, a, b)
        stereo = str(work / "stereo.wav")
        return [decode(build, work, rate_option + ["-c", "1", stereo], expected),
                decode(build, work, rate_option + ["-c", "2", stereo], expected),
                decode(build, work, rate_option + ["--merge-channels", stereo], expected)]
    write_mono16(work / "a.wav", rate, a)
    write_mono16(work / "b.wav", rate, b)
    return [decode(build, work, rate_option + [str(work / "a.wav")], expected),
            decode(build, work, rate_option + [str(work / "b.wav")], expected),
            decode(build, work, rate_option + ["--merge=%s" % (work / "b.wav"),
                                               str(work / "a.wav")], expected)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    build = Path(parser.parse_args().build).resolve()
    expected = data()
    rows = [(name, shape, False) for name, shape in CONDITIONS] + \
           [(name, shape, True) for name, shape in CONDITIONS if name in STEREO]
    print("%d bytes a copy. Cells: bytes right, and whether the decode is exact; either: the "
          "bytes one copy or the other read right." % len(expected))
    print()
    print("| condition | baud | A alone | B alone | either | merged |")
    print("|---|---|---|---|---|---|")
    worse = []
    single_seconds = merged_seconds = 0.0
    with tempfile.TemporaryDirectory() as folder:
        work = Path(folder)
        for baud in BAUDS:
            (work / "tape.txt").write_bytes(expected)
            run([str(build / "qirvex"), "-F", "-R1" if baud == 600 else "-R0",
                 str(work / "tape.txt"), str(work / "sent.wav")])
            clean = clean_at_44100(work / "sent.wav", work)
            for number, (name, shape, is_stereo) in enumerate(rows):
                a, b, merged = measure(build, work, clean, expected, baud, name, shape,
                                       1000 * number + baud, is_stereo)
                label = ("stereo, each channel a copy: " if is_stereo else "") + name
                either = len(a.places | b.places)
                print("| %s | %d | %s | %s | %d | %s |" % (label, baud, a, b, either, merged),
                      flush=True)
                if merged.right < max(a.right, b.right):
                    worse.append("%s at %d baud" % (label, baud))
                single_seconds += a.seconds + b.seconds
                merged_seconds += merged.seconds
    print()
    print("Merged worse than the better copy alone: %s" % (", ".join(worse) or "none"))
    print("Time: %.1f s for the single decodes, %.1f s for the merged ones" %
          (single_seconds, merged_seconds))


if __name__ == "__main__":
    main()
