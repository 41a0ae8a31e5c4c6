"""The 73 conditions of the robustness matrix: what happens to cassette audio on its way through
real machines, tape decks, sound cards, recording software and audio files, each made from a
clean recording with sox (wow and flutter are applied here, since sox has no effect for them),
and with oggenc and lame for the lossy files that archives and phones hold; and 14 capture
chains (capture_chains) measured in a table of their own.

Every recording is a WAV file, 16-bit at 44100 samples per second, 3 dB below full scale, unless
its condition says otherwise (a FLAC, Ogg or MP3 recording has that file name extension). Noise
and hum are added to the signal taken 20 dB below full scale, so that even at -6 dB SNR the sum
does not clip. No dither, and the noise is repeatable, so every run makes the same files.
"""

import array
import math
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import wave
from pathlib import Path
from typing import Callable, NamedTuple

RECORDING = ["-b", "16", "-r", "44100"]  # the sox output options of a recording
HEADROOM = ["gain", "-3"]
# The level of the signal that noise and hum are added to.
MIX_GAIN = ["gain", "-20"]


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, check=False, **kwargs)


def sox(arguments):
    result = run(["sox", "-D", "-R", "-V1"] + arguments)
    if result.returncode != 0:
        sys.exit("sox failed: " + result.stderr.decode(errors="replace"))


def rms(path):
    text = run(["sox", str(path), "-n", "stat"]).stderr.decode()
    return float(re.search(r"RMS\s+amplitude:\s+([0-9.]+)", text).group(1))


def effects(chain, output=None):
    """A condition made by one sox command: output options, then effects after the headroom."""
    return lambda source, target, work: sox([str(source)] + (output or RECORDING) +
                                            [str(target)] + HEADROOM + chain)


def mixed(synth, snr_db):
    """The recording with a synthesised sound added (sox synth arguments after the length), its
    RMS snr_db below the signal's."""
    def make(source, target, work):
        quiet = work / "quiet.wav"
        sox([str(source)] + RECORDING + [str(quiet)] + MIX_GAIN + ["rate", "44100"])
        seconds = float(run(["soxi", "-D", str(quiet)]).stdout)
        added = work / "added.wav"
        sox(["-n"] + RECORDING + ["-c", "1", str(added), "synth", str(seconds)] + synth +
            ["gain", "-20"])
        scale = rms(quiet) / rms(added) / 10 ** (snr_db / 20)
        sox(["-m", "-v", "1", str(quiet), "-v", "%.6f" % scale, str(added), str(target)])
    return make


def noise(snr_db):
    return mixed(["whitenoise"], snr_db)


def clean_at_44100(source, work):
    """The clean recording as 16-bit samples at 44100 Hz, and their rate."""
    clean = work / "clean.wav"
    sox([str(source)] + RECORDING + [str(clean)] + HEADROOM + ["rate", "44100"])
    with wave.open(str(clean), "rb") as reader:
        return array.array("h", reader.readframes(reader.getnframes())), reader.getframerate()


def write_mono16(target, rate, samples):
    with wave.open(str(target), "wb") as writer:
        writer.setnchannels(1)
        writer.setsampwidth(2)
        writer.setframerate(rate)
        writer.writeframes(samples.tobytes())


def wow_and_flutter(wow, flutter):
    """The recording played at a speed that swings by `wow` (a fraction) at 0.7 Hz and by
    `flutter` at 11 Hz, by interpolating between the samples of a clean recording."""
    def make(source, target, work):
        samples, rate = clean_at_44100(source, work)
        out = array.array("h")
        position = 0.0
        step = 0
        while position < len(samples) - 1:
            whole = int(position)
            fraction = position - whole
            out.append(int(samples[whole] * (1 - fraction) + samples[whole + 1] * fraction))
            seconds = step / rate
            position += 1 + wow * math.sin(2 * math.pi * 0.7 * seconds) + flutter * math.sin(
                2 * math.pi * 11 * seconds)
            step += 1
        write_mono16(target, rate, out)
    return make


def both(first, second):
    """Two degradations one after the other. The recording between them has a name of its own,
    so that a pair nested in another pair never reads and writes the same file."""
    def make(source, target, work):
        handle, name = tempfile.mkstemp(suffix=".wav", prefix="middle-", dir=work)
        os.close(handle)
        middle = Path(name)
        first(source, middle, work)
        second(middle, target, work)
        middle.unlink()
    return make


