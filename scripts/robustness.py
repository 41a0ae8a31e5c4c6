#!/usr/bin/env python3
"""Measures how the two decoders, qirvex and qirvex-rescue, hold up against the 73 conditions of
degrade.py, next to minimodem as an independent FSK receiver.

A fixed corpus is sent at 300 and at 600 baud, by qirvex (its own audio) or by minimodem's
transmitter (--source). Every condition turns each clean recording into a degraded one, which
qirvex, minimodem and qirvex-rescue decode. Per condition and baud rate the table gives the number
of files decoded exactly and the aligned byte accuracy: the length of the longest common
subsequence of input and output, divided by the longer of the two, so that lost, changed and
extra bytes all count against it. qirvex is run as a user would run it on a file of unknown
layout: on its first channel, and on a FLAC, Ogg or MP3 recording under a .wav name (any other
name it would encode as data). A decoder that refuses every file of a cell shows "refused".

For each condition that qirvex does not decode exactly on its own audio, a set of preparations
with sox is tried, each on its own, and a last table says which rescue it.

A second table per source holds the capture chains of degrade.py (treble rolled off, the tones
delayed differently, DC offset and steps, leaders of NUL words), with and without hiss, decoded
by minimodem and qirvex-rescue at 300, 600 and, on minimodem's audio, 1200 baud.

Usage: robustness.py [--source qirvex|minimodem|both] [--rows all|chains] [path/to/qirvex]
       (default: both sources, all rows, build/qirvex; qirvex-rescue is taken from the same
        folder; needs sox, minimodem, oggenc and lame)
"""

import argparse
import datetime
import random
import re
import shutil
import sys
import tempfile
from pathlib import Path

from degrade import capture_chains, conditions, run, wav_named

ROOT = Path(__file__).resolve().parent.parent
BAUDS = (300, 600)
MARK_HZ = 2400
DECODERS = ("qirvex", "minimodem", "rescue")
# minimodem's most accurate setting: without a limit on its search for the best bit timing.
# Measured on these 49 conditions, its defaults decoded 35 of them exactly at 300 baud, -l inf
# 44 or 45; adding -c 1.0 or -b 150 made it faster but no more accurate.
MINIMODEM_RX = ["minimodem", "--rx", "-q", "-M", "2400", "-S", "1200", "--stopbits", "2", "-l",
                "inf"]
# The goals for qirvex-rescue: conditions decoded exactly, of 73, per baud rate: the goals of 46
# and 45 that were set on the first 49 conditions, plus the four rows of audio files (FLAC, Ogg
# Vorbis, MP3, u-law), which a decoder that reads them all is expected to decode exactly, plus
# the 17 rows of real tapes' faults where the signal stays at least 6 dB above the noise: all
# but dropouts into hiss (20 and 30 dB under a signal 24 dB above it) and the speech codec.
EXACT_GOALS = {300: 46 + 4 + 17, 600: 45 + 4 + 17}
NOISE_GOAL = ("white noise, SNR -6 dB", 300, 94.0)


def corpus():
    """The files every condition is measured on: name and bytes."""
    listing = b"".join(b'%d PRINT "LINE %d";I*%d\r\n' % (n * 10, n, n) for n in range(1, 13))
    generator = random.Random(1977)
    noise = bytes(generator.getrandbits(8) for _ in range(256))
    return [
        ("squares.bas", (ROOT / "examples" / "squares.bas").read_bytes()),
        ("listing", listing),
        ("random", noise),
    ]


def send(tools, source, data_path, baud, target, has_leader=True):
    """Writes the clean recording of a file: qirvex's 8N2 audio, or minimodem's with 2 stop bits
    (its words may have idle mark between them, which 8N2 receivers take in their stride).
    Without a leader qirvex writes no mark before the first word; minimodem always writes its
    own lead-in and trailer of mark, four bit periods together."""
    if source == "minimodem":
        with open(data_path, "rb") as data:
            result = run(["minimodem", "--tx", "-q", "-M", "2400", "-S", "1200", "--stopbits",
                          "2", "-f", str(target), str(baud)], stdin=data)
        return result.returncode == 0
    rate = "-R1" if baud == 600 else "-R0"
    leader = [] if has_leader else ["-L0"]
    return run([str(tools.qirvex), "-F", rate] + leader +
               [str(data_path), str(target)]).returncode == 1


def common_length(a, b):
    """Length of the longest common subsequence of two byte strings."""
    previous = [0] * (len(b) + 1)
    for x in a:
        current = [0]
        for j, y in enumerate(b):
            current.append(previous[j] + 1 if x == y else max(previous[j + 1], current[j]))
        previous = current
    return previous[-1]


