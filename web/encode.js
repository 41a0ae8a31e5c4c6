// The "Play into the machine" tab: the input (typed text or a chosen or dropped file), qirvex's
// options as its command-line arguments, and the encoded WAV file played or downloaded.
import { encodeArguments, setUpOptions } from './encode-options.js';
import { createPlayer } from './player.js';

const $ = (id) => document.getElementById(id);

// Typed text goes to the machine with CR LF line ends, as its own LIST prints them, and its last
// line ends too: the machine takes a line only at its CR. In BASIC mode each CR becomes the
// whole end-of-line sequence (CR, NULs, a pause, LF), and the LF after it is dropped.
function typedBytes() {
  const text = $('listing-input').value.replace(/\r\n|\r|\n/g, '\r\n');
  return new TextEncoder().encode(text.endsWith('\r\n') ? text : `${text}\r\n`).buffer;
}

const CR = 13;
const LF = 10;

const isBareLf = (bytes, at) => bytes[at] === LF && (at === 0 || bytes[at - 1] !== CR);

function hasBareLf(bytes) {
  return bytes.some((byte, at) => isBareLf(bytes, at));
}

// A listing's last line needs its end too: the machine takes a line only at its CR.
const lacksLastLineEnd = (bytes) =>
  bytes.length > 0 && bytes[bytes.length - 1] !== CR && bytes[bytes.length - 1] !== LF;

// A listing as BASIC mode sends it: lines that end in LF alone end in CR LF instead (an LF alone
// is an ordinary character there, and the machine would take the whole listing as one line), and
// a last line without an end gets CR LF.
function withBasicLineEnds(bytes) {
  let bare = 0;
  for (let at = 0; at < bytes.length; ++at) if (isBareLf(bytes, at)) ++bare;
  const added = lacksLastLineEnd(bytes) ? 2 : 0;
  const out = new Uint8Array(bytes.length + bare + added);
  let to = 0;
  for (let at = 0; at < bytes.length; ++at) {
    if (isBareLf(bytes, at)) out[to++] = CR;
    out[to++] = bytes[at];
  }
  if (added) out.set([CR, LF], to);
  return out.buffer;
}

function baseName(name) {
  return name.replace(/\.[^.]*$/, '') || 'listing';
}

export function setUpEncoding(worker) {
  let file = null; // a chosen or dropped file, used until the text is edited
  let fileHasBareLf = false; // its lines end in LF alone, once it has been read
  let fileLacksLastEnd = false; // its last line has no line end, once it has been read
  let encoded = null; // { key, wav, name } of the last finished encode
  let pending = null; // resolves the encode in progress
  const status = (text, isError = false) => {
    $('play-status').textContent = text;
    $('play-status').classList.toggle('error', isError);
  };
  const player = createPlayer($('player'), $('play-progress'), status, (isPlaying) => {
    $('stop-button').disabled = !isPlaying;
  });
  const isBasic = () => $('opt-basic').checked;

  const sourceName = () => (file ? file.name : 'LISTING.BAS');
  const sourceNote = () => {
    if (!file) return 'Typed text, every line ending in CR LF, the last one too';
    const changes = [];
    if (isBasic() && fileHasBareLf)
      changes.push('its lines end in LF alone, so they are sent ending in CR LF, as the machine\'s LIST prints them');
    if (isBasic() && fileLacksLastEnd) changes.push('its last line has no line end, so CR LF is added');
    if (changes.length)
      return `File ${file.name}, ${file.size} bytes: ${changes.join('; ')} (BASIC mode takes a line only at its CR)`;
    return `File ${file.name}, ${file.size} bytes, sent as it is`;
  };
  const showCommand = () => {
    const name = sourceName();
    $('encode-command').textContent =
      ['qirvex', ...encodeArguments(), name, `${baseName(name)}.wav`].join(' ');
    $('encode-source').textContent = sourceNote();
  };
  const changed = () => { encoded = null; showCommand(); };
  const options = setUpOptions(changed);

  worker.on('encode-progress', ({ done, total }) => {
    $('play-progress').value = total > 0 ? done / total : 0;
    status(`Encoding… ${Math.round(100 * (total > 0 ? done / total : 0))} %`);
  });
  worker.on('encoded', (message) => pending?.(message));

  // Why there is nothing to encode now (`verb`: what the person asked for), or '' when there is.
  function refusal(verb) {
    const problem = options.problem();
    if (problem) {
      problem.field.focus();
      return `${problem.text} Correct it to ${verb}.`;
    }
    if (file?.size === 0)
      return `${file.name} is empty: there is nothing to ${verb}. Choose another file, or type a listing.`;
    if (!file && $('listing-input').value.trim() === '')
      return `Nothing to ${verb}: the box is empty. Type or paste a listing into it, or choose a file.`;
    return '';
  }

  // The bytes of `source` (a file, or the box when null) as BASIC mode on or off sends them.
  async function inputBytes(source, isBasicMode) {
    if (!source) return typedBytes();
    const bytes = new Uint8Array(await source.arrayBuffer());
    const isChanged = hasBareLf(bytes) || lacksLastLineEnd(bytes);
    return isBasicMode && isChanged ? withBasicLineEnds(bytes) : bytes.buffer;
  }

  async function encodeNow(verb) {
    const refused = refusal(verb);
    if (refused) {
      status(refused, true);
      return null;
    }
    // Everything is taken before the file is read, so that a change meanwhile cannot mix the
    // settings of one moment with the bytes of another.
    const args = encodeArguments();
    const source = file;
    const key = JSON.stringify(args) + (source ? `file:${source.name}:${source.lastModified}` : $('listing-input').value);
    const input = await inputBytes(source, isBasic());
    if (encoded?.key === key) return encoded;
    status('Encoding…');
    const message = await new Promise((resolve) => {
      pending = resolve;
      worker.post({ type: 'encode', args, input }, [input]);
    });
    pending = null;
    if (message.status !== 1) {
      status(`The encoder stopped: ${message.messages.trim() || 'options refused'}`, true);
      return null;
    }
    encoded = { key, wav: message.wav, name: `${baseName(sourceName())}.wav` };
    status(`Encoded: ${encoded.wav.size} bytes of WAV.`);
    return encoded;
  }

  $('play-button').addEventListener('click', async () => {
    const result = await encodeNow('play');
    if (result) player.play(result.wav);
  });
  $('stop-button').addEventListener('click', () => player.stop());
  $('download-wav').addEventListener('click', async () => {
    const result = await encodeNow('download');
    if (!result) return;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(result.wav);
    link.download = result.name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  });

  // The note on the file says how its line ends go once the file has been read.
  async function chooseFile(chosen) {
    file = chosen;
    fileHasBareLf = false;
    fileLacksLastEnd = false;
    changed();
    if (!chosen) return;
    const bytes = new Uint8Array(await chosen.arrayBuffer());
    if (file !== chosen) return;
    fileHasBareLf = hasBareLf(bytes);
    fileLacksLastEnd = lacksLastLineEnd(bytes);
    showCommand();
  }

  $('listing-input').addEventListener('input', () => { file = null; changed(); });
  $('encode-file').addEventListener('change', (event) => chooseFile(event.target.files[0] ?? null));
  const zone = $('play');
  zone.addEventListener('dragover', (event) => { event.preventDefault(); zone.classList.add('dragging'); });
  zone.addEventListener('dragleave', () => zone.classList.remove('dragging'));
  zone.addEventListener('drop', (event) => {
    event.preventDefault();
    zone.classList.remove('dragging');
    if (event.dataTransfer.files.length) chooseFile(event.dataTransfer.files[0]);
  });
  showCommand();
}