def copy(source, target, work):
    shutil.copy(source, target)


def at_rate(rate_hz, bits=16):
    return effects(["rate", str(rate_hz)], ["-b", str(bits), "-r", str(rate_hz)])


def speed(percent):
    return effects(["speed", "%.2f" % (1 + percent / 100), "rate", "44100"])


def filtered(*chain):
    return effects(list(chain) + ["rate", "44100"])


def level(db):
    return filtered("gain", str(db + 3))


def encoded(command):
    """The recording at 44100 Hz, then encoded by another program: command(wav, target) gives
    its arguments. Both encoders named here are deterministic (oggenc given its stream serial
    number), so every run makes the same files."""
    def make(source, target, work):
        clean = work / "clean.wav"
        sox([str(source)] + RECORDING + [str(clean)] + HEADROOM + ["rate", "44100"])
        result = run(command(clean, target))
        if result.returncode != 0:
            sys.exit("%s failed: %s" % (command(clean, target)[0],
                                        result.stderr.decode(errors="replace")))
    return make


def vorbis(wav, target):
    # Quality -1 is oggenc's lowest, about 32 kbit/s for this mono audio.
    return ["oggenc", "-Q", "-q", "-1", "--serial", "1", "-o", str(target), str(wav)]


def mp3(wav, target):
    return ["lame", "--quiet", "-b", "64", str(wav), str(target)]


# The faults of real tapes and capture chains, beyond what one sox effect makes. Each is seeded,
# so every run makes the same files.

def reshaped(shape):
    """The recording at 44100 Hz with shape(samples, rate) applied to its samples, a list of
    floats in -1..1 that shape returns changed (or a new one)."""
    def make(source, target, work):
        samples, rate = clean_at_44100(source, work)
        out = shape([s / 32768.0 for s in samples], rate)
        write_mono16(target, rate, array.array(
            "h", (max(-32768, min(32767, int(round(s * 32768)))) for s in out)))
    return make


def dip_envelope(count, rate, depth_db, seed):
    """Gains of 1, falling by depth_db for 5 to 50 ms at random times (one every 0.3 to 1.5 s),
    with 2 ms slopes: the worn oxide of an old tape."""
    generator = random.Random(seed)
    gains = [1.0] * count
    low = 10 ** (-depth_db / 20)
    slope = int(0.002 * rate)
    position = int(generator.uniform(0.3, 1.5) * rate)
    while position < count:
        length = int(generator.uniform(0.005, 0.050) * rate)
        for n in range(max(0, position - slope), min(count, position + length + slope)):
            into = min(n - (position - slope), position + length + slope - n) / slope
            gains[n] = min(gains[n], 1 - (1 - low) * min(1.0, into))
        position += length + int(generator.uniform(0.3, 1.5) * rate)
    return gains


def dropouts(depth_db):
    def shape(samples, rate):
        gains = dip_envelope(len(samples), rate, depth_db, 1000 + depth_db)
        return [s * g for s, g in zip(samples, gains)]
    return reshaped(shape)


def time_warped(speed_at):
    """The recording played at a speed that changes with time: speed_at(seconds, total_seconds)
    is the speed factor (1.03: 3 % fast). Linear interpolation between samples."""
    def shape(samples, rate):
        total = len(samples) / rate
        out = []
        position = 0.0
        while position < len(samples) - 1:
            whole = int(position)
            fraction = position - whole
            out.append(samples[whole] * (1 - fraction) + samples[whole + 1] * fraction)
            position += speed_at(position / rate, total)
        return out
    return reshaped(shape)


def drift(start_percent, end_percent):
    return time_warped(lambda t, total: 1 + (start_percent + (end_percent - start_percent) *
                                             t / total) / 100)


def steps(percents, every_seconds):
    return time_warped(lambda t, total: 1 + percents[int(t / every_seconds) % len(percents)] / 100)


def pumping(hz, depth):
    """An automatic gain control breathing: the gain swings down by `depth` at `hz`."""
    def shape(samples, rate):
        return [s * (1 - depth * (0.5 + 0.5 * math.sin(2 * math.pi * hz * n / rate)))
                for n, s in enumerate(samples)]
    return reshaped(shape)


