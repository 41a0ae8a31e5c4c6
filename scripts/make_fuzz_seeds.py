#!/usr/bin/env python3
"""Writes the fuzz seed corpora under fuzz/corpus/: files made by the encoder (build/qirvex),
each header variant the decoder and the append check tell apart, a few command lines, event
streams for the classifier as the swing tracker would give them for a short recording, and for
qirvex-rescue the encoder's audio in every container and encoding it reads (converted with sox,
flac, oggenc, opusenc and lame) and as sample blocks for its streaming core.

Usage: scripts/make_fuzz_seeds.py [path/to/qirvex]"""
import os
import shutil
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


def convert(wav, name, *command):
    """The WAV file run through a command; {in} and {out} stand for the files' names."""
    with tempfile.TemporaryDirectory() as work:
        source, target = os.path.join(work, "in.wav"), os.path.join(work, name)
        with open(source, "wb") as f:
            f.write(wav)
        words = [w.replace("{in}", source).replace("{out}", target) for w in command]
        subprocess.run(words, check=True, stderr=subprocess.DEVNULL)
        with open(target, "rb") as f:
            return f.read()


def sox(wav, name, *arguments, rate=8000, effects=()):
    """sox at rate, 3 dB down so that resampling the square-ish tone does not clip; without
    dither and with sox's fixed random numbers, so that the seeds come out the same each time."""
    return convert(wav, name, "sox", "-R", "-D", "{in}", *arguments, "-r", str(rate), "{out}",
                   "gain", "-3", *effects)


def rf64(pcm16, rate):
    """An RF64 file (EBU Tech 3306) of 16-bit mono samples: the sizes of RIFF and data are
    0xFFFFFFFF and the real ones stand in the ds64 chunk. sox cannot write RF64."""
    frames = len(pcm16) // 2
    ds64 = struct.pack("<QQQI", 4 + 36 + 8 + 16 + 8 + len(pcm16), len(pcm16), frames, 0)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    return (b"RF64" + b"\xff" * 4 + b"WAVE" + b"ds64" + struct.pack("<I", len(ds64)) + ds64 +
            b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + b"\xff" * 4 + pcm16)


def streamed(wav):
    """A WAV file as sox writes it into a pipe, with placeholder sizes."""
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "in.wav")
        with open(source, "wb") as f:
            f.write(wav)
        return subprocess.run(["sox", "-R", "-D", source, "-t", "wav", "-r", "8000", "-b", "16", "-",
                               "gain", "-3"], check=True, capture_output=True).stdout


# The options trailer of rescue_file_fuzz, byte -4: its flags.
FAST, SEVEN_BITS, ONE_STOP, EVEN, PIPE, RAW = 0x01, 0x02, 0x04, 0x08, 0x20, 0x40
# Headerless sample types in the harness's table, and its rates.
RAW_TYPES = ["u8", "s8", "s16le", "s16be", "s24le", "s24be", "s32le", "s32be", "f32le", "f32be",
             "f64le", "f64be", "ulaw", "alaw"]
RAW_RATES = [8000, 11025, 16000, 21600, 22050, 44100, 48000, 192000]


def trailer(flags=0, channel=0, raw_type="u8", raw_channels=1, raw_rate=8000):
    return bytes([flags, channel, RAW_TYPES.index(raw_type) | (raw_channels - 1) << 4,
                  RAW_RATES.index(raw_rate)])


