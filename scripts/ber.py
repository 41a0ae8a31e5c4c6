#!/usr/bin/python3
"""Measures qirvex-rescue's bit error rate in white Gaussian noise against the physical limit of
binary FSK, and minimodem's beside it.

Random bytes are encoded by qirvex as sine tones (-U), 8N2, at 300 and at 600 baud, at 21600
samples per second. White Gaussian noise is added at Eb/N0 from 4 to 14 dB. With P the mean
power of the clean samples, Ns = rate / baud samples per bit and sigma^2 the noise variance per
sample, the energy per bit is Eb = P Ns and the noise density of real samples N0 = 2 sigma^2, so

    sigma^2 = P Ns / (2 Eb/N0).

Each decode is aligned with the data (a longest-matching-blocks alignment). A data bit is in
error when the aligned byte differs in it; a byte lost or added counts 4 of its 8 data bits in
error, the mean for random data. Where the clock slipped (bytes lost or added), the stretch read
wrong around it is a slip, as long as the most words sent or read in it: one word lost alone is
a slip of 1, a wrong word beside it makes 2. The table gives the longest over the seeds. The bit error rate is those errors over the data bits sent; the
clock is recovered from the noisy signal, never given. Beside it, the bounds for orthogonal
binary FSK, which KCS is (the tones are one baud apart at 1200 Hz and 2400 Hz over whole bits):
non-coherent detection Pb = 0.5 exp(-Eb/(2 N0)), coherent 0.5 erfc(sqrt(Eb/(2 N0))).

The bit error rate of one noise realisation varies widely (at 300 baud and 11 dB, three seeds gave
1.4e-3, 2.0e-3 and 7.2e-3), so every point is measured with several seeds (--seeds, default 5,
from --seed) and the table gives the worst and the mean of them.

Writes a table, and the curves to docs/ber.png (with --plot). Needs numpy (and matplotlib for the
plot): Debian's python3-numpy and python3-matplotlib, for /usr/bin/python3.

Usage: ber.py [--bytes N] [--seeds N] [--seed S] [--without-minimodem] [--plot FILE]
              [path/to/build]
"""

import argparse
import difflib
import math
import shutil
import struct
import subprocess
import sys
import tempfile
import wave
from pathlib import Path
from typing import NamedTuple, Optional

import numpy

ROOT = Path(__file__).resolve().parent.parent
RATE_HZ = 21600
BAUDS = (300, 600)
EBN0_DB = range(4, 15)
MINIMODEM_RX = ["minimodem", "--rx", "-q", "-M", "2400", "-S", "1200", "--stopbits", "2", "-l",
                "inf"]


def noncoherent(ebn0):
    return 0.5 * math.exp(-ebn0 / 2)


def coherent(ebn0):
    return 0.5 * math.erfc(math.sqrt(ebn0 / 2))


def encode(qirvex, data, baud, work):
    source = work / "data.bin"
    source.write_bytes(data)
    target = work / "clean.wav"
    rate = "-R1" if baud == 600 else "-R0"
    subprocess.run([str(qirvex), "-F", "-U", rate, str(source), str(target)],
                   capture_output=True, check=False)
    with wave.open(str(target), "rb") as reader:
        samples = numpy.frombuffer(reader.readframes(reader.getnframes()), dtype=numpy.uint8)
    return samples.astype(numpy.float64) - 128.0


def noisy_file(clean, baud, ebn0_db, seed, path):
    """Writes the clean samples plus noise at Eb/N0 as a 32-bit float WAV: no clipping and no
    quantisation, whatever the noise."""
    power = float(numpy.mean(clean ** 2))
    sigma = math.sqrt(power * (RATE_HZ / baud) / (2 * 10 ** (ebn0_db / 10)))
    noise = numpy.random.default_rng(seed).normal(0.0, sigma, clean.size)
    # The encoder's full scale is 128; 24 dB below it the noise at 4 dB Eb/N0 stays within full
    # scale, which the decoders clamp to, by five standard deviations.
    samples = ((clean + noise) / (128.0 * 16)).astype("<f4").tobytes()
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(samples), b"WAVE", b"fmt ", 16,
                         3, 1, RATE_HZ, 4 * RATE_HZ, 4, 32, b"data", len(samples))
    path.write_bytes(header + samples)


