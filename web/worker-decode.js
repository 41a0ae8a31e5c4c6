// One decode in the worker: frames in (from a WAV file read piece by piece, from the browser's
// audio decoder, or from the microphone), words and progress out to the page, and the audio
// around any word on request for the inspection view.
import { PART_DOUBLES, readParts } from './side-parts.js';
import { convertSamples, readWavLayout } from './wav-reader.js';
import { RECORD, RECORD_DOUBLES } from './word-record.js';

// Frames per piece read from a file: about 1.5 s at 44100 Hz, a progress step that moves often.
const FILE_PIECE_FRAMES = 65536;
// Audio pushed from outside is kept for the inspection view up to this many samples of the
// decoded channel, 128 MB (22 minutes at 48000 Hz), which a phone can spare; older audio is let
// go, its words still listed. A WAV file is read again where a word is inspected instead.
const STORE_SAMPLES_LIMIT = 64e6;
// The level strip gets one point per this share of a second.
const LEVEL_POINTS_PER_SECOND = 10;
// The doubles of qx_decode_result, in the order decode_glue.cpp lists them.
const RESULT_DOUBLES = 23;

// Settings as the page sends them: { baud (0: find), dataBits, parity (0 none, 1 even, 2 odd),
// stopBits (each -1: find), channel (0: strongest), mend }.
export function startSession(core, settings, rate, channels, source) {
  const handle = core._qx_decode_start(settings.baud, settings.dataBits, settings.parity,
                                       settings.stopBits, settings.channel, rate, channels);
  if (!handle) return null;
  return {
    core, handle, settings, rate, channels, source,
    records: new Float64Array(1024 * RECORD_DOUBLES), wordCount: 0, parts: [],
    store: { chunks: [], first: 0, end: 0, channel: -1, kept: 0 },
    level: { sum: 0, count: 0, per: Math.round(rate / LEVEL_POINTS_PER_SECOND) },
    file: null, layout: null, startedAt: performance.now(), isStopped: false, isEnded: false,
  };
}

function keepRecords(session, count) {
  const { core } = session;
  const doubles = count * RECORD_DOUBLES;
  const pointer = core._qx_decode_records(session.handle) / 8;
  const fresh = core.HEAPF64.slice(pointer, pointer + doubles);
  const needed = (session.wordCount + count) * RECORD_DOUBLES;
  if (needed > session.records.length) {
    const grown = new Float64Array(Math.max(needed, session.records.length * 2));
    grown.set(session.records);
    session.records = grown;
  }
  session.records.set(fresh, session.wordCount * RECORD_DOUBLES);
  session.wordCount += count;
  return fresh;
}

export function sessionResult(session) {
  const pointer = session.core._qx_decode_result(session.handle) / 8;
  const r = session.core.HEAPF64.subarray(pointer, pointer + RESULT_DOUBLES);
  return {
    isCalibrated: r[0] === 1, channel: r[1], speed: r[2], hasLeader: r[3] === 1,
    isSpeedMeasured: r[4] === 1, markLevel: r[5], spaceLevel: r[6], framesRead: r[7],
    bytes: r[8], suspectWords: r[9], locks: r[10], lockLosses: r[11], jumps: r[12],
    windowSamples: r[13], baud: r[14], lostWords: r[15], repeatFactor: r[16],
    isBaudFound: r[17] === 1, dataBits: r[18], parity: r[19], stopBits: r[20],
    isFramingFound: r[21] === 1, isSpaceAlone: r[22] === 1,
  };
}

// The bytes of words [first, first + count) as read.
function wordBytes(session, first, count) {
  const bytes = new Uint8Array(count);
  for (let i = 0; i < count; ++i) bytes[i] = session.records[(first + i) * RECORD_DOUBLES + RECORD.byte];
  return bytes;
}

// The parts of the side that the last push or finish closed, each with its bytes, kept for the
// end of the decode.
function keepParts(session) {
  const { core, handle } = session;
  const count = core._qx_decode_part_count(handle);
  const pointer = core._qx_decode_parts(handle) / 8;
  const doubles = core.HEAPF64.subarray(pointer, pointer + count * PART_DOUBLES);
  const text = (n, which) => core.UTF8ToString(core._qx_decode_part_text(handle, n, which));
  const parts = readParts(doubles, count, session.rate, text);
  for (const part of parts) {
    part.bytes = wordBytes(session, part.firstWord, part.wordCount);
    part.mends = [];
  }
  session.parts.push(...parts);
  return parts;
}

// Root mean square of each tenth of a second over every channel, in dB of full scale.
function levelPoints(session, samples, count) {
  const points = [];
  const level = session.level;
  const scale = session.channels * 32768 * 32768;
  for (let n = 0; n < count; n += session.channels) {
    for (let c = 0; c < session.channels; ++c) level.sum += samples[n + c] * samples[n + c];
    if (++level.count === level.per) {
      points.push(10 * Math.log10(level.sum / (level.count * scale) + 1e-12));
      level.sum = 0;
      level.count = 0;
    }
  }
  return points;
}