def rescue_file_seeds():
    """Each container and encoding the rescue decoder reads, a few KB each, with the options
    the harness takes from the last four bytes."""
    wav = encode(b"10 A\r\n", "-L100", "-T50")
    files = {
        "wav-u8-8000.wav": sox(wav, "o.wav", "-b", "8", "-e", "unsigned"),
        "wav-s16-11025.wav": sox(wav, "o.wav", "-b", "16", rate=11025),
        "wav-s16-stereo-right.wav": sox(wav, "o.wav", "-b", "16", effects=("remix", "0", "1")),
        "wav-float-8000.wav": sox(wav, "o.wav", "-e", "floating-point", "-b", "32"),
        "wav-extensible-s24-3ch.wav": sox(encode(b"A", "-L100", "-T50"), "o.wav", "-b", "24",
                                          effects=("remix", "0", "1", "0")),
        "wav-ulaw-8000.wav": sox(wav, "o.wav", "-e", "u-law"),
        "wav-alaw-8000.wav": sox(wav, "o.wav", "-e", "a-law"),
        "wav-ima-adpcm-8000.wav": sox(wav, "o.wav", "-e", "ima-adpcm"),
        "wav-ms-adpcm-8000.wav": sox(wav, "o.wav", "-e", "ms-adpcm"),
        "wav-gsm-8000.wav": sox(wav, "o.wav", "-e", "gsm-full-rate"),
        "aiff-s16-8000.aiff": sox(wav, "o.aiff", "-b", "16"),
        "aifc-ulaw-8000.aifc": sox(wav, "o.aifc", "-e", "u-law"),
        "caf-s16-8000.caf": sox(wav, "o.caf", "-b", "16"),
        "w64-s16-8000.w64": sox(wav, "o.w64", "-b", "16"),
        "flac-8000.flac": sox(wav, "o.flac", "-b", "16"),
        "vorbis-8000.ogg": convert(sox(wav, "o.wav", "-b", "16"), "o.ogg",
                                   "oggenc", "--quiet", "-q", "0", "-s", "1", "-o", "{out}", "{in}"),
        "opus-12k.opus": convert(sox(wav, "o.wav", "-b", "16"), "o.opus",
                                 "opusenc", "--quiet", "--bitrate", "12", "--serial", "1", "{in}", "{out}"),
        "mp3-32k-8000.mp3": convert(sox(wav, "o.wav", "-b", "16"), "o.mp3",
                                    "lame", "--quiet", "-b", "32", "{in}", "{out}"),
    }
    pcm16 = sox(wav, "o.raw", "-t", "raw", "-b", "16", "-e", "signed", "-L")
    files["rf64-s16-8000.rf64"] = rf64(pcm16, 8000)
    for name, data in files.items():
        write("rescue_file_fuzz", name, data + trailer())
    write("rescue_file_fuzz", "raw-s16le-8000", pcm16 + trailer(RAW, raw_type="s16le"))
    raw_u8 = sox(wav, "o.raw", "-t", "raw", "-b", "8", "-e", "unsigned", "-c", "2", rate=11025)
    write("rescue_file_fuzz", "raw-u8-stereo-11025",
          raw_u8 + trailer(RAW, 2, "u8", raw_channels=2, raw_rate=11025))
    write("rescue_file_fuzz", "raw-s16le-pipe",
          pcm16 + trailer(RAW | PIPE, raw_type="s16le"))
    write("rescue_file_fuzz", "pipe-wav-placeholder-sizes.wav", streamed(wav) + trailer(PIPE))
    write("rescue_file_fuzz", "pipe-vorbis.ogg", files["vorbis-8000.ogg"] + trailer(PIPE))
    write("rescue_file_fuzz", "pipe-mp3.mp3", files["mp3-32k-8000.mp3"] + trailer(PIPE))
    write("rescue_file_fuzz", "pipe-flac-refused.flac", files["flac-8000.flac"] + trailer(PIPE))
    fast = encode(b"AB", "-R1", "-L100", "-T50")
    write("rescue_file_fuzz", "fast-600.wav", sox(fast, "o.wav", "-b", "16") + trailer(FAST))
    seven = encode(b"A", "-D", "-E", "-S", "-L100", "-T50")
    write("rescue_file_fuzz", "7e1.wav",
          sox(seven, "o.wav", "-b", "8") + trailer(SEVEN_BITS | ONE_STOP | EVEN))
    write("rescue_file_fuzz", "rate-7999-refused.wav", sox(wav, "o.wav", "-b", "8", rate=7999)
          [:2048] + trailer())
    write("rescue_file_fuzz", "channel-3-of-2-refused.wav",
          files["wav-s16-stereo-right.wav"][:2048] + trailer(channel=3))
    write("rescue_file_fuzz", "not-audio.txt", b"10 PRINT \"HELLO\"\r\n" + trailer())


def stream_header(rate_index=0, channels=1, channel=0, flags=0, stretch=0, cuts=(0x3F,) * 4):
    """The ten bytes before the samples in rescue_stream_fuzz."""
    return bytes([rate_index, 0, 0, (channels - 1) | channel << 2, flags, stretch, *cuts])


def samples16(text, *flags, rate=8000, effects=()):
    """The encoder's audio for text as 16-bit little-endian samples, with a short leader."""
    wav = encode(text, "-L30", "-T10", *flags)
    return sox(wav, "o.raw", "-t", "raw", "-b", "16", "-e", "signed", "-L", rate=rate,
               effects=effects)


