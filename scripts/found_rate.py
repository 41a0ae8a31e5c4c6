#!/usr/bin/env python3
"""The bit rate and framing found, measured: every recording of the robustness matrix (qirvex's
audio at 300 and 600 baud, minimodem's at 300, 600 and 1200) decoded by qirvex-rescue with its
rate and framing given and without, and every row where the given line decodes exactly checked
for the same bytes and the same rate and framing found. A wrong rate given (twice and four times
the line's, where the family has it) must never end with status 0. Then every other framing the
encoders write (qirvex's twelve at 300 and 600 baud, minimodem's 8N1, 7N1 and 7N2 at 300, 600
and 1200), through a dozen of the conditions, checked the same way.

Usage: found_rate.py [BUILD_FOLDER]   (default build; needs sox, minimodem, oggenc and lame)
"""

import re
import sys
import tempfile
from pathlib import Path

from degrade import conditions, run
from robustness import Tools, corpus, send

SOURCES = {"qirvex": (300, 600), "minimodem": (300, 600, 1200)}
FAMILY = (300, 600, 1200)


# The conditions of the framing sweep: clean, noise, speed, wow, band limits, codecs, tape.
SWEEP_CONDITIONS = ("as sent", "white noise, SNR 12 dB", "speed -5 %", "speed +5 %",
                    "wow 1 % and flutter 0.5 %", "low-pass 3 kHz", "polarity inverted",
                    "dropouts of 20 dB over hiss, SNR 24 dB", "pink hiss, SNR 12 dB",
                    "MP3 32 kbit/s, lame -b 32", "clicks and pops",
                    "real tape: low-pass 4 kHz, +1.5 %, wow, pink hiss 15 dB, 9 dB dropouts")
# qirvex's options for each framing, and minimodem's.
QIRVEX_FRAMINGS = {"8N2": [], "8N1": ["-S"], "8E2": ["-E"], "8E1": ["-E", "-S"], "8O2": ["-O"],
                   "8O1": ["-O", "-S"], "7N2": ["-D"], "7N1": ["-D", "-S"], "7E2": ["-D", "-E"],
                   "7E1": ["-D", "-E", "-S"], "7O2": ["-D", "-O"], "7O1": ["-D", "-O", "-S"]}
MINIMODEM_FRAMINGS = {"8N1": ["-8", "--stopbits", "1"], "7N1": ["-7", "--stopbits", "1"],
                      "7N2": ["-7", "--stopbits", "2"]}


def given_options(framing):
    parity = {"N": "none", "E": "even", "O": "odd"}[framing[1]]
    return ["-d", framing[0], "-p", parity, "-s", framing[2]]


def decode(tools, recording, baud, framing="8N2"):
    """The bytes, the exit status, and the summary's rate and framing. Without a rate, neither
    is given."""
    out = tools.work / "found.out"
    out.unlink(missing_ok=True)
    given = ["-b", str(baud)] + given_options(framing) if baud else []
    result = run([str(tools.rescue), "-f"] + given + [str(recording), str(out)])
    found = re.search(rb"(\d+) baud (\w+)(?: \([a-z ]+ found\))?(?:, space tone alone)?, tape speed",
                      result.stderr)
    return (out.read_bytes() if out.exists() else b"", result.returncode,
            (int(found.group(1)), found.group(2).decode()) if found else (0, ""))


def send_framed(tools, source, data_path, baud, framing, target):
    """The clean recording of a file in a framing other than 8N2."""
    if source == "minimodem":
        with open(data_path, "rb") as data:
            result = run(["minimodem", "--tx", "-q", "-M", "2400", "-S", "1200"] +
                         MINIMODEM_FRAMINGS[framing] + ["-f", str(target), str(baud)], stdin=data)
        return result.returncode == 0
    rate = "-R1" if baud == 600 else "-R0"
    return run([str(tools.qirvex), "-F", rate] + QIRVEX_FRAMINGS[framing] +
               [str(data_path), str(target)]).returncode == 1


