#!/usr/bin/env python3
"""Decodes the recordings of real tapes and machines in ../shared/realtapes with qirvex-rescue and
with minimodem, and compares each with the bytes it truly holds.

The recordings are of the Kansas City Standard family: BBC Micro and Nascom machines, at 300 baud
(4 cycles of 1200 Hz for a 0, 8 of 2400 Hz for a 1) and at 1200 baud (1 and 2 cycles), words of
8N1. For every recording the table gives, per decoder:
- "exact" when the true bytes come back whole and in order, with the count of junk bytes decoded
  from carrier before or after them ("exact +2");
- else the aligned share of the true bytes (longest common subsequence over their length);
- for tapes of several blocks, the blocks that came back whole: every block found in the output
  whose header and data checksums pass (BBC: CRC-16/XMODEM; Nascom NAS-SYS: 8-bit sums), counted
  once each, against the blocks the tape holds.
The recordings are never copied into the project: this script reads them where they are and
skips what is missing. CSW pulse files are rendered to WAV first (one pulse, one half-cycle of a
square wave).

Usage: realtapes.py [path/to/qirvex-rescue] [--tapes FOLDER]
"""

import argparse
import shutil
import struct
import subprocess
import sys
import tempfile
import wave
import zlib
from pathlib import Path

from robustness import common_length

ROOT = Path(__file__).resolve().parent.parent
MINIMODEM_RX = ["minimodem", "--rx", "-q", "-M", "2400", "-S", "1200", "--stopbits", "1", "-l",
                "inf"]

# File, baud, block format, truth: a file of the tape's bytes (whole truth), or the number of
# blocks the tape holds (truth by checksums only). Two counts differ from the lists in truth/,
# which hold what a simple decoder found: Arcadians holds 82 blocks (the list stops before
# block 17, which decodes with passing CRCs), nap-ram 16 (0x1000 to 0x1F00; the README counts
# from 0x1100).
RECORDINGS = [
    ("bbc300_JUNIT300_cassette-nibbler.wav", 300, "bbc",
     "bbc300_JUNIT300_cassette-nibbler.tapebytes.bin"),
    ("bbc300_Swarm1-block1_excerpt_from-csw.wav", 300, "bbc",
     "Swarm1_block1_300baud.tapebytes.bin"),
    ("bbc1200_JUNIT1200_cassette-nibbler.wav", 1200, "bbc",
     "bbc1200_JUNIT1200_cassette-nibbler.tapebytes.bin"),
    ("bbc1200_BYTES_cassette-nibbler.wav", 1200, "bbc",
     "bbc1200_BYTES_cassette-nibbler.tapebytes.bin"),
    ("bbc1200_FILE2_cassette-nibbler.wav", 1200, "bbc",
     "bbc1200_FILE2_cassette-nibbler.tapebytes.bin"),
    ("bbc1200_JUNIT1200+FILE2_cassette-nibbler.wav", 1200, "bbc",
     "bbc1200_JUNIT1200+FILE2_cassette-nibbler.tapebytes.bin"),
    ("bbc_mixed300+1200_Swarm-ComputerConcepts_beebjit.csw", 1200, "bbc", 37),
    ("bbc1200_Arcadians-Acornsoft_beebjit.csw", 1200, "bbc", 82),
    ("nascom1200_mastermind_1blk_nealcrook.wav", 1200, "nascom",
     "nascom1200_mastermind_1blk.cas"),
    ("nascom1200_BLS-maanelander_PeterJensen.wav", 1200, "nascom", 16),
    ("nascom1200_BLS-nap-ram-v22_PeterJensen.wav", 1200, "nascom", 16),
]


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, check=False, **kwargs)


def render_csw(source, target):
    """A CSW v2 file (Z-RLE pulse lengths) as a 16-bit WAV of a square wave."""
    data = source.read_bytes()
    rate = struct.unpack("<I", data[0x19:0x1D])[0]
    extension = data[0x23]
    pulses = zlib.decompress(data[0x34 + extension:])
    level = 16000 if data[0x22] & 1 else -16000
    samples = bytearray()
    position = 0
    while position < len(pulses):
        length = pulses[position]
        position += 1
        if length == 0:
            length = struct.unpack("<I", pulses[position:position + 4])[0]
            position += 4
        samples += struct.pack("<h", level) * length
        level = -level
    with wave.open(str(target), "wb") as writer:
        writer.setnchannels(1)
        writer.setsampwidth(2)
        writer.setframerate(rate)
        writer.writeframes(bytes(samples))