// Keeps the decoded channel of pushed audio for the inspection view: every channel until the
// decoder has chosen one, that one alone from then on.
function storeAudio(session, samples, frames, result) {
  const store = session.store;
  if (session.source === 'file') return;
  if (store.channel < 0 && result.isCalibrated) {
    store.channel = result.channel - 1;
    store.chunks = store.chunks.map((chunk) => pickChannel(chunk, session.channels, store.channel));
  }
  const chunk = store.channel < 0 ? Int16Array.from(samples.subarray(0, frames * session.channels))
                                  : pickChannel(samples, session.channels, store.channel, frames);
  store.chunks.push(chunk);
  store.end += frames;
  store.kept += chunk.length;
  while (store.kept > STORE_SAMPLES_LIMIT && store.chunks.length > 1) {
    const oldest = store.chunks.shift();
    store.kept -= oldest.length;
    store.first += oldest.length / (store.channel < 0 ? session.channels : 1);
  }
}

function pickChannel(samples, channels, channel, frames = samples.length / channels) {
  const out = new Int16Array(frames);
  for (let n = 0; n < frames; ++n) out[n] = samples[n * channels + channel];
  return out;
}

// Pushes `frames` frames already written into the glue's room (16-bit or floating-point) and
// reports the words and levels they gave.
export function pushFrames(session, frames, isFloat, post) {
  const { core } = session;
  const count = core._qx_decode_push(session.handle, frames, isFloat ? 1 : 0);
  const fresh = keepRecords(session, count);
  const parts = keepParts(session);
  const pointer = core._qx_decode_frames(session.handle, frames) / 2;
  const samples = core.HEAP16.subarray(pointer, pointer + frames * session.channels);
  const result = sessionResult(session);
  const levels = levelPoints(session, samples, frames * session.channels);
  storeAudio(session, samples, frames, result);
  post({ type: 'decoded', records: fresh, levels, result, wordCount: session.wordCount, parts },
       [fresh.buffer]);
}

// Pushes interleaved floating-point frames (from the browser's decoder or the microphone).
export function pushFloatFrames(session, interleaved, post) {
  const frames = Math.floor(interleaved.length / session.channels);
  const pointer = session.core._qx_decode_float_frames(session.handle, frames) / 8;
  session.core.HEAPF64.set(interleaved.subarray(0, frames * session.channels), pointer);
  pushFrames(session, frames, true, post);
}

export function finishSession(session, post) {
  const { core } = session;
  const count = core._qx_decode_finish(session.handle);
  const fresh = keepRecords(session, count);
  keepParts(session);
  const result = sessionResult(session);
  const seconds = (performance.now() - session.startedAt) / 1000;
  // The listing is mended whole, as qirvex-rescue --mend mends its output, in the framing the
  // decode ended on; each program alone, in its own framing, as --split --mend mends its files.
  const mends = session.settings.mend ? mendWords(session, 0, session.wordCount, result.dataBits) : [];
  if (session.settings.mend) session.parts.forEach((part) => mendPart(session, part));
  post({ type: 'finished', records: fresh, result, wordCount: session.wordCount, seconds,
         audioSeconds: result.framesRead / session.rate, isCut: session.layout?.isCut ?? false,
         mends, parts: session.parts },
       [fresh.buffer]);
  session.isStopped = true;
}

function mendPart(session, part) {
  if (part.kind === 'junk') return;
  part.mends = mendWords(session, part.firstWord, part.wordCount, part.dataBits);
  for (const { offset, after } of part.mends) part.bytes[offset] = after;
}

// The bytes of words [first, first + wordCount) that their content cannot hold, mended from the
// least sure bits as qirvex-rescue --mend mends them: [{ offset, before, after, margin }], the
// offsets counted from `first`.
function mendWords(session, first, wordCount, dataBits) {
  const { core, records } = session;
  const bytesPointer = core._malloc(wordCount + 1);
  const dPointer = core._malloc(wordCount * 8 * 8 + 8);
  const d = core.HEAPF64.subarray(dPointer / 8, dPointer / 8 + wordCount * 8);
  for (let i = 0; i < wordCount; ++i) {
    const at = (first + i) * RECORD_DOUBLES;
    core.HEAPU8[bytesPointer + i] = records[at + RECORD.byte];
    // The data bits follow the start bit.
    for (let k = 0; k < 8; ++k) d[i * 8 + k] = k < dataBits ? records[at + RECORD.bitD + 1 + k] : 0;
  }
  const count = core._qx_mend(bytesPointer, dPointer, wordCount, dataBits);
  const changes = core.HEAPF64.subarray(core._qx_mend_changes() / 8,
                                        core._qx_mend_changes() / 8 + count * 4);
  const mends = [];
  for (let n = 0; n < count; ++n) {
    const [offset, before, after, margin] = changes.subarray(n * 4, n * 4 + 4);
    mends.push({ offset, before, after, margin });
  }
  core._free(bytesPointer);
  core._free(dPointer);
  return mends;
}

