"""The qirvex-rescue cases of windows_test.py: every container and encoding that the Windows
build reads, the robustness recordings, pipes, names and refusals.

The recordings are made once from the Linux qirvex's audio of examples/squares.bas, by the tools
the robustness matrix uses (sox, oggenc, lame) and by Debian's own libsndfile writer
(sndfile-convert) for RF64, ALAC and Opus. The robustness rows are degrade.py's 73 conditions,
each applied to the 300-baud and to the 600-baud recording (one file per row and rate, not
robustness.py's three files from two transmitters), and its capture chains but those with a
leader of NUL words, applied to those two and to minimodem's 1200-baud audio of the same program:
some chains are read from the space tone alone, and 1200 baud is a rate qirvex does not send. Every decode runs with -v, so that
the format's name, the frame count, the measured speed and the levels are compared too.
"""

import struct
import subprocess
import sys
from pathlib import Path

from degrade import capture_chains, conditions, sox
from windows_cases import Case, Outcome, encoded

ROOT = Path(__file__).resolve().parent.parent
RESCUE = "qirvex-rescue"


def tool(command, stdin=None):
    result = subprocess.run(command, input=stdin, capture_output=True, check=False)
    if result.returncode != 0:
        sys.exit("windows_rescue_cases: %s failed: %s"
                 % (command[0], result.stderr.decode(errors="replace")))


