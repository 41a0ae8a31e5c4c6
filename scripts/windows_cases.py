"""The cases of windows_test.py: the input files, made once, and the table of runs.

Every case runs in a folder of its own that holds the files it names, by relative names, so that
the messages that quote a name read the same for both builds. A shared case must give the same
outcome from the Windows program as from the Linux one; a Windows case states what Windows makes
of it where its file system differs (names that differ only in case, or spelled with .\\, are one
file; a read-only file cannot be opened for writing, even by an administrator).
"""

import struct
from dataclasses import dataclass, field
from pathlib import Path

from compare_builds import ENCODE_OPTIONS
from degrade import run

ROOT = Path(__file__).resolve().parent.parent
# The status -1 as a Unix caller sees it, from the Linux program and from Wine alike.
STATUS_MINUS_ONE = 255
# Longer than MAX_PATH (260 characters) once its folders are counted.
LONG_FOLDER = "/".join(["tape-archive-of-the-club-" + "x" * 40] * 5)


# The other recordings, each decoded with the options it was made with, or a trace.
DECODE_FAMILIES = [("fast", ["-R1", "-X"]), ("legacy", []), ("seven_even", ["-D", "-E", "-S"]),
                   ("odd", ["-O", "-X"]), ("slow_rate", []), ("malformed", []),
                   ("float_tag", []), ("truncated", ["-X"])]


@dataclass
class Outcome:
    files: dict     # every file in the case's folder after the run: relative name to bytes
    status: int
    stdout: bytes
    stderr: bytes


@dataclass
class Case:
    label: str
    args: list                  # the arguments after the program's name
    files: dict = field(default_factory=dict)  # the folder's files before the run
    windows_args: list = None   # how a Windows user spells the same run, where that differs
    expected: Outcome = None    # Windows only: the outcome instead of the Linux program's
    read_only: tuple = ()       # files made read-only before the run
    through_cmd: bool = False   # run from a batch file by cmd, which echoes %ERRORLEVEL%
    merged: bool = False        # both streams into one file (> log 2>&1): their order counts
    program: str = "qirvex"     # qirvex or qirvex-rescue
    stdin: bytes = None         # what a pipe into standard input carries; None: no input


def canonical_wav(frames, rate_hz, bits, channels, format_tag=1):
    """The 44-byte header the decoder accepts, then the sample frames."""
    align = max(bits * channels // 8, 1)
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(frames), b"WAVE", b"fmt ", 16,
                         format_tag, channels, rate_hz, rate_hz * align, align, bits, b"data",
                         len(frames))
    return header + frames


def widened(samples, bits):
    """8-bit unsigned samples (128 the zero line) as signed samples of 16 or 32 bits."""
    if bits == 8:
        return list(samples)
    return [(s - 128) << (bits - 8) for s in samples]


def packed(samples, bits):
    code = {8: "B", 16: "h", 32: "i"}[bits]
    return struct.pack("<%d%s" % (len(samples), code), *samples)


def recording(samples, bits, channels):
    """The tone in the last channel; any channel before it holds silence."""
    widened_samples = widened(samples, bits)
    silence = 128 if bits == 8 else 0
    frames = []
    for sample in widened_samples:
        frames += [silence] * (channels - 1) + [sample]
    return canonical_wav(packed(frames, bits), 21600, bits, channels)


def encoded(linux_qirvex, work, data, flags):
    """What the Linux program makes of data under flags: the reference audio of the decodes."""
    source, target = work / "source.bin", work / "target.wav"
    source.write_bytes(data)
    result = run([str(linux_qirvex), "-F"] + flags + [str(source), str(target)])
    if result.returncode != 1:
        raise RuntimeError("the Linux qirvex could not encode %s" % flags)
    return target.read_bytes()