class Errors(NamedTuple):
    """One decode against the data sent."""
    bits: int          # data bits in error
    longest_slip: int  # words in the longest stretch read wrong that also lost or added words


def errors_of(sent, got):
    """Data bits in error after aligning `got` with `sent`, and the longest slip: a stretch of
    words where the clock lost step, as long as the most words sent or read in it."""
    bits, longest_slip = 0, 0
    matcher = difflib.SequenceMatcher(None, sent, got, autojunk=False)
    for tag, i1, i2, j1, j2 in matcher.get_opcodes():
        if tag == "equal":
            continue
        pairs = min(i2 - i1, j2 - j1)
        for k in range(pairs):
            bits += bin(sent[i1 + k] ^ got[j1 + k]).count("1")
        bits += 4 * abs((i2 - i1) - (j2 - j1))
        if i2 - i1 != j2 - j1:
            longest_slip = max(longest_slip, i2 - i1, j2 - j1)
    return Errors(bits, longest_slip)


def decode_rescue(rescue, path, baud, work):
    out = work / "rescue.out"
    subprocess.run([str(rescue), "-f", "-q", "-b", str(baud), str(path), str(out)],
                   capture_output=True, check=False)
    return out.read_bytes() if out.exists() else b""


def decode_minimodem(path, baud):
    return subprocess.run(MINIMODEM_RX + ["-f", str(path), str(baud)], capture_output=True,
                          check=False).stdout


class Point(NamedTuple):
    """One Eb/N0 at one baud rate, over every noise seed: bit error rates."""
    baud: int
    ebn0_db: int
    worst: float              # qirvex-rescue's highest rate over the seeds
    mean: float               # its mean over the seeds
    longest_slip: int         # its longest slip over the seeds, in words
    minimodem: Optional[float]  # minimodem's mean, None when it is not installed


def noise_seed(seed, index, baud, ebn0_db):
    """The seed of one noise realisation: each point and each of its seeds draws its own."""
    return [seed, index, baud, ebn0_db]


def measure_point(build, data, clean, baud, ebn0_db, options, work):
    """qirvex-rescue's bit error rates at one point, one per noise seed, and minimodem's mean."""
    bits = 8 * len(data)
    ours, slips, theirs = [], [], []
    path = work / "noisy.wav"
    for index in range(options.seeds):
        noisy_file(clean, baud, ebn0_db, noise_seed(options.seed, index, baud, ebn0_db), path)
        errors = errors_of(data, decode_rescue(build / "qirvex-rescue", path, baud, work))
        ours.append(errors.bits / bits)
        slips.append(errors.longest_slip)
        if options.with_minimodem:
            theirs.append(errors_of(data, decode_minimodem(path, baud)).bits / bits)
    return Point(baud, ebn0_db, max(ours), sum(ours) / len(ours), max(slips),
                 sum(theirs) / len(theirs) if theirs else None)


def measure(build, options):
    points = []
    data = bytes(numpy.random.default_rng(1977).integers(0, 256, options.bytes,
                                                          dtype=numpy.uint8))
    work = Path(tempfile.mkdtemp(prefix="qirvex-ber-"))
    try:
        for baud in BAUDS:
            clean = encode(build / "qirvex", data, baud, work)
            for ebn0_db in EBN0_DB:
                point = measure_point(build, data, clean, baud, ebn0_db, options, work)
                ebn0 = 10 ** (ebn0_db / 10)
                print("| %d | %d | %.2e | %.2e | %d | %s | %.2e | %.2e |" % (
                    baud, ebn0_db, point.worst, point.mean, point.longest_slip,
                    "n/a" if point.minimodem is None else "%.2e" % point.minimodem,
                    noncoherent(ebn0), coherent(ebn0)), flush=True)
                points.append(point)
    finally:
        shutil.rmtree(work)
    return points


def needed_ebn0(measured, target, bits):
    """The Eb/N0 in dB at which a curve, (Eb/N0 dB, BER) pairs in rising order, reaches BER
    `target`, interpolating log BER between the measured points; a point without errors counts
    as half an error in `bits`. None when the measurements do not reach it."""
    measured = [(e, max(b, 0.5 / bits)) for e, b in measured]
    for (e1, b1), (e2, b2) in zip(measured, measured[1:]):
        if b1 >= target >= b2 and b1 > b2:
            return e1 + (math.log10(b1) - math.log10(target)) / (
                math.log10(b1) - math.log10(b2)) * (e2 - e1)
    return None