def rf64(wav):
    """A canonical 44-byte WAV file as RF64: the sizes move into a ds64 chunk."""
    fmt, data = wav[12:36], wav[44:]
    ds64 = struct.pack("<4sIQQQI", b"ds64", 28, 4 + 36 + 8 + len(fmt) + 8 + len(data),
                       len(data), len(data) // 2, 0)
    return (struct.pack("<4sI4s", b"RF64", 0xFFFFFFFF, b"WAVE") + ds64 + fmt +
            struct.pack("<4sI", b"data", 0xFFFFFFFF) + data)


# sox output options, by the recording's name; each gets the file name extension after the dot.
SOX_FORMATS = {
    "pcm16.wav": ["-b", "16"],
    "u8.wav": ["-b", "8", "-e", "unsigned-integer"],
    "pcm24.wav": ["-b", "24"],
    "pcm32.wav": ["-b", "32"],
    "float32.wav": ["-b", "32", "-e", "floating-point"],
    "float64.wav": ["-b", "64", "-e", "floating-point"],
    "ulaw.wav": ["-e", "u-law"],
    "alaw.wav": ["-e", "a-law"],
    "ima-adpcm.wav": ["-e", "ima-adpcm"],
    "ms-adpcm.wav": ["-e", "ms-adpcm"],
    "gsm.wav": ["-r", "8000", "-e", "gsm-full-rate"],
    "extensible.wav": ["-t", "wav", "-b", "24", "-c", "2"],
    "stereo.wav": ["-c", "2"],
    "tape.aiff": ["-b", "16"],
    "tape.aifc": ["-b", "16", "-t", "aifc"],
    "tape.caf": ["-b", "16"],
    "tape.w64": ["-b", "16"],
    "tape.au": ["-b", "16"],
    "tape.flac": ["-b", "16"],
    "tape24.flac": ["-b", "24"],
    "tape8k.flac": ["-b", "16", "-r", "8000"],
    "tape.raw": ["-b", "16", "-e", "signed-integer", "-t", "raw"],
}


def make_recordings(linux_qirvex, work):
    """The recordings by name, and the robustness rows (robustness_rows)."""
    basic = (ROOT / "examples" / "squares.bas").read_bytes()
    folder = work / "recordings"
    folder.mkdir()
    source = folder / "source.wav"
    source.write_bytes(encoded(linux_qirvex, work, basic, []))
    fast = work / "source600.wav"
    fast.write_bytes(encoded(linux_qirvex, work, basic, ["-R1"]))
    clean = folder / "clean.wav"
    sox([str(source), "-b", "16", "-r", "44100", str(clean), "gain", "-3", "rate", "44100"])
    for name, options in SOX_FORMATS.items():
        sox([str(clean)] + options + [str(folder / name)])
    tool(["oggenc", "-Q", "-q", "-1", "--serial", "1", "-o", str(folder / "tape.ogg"),
          str(clean)])
    tool(["lame", "--quiet", "-b", "64", str(clean), str(folder / "tape.mp3")])
    tool(["lame", "--quiet", "-b", "32", "--add-id3v2", "--tt", "Squares", str(clean),
          str(folder / "tagged.mp3")])
    tool(["lame", "--quiet", "-b", "64", "-m", "s", "--resample", "48", str(folder /
                                                                          "stereo.wav"),
          str(folder / "stereo48.mp3")])
    tool(["sndfile-convert", "-alac16", str(clean), str(folder / "alac.caf")])
    at_48k = folder / "clean48.wav"
    sox([str(clean), "-r", "48000", str(at_48k)])
    tool(["sndfile-convert", "-opus", str(at_48k), str(folder / "tape.opus")])
    cuts = work / "source1200.wav"
    tool(["minimodem", "--tx", "-q", "-M", "2400", "-S", "1200", "--stopbits", "2", "-f",
          str(cuts), "1200"], stdin=basic)
    recordings = {path.name: path.read_bytes() for path in folder.iterdir()}
    recordings["tape.rf64"] = rf64(recordings["clean.wav"])
    rows = robustness_rows(source, 300, folder) + robustness_rows(fast, 600, folder)
    for recording, baud in ((source, 300), (fast, 600), (cuts, 1200)):
        chains = [chain for chain in capture_chains() if chain.nul_leader_seconds == 0]
        rows += robustness_rows(recording, baud, folder, chains, "chain")
    return recordings, rows


def robustness_rows(source, baud, folder, rows_made=None, prefix="row"):
    """degrade.py's conditions (or `rows_made`), each applied to the recording at `baud`: label,
    the options that decode it, name and bytes."""
    rows = []
    for index, condition in enumerate(conditions() if rows_made is None else rows_made):
        target = folder / ("%s%02d-%d%s" % (prefix, index, baud, condition.suffix))
        condition.make(source, target, folder)
        rows.append(("%s, %d baud" % (condition.name, baud), ["-b", str(baud)], target.name,
                     target.read_bytes()))
        target.unlink()
    return rows


def decode(label, name, data, flags=()):
    return Case(label, ["-v", "-f"] + list(flags) + [name, "out.txt"], {name: data},
                program=RESCUE)


def rescue_cases(inputs, made):
    recordings, rows = made
    cases = [decode("rescue: " + name, name, recordings[name])
             for name in sorted(recordings) if name not in ("tape.raw", "source.wav",
                                                            "clean48.wav", "tape.opus")]
    cases.append(decode("rescue: headerless samples", "tape.raw", recordings["tape.raw"],
                        ["--raw-format", "s16le", "--raw-rate", "44100"]))
    cases += [decode("rescue row: " + label, name, data, flags)
              for label, flags, name, data in rows]
    cases += pipe_cases(recordings) + command_line_cases(inputs, recordings)
    return cases


def pipe_cases(recordings):
    """Recordings through a pipe into standard input: each bytes, the report on standard error."""
    return [Case("rescue: %s through a pipe" % name, ["-v", "-"], program=RESCUE,
                 stdin=recordings[name])
            for name in ("pcm16.wav", "ima-adpcm.wav", "ms-adpcm.wav", "ulaw.wav", "tape.aiff",
                         "tape.w64", "tape.caf", "tape.ogg", "tape.mp3", "tagged.mp3", "gsm.wav")]


def command_line_cases(inputs, recordings):
    tone = recordings["pcm16.wav"]
    return [
        Case("rescue: help", ["--help"], program=RESCUE),
        Case("rescue: version", ["--version"], program=RESCUE),
        Case("rescue: unknown option", ["--nonsense", "in.wav"], program=RESCUE),
        Case("rescue: missing input", ["nothing.wav"], program=RESCUE),
        Case("rescue: text, not a recording", ["notes.wav"], {"notes.wav": inputs["basic"]},
             program=RESCUE),
        Case("rescue: derived target", ["tape.wav"], {"tape.wav": tone}, program=RESCUE),
        Case("rescue: target exists", ["tape.wav", "out.txt"],
             {"tape.wav": tone, "out.txt": b"keep"}, program=RESCUE),
        Case("rescue: report and record", ["-r", "-f", "--report=words.tsv", "tape.wav", "out.txt"], {"tape.wav": tone}, program=RESCUE),
        Case("rescue: channel 2 of mono", ["-c", "2", "tape.wav"], {"tape.wav": tone},
             program=RESCUE),
        Case("rescue: channel 2 of stereo", ["-c", "2", "-v", "st.wav", "out.txt"],
             {"st.wav": recordings["stereo.wav"]}, program=RESCUE),
        Case("rescue: Prögrämm ü.wav", ["Prögrämm ü.wav"], {"Prögrämm ü.wav": tone},
             program=RESCUE),
        Case("rescue: Лента 磁帶.flac", ["-v", "Лента 磁帶.flac", "Band 🎵.txt"],
             {"Лента 磁帶.flac": recordings["tape.flac"]}, program=RESCUE),
        Case("rescue: truncated WAV", ["-v", "cut.wav", "out.txt"],
             {"cut.wav": tone[:len(tone) // 2 + 1]}, program=RESCUE),
        Case("rescue: empty file", ["empty.wav", "out.txt"], {"empty.wav": b""}, program=RESCUE),
        Case("rescue: empty pipe", ["-"], program=RESCUE, stdin=b""),
        Case("rescue: batch of a clean, a cut and a refused recording",
             ["--batch", "tape.wav", "cut.wav", "notes.wav"],
             {"tape.wav": tone, "cut.wav": tone[:len(tone) // 2 + 1],
              "notes.wav": inputs["basic"]},
             program=RESCUE),
        Case("rescue: batch of a folder, split", ["--batch", "--split=progs", "tapes"],
             {"tapes/b.wav": tone, "tapes/a.flac": recordings["tape.flac"],
              "tapes/notes.txt": b"x"},
             program=RESCUE),
    ]


def rescue_windows_cases(made):
    """Where the Windows build reads less than Debian's libsndfile, it refuses in its own words."""
    recordings, _ = made
    opus, flac = recordings["tape.opus"], recordings["tape.flac"]
    return [
        Case("rescue: Ogg Opus", ["tape.opus", "out.txt"], {"tape.opus": opus},
             program=RESCUE, expected=Outcome(
                 {"tape.opus": opus}, 2, b"",
                 b"qirvex-rescue: tape.opus: found an Ogg Opus recording, which this Windows "
                 b"build cannot read; convert it first, for example \"opusdec in.opus in.wav\", "
                 b"or use the Linux build\n")),
        Case("rescue: FLAC through a pipe", ["-"], program=RESCUE, stdin=flac,
             expected=Outcome(
                 {}, 2, b"",
                 b"qirvex-rescue: standard input: found a FLAC recording, which cannot be read "
                 b"from a pipe: give the file's name instead, or convert on the way, for "
                 b"example \"flac -dc in.flac | qirvex-rescue - out\"\n")),
    ]