def carried(data, framing):
    """The bytes as a framing of 7 data bits carries them."""
    return bytes(b & 0x7F for b in data) if framing[0] == "7" else data


def sweep_framings(tools):
    """Every framing other than 8N2 through the sweep's conditions: (exact, found right, misses)."""
    exact = found_right = 0
    misses = []
    sweep = [c for c in conditions() if c.name in SWEEP_CONDITIONS]
    name, data = next(iter(corpus()))
    data_path = tools.work / name
    data_path.write_bytes(data)
    plans = [("qirvex", f, b) for f in QIRVEX_FRAMINGS if f != "8N2" for b in (300, 600)]
    plans += [("minimodem", f, b) for f in MINIMODEM_FRAMINGS for b in (300, 600, 1200)]
    for source, framing, baud in plans:
        clean = tools.work / "sent.wav"
        if not send_framed(tools, source, data_path, baud, framing, clean):
            sys.exit("found_rate: %s could not send %s in %s" % (source, name, framing))
        for condition in sweep:
            recording = tools.work / ("recording" + condition.suffix)
            condition.make(clean, recording, tools.work)
            got, _, _ = decode(tools, recording, baud, framing)
            if got != carried(data, framing):
                continue
            exact += 1
            found, _, line = decode(tools, recording, 0)
            if found == got and line == (baud, framing):
                found_right += 1
            else:
                misses.append("%s %s at %d baud, %s: found %d baud %s, %s" % (
                    source, framing, baud, condition.name, line[0], line[1],
                    "same bytes" if found == got else "other bytes"))
        print("%s %s at %d baud: %d exact with the line given, %d found right" %
              (source, framing, baud, exact, found_right), flush=True)
    return exact, found_right, misses


def main():
    build = Path(sys.argv[1] if len(sys.argv) > 1 else "build").resolve()
    misses, wrong_clean = [], []
    exact = found_right = wrong_given = 0
    with tempfile.TemporaryDirectory() as folder:
        tools = Tools(build / "qirvex", Path(folder))
        for source, bauds in SOURCES.items():
            for name, data in corpus():
                data_path = tools.work / name
                data_path.write_bytes(data)
                for baud in bauds:
                    clean = tools.work / "sent.wav"
                    if not send(tools, source, data_path, baud, clean):
                        sys.exit("found_rate: %s could not send %s" % (source, name))
                    for condition in conditions():
                        recording = tools.work / ("recording" + condition.suffix)
                        condition.make(clean, recording, tools.work)
                        label = "%s, %s, %s at %d baud" % (source, condition.name, name, baud)
                        got, _, _ = decode(tools, recording, baud)
                        if got != data:
                            continue
                        exact += 1
                        found, _, line = decode(tools, recording, 0)
                        if found == got and line == (baud, "8N2"):
                            found_right += 1
                        else:
                            misses.append("%s: found %d baud %s, %s" % (
                                label, line[0], line[1],
                                "same bytes" if found == got else "other bytes"))
                        for factor in (2, 4):
                            if baud * factor in FAMILY:
                                wrong_given += 1
                                if decode(tools, recording, baud * factor)[1] == 0:
                                    wrong_clean.append("%s read at %d baud" % (label, baud * factor))
                print("%s, %s: %d exact with the line given, %d found right" %
                      (source, name, exact, found_right), flush=True)
        swept, swept_right, swept_misses = sweep_framings(tools)
    print("\nRate and framing found right on %d of %d rows that decode exactly with them given."
          % (found_right, exact))
    print("Other framings: found right on %d of %d exact rows." % (swept_right, swept))
    print("A wrong rate given ended with status 0 on %d of %d rows." %
          (len(wrong_clean), wrong_given))
    for line in misses + swept_misses + wrong_clean:
        print("  " + line)


if __name__ == "__main__":
    main()
