#!/usr/bin/env python3
"""Repair from structure, measured: OSI programs (BASIC listings, 65V load texts, 65V loaders with
MOS checksum records) sent at 300 and 600 baud through the robustness matrix's damage, decoded by
qirvex-rescue with and without --mend, and counted: programs back exactly, bytes wrong, bytes
repaired, and programs that repair made worse (more bytes missing or wrong). On every condition where the plain decode is exact,
repair must change nothing.

Usage: repair_table.py [--all] [--found-rate] BUILD_FOLDER   (needs sox, oggenc and lame; --all
runs every condition of the matrix, not only the damaging ones and a few clean ones;
--found-rate also decodes each recording without -b, at the rate qirvex-rescue finds, as users
run it by default, and prints that table second)
"""

import argparse
import random
import sys
import tempfile
from pathlib import Path

from degrade import Condition, conditions, noise, run
from robustness import common_length

ROOT = Path(__file__).resolve().parent.parent
BAUDS = (300, 600)
# The rows where bytes are lost today, and a few where they are not, to show repair leaves
# those alone; --all adds the rest.
ROWS = ["as sent", "white noise, SNR 6 dB", "white noise, SNR 3 dB", "white noise, SNR 0 dB",
        "white noise, SNR -6 dB", "pink hiss, SNR 6 dB", "Ogg Vorbis, oggenc -q -1",
        "MP3 32 kbit/s, lame -b 32", "GSM 06.10 speech codec, 8000 Hz",
        "telephone: 300-3400 Hz, 8000 Hz u-law",
        "real tape: low-pass 4 kHz, +1.5 %, wow, pink hiss 15 dB, 9 dB dropouts"]


def program(build, work, arguments):
    result = run([str(build / "qirvex-program")] + arguments)
    if result.returncode != 0:
        sys.exit("repair_table: qirvex-program %s: %s" % (" ".join(arguments),
                                                          result.stderr.decode()))


def programs(build, work):
    """The tape texts: name and bytes, as the machine would load them."""
    generator = random.Random(1978)
    listing = b"".join(b'%d FOR I=%d TO %d STEP 2:PRINT "ROW";I*%d:NEXT I\r\n' % (n * 10, n, n * 9, n)
                       for n in range(1, 16))
    texts = [("squares.bas", (ROOT / "examples" / "squares.bas").read_bytes()),
             ("loops.bas", listing)]
    binary = work / "game.0300.bin"
    binary.write_bytes(bytes(generator.getrandbits(8) for _ in range(192)))
    program(build, work, ["to-tape", "-f", "-g", "0300", str(binary), str(work / "game.65v")])
    texts.append(("game.65v", (work / "game.65v").read_bytes()))
    program(build, work, ["from-tape", "-f", "-t", "mos", str(work / "game.65v"),
                          str(work / "game.mos")])
    program(build, work, ["to-tape", "-f", "-i", "mos", str(work / "game.mos"),
                          str(work / "game.tape")])
    texts.append(("game.mos", (work / "game.tape").read_bytes()))
    return texts


def wrong_bytes(data, got):
    """Bytes missing from the decode or not in the program: a byte read wrong counts twice."""
    return len(data) + len(got) - 2 * common_length(data, got)


def decode(build, recording, baud, target, repair):
    """A decode at `baud`, or at the rate found where `baud` is None."""
    rate = ["-b", str(baud)] if baud else []
    arguments = [str(build / "qirvex-rescue"), "-q", "-f"] + rate + ["-r"]
    result = run(arguments + (["--mend"] if repair else []) + [str(recording), str(target)])
    repairs = result.stderr.decode(errors="replace").count("repaired byte")
    return (target.read_bytes() if target.exists() else b""), repairs


class Row:
    def __init__(self):
        self.programs = self.exact = self.exact_repaired = 0
        self.wrong = self.wrong_repaired = self.repairs = self.worse = 0


def count(row, data, plain, repaired, repairs, label):
    row.programs += 1
    row.exact += plain == data
    row.exact_repaired += repaired == data
    row.wrong += wrong_bytes(data, plain)
    row.wrong_repaired += wrong_bytes(data, repaired)
    row.repairs += repairs
    row.worse += wrong_bytes(data, repaired) > wrong_bytes(data, plain)
    if plain == data and repaired != data:
        print("  repair changed an exact decode: %s" % label)


def measure(build, work, texts, condition, found_rate):
    """The condition's row with the rate given, and with the rate found (None unless asked)."""
    given, found = Row(), Row() if found_rate else None
    for name, data in texts:
        for baud in BAUDS:
            source, clean = work / "tape.txt", work / "sent.wav"
            source.write_bytes(data)
            run([str(build / "qirvex"), "-F", "-R1" if baud == 600 else "-R0", str(source),
                 str(clean)])
            recording = work / ("recording" + condition.suffix)
            condition.make(clean, recording, work)
            label = "%s, %s at %d baud" % (condition.name, name, baud)
            for row, rate in ((given, baud), (found, None)):
                if row is None:
                    continue
                plain, _ = decode(build, recording, rate, work / "plain.txt", False)
                repaired, repairs = decode(build, recording, rate, work / "repaired.txt", True)
                count(row, data, plain, repaired, repairs,
                      label + ("" if rate else ", rate found"))
    return given, found


def print_row(name, row):
    print("| %s | %d | %d | %d | %d | %d | %d | %d |" % (
        name, row.programs, row.exact, row.exact_repaired, row.wrong, row.wrong_repaired,
        row.repairs, row.worse), flush=True)


def add(total, row):
    for field in vars(total):
        setattr(total, field, getattr(total, field) + getattr(row, field))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--all", action="store_true")
    parser.add_argument("--found-rate", action="store_true")
    parser.add_argument("build")
    arguments = parser.parse_args()
    build = Path(arguments.build).resolve()
    # Between 0 and -6 dB SNR, where words are still found but bits flip.
    extra = [Condition("white noise, SNR %d dB" % snr, noise(snr)) for snr in (-2, -3, -4)]
    rows = [c for c in conditions() if arguments.all or c.name in ROWS] + extra
    header = ("| condition | programs | exact | exact with repair | bytes wrong | with repair | "
              "repairs | programs repair made worse |\n|---|---|---|---|---|---|---|---|")
    total, total_found, found_rows = Row(), Row(), []
    print(header)
    with tempfile.TemporaryDirectory() as folder:
        work = Path(folder)
        texts = programs(build, work)
        for condition in rows:
            given, found = measure(build, work, texts, condition, arguments.found_rate)
            print_row(condition.name, given)
            add(total, given)
            if found:
                found_rows.append((condition.name, found))
                add(total_found, found)
    print_row("all", total)
    if arguments.found_rate:
        print("\nWith the rate found (no -b):\n" + header)
        for name, found in found_rows:
            print_row(name, found)
        print_row("all", total_found)


if __name__ == "__main__":
    main()
