#!/usr/bin/env python3
"""The bit rate found, measured: every recording of the robustness matrix (qirvex's audio at 300
and 600 baud, minimodem's at 300, 600 and 1200) decoded by qirvex-rescue with its rate given and
without, and every row where the given rate decodes exactly checked for the same bytes and the
same rate found. A wrong rate given (twice and four times the line's, where the family has it)
must never end with status 0.

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


def decode(tools, recording, baud):
    """The bytes, the exit status and the summary's rate."""
    out = tools.work / "found.out"
    out.unlink(missing_ok=True)
    given = ["-b", str(baud)] if baud else []
    result = run([str(tools.rescue), "-f"] + given + [str(recording), str(out)])
    found = re.search(rb"(\d+) baud \w+(?: \(rate found\))?, tape speed", result.stderr)
    return (out.read_bytes() if out.exists() else b"", result.returncode,
            int(found.group(1)) if found else 0)


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
                        found, _, rate = decode(tools, recording, 0)
                        if found == got and rate == baud:
                            found_right += 1
                        else:
                            misses.append("%s: found %d baud, %s" % (
                                label, rate, "same bytes" if found == got else "other bytes"))
                        for factor in (2, 4):
                            if baud * factor in FAMILY:
                                wrong_given += 1
                                if decode(tools, recording, baud * factor)[1] == 0:
                                    wrong_clean.append("%s read at %d baud" % (label, baud * factor))
                print("%s, %s: %d exact with the rate given, %d found right" %
                      (source, name, exact, found_right), flush=True)
    print("\nRate found right on %d of %d rows that decode exactly with it given." %
          (found_right, exact))
    print("A wrong rate given ended with status 0 on %d of %d rows." %
          (len(wrong_clean), wrong_given))
    for line in misses + wrong_clean:
        print("  " + line)


if __name__ == "__main__":
    main()
