#!/usr/bin/env python3
"""A synthetic side of tape, and the check of qirvex-rescue --split against it.

`build` makes ten programs as a user would have saved them one after the other on one side of a
cassette: BASIC listings (encoded with `qirvex -B`, which adds the NULs and LF that OSI BASIC
sends after each CR) and 65V load texts of random machine code (`qirvex-program to-tape`), at 300
and 600 baud, in eight framings, with leaders of 1.5 to 5 s. The gaps between them, 0.5 to 10 s,
hold hiss and the clicks and thumps of a recorder being stopped and started; hiss runs under the
whole side, 40 dB below the programs. One program has a burst of noise over a stretch of its
words, and cannot come back exactly. Everything follows from the seed (sox runs with -R, so its
noise repeats too). The side is one WAV file, 16-bit mono at 44100 Hz, beside truth.json: for
each program its data's start (the start edge of its first word) and end (the end of its last
word's last stop bit) in seconds, rate, framing, kind, first line or load address, and its bytes
as `qirvex` decodes them from the program's own clean recording.

`check` runs `qirvex-rescue --split=DIR side.wav` with no rate or framing given and compares
DIR/index.tsv and the files it names with the truth; the exit status is 0 only when all holds.
With neither, both run.

Usage: tape_side.py [build|check] [--build-dir build] [--work build/side] [--seed 1]
"""

import argparse
import array
import json
import math
import random
import re
import shutil
import subprocess
import sys
import wave
from pathlib import Path
from typing import NamedTuple

from tape_side_check import check_split, framing_bits, rescue_framing

ROOT = Path(__file__).resolve().parent.parent
SIDE_RATE = 44100
QIRVEX_RATE = 21600
TRAILER_MS = 1000  # qirvex's default trailer, which the programs keep
# Hiss: sox's white noise at full scale has an RMS of 0.58; through the high-pass, 40 dB down it
# measures 0.005 (-46 dBFS), 40 dB below a program at -6 dBFS.
HISS = ["whitenoise", "highpass", "1500", "gain", "-40"]
DAMAGE_SECONDS = 0.15  # the noise burst: 8 words of 8E1 at 600 baud


class Program(NamedTuple):
    kind: str          # "basic" or "65v"
    baud: int
    framing: str       # data bits, parity, stop bits: "8N2"
    title: str         # a listing's program name, or a 65V text's load address in hex
    size: int          # bytes of listing, or of machine code
    go: bool           # a 65V text ends with the run command .AAAAG
    leader_ms: int
    gain_db: float     # the level the program was recorded at, below full scale
    gap_after_s: float  # hiss and clicks after its trailer
    is_damaged: bool = False


# The side, in order. The framings are those of the 6850 ACIA of OSI machines.
PROGRAMS = [
    Program("basic", 300, "8N2", "STARTREK", 300, False, 2000, -6, 2.5),
    Program("65v", 600, "8N2", "0300", 150, True, 2000, -5, 0.5),
    Program("basic", 600, "7E1", "HAMURABI", 1800, False, 3000, -8, 10.0),
    Program("65v", 300, "8N1", "0A00", 100, False, 1500, -6, 1.2),
    Program("basic", 300, "7O2", "LUNAR LANDER", 250, False, 2000, -4, 6.0),
    Program("65v", 600, "7E2", "1000", 300, True, 5000, -7, 0.8),
    Program("basic", 600, "8E1", "OTHELLO", 900, False, 2000, -6, 3.5, True),
    Program("65v", 600, "8O1", "0240", 200, False, 2000, -9, 7.5),
    Program("basic", 300, "8N1", "BIORHYTHM", 200, False, 1500, -5, 1.8),
    Program("basic", 600, "7O1", "WUMPUS", 2000, False, 2500, -6, 1.5),
]
LEAD_IN_S = 1.5  # hiss and a click before the first leader

