"""The check of tape_side.py: qirvex-rescue --split on the synthetic side, against its truth.

The split writes DIR/index.tsv, a header line and one row per stretch in time order:
number (1.. for programs, - for junk), start and end in seconds, baud, framing, bytes, kind,
first, suspect, lost, verdict, file. Each truth program is matched with the program row that
overlaps it most; its boundaries must lie within one word of the truth, its rate, framing and
kind must be right, and its file must hold the truth's bytes, but for the damaged program, whose
verdict must say so. A missing index, row or file is a failure, never a crash.
"""

import json
import shutil
import subprocess

COLUMNS = ["number", "start", "end", "baud", "framing", "bytes", "kind", "first", "suspect",
           "lost", "verdict", "file"]


def framing_bits(framing):
    """Bits per word: start, data, parity, stops ("7E1": 10)."""
    data, parity, stop = framing
    return 1 + int(data) + (parity != "N") + int(stop)


def rescue_framing(framing):
    """qirvex-rescue's options for a framing."""
    data, parity, stop = framing
    return ["-d", data, "-p", {"N": "none", "E": "even", "O": "odd"}[parity], "-s", stop]


def number_or_none(text, kind):
    try:
        return kind(text)
    except ValueError:
        return None


def read_index(path):
    """The index's rows as dictionaries, times as numbers, and the problems found reading it."""
    if not path.exists():
        return [], ["no %s" % path.name]
    lines = path.read_text(errors="replace").splitlines()
    if not lines or lines[0].split("\t") != COLUMNS:
        return [], ["found header %r where %r was expected" %
                    (lines[0] if lines else "", "\t".join(COLUMNS))]
    rows, problems = [], []
    for at, line in enumerate(lines[1:], 2):
        fields = line.split("\t")
        if len(fields) != len(COLUMNS):
            problems.append("line %d: %d fields where %d were expected" %
                            (at, len(fields), len(COLUMNS)))
            continue
        row = dict(zip(COLUMNS, fields))
        row["start"], row["end"] = (number_or_none(row[k], float) for k in ("start", "end"))
        row["baud"] = number_or_none(row["baud"], int)
        if row["start"] is None or row["end"] is None:
            problems.append("line %d: start or end is not a number" % at)
            continue
        rows.append(row)
    return rows, problems


def overlap(row, truth):
    return min(row["end"], truth["end"]) - max(row["start"], truth["start"])


def file_bytes(folder, name):
    """A program file's bytes; None for a name that is missing or leads out of the folder."""
    if not name or name == "-" or "/" in name or "\\" in name or name in (".", ".."):
        return None
    path = folder / name
    return path.read_bytes() if path.is_file() else None


def judge(truth, rows, folder):
    """One truth program against the program row that overlaps it most."""
    found = max(rows, key=lambda row: overlap(row, truth), default=None)
    if found is None or overlap(found, truth) <= 0:
        return {"truth": truth, "row": None, "result": "FAIL (not found)"}
    word = truth["word_seconds"]
    got = file_bytes(folder, found["file"])
    source = truth["source"].encode("latin-1")
    judged = {
        "truth": truth, "row": found,
        "start_words": abs(found["start"] - truth["start"]) / word,
        "end_words": abs(found["end"] - truth["end"]) / word,
        "rate": found["baud"] == truth["baud"],
        "framing": found["framing"].upper() == truth["framing"],
        "kind": found["kind"] == truth["kind"],
        "first": found["first"].strip().upper() == truth["first"].strip().upper(),
        "bytes": "no file" if got is None else "equal" if got == source else
                 "differ (%d of %d)" % (len(got), len(source)),
    }
    judged["boundaries"] = max(judged["start_words"], judged["end_words"]) <= 1.0
    failed = [name for name in ("boundaries", "rate", "framing", "kind") if not judged[name]]
    if truth["damaged"]:
        failed += [] if found["verdict"] == "damaged" else ["verdict"]
    elif judged["bytes"] != "equal":
        failed.append("bytes")
    judged["result"] = ("FAIL (%s)" % ", ".join(failed) if failed else
                        "damaged" if truth["damaged"] else "ok")
    return judged


