#!/usr/bin/env python3
"""Writes the fuzz seed corpora under fuzz/corpus/: files made by the encoder (build/qirvex),
each header variant the decoder and the append check tell apart, a few command lines, and event
streams for the classifier as the swing tracker would give them for a short recording.

Usage: scripts/make_fuzz_seeds.py [path/to/qirvex]"""
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
QIRVEX = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "qirvex")
CORPUS = os.path.join(ROOT, "fuzz", "corpus")


def encode(text, *flags):
    with tempfile.TemporaryDirectory() as work:
        source, target = os.path.join(work, "in.txt"), os.path.join(work, "out.wav")
        with open(source, "wb") as f:
            f.write(text)
        status = subprocess.run([QIRVEX, *flags, source, target]).returncode
        assert status == 1, f"encode {flags} gave {status}"
        with open(target, "rb") as f:
            return f.read()


def header(channels, rate, bits, data_size, tag=1, fmt=b"fmt ", options=b"\x10\0\0\0"):
    align = channels * bits // 8
    return (b"RIFF" + struct.pack("<I", data_size + 36) + b"WAVE" + fmt + options +
            struct.pack("<HHIIHH", tag, channels, rate, rate * max(align, 1), align, bits) +
            b"data" + struct.pack("<I", data_size))


def with_options(wav, flags, second=0):
    """The harnesses read their options from format_chunk_size, which no reader looks at."""
    return wav[:17] + bytes([flags, second]) + wav[19:]


def widen(wav, bits, channels):
    """The same tone as signed samples of another width, in every channel."""
    out = b""
    for byte in wav[44:]:
        value = (byte - 128) << (bits - 8)
        out += struct.pack({16: "<h", 32: "<i"}[bits], value) * channels
    return header(channels, 21600, bits, len(out)) + out


def write(harness, name, data):
    folder = os.path.join(CORPUS, harness)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def decode_seeds():
    plain = encode(b"10 A\r\n", "-L100", "-T50")
    short = encode(b"A", "-L100", "-T50")
    write("decode_fuzz", "default.wav", plain)
    write("decode_fuzz", "calibrated.wav", encode(b"OK", "-L500", "-T50"))
    write("decode_fuzz", "legacy.wav", encode(b"A", "-Q", "-L100", "-T50"))
    write("decode_fuzz", "sine.wav", encode(b"A", "-U", "-L100", "-T50"))
    write("decode_fuzz", "fast.wav", with_options(encode(b"AB", "-R1", "-L100", "-T50"), 0x02))
    write("decode_fuzz", "7e1-trace.wav",
          with_options(encode(b"A", "-D", "-E", "-S", "-L100", "-T50"), 0x01 | 0x04 | 0x08 | 0x10))
    write("decode_fuzz", "stereo16-right.wav", with_options(widen(short, 16, 2), 0, 2))
    write("decode_fuzz", "mono32.wav", widen(short[:2048], 32, 1))
    write("decode_fuzz", "mono24.wav", header(1, 21600, 24, 6) + bytes(6))
    write("decode_fuzz", "stereo4.wav", header(2, 21600, 4, 4) + bytes(4))
    write("decode_fuzz", "mono12.wav", header(1, 21600, 12, 6) + bytes(6))
    write("decode_fuzz", "empty-data.wav", header(1, 21600, 8, 0, fmt=b"fmt\0"))
    write("decode_fuzz", "rate-refused.wav", header(1, 8000, 8, 4) + bytes(4))


def append_seeds():
    small = encode(b"A", "-L10", "-T10")
    write("append_fuzz", "default.wav", small)
    write("append_fuzz", "legacy-basic.wav", with_options(encode(b"A", "-Q", "-L10", "-T10"), 0x81))
    write("append_fuzz", "trailing-chunk.wav", small + b"LIST\4\0\0\0abcd")
    write("append_fuzz", "stereo16.wav", header(2, 21600, 16, 8) + bytes(8))
    write("append_fuzz", "rate44100.wav", header(1, 44100, 8, 4) + bytes(4))
    write("append_fuzz", "float.wav", header(1, 21600, 32, 4, tag=3) + bytes(4))
    write("append_fuzz", "truncated.wav", small[:-1][:44] + small[44:100])
    write("append_fuzz", "empty", b"")


def options_seeds():
    lines = [
        [b"-B", b"-N5", b"prog.bas"],
        [b"-R1", b"-Q", b"-L-1", b"-T", b"-P2001", b"-W+10", b"-C7", b"in.wav", b"out.txt"],
        [b"-x", b"-e", b"-o", b"-d", b"-s", b"-u", b"-f", b"-a", b"a", b"b", b"c"],
        [b"-ox"],
        [b"-"],
        [b"-F", b"-A"],
        [b"-L 99999999999", b"-N-2147483649", b"x"],
    ]
    for number, line in enumerate(lines):
        write("options_fuzz", f"line{number}", b"\0".join(line))


def events(bits, rate=21600, flags=0, leader=1100):
    """Events as the tracker gives them for 21600 Hz tone: a mark cycle falls for 4 or 5 samples
    every 9, a space cycle for 9 every 18; 8 mark or 4 space cycles make a 300-baud bit."""
    out = struct.pack("<IB", rate, flags)
    per_bit = 4 if flags & 1 else 8
    for n in range(leader):
        out += bytes([4 + n % 2, 9])
    for bit in bits:
        out += bytes([4 + n % 2, 9]) * per_bit if bit == "1" else bytes([9, 18]) * (per_bit // 2)
    return out + bytes([5, 9]) * 100


def classifier_seeds():
    word_a = "0" + "10000010" + "11"
    write("classifier_fuzz", "leader-and-a", events(word_a * 2))
    write("classifier_fuzz", "fast", events(word_a, flags=0x01, leader=1100))
    write("classifier_fuzz", "trace-7e1", events("0100000101" * 2, flags=0x02 | 0x04 | 0x08 | 0x20))
    write("classifier_fuzz", "refused-rate", events(word_a, rate=8000, leader=20))
    write("classifier_fuzz", "escapes", struct.pack("<IB", 48000, 0) +
          b"\xff\xff\xff\xff\x7f\xff\xff\xff\xff\xff" + bytes([6, 12]) * 40)


decode_seeds()
append_seeds()
options_seeds()
classifier_seeds()