WORDS = ["SHIP", "ENERGY", "SHIELDS", "KLINGON", "GRAIN", "ACRES", "FUEL", "SPEED", "SCORE",
         "MOVE", "BOARD", "CAVE", "ARROWS", "DAYS", "PHYSICAL", "YEAR", "PLAYER", "TURN"]
STATEMENTS = [
    'PRINT "{w} {w}"', 'PRINT "{w}";{v}', 'INPUT "{w}";{v}', '{v}={v}+{n}', '{v}={v}*{n}-{v}',
    'IF {v}>{n} THEN {line}', 'IF {v}={v} THEN PRINT "{w}":GOTO {line}', 'GOTO {line}',
    'GOSUB {line}', 'RETURN', 'FOR {v}=1 TO {n}', 'NEXT {v}', '{v}=INT(RND(1)*{n})+1',
    'DATA {n},{n},{n},{n},{n}', 'REM *** {w} ***', 'PRINT TAB({n});"*"', 'DIM {v}({n})',
    'POKE {a},{n}', '{v}=PEEK({a})', 'PRINT:PRINT "{w}"', 'ON {v} GOTO {line},{line}',
]


def run(command, **kwargs):
    return subprocess.run([str(part) for part in command], capture_output=True, check=False,
                          **kwargs)


def sox(arguments):
    result = run(["sox", "-D", "-R", "-V1"] + arguments)
    if result.returncode != 0:
        sys.exit("tape_side: sox failed: " + result.stderr.decode(errors="replace"))


