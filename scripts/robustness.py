#!/usr/bin/env python3
"""Measures how the decoder holds up against what happens to audio on its way through real
machines, sound cards and recording software, next to minimodem as an independent FSK receiver.

A fixed corpus is encoded by qirvex at 300 and at 600 baud. Every condition turns each encoded
file into a degraded recording with sox (wow and flutter are applied here, since sox has no
effect for them); the recording is decoded by qirvex and by minimodem, and the table gives per
condition the number of files decoded exactly and the aligned byte accuracy: the length of the
longest common subsequence of input and output, divided by the longer of the two, so that lost,
changed and extra bytes all count against it.

Every recording is 16-bit at 44100 samples per second, 3 dB below full scale, unless its
condition says otherwise. For each condition that qirvex does not decode exactly, a set of
preparations with sox is tried, each on its own, and the second table says which rescue it.

Usage: robustness.py [path/to/qirvex]    (default build/qirvex; needs sox and minimodem)
"""

import array
import datetime
import math
import random
import re
import shutil
import subprocess
import sys
import tempfile
import wave
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BAUDS = (300, 600)
RECORDING = ["-b", "16", "-r", "44100"]  # the sox output options of a recording
HEADROOM = ["gain", "-3"]
MARK_HZ = 2400


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


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, check=False, **kwargs)


def sox(source, target, output_options, effects):
    result = run(["sox", "-D", "-R", str(source)] + output_options + [str(target)] + effects)
    if result.returncode != 0:
        sys.exit("sox failed: " + result.stderr.decode(errors="replace"))


def rms(path):
    text = run(["sox", str(path), "-n", "stat"]).stderr.decode()
    return float(re.search(r"RMS\s+amplitude:\s+([0-9.]+)", text).group(1))


def with_noise(source, target, snr_db, work):
    """The recording with white noise added at the given signal-to-noise ratio; the signal is
    taken 10 dB below full scale, so that the sum does not clip."""
    quiet = work / "quiet.wav"
    sox(source, quiet, RECORDING, ["gain", "-10", "rate", "44100"])
    seconds = float(run(["soxi", "-D", str(quiet)]).stdout)
    noise = work / "noise.wav"
    result = run(["sox", "-R", "-n"] + RECORDING + ["-c", "1", str(noise), "synth",
                                                    str(seconds), "whitenoise", "gain", "-20"])
    if result.returncode != 0:
        sys.exit("sox failed: " + result.stderr.decode(errors="replace"))
    scale = rms(quiet) / rms(noise) / 10 ** (snr_db / 20)
    result = run(["sox", "-D", "-m", "-v", "1", str(quiet), "-v", "%.6f" % scale, str(noise),
                  str(target)])
    if result.returncode != 0:
        sys.exit("sox failed: " + result.stderr.decode(errors="replace"))


def with_wow_and_flutter(source, target, wow, flutter, work):
    """The recording played at a speed that swings by `wow` (a fraction) at 0.7 Hz and by
    `flutter` at 11 Hz, by interpolating between the samples of a clean recording."""
    clean = work / "clean.wav"
    sox(source, clean, RECORDING, HEADROOM + ["rate", "44100"])
    with wave.open(str(clean), "rb") as reader:
        rate = reader.getframerate()
        samples = array.array("h", reader.readframes(reader.getnframes()))
    out = array.array("h")
    position = 0.0
    step = 0
    while position < len(samples) - 1:
        whole = int(position)
        fraction = position - whole
        out.append(int(samples[whole] * (1 - fraction) + samples[whole + 1] * fraction))
        seconds = step / rate
        position += 1 + wow * math.sin(2 * math.pi * 0.7 * seconds) + flutter * math.sin(
            2 * math.pi * 11 * seconds)
        step += 1
    with wave.open(str(target), "wb") as writer:
        writer.setnchannels(1)
        writer.setsampwidth(2)
        writer.setframerate(rate)
        writer.writeframes(out.tobytes())