def azimuth(delay_ms):
    """A misaligned head: the track read at a slant, the signal averaged with itself delayed."""
    def shape(samples, rate):
        delay = delay_ms / 1000 * rate
        whole = int(delay)
        fraction = delay - whole
        out = []
        for n, s in enumerate(samples):
            a = samples[n - whole] if n >= whole else 0.0
            b = samples[n - whole - 1] if n > whole else 0.0
            out.append(0.5 * (s + a * (1 - fraction) + b * fraction))
        return out
    return reshaped(shape)


def clicks_and_pops(seed):
    """Clicks (a sample or two at full scale, about five a second) and pops (a 100 Hz thump
    decaying over 20 ms, about one every two seconds)."""
    def shape(samples, rate):
        generator = random.Random(seed)
        out = list(samples)
        for n in range(len(out)):
            if generator.random() < 5 / rate:
                for k in range(generator.randint(1, 2)):
                    if n + k < len(out):
                        out[n + k] = generator.choice((-0.99, 0.99))
            if generator.random() < 0.5 / rate:
                for k in range(int(0.02 * rate)):
                    if n + k < len(out):
                        out[n + k] += 0.5 * math.exp(-k / (0.005 * rate)) * math.sin(
                            2 * math.pi * 100 * k / rate)
        return out
    return reshaped(shape)


def baseline_wander(hz, share):
    """The zero line swinging slowly by `share` of the peak, as a coupling capacitor recovers."""
    def shape(samples, rate):
        peak = max(abs(s) for s in samples)
        return [s + share * peak * math.sin(2 * math.pi * hz * n / rate)
                for n, s in enumerate(samples)]
    return reshaped(shape)


def hum_with_harmonics(db):
    """Mains hum, 50 Hz with its odd harmonics as a rectifier makes them, db below the signal
    (0: at its own level)."""
    return mixed(["sine", "50", "sine", "150", "sine", "250", "sine", "350"], db)


def pink(snr_db):
    return mixed(["pinknoise"], snr_db)


def real_tape():
    """A tired tape on a tired deck: low-pass 4 kHz, 1.5 % fast, wow 0.8 % with some flutter,
    pink hiss 15 dB down and dropouts of 9 dB, so that the signal stays 6 dB above the hiss even
    in them (deeper dropouts under hiss have rows of their own)."""
    return both(both(filtered("lowpass", "4000", "speed", "1.015", "rate", "44100"),
                     wow_and_flutter(0.008, 0.002)),
                both(dropouts(9), pink(15)))


def mp3_32(wav, target):
    return ["lame", "--quiet", "-b", "32", str(wav), str(target)]


class Condition(NamedTuple):
    name: str
    make: Callable          # make(clean_recording, target, work_folder)
    suffix: str = ".wav"    # the recording's file name extension, which names its container
    # Seconds of NUL words sent before the file in place of the leader of mark tone, as some
    # machines write them; a decoder is expected to give them back ahead of the file's bytes.
    nul_leader_seconds: float = 0


def wav_named(recording):
    """The recording under a name that ends in .wav. qirvex decodes only such files and encodes
    any other file as data, so a FLAC, Ogg or MP3 recording is shown to it under a .wav name,
    where it refuses it as it refuses every header but the canonical WAV one (status 0)."""
    if recording.suffix == ".wav":
        return recording
    alias = recording.with_name("%s-%s.wav" % (recording.stem, recording.suffix[1:]))
    alias.unlink(missing_ok=True)
    os.link(recording, alias)
    return alias


