#!/usr/bin/env python3
"""Proves that a change left the programs' behaviour alone: runs two builds side by side on the
same inputs and lists every difference.

Each build folder holds a qirvex and a qirvex-rescue. The inputs are the recordings of the
robustness matrix (both sources, both baud rates, every condition of degrade.py), which both
decoders read (qirvex a FLAC, Ogg or MP3 recording under a .wav name, as the robustness matrix
shows it), and the corpus encoded under a set of option families. For qirvex the target
bytes, standard output, standard error and exit status must match; for qirvex-rescue the target
bytes, the exit status and its verbose report (--verbose --report), or with --rescue-counts only
the bytes, the status and the word and suspect counts, for changes that reword its messages.
A build whose qirvex-rescue reads only PCM WAV files differs on the FLAC, Ogg, MP3 and u-law
rows.

Usage: compare_builds.py [--rescue-counts] [--source qirvex|minimodem|both] OLD_BUILD NEW_BUILD
(needs sox, minimodem, oggenc and lame; takes a few minutes)
"""

import argparse
import re
import shutil
import sys
import tempfile
from pathlib import Path

from degrade import conditions, run, wav_named
from robustness import corpus, send_corpus

# Option families of the encoder, each checked on every corpus file.
ENCODE_OPTIONS = [[], ["-R1"], ["-B"], ["-E", "-D"], ["-O", "-S"], ["-U", "-Q"], ["-W5", "-P30"],
                  ["-L100", "-T50"], ["-B", "-N3", "-R1"]]


class Builds:
    def __init__(self, old, new, work, rescue_counts):
        self.folders = (old, new)
        self.work = work
        self.rescue_counts = rescue_counts
        self.compared = 0
        self.differences = []

    def outcome(self, folder, program, arguments, target):
        """Target bytes, status and console of one run, with the target named the same for both
        builds so that messages naming it agree."""
        target.unlink(missing_ok=True)
        result = run([str(folder / program)] + arguments)
        data = target.read_bytes() if target.exists() else None
        return data, result.returncode, result.stdout, result.stderr

    def compare(self, label, program, arguments, target, summarise=None):
        old, new = (self.outcome(folder, program, arguments, target) for folder in self.folders)
        if summarise is not None:
            old, new = summarise(old), summarise(new)
        self.compared += 1
        if old != new:
            fields = ("bytes", "status", "stdout", "stderr")
            changed = [name for name, a, b in zip(fields, old, new) if a != b]
            self.differences.append("%s: %s differ" % (label, ", ".join(changed)))

    def decoders(self, label, recording, baud):
        out = self.work / "out.txt"
        rate = "-R1" if baud == 600 else "-R0"
        as_wav = str(wav_named(recording))
        self.compare(label + ", qirvex", "qirvex", ["-F", rate, as_wav, str(out)], out)
        self.compare(label + ", qirvex -X", "qirvex", ["-F", "-X", rate, as_wav, str(out)], out)
        summarise = rescue_counts if self.rescue_counts else None
        self.compare(label + ", rescue", "qirvex-rescue",
                     ["-f", "-v", "-r", "-b", str(baud), str(recording), str(out)], out,
                     summarise)


def rescue_counts(outcome):
    data, status, _, stderr = outcome
    counts = re.search(rb"(\d+) words, (\d+) suspect", stderr)
    return data, status, counts.groups() if counts else None, None


def compare_decodes(builds, source):
    sent = send_corpus(Sender(builds.folders[0], builds.work), source)
    for condition in conditions():
        for name, _, baud, wav in sent:
            recording = builds.work / ("recording" + condition.suffix)
            condition.make(wav, recording, builds.work)
            builds.decoders("%s audio, %s, %s at %d baud" % (source, condition.name, name, baud),
                            recording, baud)
        print("  %s: %d runs compared, %d differ" % (condition.name, builds.compared,
                                                     len(builds.differences)), flush=True)


def compare_encodes(builds):
    for name, data in corpus():
        data_path = builds.work / name
        data_path.write_bytes(data)
        for flags in ENCODE_OPTIONS:
            out = builds.work / "encoded.wav"
            builds.compare("encode %s %s" % (name, " ".join(flags)), "qirvex",
                           ["-F"] + flags + [str(data_path), str(out)], out)


class Sender:
    """What robustness.send_corpus needs to know: the qirvex that sends, and where."""
    def __init__(self, folder, work):
        self.qirvex = folder / "qirvex"
        self.work = work


def main():
    parser = argparse.ArgumentParser(description="Compare two builds of qirvex and "
                                     "qirvex-rescue on the robustness recordings.")
    parser.add_argument("--rescue-counts", action="store_true",
                        help="compare qirvex-rescue's counts, not its whole report")
    parser.add_argument("--source", choices=("qirvex", "minimodem", "both"), default="both")
    parser.add_argument("old", type=Path)
    parser.add_argument("new", type=Path)
    arguments = parser.parse_args()
    work = Path(tempfile.mkdtemp(prefix="qirvex-compare-"))
    try:
        builds = Builds(arguments.old.resolve(), arguments.new.resolve(), work,
                        arguments.rescue_counts)
        compare_encodes(builds)
        print("encodes: %d runs compared, %d differ" % (builds.compared, len(builds.differences)))
        sources = ("qirvex", "minimodem") if arguments.source == "both" else (arguments.source,)
        for source in sources:
            print("%s audio:" % source)
            compare_decodes(builds, source)
    finally:
        shutil.rmtree(work)
    for difference in builds.differences:
        print(difference)
    print("%d runs compared, %d differ." % (builds.compared, len(builds.differences)))
    sys.exit(1 if builds.differences else 0)


if __name__ == "__main__":
    main()
