// The "Read from the machine" tab: a recording chosen or dropped, or the microphone, decoded by
// the rescue decoder in the worker, with the listing, the strip, the side's programs and the
// inspection view filled as the words arrive. WAV files are read by the worker itself, piece by
// piece; every other format is decoded by the browser first and handed over in pieces.
import { startCapture } from './capture.js';
import { createInspector } from './inspect.js';
import { createListing } from './listing.js';
import { createSideList } from './side-list.js';
import { framingName } from './side-parts.js';
import { createStrip } from './strip.js';
import { setUpTapeProgram } from './tape-program.js';

const $ = (id) => document.getElementById(id);
// Frames per piece of browser-decoded audio handed to the worker.
const PIECE_FRAMES = 65536;
// The browser's decoder is asked for the recording's own rate where the file says it, so that
// nothing is resampled; this where it does not.
const FALLBACK_RATE_HZ = 48000;
// Pieces handed over ahead of the worker, so that it never waits for the page's thread.
const PIECES_IN_FLIGHT = 3;

export function decodeSettings() {
  return {
    baud: Number($('dec-baud').value), dataBits: Number($('dec-data').value),
    parity: Number($('dec-parity').value), stopBits: Number($('dec-stop').value),
    channel: Number($('dec-channel').value), mend: $('dec-mend').checked,
  };
}

// The name of the data downloaded: the recording's, or the time listening began.
function dataName(recordingName) {
  return `${recordingName.replace(/\.[^.]*$/, '') || 'recording'}.txt`;
}

function listeningName(start) {
  const two = (n) => String(n).padStart(2, '0');
  return `listening-${start.getFullYear()}-${two(start.getMonth() + 1)}-${two(start.getDate())}-` +
         `${two(start.getHours())}${two(start.getMinutes())}.txt`;
}

function dbfs(share) {
  return share > 0 ? `${(20 * Math.log10(share)).toFixed(1)} dBFS` : '—';
}

// What of the line was found from the audio rather than given, as qirvex-rescue says it.
function foundLabel({ isBaudFound, isFramingFound }) {
  if (isBaudFound) return isFramingFound ? ' (rate and framing found)' : ' (rate found)';
  return isFramingFound ? ' (framing found)' : '';
}

// The reader chosen where a capture chain delays the two tones unequally, named as qirvex-rescue
// names it.
function readerLabel({ isSpaceAlone }) {
  return isSpaceAlone ? ', space tone alone' : '';
}

function summary(result, audioSeconds) {
  if (!result.isCalibrated) return `Listening for tone… ${audioSeconds.toFixed(1)} s`;
  const speed = `${(result.speed * 100).toFixed(2)} %${result.hasLeader ? ' (leader)' : ''}`;
  const line = `${result.baud} baud ${framingName(result)}`;
  const baud = `${line}${foundLabel(result)}${readerLabel(result)}`;
  return `${result.bytes} words, ${result.suspectWords} suspect · ${baud} · tape speed ${speed} · ` +
         `mark ${dbfs(result.markLevel)}, space ${dbfs(result.spaceLevel)} · channel ` +
         `${result.channel} · ${audioSeconds.toFixed(1)} s of audio`;
}