def conditions():
    """The 73 conditions, listed one by one: name, how to make the recording from a clean one,
    and the recording's extension where it is not a WAV file."""
    return [Condition(*row) for row in [
        ("as sent", copy),
        ("16000 Hz, 16-bit", at_rate(16000)),
        ("22050 Hz, 16-bit", at_rate(22050)),
        ("32000 Hz, 16-bit", at_rate(32000)),
        ("44100 Hz, 16-bit", at_rate(44100)),
        ("48000 Hz, 16-bit", at_rate(48000)),
        ("44100 Hz, 32-bit float", effects(["rate", "44100"], ["-e", "floating-point", "-b",
                                                               "32", "-r", "44100"])),
        ("stereo, signal on the left", effects(["rate", "44100", "remix", "1", "0"],
                                               RECORDING + ["-c", "2"])),
        ("stereo, signal on the right", effects(["rate", "44100", "remix", "0", "1"],
                                                RECORDING + ["-c", "2"])),
        ("level -12 dB", level(-12)),
        ("level -18 dB", level(-18)),
        ("level -24 dB", level(-24)),
        ("level -30 dB", level(-30)),
        ("white noise, SNR 30 dB", noise(30)),
        ("white noise, SNR 24 dB", noise(24)),
        ("white noise, SNR 18 dB", noise(18)),
        ("white noise, SNR 12 dB", noise(12)),
        ("white noise, SNR 6 dB", noise(6)),
        ("white noise, SNR 3 dB", noise(3)),
        ("white noise, SNR 0 dB", noise(0)),
        ("white noise, SNR -6 dB", noise(-6)),
        ("speed -5 %", speed(-5)),
        ("speed -4 %", speed(-4)),
        ("speed -3 %", speed(-3)),
        ("speed -2 %", speed(-2)),
        ("speed -1 %", speed(-1)),
        ("speed +1 %", speed(1)),
        ("speed +2 %", speed(2)),
        ("speed +3 %", speed(3)),
        ("speed +4 %", speed(4)),
        ("speed +5 %", speed(5)),
        ("high-pass 300 Hz", filtered("highpass", "300")),
        ("low-pass 5 kHz", filtered("lowpass", "5000")),
        ("low-pass 3 kHz", filtered("lowpass", "3000")),
        ("low-pass 2 kHz", filtered("lowpass", "2000")),
        ("telephone band, 300-3400 Hz", filtered("sinc", "300-3400")),
        ("polarity inverted", filtered("vol", "-1")),
        ("clipped, +12 dB", filtered("gain", "15")),
        ("clipped, +24 dB", filtered("gain", "27")),
        ("DC offset +25 %, at -6 dB", filtered("gain", "-3", "dcshift", "0.25")),
        ("mains hum 50 Hz, 6 dB below the signal", mixed(["sine", "50"], 6)),
        ("wow 0.5 % and flutter 0.2 %", wow_and_flutter(0.005, 0.002)),
        ("wow 1 % and flutter 0.5 %", wow_and_flutter(0.01, 0.005)),
        ("wow 2 % and flutter 1 %", wow_and_flutter(0.02, 0.01)),
        ("low-pass 3 kHz, SNR 12 dB", both(filtered("lowpass", "3000"), noise(12))),
        ("speed -3 %, SNR 12 dB", both(speed(-3), noise(12))),
        ("wow 1 % and flutter 0.5 %, SNR 18 dB", both(wow_and_flutter(0.01, 0.005), noise(18))),
        ("clipped +12 dB and inverted", filtered("gain", "15", "vol", "-1")),
        ("16000 Hz, speed +3 %", effects(["speed", "1.03", "rate", "16000"],
                                         ["-b", "16", "-r", "16000"])),
        ("FLAC, 44100 Hz 16-bit", effects(["rate", "44100"]), ".flac"),
        ("Ogg Vorbis, oggenc -q -1", encoded(vorbis), ".ogg"),
        ("MP3 64 kbit/s, lame -b 64", encoded(mp3), ".mp3"),
        ("8000 Hz u-law", effects(["rate", "8000"], ["-e", "u-law", "-b", "8", "-r", "8000"])),
        ("dropouts of 12 dB, 5-50 ms", dropouts(12)),
        ("dropouts of 20 dB, 5-50 ms", dropouts(20)),
        ("dropouts of 30 dB, 5-50 ms", dropouts(30)),
        ("dropouts of 20 dB over hiss, SNR 24 dB", both(dropouts(20), noise(24))),
        ("dropouts of 30 dB over hiss, SNR 24 dB", both(dropouts(30), noise(24))),
        ("speed drifting from -3 % to +3 %", drift(-3, 3)),
        ("speed stepping 0, +2, -2, +1 % every 3 s", steps([0, 2, -2, 1], 3)),
        ("level pumping at 2 Hz, 60 % deep", pumping(2, 0.6)),
        ("azimuth error, 0.1 ms (notch at 5 kHz)", azimuth(0.1)),
        ("azimuth error, 0.2 ms (notch at 2.5 kHz)", azimuth(0.2)),
        ("clicks and pops", clicks_and_pops(7)),
        ("baseline wander at 0.7 Hz, half the peak", baseline_wander(0.7, 0.5)),
        ("hum 50 Hz with harmonics at the signal's level", hum_with_harmonics(0)),
        ("pink hiss, SNR 12 dB", pink(12)),
        ("pink hiss, SNR 6 dB", pink(6)),
        ("loudspeaker in a room: band 100-8000 Hz and reverb",
         filtered("sinc", "100-8000", "reverb", "40")),
        ("telephone: 300-3400 Hz, 8000 Hz u-law",
         effects(["sinc", "300-3400", "rate", "8000"], ["-e", "u-law", "-b", "8", "-r", "8000"])),
        ("MP3 32 kbit/s, lame -b 32", encoded(mp3_32), ".mp3"),
        ("GSM 06.10 speech codec, 8000 Hz",
         effects(["rate", "8000"], ["-e", "gsm-full-rate", "-r", "8000"])),
        ("real tape: low-pass 4 kHz, +1.5 %, wow, pink hiss 15 dB, 9 dB dropouts", real_tape()),
    ]]