def mark(value, is_right):
    return str(value) + ("" if is_right else " *")


def print_table(judged):
    print("%3s  %-16s  %-6s  %-14s  %-6s  %-9s  %-9s  %-5s  %-20s  %-8s  %s" % (
        "#", "truth", "row", "words off s/e", "baud", "framing", "kind", "first", "bytes",
        "verdict", "result"))
    for j in judged:
        t, row = j["truth"], j["row"]
        truth = "%s %d %s" % (t["kind"], t["baud"], t["framing"])
        if row is None:
            print("%3d  %-16s  %-6s  %s" % (t["number"], truth, "-", j["result"]))
            continue
        words = "%.2f / %.2f" % (j["start_words"], j["end_words"])
        print("%3d  %-16s  %-6s  %-14s  %-6s  %-9s  %-9s  %-5s  %-20s  %-8s  %s" % (
            t["number"], truth, row["number"], mark(words, j["boundaries"]),
            mark(row["baud"], j["rate"]), mark(row["framing"], j["framing"]),
            mark(row["kind"], j["kind"]), "yes" if j["first"] else "no", j["bytes"],
            row["verdict"], j["result"]))


def summary(truths, programs, junk, judged, status):
    """The summary line, and whether everything the check asks for holds."""
    def count(name):
        return sum(1 for j in judged if j["row"] is not None and j[name])
    n = len(truths)
    clean = [j for j in judged if not j["truth"]["damaged"]]
    equal = sum(1 for j in clean if j["row"] is not None and j["bytes"] == "equal")
    damaged = [j for j in judged if j["truth"]["damaged"]]
    marked = sum(1 for j in damaged if j["row"] is not None and j["row"]["verdict"] == "damaged")
    counts = [count(name) for name in ("boundaries", "rate", "framing", "kind")]
    print("programs %d of %d; boundaries within one word %d/%d; rates %d/%d; framings %d/%d; "
          "kinds %d/%d; first lines %d/%d; files equal %d/%d; damaged marked damaged %d/%d; "
          "junk stretches %d; exit status %d" % (
              len(programs), n, counts[0], n, counts[1], n, counts[2], n, counts[3], n,
              count("first"), n, equal, len(clean), marked, len(damaged), len(junk), status))
    expected_status = 1 if damaged else 0
    return (len(programs) == n and all(c == n for c in counts) and equal == len(clean) and
            marked == len(damaged) and status == expected_status)


def check_split(rescue, work):
    """Splits work/side.wav and prints the comparison; True when everything holds."""
    truth_path = work / "truth.json"
    if not truth_path.exists():
        print("side check: no %s; build the side first" % truth_path)
        return False
    truths = json.loads(truth_path.read_text())
    folder = work / "split"
    shutil.rmtree(folder, ignore_errors=True)
    result = subprocess.run([str(rescue), "--split=%s" % folder, str(work / "side.wav")],
                            capture_output=True, check=False)
    print("%s --split=%s side.wav: exit status %d" % (rescue.name, folder, result.returncode))
    rows, problems = read_index(folder / "index.tsv")
    for problem in problems:
        print("index.tsv: " + problem)
    if not rows:
        print(result.stderr.decode(errors="replace").strip()[-2000:])
    programs = [row for row in rows if row["number"] != "-"]
    junk = [row for row in rows if row["number"] == "-"]
    judged = [judge(truth, programs, folder) for truth in truths]
    print_table(judged)
    holds = summary(truths, programs, junk, judged, result.returncode) and not problems
    print("side check: " + ("PASS" if holds else "FAIL (* marks what is wrong; the exit status "
                            "should be %d)" % (1 if any(t["damaged"] for t in truths) else 0)))
    return holds