def effects(chain, output=None):
    """A condition made by one sox command: output options, then effects after the headroom."""
    return lambda source, target, work: sox(source, target, output or RECORDING,
                                            HEADROOM + chain)


def conditions():
    """Name, and how to make the recording from an encoded file."""
    rows = [("as encoded (21600 Hz, 8-bit)", lambda s, t, w: shutil.copy(s, t))]
    for rate in (16000, 44100, 48000):
        rows.append(("%d Hz, 16-bit" % rate,
                     effects(["rate", str(rate)], ["-b", "16", "-r", str(rate)])))
    for side, remix in (("left", ["1", "0"]), ("right", ["0", "1"])):
        rows.append(("stereo, signal on the %s" % side, effects(["rate", "44100", "remix"] + remix,
                                                                RECORDING + ["-c", "2"])))
    for level in (-12, -24, -30):
        rows.append(("level %d dB" % level, effects(["gain", str(level + 3), "rate", "44100"])))
    for snr in (30, 20, 15, 10, 6, 3, 0):
        rows.append(("white noise, SNR %d dB" % snr,
                     lambda s, t, w, snr=snr: with_noise(s, t, snr, w)))
    for percent in (-5, -3, -1, 1, 3, 5):
        rows.append(("speed %+d %%" % percent,
                     effects(["speed", "%.2f" % (1 + percent / 100), "rate", "44100"])))
    rows.append(("high-pass 300 Hz", effects(["highpass", "300", "rate", "44100"])))
    for khz in (5, 3, 2):
        rows.append(("low-pass %d kHz" % khz, effects(["lowpass", str(khz * 1000),
                                                       "rate", "44100"])))
    rows.append(("polarity inverted", effects(["vol", "-1", "rate", "44100"])))
    rows.append(("clipped, +12 dB", effects(["gain", "15", "rate", "44100"])))
    rows.append(("DC offset +25 %, at -6 dB", effects(["gain", "-3", "dcshift", "0.25", "rate", "44100"])))
    rows.append(("wow 0.5 % and flutter 0.2 %",
                 lambda s, t, w: with_wow_and_flutter(s, t, 0.005, 0.002, w)))
    rows.append(("wow 2 % and flutter 1 %",
                 lambda s, t, w: with_wow_and_flutter(s, t, 0.02, 0.01, w)))
    return rows


# The preparation that the troubleshooting guide recommends first: one channel of mono, a level
# with headroom for the filter, a low-pass that rounds the square wave, and a rate well above the
# tones, where the decoder's limits have the most samples to work with.
RECIPE = ["remix", "-", "gain", "-n", "-6", "lowpass", "3000", "rate", "48000"]


def rescues():
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

    def cells(self):
        if self.refused == self.files:
            return "refused", "refused"
        accuracy = 100.0 * self.matched / self.length if self.length else 0.0
        return "%d/%d" % (self.exact, self.files), "%.1f %%" % accuracy


class Decoders:
    def __init__(self, qirvex, work):
        self.qirvex = qirvex
        self.work = work

    def ours(self, recording, baud, extra=()):
        """The bytes qirvex decodes, and what it reported."""
        out = self.work / "ours.out"
        out.unlink(missing_ok=True)
        rate = "-R1" if baud == 600 else "-R0"
        result = run([str(self.qirvex), "-F", rate] + list(extra) + [str(recording), str(out)])
        got = out.read_bytes() if out.exists() else b""
        return got, result.stderr.decode(errors="replace")

    def minimodem(self, recording, baud):
        """The bytes minimodem decodes, or None when it refuses the file (it reads only mono)."""
        result = run(["minimodem", "--rx", "-q", "-M", "2400", "-S", "1200", "--stopbits", "2",
                      "-f", str(recording), str(baud)])
        return result.stdout if result.returncode == 0 else None