def crc16_xmodem(data):
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = (crc << 1) ^ 0x1021 if crc & 0x8000 else crc << 1
        crc &= 0xFFFF
    return crc


def bbc_blocks(data):
    """The BBC cassette blocks whose header and data CRCs pass: (name, block number)."""
    found = set()
    for start in range(len(data)):
        if data[start] != 0x2A:
            continue
        end = data.find(b"\0", start + 1, start + 12)
        if end < 0:
            continue
        header_end = end + 1 + 17
        if header_end + 2 > len(data):
            continue
        header = data[start + 1:header_end]
        if crc16_xmodem(header) != struct.unpack(">H", data[header_end:header_end + 2])[0]:
            continue
        number, length = struct.unpack("<HH", data[end + 9:end + 13])
        body = data[header_end + 2:header_end + 2 + length]
        stored = data[header_end + 2 + length:header_end + 4 + length]
        if length == 0 or (len(stored) == 2 and crc16_xmodem(body) ==
                           struct.unpack(">H", stored)[0]):
            found.add((data[start + 1:end], number))
    return found


def nascom_blocks(data):
    """The NAS-SYS blocks whose header and data sums pass: (address, block number)."""
    found = set()
    for start in range(len(data) - 9):
        if data[start:start + 5] != b"\0\xff\xff\xff\xff":
            continue
        header = data[start + 5:start + 9]
        if len(header) < 4 or sum(header) & 0xFF != data[start + 9]:
            continue
        address, length, number = struct.unpack("<HBB", header)
        length = length or 256
        body = data[start + 10:start + 10 + length]
        stored = data[start + 10 + length:start + 11 + length]
        if len(body) == length and stored and sum(body) & 0xFF == stored[0]:
            found.add((address, number))
    return found


def verdict(decoded, kind, truth):
    """The cell for one decode: exactness or aligned share, and whole blocks."""
    blocks = len(bbc_blocks(decoded) if kind == "bbc" else nascom_blocks(decoded))
    if isinstance(truth, int):
        return "%d/%d blocks" % (blocks, truth)
    if truth in decoded:
        return "exact +%d" % (len(decoded) - len(truth))
    share = 100.0 * common_length(truth, decoded) / len(truth)
    return "%.1f %%" % share


def decode_rescue(rescue, recording, baud, work):
    out = work / "rescue.out"
    out.unlink(missing_ok=True)
    run([str(rescue), "-f", "-q", "-b", str(baud), "-s", "1", str(recording), str(out)])
    return out.read_bytes() if out.exists() else b""


def decode_minimodem(recording, baud, work):
    # minimodem reads only mono: the first channel of a stereo recording.
    mono = work / "mono.wav"
    run(["sox", str(recording), str(mono), "remix", "1"])
    return run(MINIMODEM_RX + ["-f", str(mono), str(baud)]).stdout


def main():
    parser = argparse.ArgumentParser(description="Decode the real tapes and compare.")
    parser.add_argument("rescue", nargs="?", default=str(ROOT / "build" / "qirvex-rescue"))
    parser.add_argument("--tapes", default=str(ROOT.parent / "shared" / "realtapes"))
    arguments = parser.parse_args()
    tapes = Path(arguments.tapes)
    if not tapes.is_dir():
        print("realtapes: %s is missing; nothing to measure" % tapes)
        return
    has_minimodem = shutil.which("minimodem") and shutil.which("sox")
    work = Path(tempfile.mkdtemp(prefix="qirvex-realtapes-"))
    try:
        print("| Recording | baud | truth | qirvex-rescue | minimodem |")
        print("|---|---|---|---|---|")
        for name, baud, kind, truth_name in RECORDINGS:
            recording = tapes / name
            if not recording.exists():
                continue
            if recording.suffix == ".csw":
                rendered = work / (recording.stem + ".wav")
                render_csw(recording, rendered)
                recording = rendered
            truth = truth_name if isinstance(truth_name, int) else \
                (tapes / "truth" / truth_name).read_bytes()
            described = "%d blocks" % truth if isinstance(truth, int) else "%d bytes" % len(truth)
            ours = verdict(decode_rescue(arguments.rescue, recording, baud, work), kind, truth)
            theirs = verdict(decode_minimodem(recording, baud, work), kind, truth) \
                if has_minimodem else "n/a"
            print("| %s | %d | %s | %s | %s |" % (name, baud, described, ours, theirs),
                  flush=True)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