def make_inputs(linux_qirvex, work):
    """The files the cases start from, by the name each case gives them."""
    basic = (ROOT / "examples" / "squares.bas").read_bytes()
    tone = encoded(linux_qirvex, work, basic, [])
    samples = tone[44:]
    inputs = {
        "basic": basic,
        "bytes": bytes(range(256)),
        "tone": tone,
        "fast": encoded(linux_qirvex, work, basic, ["-R1"]),
        "legacy": encoded(linux_qirvex, work, basic, ["-Q", "-U"]),
        "seven_even": encoded(linux_qirvex, work, bytes(range(128)), ["-D", "-E", "-S"]),
        "odd": encoded(linux_qirvex, work, bytes(range(256)), ["-O"]),
        "slow_rate": canonical_wav(samples, 8000, 8, 1),
        # 12-bit stereo: frames of 3 bytes do not split into two whole samples.
        "malformed": canonical_wav(samples, 21600, 12, 2),
        "float_tag": canonical_wav(samples, 21600, 32, 1, format_tag=3),
    }
    for bits in (8, 16, 32):
        for channels in (1, 2):
            inputs["pcm%d_%d" % (bits, channels)] = recording(samples, bits, channels)
    # Shorter than its header says, and ending in the middle of a sample frame.
    inputs["truncated"] = inputs["pcm16_2"][:len(inputs["pcm16_2"]) // 2 + 1]
    return inputs


def shared_cases(inputs):
    basic, tone = inputs["basic"], inputs["tone"]
    cases = [Case("no arguments", []),
             Case("unknown option", ["-ox", "prog.bas"]),
             Case("lone dash", ["-"]),
             Case("options only", ["-F", "-A"]),
             Case("missing input", ["nothing.bas"]),
             Case("empty input name", [""])]
    for flags in ENCODE_OPTIONS + [["-X", "-Q"], ["-L0", "-T0"], ["-P2001", "-W-1"], ["-N2", "-B"]]:
        cases.append(Case("encode " + " ".join(flags), flags + ["prog.bas"],
                          {"prog.bas": basic}))
    cases += [
        Case("encode bytes 0 to 255", ["bytes.bin", "out.wav"], {"bytes.bin": inputs["bytes"]}),
        Case("encode an empty file", ["empty"], {"empty": b""}),
        Case("encode, name without a dot", ["prog"], {"prog": basic}),
        Case("encode .profile", [".profile"], {".profile": basic}),
        Case("encode, dot only in a folder", ["old.d/prog"], {"old.d/prog": basic}),
        Case("encode, three file names", ["prog.bas", "a.wav", "b.wav"], {"prog.bas": basic}),
        Case("encode a tape too long for WAV", ["-L2000000000", "prog.bas"], {"prog.bas": basic}),
        Case("append a tape too long for WAV", ["-A", "-L2000000000", "prog.bas", "tape.wav"],
             {"prog.bas": basic, "tape.wav": tone}),
    ]
    for name in sorted(name for name in inputs if name.startswith("pcm")):
        for flags in ([], ["-C1"], ["-C2"], ["-X", "-C2"]):
            cases.append(Case(" ".join(["decode", name] + flags), flags + [name + ".wav"],
                              {name + ".wav": inputs[name]}))
    for name, flags in DECODE_FAMILIES:
        cases.append(Case(" ".join(["decode", name] + flags), flags + [name + ".wav"],
                          {name + ".wav": inputs[name]}))
    cases += [
        Case("decode, upper-case extension", ["TAPE.WAV"], {"TAPE.WAV": tone}),
        Case("decode RIFF content under another name", ["tape.bak"], {"tape.bak": tone}),
        Case("decode text named .wav", ["notes.wav"], {"notes.wav": basic}),
        Case("derived target is the input", ["-F", "tape.txt"], {"tape.txt": tone}),
        Case("explicit target exists", ["prog.bas", "out.wav"],
             {"prog.bas": basic, "out.wav": b"keep"}),
        Case("derived target exists", ["prog.bas"], {"prog.bas": basic, "prog.wav": b"keep"}),
        Case("force overwrite", ["-F", "prog.bas"], {"prog.bas": basic, "prog.wav": b"old"}),
        Case("append to a missing explicit target", ["-A", "prog.bas", "none.wav"],
             {"prog.bas": basic}),
        Case("append to a missing derived target", ["-A", "prog.bas"], {"prog.bas": basic}),
        Case("append audio", ["-A", "prog.bas", "tape.wav"], {"prog.bas": basic, "tape.wav": tone}),
        Case("append audio to a legacy file", ["-A", "prog.bas", "legacy.wav"],
             {"prog.bas": basic, "legacy.wav": inputs["legacy"]}),
        Case("append audio to text", ["-A", "prog.bas", "notes.txt"],
             {"prog.bas": basic, "notes.txt": basic}),
        Case("append audio to 16-bit audio", ["-A", "prog.bas", "wide.wav"],
             {"prog.bas": basic, "wide.wav": inputs["pcm16_1"]}),
        Case("append a decode", ["-A", "tape.wav", "notes.txt"],
             {"tape.wav": tone, "notes.txt": b"before\r\n"}),
    ]
    return cases + unicode_cases(inputs) + cmd_cases(inputs) + merged_cases(inputs)


def merged_cases(inputs):
    """Both streams into one file, as `> log 2>&1` sends them. An unknown option is the one run
    that writes to both: its line goes to standard error, at once, before the usage text, which
    standard output holds until the program ends."""
    return [Case("one file for both streams: unknown option", ["-Z", "in.bas"],
                 {"in.bas": inputs["basic"]}, merged=True)]


def unicode_cases(inputs):
    """Names beyond ASCII: the UTF-16 arguments of wmain reach _wfopen unchanged, whether the
    characters are in the ANSI code page, outside it, or outside the 16-bit plane."""
    basic, tone = inputs["basic"], inputs["tone"]
    return [
        Case("encode Prögrämm ü.bas", ["Prögrämm ü.bas"], {"Prögrämm ü.bas": basic}),
        Case("decode Prögrämm ü.wav", ["Prögrämm ü.wav"], {"Prögrämm ü.wav": tone}),
        Case("encode Cyrillic and CJK name", ["-B", "Лента 磁帶.bas"], {"Лента 磁帶.bas": basic}),
        Case("encode name outside the 16-bit plane", ["Band 🎵.bas", "Band 🎵 out.wav"],
             {"Band 🎵.bas": basic}),
        Case("message with a non-ASCII name", ["Ärger ✓.bas"]),
        Case("refusal with a non-ASCII target", ["prog.bas", "Größe.wav"],
             {"prog.bas": basic, "Größe.wav": b"keep"}),
        Case("name longer than 260 characters", [LONG_FOLDER + "/prog.bas"],
             {LONG_FOLDER + "/prog.bas": basic}),
    ]


def cmd_cases(inputs):
    """What cmd's %ERRORLEVEL% shows after each of the three statuses."""
    basic = inputs["basic"]
    return [Case("cmd: status -1", ["nothing.bas"], through_cmd=True),
            Case("cmd: status 0", [], through_cmd=True),
            Case("cmd: status 1", ["prog.bas"], {"prog.bas": basic}, through_cmd=True)]


def refused(files, message, status):
    """A refusal: the folder unchanged, one message, nothing on standard output."""
    return Outcome(dict(files), status, b"", message.encode())


def windows_cases(inputs):
    basic, tone = inputs["basic"], inputs["tone"]
    prog = {"prog.bas": basic}
    return [
        Case("target is the input in other case", ["-F", "prog.bas", "PROG.BAS"], prog,
             expected=refused(prog, "qirvex: Target file 'PROG.BAS' is the input file.\n",
                              STATUS_MINUS_ONE)),
        Case("target is the input spelled .\\", ["-A", "prog.bas", ".\\prog.bas"], prog,
             expected=refused(prog, "qirvex: Target file '.\\prog.bas' is the input file.\n",
                              STATUS_MINUS_ONE)),
        Case("derived target is the input in other case", ["-F", "tape.TXT"], {"tape.TXT": tone},
             expected=refused({"tape.TXT": tone},
                              "qirvex: Target file 'tape.txt' is the input file.\n", 0)),
        Case("derived target exists in other case", ["prog.bas"],
             {"prog.bas": basic, "PROG.WAV": b"keep"},
             expected=refused({"prog.bas": basic, "PROG.WAV": b"keep"},
                              "qirvex: Target file 'prog.wav' exists. Use -f to force "
                              "overwrite\n", 0)),
        Case("read-only explicit target", ["-F", "prog.bas", "ro.wav"],
             {"prog.bas": basic, "ro.wav": b"keep"}, read_only=("ro.wav",),
             expected=refused({"prog.bas": basic, "ro.wav": b"keep"},
                              "qirvex: Can't open 'ro.wav' for output.\n", STATUS_MINUS_ONE)),
        Case("read-only explicit target, append", ["-A", "prog.bas", "ro.wav"],
             {"prog.bas": basic, "ro.wav": tone}, read_only=("ro.wav",),
             expected=refused({"prog.bas": basic, "ro.wav": tone},
                              "qirvex: Target file 'ro.wav' can't be opened for append.\n",
                              STATUS_MINUS_ONE)),
        Case("read-only derived target", ["-F", "prog.bas"],
             {"prog.bas": basic, "prog.wav": b"keep"}, read_only=("prog.wav",),
             expected=refused({"prog.bas": basic, "prog.wav": b"keep"},
                              "qirvex: Can't open 'prog.wav' for output.\n", 0)),
        Case("backslash in a folder name", ["old.d/prog"], {"old.d/prog": basic},
             windows_args=["old.d\\prog"]),
        Case("backslash in an explicit target", ["prog.bas", "sub/out.wav"],
             {"prog.bas": basic, "sub/keep": b""}, windows_args=["prog.bas", "sub\\out.wav"]),
    ]
