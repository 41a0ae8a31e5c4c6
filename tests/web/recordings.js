// Recordings for the page's tests, made here from a listing with qirvex and then worn with sox
// and lame the way real captures are: resampled, off speed, quieter, with hiss, compressed.
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { run, runQirvex } from './support.js';

// A BASIC listing of `lines` lines with CR LF line ends, as the machine's LIST prints them.
export function basicListing(lines) {
  const text = [];
  for (let n = 1; n <= lines; ++n)
    text.push(`${n * 10} PRINT "LINE ${n}: THE QUICK BROWN FOX ${(n * 7919) % 1000}"`);
  return Buffer.from(text.join('\r\n') + '\r\n', 'latin1');
}

// Encodes `bytes` with qirvex and the given options into folder/name.wav; returns its path.
export function encodeWithQirvex(folder, name, bytes, options = []) {
  const input = join(folder, `${name}.txt`);
  const output = join(folder, `${name}.wav`);
  writeFileSync(input, bytes);
  runQirvex([...options, input, output]);
  return output;
}

function duration(path) {
  return Number(run('soxi', ['-D', path]).toString());
}

// The recording at 44100 Hz, 16-bit, 2 % fast, 6 dB quieter, with white noise 20 dB under the
// tones: what a cassette deck into a sound card gives.
export function degrade(folder, clean, name) {
  const shaped = join(folder, `${name}-shaped.wav`);
  run('sox', [clean, '-r', '44100', '-b', '16', shaped, 'speed', '1.02', 'vol', '0.5']);
  const hiss = join(folder, `${name}-hiss.wav`);
  run('sox', ['-n', '-r', '44100', '-b', '16', '-c', '1', hiss, 'synth', String(duration(shaped)),
              'whitenoise', 'vol', '0.05']);
  const out = join(folder, `${name}.wav`);
  run('sox', ['-m', shaped, hiss, '-b', '16', out]);
  return out;
}

// The recording with a loud 1200 Hz tone over a tenth of a second from `at` seconds, which the
// words under it read as space bits: a damaged stretch of tape that leaves suspect words (noise
// bursts of that length leave none; the decoder reads through them).
export function damage(folder, recording, name, at) {
  const burst = join(folder, `${name}-burst.wav`);
  run('sox', ['-n', '-r', '44100', '-b', '16', '-c', '1', burst, 'synth', '0.1', 'sine', '1200',
              'vol', '0.9', 'pad', String(at), '0']);
  const out = join(folder, `${name}.wav`);
  run('sox', ['-m', recording, burst, '-b', '16', out]);
  return out;
}

// The recording with its mark tone (2400 Hz) `db` dB under its space tone (1200 Hz), as a chain
// that rolls off the treble leaves it: the two bands apart, split at 1800 Hz, and mixed again.
export function markUnderSpace(folder, recording, name, db) {
  const low = join(folder, `${name}-low.wav`);
  const high = join(folder, `${name}-high.wav`);
  run('sox', [recording, low, 'sinc', '-1800']);
  run('sox', [recording, high, 'sinc', '1800', 'vol', String(10 ** (-db / 20))]);
  const out = join(folder, `${name}.wav`);
  run('sox', ['-m', low, high, '-b', '16', out]);
  return out;
}

// The recording through a capture chain that rolls the treble off and delays the two tones
// unequally, as scripts/degrade.py's chain "mark 12 dB under space, skew 1.22 ms" does: two
// low-pass sections at 1700 Hz leave the mark tone 12 dB under the space tone, and four allpass
// sections at 1200 Hz delay the space tone 1.22 ms more. At 600 baud that is most of a bit, and
// qirvex-rescue reads such a line from the space tone alone.
export function tonesOutOfStep(folder, recording, name) {
  const allpass = ['allpass', '1200', '0.707q'];
  const out = join(folder, `${name}.wav`);
  run('sox', [recording, '-b', '16', '-r', '44100', out, 'gain', '-3', 'lowpass', '1700',
              'lowpass', '1700', ...allpass, ...allpass, ...allpass, ...allpass]);
  return out;
}

// The recording at 44100 Hz, 20 dB quieter, under white noise of a fixed seed loud enough that
// bits flip inside words: at 600 baud a 30-line listing read 13 suspect words, and 10 bytes a
// listing cannot hold.
export function drowned(folder, clean, name) {
  const shaped = join(folder, `${name}-shaped.wav`);
  run('sox', [clean, '-r', '44100', '-b', '16', shaped, 'vol', '0.1']);
  const hiss = join(folder, `${name}-hiss.wav`);
  run('sox', ['-R', '-n', '-r', '44100', '-b', '16', '-c', '1', hiss, 'synth',
              String(duration(shaped)), 'whitenoise', 'vol', '0.25']);
  const out = join(folder, `${name}.wav`);
  run('sox', ['-m', shaped, hiss, '-b', '16', out]);
  return out;
}

export function toMp3(folder, recording, name) {
  const out = join(folder, `${name}.mp3`);
  run('lame', ['--quiet', '-b', '128', recording, out]);
  return out;
}

export function toOgg(folder, recording, name) {
  const out = join(folder, `${name}.ogg`);
  run('sox', [recording, '-C', '3', out]);
  return out;
}

// The recording as Chromium's fake capture device wants it: 48000 Hz, 16-bit mono.
export function forCapture(folder, recording, name) {
  const out = join(folder, `${name}.wav`);
  run('sox', [recording, '-r', '48000', '-b', '16', '-c', '1', out]);
  return out;
}

// One side of tape from several recordings at qirvex's rate: each after a gap of silence of
// `gapSeconds`, as a recorder stopped and started again between programs leaves.
export function tapeSide(folder, recordings, name, gapSeconds) {
  const gap = join(folder, `${name}-gap.wav`);
  run('sox', ['-n', '-r', '21600', '-b', '8', '-c', '1', gap, 'trim', '0', String(gapSeconds)]);
  const out = join(folder, `${name}.wav`);
  run('sox', [...recordings.flatMap((recording) => [gap, recording]), gap, out]);
  return out;
}