export function endSession(session) {
  session.core._qx_decode_end(session.handle);
  session.isEnded = true;
}

// A WAV file the reader can stream, or null (the page then asks the browser's decoder).
export async function openWav(file) {
  const layout = await readWavLayout(file);
  return layout;
}

// Decodes the file piece by piece; each piece is read only when the previous one is decoded, so
// memory stays constant. `isCancelled` is asked between pieces.
export async function decodeWavFile(session, file, layout, post, isCancelled) {
  session.file = file;
  session.layout = layout;
  const frameBytes = layout.channels * layout.bits / 8;
  for (let frame = 0; frame < layout.frames && !isCancelled(); frame += FILE_PIECE_FRAMES) {
    const frames = Math.min(FILE_PIECE_FRAMES, layout.frames - frame);
    const start = layout.dataStart + frame * frameBytes;
    const bytes = new Uint8Array(await file.slice(start, start + frames * frameBytes).arrayBuffer());
    if (isCancelled()) break;
    const { core, handle } = session;
    const room = layout.isFloat
      ? core.HEAPF64.subarray(core._qx_decode_float_frames(handle, frames) / 8)
      : core.HEAP16.subarray(core._qx_decode_frames(handle, frames) / 2);
    convertSamples(layout, bytes, room);
    pushFrames(session, frames, layout.isFloat, post);
    post({ type: 'progress', done: frame + frames, total: layout.frames });
  }
  // A decode that another one replaced has been ended already.
  if (!session.isEnded) finishSession(session, post);
}

// The decoded channel's samples from `first` (a sample index) for `count` samples, or null
// where the audio is no longer held.
async function channelSamples(session, first, count, channel) {
  first = Math.max(0, Math.floor(first));
  if (session.source === 'file') {
    const { layout, file } = session;
    const frameBytes = layout.channels * layout.bits / 8;
    const frames = Math.max(0, Math.min(count, layout.frames - first));
    const start = layout.dataStart + first * frameBytes;
    const bytes = new Uint8Array(await file.slice(start, start + frames * frameBytes).arrayBuffer());
    const all = layout.isFloat ? new Float64Array(frames * layout.channels)
                               : new Int16Array(frames * layout.channels);
    convertSamples(layout, bytes, all);
    const picked = new Int16Array(frames);
    for (let n = 0; n < frames; ++n) picked[n] = toSixteenBit(all[n * layout.channels + channel]);
    return { first, samples: picked };
  }
  return storedSamples(session.store, first, count);
}

// Floating-point samples as the decoder converts them; integers pass unchanged.
function toSixteenBit(value) {
  if (Number.isInteger(value)) return value;
  if (!(value > -1)) value = Number.isNaN(value) ? 0 : -1;
  if (value > 1) value = 1;
  return value >= 0 ? Math.round(value * 32767) : -Math.round(-value * 32767);
}

function storedSamples(store, first, count) {
  if (store.channel < 0 || first < store.first) return null;
  const out = new Int16Array(Math.max(0, Math.min(count, store.end - first)));
  let at = store.first;
  for (const chunk of store.chunks) {
    const from = Math.max(first, at);
    const to = Math.min(first + out.length, at + chunk.length);
    if (to > from) out.set(chunk.subarray(from - at, to - at), from - first);
    at += chunk.length;
  }
  return { first, samples: out };
}

// The audio around word `index`, with the decoder's own reading of each of its bits.
export async function inspectWord(session, index) {
  const record = session.records.subarray(index * RECORD_DOUBLES, (index + 1) * RECORD_DOUBLES);
  const byte = record[RECORD.byte];
  const flags = record[RECORD.flags];
  const edge = record[RECORD.edge];
  const bitSamples = record[RECORD.bitSamples];
  const confidence = record[RECORD.confidence];
  const bits = record[RECORD.bitCount];
  const d = Array.from(record.subarray(RECORD.bitD, RECORD.bitD + bits));
  // The framing this word was read at, which on a side may differ from the settings.
  const framing = { dataBits: record[RECORD.dataBits], parity: record[RECORD.parity],
                    stopBits: record[RECORD.stopBits] };
  const result = sessionResult(session);
  // Two bits of context either side.
  const viewFirst = edge - 2 * bitSamples;
  const viewCount = (bits + 4) * bitSamples;
  const audio = await channelSamples(session, Math.floor(viewFirst), Math.ceil(viewCount) + 2,
                                     result.channel - 1);
  const reply = { type: 'inspected', index, byte, flags, edge, bitSamples, confidence, d,
                  rate: session.rate, settings: framing, wordCount: session.wordCount };
  if (!audio || audio.samples.length === 0) return { ...reply, samples: null };
  return { ...reply, samples: audio.samples, first: audio.first, viewFirst, viewCount };
}