class Tally:
    def __init__(self):
        self.exact = 0
        self.files = 0
        self.matched = 0
        self.length = 0
        self.refused = 0

    def add(self, expected, got):
        self.files += 1
        if got is None:
            self.refused += 1
            got = b""
        self.exact += expected == got
        self.matched += common_length(expected, got)
        self.length += max(len(expected), len(got))

    def accuracy(self):
        return 100.0 * self.matched / self.length if self.length else 0.0

    def is_exact(self):
        return self.exact == self.files

    def cell(self):
        if self.refused == self.files:
            return "refused"
        return "%d/%d %.1f %%" % (self.exact, self.files, self.accuracy())


class Tools:
    def __init__(self, qirvex, work):
        self.qirvex = qirvex
        self.rescue = qirvex.parent / "qirvex-rescue"
        self.work = work
        # Recordings that qirvex-rescue called clean (status 0) but did not decode exactly.
        self.false_clean = []

    def qirvex_decode(self, recording, baud):
        """The bytes qirvex decodes, or None when it refuses the file (status 0: a header that
        is not its canonical WAV one), and what it reported."""
        out = self.work / "qirvex.out"
        out.unlink(missing_ok=True)
        rate = "-R1" if baud == 600 else "-R0"
        result = run([str(self.qirvex), "-F", rate, str(wav_named(recording)), str(out)])
        if result.returncode == 0:
            return None, ""
        got = out.read_bytes() if out.exists() else b""
        return got, result.stderr.decode(errors="replace")

    def minimodem_decode(self, recording, baud):
        """The bytes minimodem decodes, or None when it refuses the file (it reads only mono)."""
        result = run(MINIMODEM_RX + ["-f", str(recording), str(baud)])
        return result.stdout if result.returncode == 0 else None

    def rescue_decode(self, recording, baud, expected, label):
        """The bytes qirvex-rescue decodes, or None when it refuses the file."""
        out = self.work / "rescue.out"
        out.unlink(missing_ok=True)
        result = run([str(self.rescue), "-f", "-b", str(baud), str(recording), str(out)])
        if result.returncode == 2 or not out.exists():
            return None
        got = out.read_bytes()
        if result.returncode == 0 and got != expected:
            self.false_clean.append(label)
        return got


def measured_frequency(report):
    found = re.search(r"Input frequency: ([0-9.]+)Hz", report)
    return float(found.group(1)) if found else None


# The preparation that the troubleshooting guide recommends first: one channel of mono, a level
# with headroom for the filter, a low-pass that rounds the square wave, and a rate well above the
# tones, where the decoder's limits have the most samples to work with.
RECIPE = ["remix", "-", "gain", "-n", "-6", "lowpass", "3000", "rate", "48000"]


def preparations():
    """Preparations tried on a recording that qirvex does not decode exactly: name and the
    sox effects, or None for the speed correction, which needs the measured frequency."""
    return [
        ("right channel: `remix 2`", ["remix", "2"]),
        ("invert: `vol -1`", ["vol", "-1"]),
        ("48 kHz: `rate 48000`", ["rate", "48000"]),
        ("normalise: `gain -n -3`", ["gain", "-n", "-3"]),
        ("band-pass: `sinc 600-4000`", ["sinc", "600-4000"]),
        ("low-pass: `lowpass 3000`", ["lowpass", "3000"]),
        ("speed: `speed 2400/FREQ`", None),
        ("recipe", RECIPE),
        ("recipe, then `vol -1`", RECIPE + ["vol", "-1"]),
    ]


def try_preparation(tools, recording, baud, chain, report):
    """The bytes qirvex decodes after one preparation, or None when it cannot be applied."""
    if chain is None:
        frequency = measured_frequency(report)
        if not frequency:
            return None
        chain = ["speed", "%.4f" % (MARK_HZ / frequency)]
    prepared = tools.work / "prepared.wav"
    # As a user would run it, with dither, but repeatable.
    result = run(["sox", "-R", str(recording), "-b", "16", str(prepared)] + chain)
    if result.returncode != 0:
        return None
    # A prepared file that qirvex still refuses is one the preparation did not make exact.
    return tools.qirvex_decode(prepared, baud)[0] or b""


def prepare_all(tools, data, baud, recording, report):
    """For one recording that qirvex did not decode exactly: for each preparation, True when it
    makes the decode exact, False when not, None when it cannot be applied."""
    outcomes = []
    for _, chain in preparations():
        got = try_preparation(tools, recording, baud, chain, report)
        outcomes.append(None if got is None else got == data)
    return outcomes


def send_corpus(tools, source):
    """The clean recordings: (name, data, baud, path) for each file and baud rate."""
    sent = []
    for name, data in corpus():
        data_path = tools.work / name
        data_path.write_bytes(data)
        for baud in BAUDS:
            wav = tools.work / ("%s-%s-%d.wav" % (source, name, baud))
            if not send(tools, source, data_path, baud, wav):
                sys.exit("robustness: %s could not send %s" % (source, name))
            sent.append((name, data, baud, wav))
    return sent