# Capture chains: how a tape reaches a file through an old deck, a mixer and a sound card. Measured
# on recordings of real machines: the mark tone 10 to 15 dB under the space tone, the two tones
# delayed differently, a DC offset that moves, and leaders of NUL words instead of mark tone.

# Four allpass sections at 1200 Hz (Q 0.707): flat in level, but they delay 1200 Hz by 1.51 ms
# and 2400 Hz by 0.45 ms (computed from the sections' transfer function at 44100 Hz), so the
# edges of the two tones are 1.06 ms apart: 0.32 of a bit at 300 baud, 1.3 bits at 1200.
PHASE_SKEW = ["allpass", "1200", "0.707q"] * 4
# Two low-pass sections roll the treble off. Measured with sox on sine tones through them (and
# the allpass sections, which leave the levels as they are): at 1700 Hz they leave 2400 Hz 12.1 dB
# under 1200 Hz, at 1200 Hz 18.8 dB under. On their own they delay 1200 Hz 0.16 and 0.27 ms more
# than 2400 Hz; after the allpass sections the skew is 1.22 and 1.33 ms.
TREBLE_12_DB = ["lowpass", "1700", "lowpass", "1700"]
TREBLE_19_DB = ["lowpass", "1200", "lowpass", "1200"]
# The hiss of the tape, ahead of the capture chain.
HISS_SNR_DB = 18


def dc_offset_and_step(offset, step):
    """A DC offset of `offset` times the peak, which moves by `step` times the peak over 0.2 s half
    way through, as a coupling capacitor charges after a deck's input switches. The sum is
    scaled back to the signal's peak, so that it never clips."""
    def shape(samples, rate):
        peak = max(abs(s) for s in samples)
        middle = len(samples) // 2
        ramp = int(0.2 * rate)
        scale = 1 / (1 + abs(offset) + abs(step))

        def level(n):
            return offset + step * min(1.0, max(0.0, (n - middle) / ramp))
        return [scale * (s + peak * level(n)) for n, s in enumerate(samples)]
    return reshaped(shape)


def chain_rows():
    """The capture chains without hiss: name, the recording made from a clean one, and the
    seconds of NUL words before the file."""
    dc = dc_offset_and_step(0.25, 0.25)
    return [
        ("phase skew: 4 allpass at 1200 Hz, 1.06 ms", filtered(*PHASE_SKEW), 0),
        ("mark 12 dB under space, skew 0.16 ms", filtered(*TREBLE_12_DB), 0),
        ("mark 12 dB under space, skew 1.22 ms", filtered(*TREBLE_12_DB + PHASE_SKEW), 0),
        ("mark 19 dB under space, skew 1.33 ms", filtered(*TREBLE_19_DB + PHASE_SKEW), 0),
        ("DC offset 25 % of the peak, stepping by 25 % over 0.2 s", dc, 0),
        ("leader of NUL words (2 s), no mark leader", copy, 2),
        ("all: mark 12 dB under, skew, DC offset and step, NUL leader",
         both(filtered(*TREBLE_12_DB + PHASE_SKEW), dc), 2),
    ]


def capture_chains():
    """The capture-chain conditions, each without hiss and then with white hiss HISS_SNR_DB under
    the signal, added before the chain as it is on the tape."""
    rows = []
    for name, make, nul_seconds in chain_rows():
        rows.append(Condition(name, make, ".wav", nul_seconds))
        rows.append(Condition("%s, hiss %d dB" % (name, HISS_SNR_DB),
                              both(noise(HISS_SNR_DB), make), ".wav", nul_seconds))
    return rows