def bound_ebn0(bound, target):
    """The Eb/N0 in dB at which a bound reaches BER `target`, by bisection."""
    low, high = 0.0, 20.0
    for _ in range(60):
        middle = (low + high) / 2
        low, high = (middle, high) if bound(10 ** (middle / 10)) > target else (low, middle)
    return low


def plot(points, path):
    import matplotlib
    matplotlib.use("Agg")
    from matplotlib import pyplot
    figure, axes = pyplot.subplots(figsize=(7, 5))
    fine = numpy.linspace(EBN0_DB[0], EBN0_DB[-1], 100)
    axes.semilogy(fine, [noncoherent(10 ** (e / 10)) for e in fine], "k-",
                  label="non-coherent FSK bound")
    axes.semilogy(fine, [coherent(10 ** (e / 10)) for e in fine], "k--",
                  label="coherent FSK bound")
    for baud, style in zip(BAUDS, ("o", "s")):
        at = [p for p in points if p.baud == baud]
        for field, colour, line, label in (("worst", "C3", "--", "worst seed"),
                                           ("mean", "C0", "-", "mean of the seeds")):
            curve = [(p.ebn0_db, getattr(p, field)) for p in at if getattr(p, field) > 0]
            axes.semilogy(*zip(*curve), colour + style + line,
                          label="qirvex-rescue, %d baud, %s" % (baud, label))
        theirs = [(p.ebn0_db, p.minimodem) for p in at if p.minimodem]
        if theirs:
            axes.semilogy(*zip(*theirs), "C1" + style + ":",
                          label="minimodem, %d baud, mean" % baud)
    axes.set_xlabel("Eb/N0 (dB)")
    axes.set_ylabel("bit error rate")
    axes.set_ylim(1e-6, 0.5)
    axes.grid(True, which="both", alpha=0.3)
    axes.legend()
    figure.savefig(path, dpi=100, bbox_inches="tight")


def summarise(points, bits):
    """The Eb/N0 at BER 1e-3 and 1e-4 of the worst seed and of the mean, and their distance
    from the bounds."""
    for baud in BAUDS:
        for target in (1e-3, 1e-4):
            for field in ("worst", "mean"):
                curve = [(p.ebn0_db, getattr(p, field)) for p in points if p.baud == baud]
                ours = needed_ebn0(curve, target, bits)
                if ours is None:
                    print("%d baud, BER %.0e, %s: not reached" % (baud, target, field))
                    continue
                print("%d baud, BER %.0e, %s: at %.2f dB Eb/N0, %.2f dB from the non-coherent "
                      "bound and %.2f dB from the coherent one" % (
                          baud, target, field, ours, ours - bound_ebn0(noncoherent, target),
                          ours - bound_ebn0(coherent, target)))


def main():
    parser = argparse.ArgumentParser(description="Bit error rate against Eb/N0.")
    parser.add_argument("build", nargs="?", default=str(ROOT / "build"))
    parser.add_argument("--bytes", type=int, default=25000,
                        help="random bytes per point and seed (25000: 200000 data bits)")
    parser.add_argument("--seeds", type=int, default=5,
                        help="noise realisations per point (default 5, at least 1)")
    parser.add_argument("--seed", type=int, default=0,
                        help="drawn into every noise seed (default 0); another value draws other noise")
    parser.add_argument("--without-minimodem", action="store_true",
                        help="measure qirvex-rescue alone (minimodem takes most of the time)")
    parser.add_argument("--plot", help="write the curves to this PNG file")
    options = parser.parse_args()
    if options.seeds < 1:
        parser.error("--seeds must be at least 1")
    options.with_minimodem = shutil.which("minimodem") is not None and \
        not options.without_minimodem
    print("Per point: %d bytes, %d noise seeds from seed %d." % (options.bytes, options.seeds,
                                                                 options.seed))
    print("| baud | Eb/N0 dB | rescue, worst seed | rescue, mean | rescue, longest slip (words) | "
          "minimodem, mean | non-coherent | coherent |")
    print("|---|---|---|---|---|---|---|---|")
    points = measure(Path(options.build), options)
    summarise(points, 8 * options.bytes)
    if options.plot:
        plot(points, options.plot)


if __name__ == "__main__":
    sys.exit(main())