def measure_condition(tools, source, sent, condition, with_preparations):
    """Tallies per baud rate and decoder, and the preparation outcomes of qirvex's failures."""
    tallies = {(baud, decoder): Tally() for baud in BAUDS for decoder in DECODERS}
    failures = []
    for name, data, baud, wav in sent:
        recording = tools.work / ("recording" + condition.suffix)
        condition.make(wav, recording, tools.work)
        got, report = tools.qirvex_decode(recording, baud)
        tallies[(baud, "qirvex")].add(data, got)
        tallies[(baud, "minimodem")].add(data, tools.minimodem_decode(recording, baud))
        label = "%s audio, %s, %s at %d baud" % (source, condition.name, name, baud)
        tallies[(baud, "rescue")].add(data, tools.rescue_decode(recording, baud, data, label))
        if with_preparations and got != data:
            failures.append(prepare_all(tools, data, baud, recording, report))
        recording.unlink()
    return tallies, failures


def measure_source(tools, source):
    sent = send_corpus(tools, source)
    rows = conditions()
    print("\n%s's own audio" % source if source == "qirvex" else "\nminimodem's audio "
          "(minimodem --tx, 48000 Hz 16-bit, 2 stop bits)")
    print("\n%d conditions; per baud rate %d files (%s); cells: files exact, aligned byte "
          "accuracy.\n" % (len(rows), len(sent) // len(BAUDS),
                          ", ".join(name for name, _ in corpus())))
    print("| Condition | " + " | ".join("%d: %s" % (baud, decoder) if decoder == "qirvex"
                                         else decoder for baud in BAUDS for decoder in DECODERS)
          + " |")
    print("|---" * (1 + len(BAUDS) * len(DECODERS)) + "|")
    results = []
    preparation_rows = []
    for condition in rows:
        tallies, failures = measure_condition(tools, source, sent, condition, source == "qirvex")
        print("| %s | %s |" % (condition.name, " | ".join(
            tallies[(baud, decoder)].cell() for baud in BAUDS for decoder in DECODERS)),
              flush=True)
        results.append((condition.name, tallies))
        if failures:
            preparation_rows.append((condition.name, failures))
    summarise(results)
    if preparation_rows:
        print_preparations(preparation_rows)


def summarise(results):
    print()
    for baud in BAUDS:
        counts = ", ".join("%s %d" % (decoder, sum(tallies[(baud, decoder)].is_exact()
                                                    for _, tallies in results))
                           for decoder in DECODERS)
        print("Conditions decoded exactly at %d baud, of %d: %s (goal for rescue: %d)."
              % (baud, len(results), counts, EXACT_GOALS[baud]))
    worse = ["%s at %d baud" % (condition, baud) for condition, tallies in results
             for baud in BAUDS if is_worse(tallies[(baud, "rescue")],
                                           tallies[(baud, "minimodem")])]
    print("Cells where rescue is worse than minimodem (fewer exact files or lower accuracy): %s."
          % ("; ".join(worse) if worse else "none"))
    condition, baud, goal = NOISE_GOAL
    for name, tallies in results:
        if name == condition:
            print("Rescue at %s, %d baud: %.1f %% aligned accuracy (goal %.0f %%)."
                  % (condition, baud, tallies[(baud, "rescue")].accuracy(), goal))


def is_worse(ours, theirs):
    if theirs.refused == theirs.files:
        return False
    return ours.exact < theirs.exact or ours.accuracy() < theirs.accuracy() - 0.05


def print_preparations(rows):
    print()
    print("Preparations with sox for the conditions qirvex does not decode exactly: files now "
          "exact, of those that were not.")
    print("The recipe is `%s`." % " ".join(RECIPE))
    print()
    names = [name for name, _ in preparations()]
    print("| Condition | " + " | ".join(names) + " |")
    print("|---" * (len(names) + 1) + "|")
    for condition, outcomes in rows:
        cells = []
        for index in range(len(names)):
            applied = [outcome[index] for outcome in outcomes if outcome[index] is not None]
            cells.append("%d/%d" % (sum(applied), len(outcomes)) if applied else "n/a")
        print("| %s | %s |" % (condition, " | ".join(cells)), flush=True)


# The capture chains are measured at 1200 baud too, the CUTS rate, which qirvex does not send:
# on minimodem's audio only. qirvex decodes neither 1200 baud nor most of these chains' files
# (it reads its own canonical header, which sox writes), so its columns are left out.
CHAIN_BAUDS = {"qirvex": (300, 600), "minimodem": (300, 600, 1200)}
CHAIN_DECODERS = ("minimodem", "rescue")
WORD_BITS = 11  # [start][d0 .. d7][stop][stop]