def rescue_stream_seeds():
    """The encoder's audio as 16-bit samples for the streaming core, a few hundred frames each,
    which the harness's stretch byte repeats past the look-ahead."""
    mono = samples16(b"AB")
    write("rescue_stream_fuzz", "mono-8000-stretched", stream_header(stretch=100) + mono)
    write("rescue_stream_fuzz", "mono-8000-small-blocks",
          stream_header(stretch=20, cuts=(1, 7, 0, 0x7F)) + mono)
    write("rescue_stream_fuzz", "mono-8000-gathering", stream_header(cuts=(0x41, 0, 0, 0)) + mono)
    write("rescue_stream_fuzz", "stereo-8000-right", stream_header(
        channels=2, channel=2, stretch=50, cuts=(0x50, 0x81, 3, 0xC0)) +
        samples16(b"A", effects=("remix", "0", "1")))
    write("rescue_stream_fuzz", "mono-11025-stretched",
          stream_header(rate_index=1, stretch=10, cuts=(0x9F, 0x45, 0x3F, 0x02)) +
          samples16(b"A", rate=11025))
    write("rescue_stream_fuzz", "fast-600-8000", stream_header(flags=FAST, stretch=40) +
          samples16(b"AB", "-R1"))
    write("rescue_stream_fuzz", "7e1-8000", stream_header(
        flags=SEVEN_BITS | ONE_STOP | EVEN, stretch=30) + samples16(b"A", "-D", "-E", "-S"))
    write("rescue_stream_fuzz", "rate-192000-4ch", stream_header(rate_index=7, channels=4) +
          mono[:2000])
    write("rescue_stream_fuzz", "header-only", bytes([0x80, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0]))


def program_seeds():
    # Texts of each program format, clean and as decoded tapes hold them (NULs, LF, CR LF,
    # echoes, a damaged digit), and a saved BASIC listing.
    hex_text = b":02020000A2FF5B\r\n:0400000500000200F5\r\n:00000001FF\r\n"
    write("program_65v_fuzz", "clean", b".0200/A2\r\0\0FF\r\0\0.0300/60\r\0\0.0200G")
    write("program_65v_fuzz", "decoded", b"L\r\n\0\0OK\r\n.0200/A2\r\nF\xc6\n9A\r\n.0200G\r\nXY")
    write("program_65v_fuzz", "cc65-boot", b"\r\r.7C00/A0\r00\rA9\r00\rA2\r02\r85\r08\r86\r09\r"
          b"A9\r02\r49\rFF\r85\r0A\rA9\r00\r49\rFF\r85\r0B\r.7C00G\x60\xea")
    write("program_hex_fuzz", "clean", hex_text)
    write("program_hex_fuzz", "extended", b":020000040000FA\n:0A028000860220FFFFA0FFD0E86017\n"
          b":0400000300000200F7\n:00000001FF\n")
    write("program_srec_fuzz", "clean", b"S0030000FC\nS1050200A2FF57\nS5030001FB\nS9030200FA\n")
    write("program_srec_fuzz", "wide", b"S2060002009A605C\r\nS30700000300EAEA24\r\nS70500000300F7\r\n")
    write("program_mos_fuzz", "clean", b";020200A2FF01A5\r\0\0;0000010001\r")
    write("program_mos_fuzz", "with-loader", b".7C00/A9\r.7C00G\n;020200A2FF01A5\n;0000010001\n")
    write("program_listing_fuzz", "saved", b"SAVE\r\n\0\0OK\r\nLIST\r\n\0\010 PRINT \"HI\"\r\n"
          b"\0\0 20 GOTO 10\r\n\0\0OK\r\n")
    write("program_listing_fuzz", "faults", b"10 A\xc1\x07\r\n5 B\r\nX=1\r\n30 REM " + b"X" * 70 + b"\n")
    write("program_mend_fuzz", "listing", b"\x00" + b"10 STEP\xc5\x05\r\n\0\0" + b"\xff" * 4)
    write("program_mend_fuzz", "65v", b"\x01" + b"LOAD\r.0300/Q2\r\0\0A9\r.0300G\x01Z")
    write("program_mend_fuzz", "records", b"\x02" + b".7C00/A9\r;010300400045\r\0;0000010001\r")


decode_seeds()
append_seeds()
options_seeds()
classifier_seeds()
program_seeds()
if shutil.which("sox"):
    rescue_file_seeds()
    rescue_stream_seeds()
else:
    print("sox not found: the rescue seeds are left as they are", file=sys.stderr)