// The sample rate a compressed file declares, where it is easy to find: MP3, Ogg Vorbis or Opus,
// FLAC. Null otherwise.
export function declaredRate(bytes) {
  const text = (at, length) => String.fromCharCode(...bytes.subarray(at, at + length));
  if (text(0, 4) === 'fLaC') return (bytes[18] << 12) | (bytes[19] << 4) | (bytes[20] >> 4);
  if (text(0, 4) === 'OggS') {
    const head = text(28, 8);
    if (head === 'OpusHead') return 48000;
    if (head.startsWith('\x01vorbis'))
      return new DataView(bytes.buffer, bytes.byteOffset).getUint32(40, true);
    return null;
  }
  let at = text(0, 3) === 'ID3'
    ? 10 + ((bytes[6] << 21) | (bytes[7] << 14) | (bytes[8] << 7) | bytes[9]) : 0;
  for (const end = Math.min(bytes.length - 4, at + 65536); at < end; ++at) {
    if (bytes[at] !== 0xff || (bytes[at + 1] & 0xe0) !== 0xe0) continue;
    const version = (bytes[at + 1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const index = (bytes[at + 2] >> 2) & 3;
    if (version === 1 || index === 3) continue;
    return [44100, 48000, 32000][index] / (version === 3 ? 1 : version === 2 ? 2 : 4);
  }
  return null;
}

function download(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

export function setUpReading(worker) {
  const listing = createListing($('listing'));
  const strip = createStrip($('strip'));
  const inspector = createInspector(worker, listing);
  const tapeProgram = setUpTapeProgram(worker, listing, download);
  const side = createSideList({ section: $('side'), list: $('side-programs'), junk: $('side-junk') },
                              strip, download);
  let decoded = null; // audio decoded by the browser, handed over in pieces
  let handedFrames = 0;
  let capture = null;
  let rate = 0;
  let isBusy = false;
  let settings = decodeSettings(); // those of the decode in hand
  let isAbandoned = false; // Stop was pressed while the browser was still decoding
  let recording = null; // the file last decoded, decoded again when the settings change
  let downloadName = 'recording.txt';

  const status = (text, isError = false) => {
    $('read-status').textContent = text;
    $('read-status').classList.toggle('error', isError);
  };
  const busy = (value) => {
    isBusy = value;
    $('read-stop').disabled = !value;
    $('listen-button').disabled = value;
    $('recording-file').disabled = value;
    // The decode in hand keeps the settings it started with.
    $('decode-options').disabled = value;
    document.body.dataset.decoding = String(value);
  };
  const reset = () => {
    settings = decodeSettings();
    listing.reset();
    strip.reset();
    inspector.close();
    $('read-progress').value = 0;
    $('read-summary').textContent = '';
    $('download-data').disabled = true;
    tapeProgram.reset();
    side.reset();
  };

  worker.on('started', (message) => {
    rate = message.rate;
    strip.start(message.rate, message.frames);
  });
  worker.on('decoded', ({ records, levels, result, parts }) => {
    listing.add(records);
    strip.add(records, levels);
    side.add(parts);
    $('read-summary').textContent = summary(result, result.framesRead / rate);
  });
  worker.on('progress', ({ done, total }) => {
    if (total > 0) $('read-progress').value = done / total;
  });
  worker.on('need-chunk', () => {
    for (let n = handedFrames === 0 ? PIECES_IN_FLIGHT : 1; n > 0; --n) handOver();
  });
  worker.on('needs-browser-decoder', () => decodeInBrowser(pendingFile));
  worker.on('failed', ({ reason, detail }) => {
    busy(false);
    status(reason === 'format'
      ? 'This recording has a sample rate or channel count the decoder does not take (8000 to 192000 Hz; the channel chosen must exist).'
      : `Something went wrong in the decoder: ${detail}`, true);
  });
  worker.on('finished', (message) => finished(message));

  function finished({ records, result, audioSeconds, seconds, isCut, mends, parts }) {
    listing.add(records);
    listing.render();
    if (mends.length > 0) listing.mend(mends);
    strip.add(records, []);
    strip.finish();
    side.finish(parts);
    busy(false);
    decoded = null;
    $('read-progress').value = 1;
    $('read-summary').textContent = summary(result, audioSeconds);
    $('download-data').disabled = result.bytes === 0;
    if (result.bytes > 0)
      tapeProgram.show(listing.bytes(), downloadName.replace(/\.txt$/, ''), side.programCount());
    const speed = seconds > 0 ? ` in ${seconds.toFixed(1)} s, ${(audioSeconds / seconds).toFixed(0)}× real time` : '';
    document.body.dataset.speed = seconds > 0 ? String(audioSeconds / seconds) : '';
    if (result.repeatFactor > 1) {
      status(`The words read at ${result.baud} baud repeat every bit ${result.repeatFactor} times: the recording runs at ${result.baud / result.repeatFactor} baud, so these bytes are wrong. Choose ${result.baud / result.repeatFactor} or "find" above.`, true);
    } else if (result.bytes === 0) {
      status('No words found: the recording holds no KCS tones that frame at these settings. Choose another baud rate, framing or channel above, and the recording is decoded again.', true);
    } else {
      const mended = mends.length === 0 ? ''
        : ` ${mends.length} ${mends.length === 1 ? 'byte' : 'bytes'} mended from the least sure bits (marked green).`;
      status(`Decoded ${audioSeconds.toFixed(1)} s of audio${speed}.${mended}` +
             (isCut ? ' The recording ends before the length its header declares; decoded what is there.' : ''));
    }
  }

  let pendingFile = null;
  function decodeFile(file) {
    if (isBusy || !file) return;
    reset();
    recording = null;
    if (file.size === 0) {
      status(`${file.name} is empty: there is no audio in it.`, true);
      return;
    }
    recording = file;
    downloadName = dataName(file.name);
    pendingFile = file;
    isAbandoned = false;
    busy(true);
    status(`Reading ${file.name}…`);
    worker.post({ type: 'decode-file', file, settings });
  }

  async function decodeInBrowser(file) {
    status(`Decoding ${file.name} with the browser's audio decoder…`);
    try {
      const bytes = await file.arrayBuffer();
      const context = new OfflineAudioContext(1, 1, declaredRate(new Uint8Array(bytes)) ?? FALLBACK_RATE_HZ);
      decoded = await context.decodeAudioData(bytes);
      if (isAbandoned) {
        decoded = null;
        busy(false);
        status(`Stopped before ${file.name} was decoded.`);
        return;
      }
    } catch {
      busy(false);
      status(`${file.name} is not audio that this browser can decode, or too long for it to decode in one piece. Choose a WAV, MP3, M4A, Ogg or FLAC recording; convert a compressed one of more than an hour to WAV, which is read piece by piece.`, true);
      return;
    }
    handedFrames = 0;
    status(`Decoding ${file.name}…`);
    worker.post({ type: 'decode-start', settings, rate: decoded.sampleRate,
                  channels: decoded.numberOfChannels, frames: decoded.length });
  }

  // Hands the next piece of browser-decoded audio over, interleaved; the worker asks for each.
  function handOver() {
    if (!decoded) return;
    const frames = Math.min(PIECE_FRAMES, decoded.length - handedFrames);
    if (frames <= 0) {
      decoded = null;
      worker.post({ type: 'decode-finish' });
      return;
    }
    const channels = decoded.numberOfChannels;
    const samples = new Float32Array(frames * channels);
    const plane = new Float32Array(frames);
    for (let c = 0; c < channels; ++c) {
      decoded.copyFromChannel(plane, c, handedFrames);
      for (let n = 0; n < frames; ++n) samples[n * channels + c] = plane[n];
    }
    handedFrames += frames;
    worker.post({ type: 'decode-chunk', samples, total: decoded.length }, [samples.buffer]);
  }

  // The listing in hand stays until the microphone is open: a Listen that fails keeps it.
  async function listen() {
    if (isBusy) return;
    busy(true);
    status('Asking for the microphone or line input…');
    const opened = () => {
      reset();
      recording = null;
      downloadName = listeningName(new Date());
    };
    try {
      capture = await startCapture(worker, decodeSettings(), opened);
      status('Listening: play the tape or start the machine\'s SAVE. Stop keeps everything decoded so far.');
    } catch (error) {
      busy(false);
      status(error.message, true);
    }
  }

  function stop() {
    if (capture) {
      capture.stop();
      capture = null;
      worker.post({ type: 'listen-stop' });
    } else if (decoded) {
      decoded = null;
      worker.post({ type: 'decode-finish' });
    } else {
      isAbandoned = true;
      worker.post({ type: 'cancel' });
    }
  }

  function settingsChanged() {
    if (recording) decodeFile(recording);
    else if ($('listing').textContent) status('The new settings apply to the next recording or Listen.');
  }

  $('decode-options').addEventListener('change', settingsChanged);
  $('recording-file').addEventListener('change', (event) => {
    decodeFile(event.target.files[0]);
    event.target.value = '';
  });
  $('listen-button').addEventListener('click', listen);
  $('read-stop').addEventListener('click', stop);
  $('download-data').addEventListener('click', () => download(new Blob([listing.bytes()]), downloadName));
  strip.onChoose((index) => inspector.open(index));
  listing.onChoose((index) => inspector.open(index));
  const zone = $('read');
  zone.addEventListener('dragover', (event) => { event.preventDefault(); $('drop-zone').classList.add('dragging'); });
  zone.addEventListener('dragleave', () => $('drop-zone').classList.remove('dragging'));
  zone.addEventListener('drop', (event) => {
    event.preventDefault();
    $('drop-zone').classList.remove('dragging');
    decodeFile(event.dataTransfer.files[0]);
  });
}