def measured_frequency(report):
    found = re.search(r"Input frequency: ([0-9.]+)Hz", report)
    return float(found.group(1)) if found else None


def try_rescue(decoders, recording, baud, chain, report, work):
    """The bytes qirvex decodes after one preparation, or None when it cannot be applied."""
    if chain is None:
        frequency = measured_frequency(report)
        if not frequency:
            return None
        chain = ["speed", "%.4f" % (MARK_HZ / frequency)]
    prepared = work / "prepared.wav"
    # As a user would run it, with dither, but repeatable.
    result = run(["sox", "-R", str(recording), "-b", "16", str(prepared)] + chain)
    if result.returncode != 0:
        return None
    return decoders.ours(prepared, baud)[0]


def main():
    qirvex = Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build" / "qirvex").resolve()
    for tool in ("sox", "soxi", "minimodem"):
        if not shutil.which(tool):
            sys.exit("robustness: %s is not installed" % tool)
    work = Path(tempfile.mkdtemp(prefix="qirvex-robustness-"))
    try:
        measure(qirvex, work)
    finally:
        shutil.rmtree(work)


def measure(qirvex, work):
    decoders = Decoders(qirvex, work)
    encoded = []
    for name, data in corpus():
        source = work / name
        source.write_bytes(data)
        for baud in BAUDS:
            wav = work / ("%s-%d.wav" % (name, baud))
            rate = "-R1" if baud == 600 else "-R0"
            if run([str(qirvex), "-F", rate, str(source), str(wav)]).returncode != 1:
                sys.exit("robustness: qirvex could not encode " + name)
            encoded.append((data, baud, wav))

    print("Measured %s on %d files (%s at 300 and 600 baud), %s."
          % (datetime.date.today().isoformat(), len(encoded),
             ", ".join(name for name, _ in corpus()), run(["minimodem", "--version"])
             .stdout.decode().splitlines()[0]))
    print()
    print("| Condition | qirvex exact | qirvex bytes | minimodem exact | minimodem bytes |")
    print("|---|---|---|---|---|")
    rescue_rows = []
    for condition, make in conditions():
        ours, theirs = Tally(), Tally()
        failures = []
        for data, baud, wav in encoded:
            recording = work / ("rec-" + wav.name)
            make(wav, recording, work)
            got, report = decoders.ours(recording, baud)
            ours.add(data, got)
            theirs.add(data, decoders.minimodem(recording, baud))
            if got != data:
                failures.append(rescue_one(decoders, (data, baud, recording, report), work))
            recording.unlink()
        print("| %s | %s | %s | %s | %s |" % ((condition,) + ours.cells() + theirs.cells()),
              flush=True)
        if failures:
            rescue_rows.append((condition, failures))

    if not rescue_rows:
        return
    print()
    print("Preparations with sox for the conditions qirvex does not decode exactly: files now "
          "exact, of those that were not.")
    print("The recipe is `%s`." % " ".join(RECIPE))
    print()
    names = [name for name, _ in rescues()]
    print("| Condition | " + " | ".join(names) + " |")
    print("|---" * (len(names) + 1) + "|")
    for condition, outcomes in rescue_rows:
        cells = []
        for index in range(len(names)):
            applied = [outcome[index] for outcome in outcomes if outcome[index] is not None]
            if not applied:
                cells.append("n/a")
            else:
                cells.append("%d/%d" % (sum(applied), len(outcomes)))
        print("| %s | %s |" % (condition, " | ".join(cells)), flush=True)


def rescue_one(decoders, failure, work):
    """For one recording that qirvex did not decode exactly: for each rescue, True when it
    makes the decode exact, False when not, None when it cannot be applied."""
    data, baud, recording, report = failure
    outcomes = []
    for _, chain in rescues():
        got = try_rescue(decoders, recording, baud, chain, report, work)
        outcomes.append(None if got is None else got == data)
    return outcomes


if __name__ == "__main__":
    main()