def listing(title, size, rng):
    """A BASIC listing of about `size` bytes, CR line ends, lines numbered by tens."""
    lines = ["10 REM " + title]
    number = 10
    while sum(len(line) + 1 for line in lines) < size:
        number += 10
        text = rng.choice(STATEMENTS)
        while "{" in text:
            text = text.replace("{w}", rng.choice(WORDS), 1).replace("{v}", rng.choice("ABNXY"), 1)
            text = text.replace("{n}", str(rng.randint(1, 99)), 1)
            text = text.replace("{a}", str(rng.randint(512, 4095)), 1)
            text = text.replace("{line}", str(10 * rng.randint(1, number // 10 + 20)), 1)
        lines.append("%d %s" % (number, text))
    lines.append("%d END" % (number + 10))
    return "".join(line + "\r" for line in lines).encode("ascii")


def qirvex_options(program):
    """qirvex's letters for the program's rate and framing."""
    data, parity, stop = program.framing
    letters = ["-R1"] if program.baud == 600 else ["-R0"]
    letters += ["-D"] if data == "7" else []
    letters += {"N": [], "E": ["-E"], "O": ["-O"]}[parity]
    return letters + (["-S"] if stop == "1" else [])


def make_source(program, stem, rng, tools):
    """The file qirvex encodes: a listing, or the 65V text of random machine code."""
    if program.kind == "basic":
        source = stem.with_suffix(".bas")
        source.write_bytes(listing(program.title, program.size, rng))
        lint = run([tools / "qirvex-program", "to-tape", "-f", source, stem.with_suffix(".lint")])
        if lint.returncode != 0:
            sys.exit("tape_side: listing refused: " + lint.stderr.decode(errors="replace"))
        return source
    code = stem.with_suffix(".bin")
    code.write_bytes(bytes(rng.randrange(256) for _ in range(program.size)))
    source = stem.with_suffix(".65v")
    go = ["-g", program.title] if program.go else []
    made = run([tools / "qirvex-program", "to-tape", "-f", "-a", program.title] + go +
               [code, source])
    if made.returncode != 0:
        sys.exit("tape_side: to-tape failed: " + made.stderr.decode(errors="replace"))
    return source


def encode_and_decode(program, source, stem, tools):
    """The program's own clean WAV, and the bytes qirvex decodes from it (status 1 is success)."""
    wav, decoded = stem.with_suffix(".wav"), stem.with_suffix(".txt")
    basic = ["-B"] if program.kind == "basic" else []
    options = qirvex_options(program)
    made = run([tools / "qirvex", "-F", "-L%d" % program.leader_ms] + basic + options +
               [source, wav])
    read = run([tools / "qirvex", "-F"] + options + [wav, decoded])
    if made.returncode != 1 or read.returncode != 1:
        sys.exit("tape_side: qirvex failed on %s" % source.name)
    return wav, decoded.read_bytes()


def check_kind(program, decoded, tools):
    """qirvex-program's reading of the decoded bytes must name the program's kind."""
    said = run([tools / "qirvex-program", "from-tape", "-f", decoded,
                decoded.with_suffix(".read")]).stdout.decode(errors="replace")
    expected = {"basic": "a BASIC listing", "65v": "a 65V load text"}[program.kind]
    if expected not in said:
        sys.exit("tape_side: %s is %r, where %s was expected" % (decoded.name, said, expected))


def rescue_words(tools, wav, program, report):
    """qirvex-rescue's bytes and word start times for one program, its rate and framing given."""
    out = report.with_suffix(".rescued")
    run([tools / "qirvex-rescue", "-f", "-q", "-b", program.baud] + rescue_framing(program.framing)
        + ["--report=%s" % report, wav, out])
    times = [float(line.split("\t")[1]) for line in report.read_text().splitlines()[1:]]
    return (out.read_bytes() if out.exists() else b""), times


def tone_samples(ms):
    """qirvex's run of mark tone: whole cells of 1/1200 s, 18 samples each at 21600 Hz."""
    return 1200 * ms // 1000 * (QIRVEX_RATE // 1200)


def data_span(wav_path, leader_ms):
    """Seconds from the start of a qirvex WAV to its first word's start and its last word's end:
    the leader, then the words; the trailer and one pad sample close the file."""
    with wave.open(str(wav_path), "rb") as reader:
        frames = reader.getnframes()
    return (tone_samples(leader_ms) / QIRVEX_RATE,
            (frames - 1 - tone_samples(TRAILER_MS)) / QIRVEX_RATE)


def side_samples(wav, gain_db, tools):
    """The program at the side's rate and level, without qirvex's pad sample (a one-sample click
    at full scale after the trailer)."""
    with wave.open(str(wav), "rb") as reader:
        frames = reader.getnframes()
    converted = wav.with_suffix(".44k.wav")
    sox([wav, "-b", "16", "-r", SIDE_RATE, converted, "trim", "0", "%ds" % (frames - 1),
         "gain", "%.1f" % gain_db, "rate", SIDE_RATE])
    with wave.open(str(converted), "rb") as reader:
        return array.array("h", reader.readframes(reader.getnframes()))


def add(samples, index, value):
    samples[index] = max(-32768, min(32767, samples[index] + int(value)))


def damage(samples, start_s, end_s, rng):
    """A crease in the tape half way through the data: the tones 20 dB down under a burst of
    noise at their former level, with 2 ms slopes, over DAMAGE_SECONDS."""
    first = int((start_s + end_s) / 2 * SIDE_RATE)
    length, slope = int(DAMAGE_SECONDS * SIDE_RATE), int(0.002 * SIDE_RATE)
    level = math.sqrt(sum(s * s for s in samples[first:first + length]) / length)
    for k in range(length):
        into = min(1.0, min(k, length - 1 - k) / slope)
        n = first + k
        samples[n] = int(samples[n] * (1 - 0.9 * into))
        add(samples, n, into * rng.gauss(0, level))
    return first / SIDE_RATE, (first + length) / SIDE_RATE


def thump(side, at, rng):
    """A recorder's button or motor starting: a low tone dying away over some 40 ms."""
    hz, peak = rng.uniform(50, 120), rng.uniform(0.15, 0.45) * 32767
    for k in range(int(0.04 * SIDE_RATE)):
        add(side, at + k, peak * math.exp(-k / (0.008 * SIDE_RATE)) *
            math.sin(2 * math.pi * hz * k / SIDE_RATE))


def spike(side, at, rng):
    """A click: one to three samples far off the line."""
    sign = rng.choice((-1, 1))
    for k in range(rng.randint(1, 3)):
        add(side, at + k, sign * rng.uniform(0.2, 0.9) * 32767)


def clicks_in_gap(side, first, last, rng):
    """A thump where the recorder stopped and one where it started again, and a click or two a
    second between them; nothing within 10 ms of a program."""
    margin, thump_length = int(0.01 * SIDE_RATE), int(0.04 * SIDE_RATE)
    room = (last - first) // 4
    thump(side, first + rng.randint(margin, max(margin, room - thump_length)), rng)
    thump(side, last - thump_length - rng.randint(margin, max(margin, room - thump_length)), rng)
    for _ in range(1 + int((last - first) / SIDE_RATE * 1.5)):
        spike(side, rng.randint(first + margin, last - margin - 3), rng)


def assemble(recordings, rng):
    """The side: each program after its gap, clicks in every gap. Returns the side and where
    each program's recording starts, in samples."""
    gaps = [int(LEAD_IN_S * SIDE_RATE)] + [int(p.gap_after_s * SIDE_RATE) for p in PROGRAMS]
    side = array.array("h", bytes(2 * (sum(gaps) + sum(len(r) for r in recordings))))
    places, position = [], 0
    for recording, gap in zip(recordings, gaps):
        clicks_in_gap(side, position, position + gap, rng)
        position += gap
        places.append(position)
        side[position:position + len(recording)] = recording
        position += len(recording)
    clicks_in_gap(side, position, position + gaps[-1], rng)
    return side, places


def write_side(side, target, work):
    """The side with hiss under all of it."""
    clean, hiss = work / "side-clean.wav", work / "hiss.wav"
    with wave.open(str(clean), "wb") as writer:
        writer.setnchannels(1)
        writer.setsampwidth(2)
        writer.setframerate(SIDE_RATE)
        writer.writeframes(side.tobytes())
    sox(["-n", "-b", "16", "-r", SIDE_RATE, "-c", "1", hiss, "synth", "%ds" % len(side)] + HISS)
    sox(["-m", "-v", "1", clean, "-v", "1", hiss, target])
    clean.unlink()
    hiss.unlink()


def first_of(program, decoded):
    """What the index gives as `first`: the listing's first line, or the load address."""
    if program.kind == "65v":
        return program.title
    lines = [line for line in re.split(rb"[\r\n\0]+", decoded) if line]
    return lines[0].decode("ascii") if lines else ""


def make_program(number, program, rng, tools, work):
    """One program's recording at the side's rate and its truth, its place still to be added."""
    stem = work / ("%02d" % number)
    source = make_source(program, stem, rng, tools)
    wav, decoded = encode_and_decode(program, source, stem, tools)
    check_kind(program, stem.with_suffix(".txt"), tools)
    rescued, _ = rescue_words(tools, wav, program, stem.with_suffix(".tsv"))
    if rescued != decoded:
        sys.exit("tape_side: qirvex-rescue reads %s's own recording otherwise than qirvex" % stem)
    start_s, end_s = data_span(wav, program.leader_ms)
    samples = side_samples(wav, program.gain_db, tools)
    truth = {"number": number, "start": start_s, "end": end_s, "baud": program.baud,
             "framing": program.framing, "kind": program.kind, "bytes": len(decoded),
             "first": first_of(program, decoded), "damaged": program.is_damaged,
             "word_seconds": framing_bits(program.framing) / program.baud,
             "gap_after": program.gap_after_s, "source": decoded.decode("latin-1")}
    if program.is_damaged:
        truth["damage"] = damage(samples, start_s, end_s, rng)
    return samples, truth


def verify_on_side(truth, place, length, side_wav, tools, work):
    """The program cut from the finished side and read alone, its rate and framing given: its
    bytes must be the truth's (the damaged one's must not), and its first and last words must lie
    where the truth says. Returns what failed, or an empty string."""
    cut = work / "cut.wav"
    sox([side_wav, cut, "trim", "%ds" % place, "%ds" % length])
    program = PROGRAMS[truth["number"] - 1]
    rescued, times = rescue_words(tools, cut, program, work / "cut.tsv")
    cut.unlink()
    if not times:
        return "no word read"
    offset, word = place / SIDE_RATE, truth["word_seconds"]
    start_words = abs(offset + times[0] - truth["start"]) / word
    end_words = abs(offset + times[-1] + word - truth["end"]) / word
    problems = []
    if max(start_words, end_words) > 0.25:
        problems.append("words at %.2f and %.2f words from the truth" % (start_words, end_words))
    is_exact = rescued == truth["source"].encode("latin-1")
    if is_exact == truth["damaged"]:
        problems.append("damaged but read exactly" if is_exact else "not read exactly")
    return "; ".join(problems)


def print_side(truths):
    print("%3s  %-5s  %4s  %-7s  %5s  %8s  %8s  %6s  %s" % (
        "#", "kind", "baud", "framing", "bytes", "start s", "end s", "gap s", "first"))
    for t in truths:
        print("%3d  %-5s  %4d  %-7s  %5d  %8.3f  %8.3f  %6.1f  %s%s" % (
            t["number"], t["kind"], t["baud"], t["framing"], t["bytes"], t["start"], t["end"],
            t["gap_after"], t["first"], "  (damaged %.3f-%.3f s)" % tuple(t["damage"])
            if t["damaged"] else ""))


def placed(truth, place):
    """The truth of a program recorded `place` samples into the side."""
    shift = place / SIDE_RATE
    for key in ("start", "end"):
        truth[key] = round(truth[key] + shift, 4)
    if truth["damaged"]:
        truth["damage"] = [round(t + shift, 4) for t in truth["damage"]]
    return truth


def build_side(tools, work, seed):
    """Makes work/side.wav and work/truth.json; exits when the side is not what it should be."""
    shutil.rmtree(work / "programs", ignore_errors=True)
    (work / "programs").mkdir(parents=True)
    rng = random.Random(seed)
    made = [make_program(number, program, rng, tools, work / "programs")
            for number, program in enumerate(PROGRAMS, 1)]
    recordings = [samples for samples, _ in made]
    side, places = assemble(recordings, rng)
    write_side(side, work / "side.wav", work)
    truths = [placed(truth, place) for (_, truth), place in zip(made, places)]
    (work / "truth.json").write_text(json.dumps(truths, indent=1) + "\n")
    print("%s: %.1f s, seed %d" % (work / "side.wav", len(side) / SIDE_RATE, seed))
    print_side(truths)
    failures = []
    for truth, place, recording in zip(truths, places, recordings):
        problem = verify_on_side(truth, place, len(recording), work / "side.wav", tools, work)
        if problem:
            failures.append("program %d: %s" % (truth["number"], problem))
    if failures:
        sys.exit("tape_side: the side is not as built:\n" + "\n".join(failures))
    print("Each program read alone from the side, its rate and framing given: as the truth says.")


def main():
    parser = argparse.ArgumentParser(description="Build a synthetic side of tape and check "
                                     "qirvex-rescue --split against it.")
    parser.add_argument("mode", nargs="?", choices=("build", "check", "both"), default="both")
    parser.add_argument("--build-dir", default=str(ROOT / "build"),
                        help="the folder of the built programs (default: build)")
    parser.add_argument("--work", default=None, help="where the side goes (default: BUILD/side)")
    parser.add_argument("--seed", type=int, default=1)
    arguments = parser.parse_args()
    tools = Path(arguments.build_dir).resolve()
    work = Path(arguments.work or tools / "side").resolve()
    work.mkdir(parents=True, exist_ok=True)
    if arguments.mode in ("build", "both"):
        build_side(tools, work, arguments.seed)
    if arguments.mode in ("check", "both"):
        print()
        return 0 if check_split(tools / "qirvex-rescue", work) else 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