def nul_leader(condition, baud):
    """The NUL words a condition sends before each file: its leader's seconds at this rate."""
    return b"\0" * round(condition.nul_leader_seconds * baud / WORD_BITS)


def send_chain_file(tools, source, name, data, baud, condition):
    """The clean recording of one file for a capture chain, and the bytes it holds: the file,
    or a leader of NUL words and the file, sent without a mark leader."""
    leader = nul_leader(condition, baud)
    data_path = tools.work / ("%s.sent" % name)
    data_path.write_bytes(leader + data)
    wav = tools.work / ("chain-%s-%s-%d-%d.wav" % (source, name, baud, len(leader)))
    if not wav.exists() and not send(tools, source, data_path, baud, wav, not leader):
        sys.exit("robustness: %s could not send %s at %d baud" % (source, name, baud))
    return wav, leader + data


def measure_chain(tools, source, condition):
    """Tallies per baud rate and decoder of one capture chain."""
    tallies = {(baud, decoder): Tally() for baud in CHAIN_BAUDS[source]
               for decoder in CHAIN_DECODERS}
    for name, data in corpus():
        for baud in CHAIN_BAUDS[source]:
            wav, expected = send_chain_file(tools, source, name, data, baud, condition)
            recording = tools.work / "recording.wav"
            condition.make(wav, recording, tools.work)
            tallies[(baud, "minimodem")].add(expected, tools.minimodem_decode(recording, baud))
            label = "%s audio, %s, %s at %d baud" % (source, condition.name, name, baud)
            tallies[(baud, "rescue")].add(expected, tools.rescue_decode(recording, baud,
                                                                        expected, label))
            recording.unlink()
    return tallies


def measure_chains(tools, source):
    bauds = CHAIN_BAUDS[source]
    print("\nCapture chains, %s audio: %d files per baud rate; cells: files exact, aligned byte "
          "accuracy (a NUL leader's words count as bytes of the file).\n"
          % (source, len(corpus())))
    print("| Condition | " + " | ".join("%d: %s" % (baud, decoder) if decoder == "minimodem"
                                         else decoder for baud in bauds
                                         for decoder in CHAIN_DECODERS) + " |")
    print("|---" * (1 + len(bauds) * len(CHAIN_DECODERS)) + "|")
    exact = {baud: 0 for baud in bauds}
    rows = capture_chains()
    for condition in rows:
        tallies = measure_chain(tools, source, condition)
        print("| %s | %s |" % (condition.name, " | ".join(
            tallies[(baud, decoder)].cell() for baud in bauds for decoder in CHAIN_DECODERS)),
              flush=True)
        for baud in bauds:
            exact[baud] += tallies[(baud, "rescue")].is_exact()
    print("\nCapture chains decoded exactly by rescue, of %d: %s." % (
        len(rows), ", ".join("%d at %d baud" % (exact[baud], baud) for baud in bauds)))


def main():
    parser = argparse.ArgumentParser(description="Decode a degraded corpus with qirvex, "
                                     "minimodem and qirvex-rescue.")
    parser.add_argument("--source", choices=("qirvex", "minimodem", "both"), default="both",
                        help="the transmitter of the clean audio (default: both, one table each)")
    parser.add_argument("--rows", choices=("all", "chains"), default="all",
                        help="the conditions measured: all (default), or the capture chains only")
    parser.add_argument("qirvex", nargs="?", default=str(ROOT / "build" / "qirvex"))
    arguments = parser.parse_args()
    qirvex = Path(arguments.qirvex).resolve()
    for tool in ("sox", "soxi", "minimodem", "oggenc", "lame"):
        if not shutil.which(tool):
            sys.exit("robustness: %s is not installed" % tool)
    work = Path(tempfile.mkdtemp(prefix="qirvex-robustness-"))
    try:
        tools = Tools(qirvex, work)
        if not tools.rescue.exists():
            sys.exit("robustness: %s is missing; build it first (make)" % tools.rescue)
        print("Measured %s with %s (%s) and %s." % (
            datetime.date.today().isoformat(),
            run(["minimodem", "--version"]).stdout.decode().splitlines()[0],
            " ".join(MINIMODEM_RX[1:]),
            run(["sox", "--version"]).stdout.decode().strip().replace("sox:", "").strip()))
        sources = ("qirvex", "minimodem") if arguments.source == "both" else (arguments.source,)
        for source in sources:
            if arguments.rows == "all":
                measure_source(tools, source)
            measure_chains(tools, source)
        print("\nRecordings qirvex-rescue called clean (status 0) but did not decode exactly: %s."
              % ("; ".join(tools.false_clean) if tools.false_clean else "none"))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
