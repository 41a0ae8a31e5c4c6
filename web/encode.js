// The "Play into the machine" tab: the input (typed text or a chosen or dropped file), qirvex's
// options as its command-line arguments, and the encoded WAV file played or downloaded.
import { createPlayer } from './player.js';

const $ = (id) => document.getElementById(id);

// qirvex's arguments for the options shown, in an order whose effects are plain: -B first, so
// that the NUL count and the pause after CR given here replace the ones it implies.
export function encodeArguments() {
  const args = [];
  const number = (id) => Math.max(0, Math.trunc(Number($(id).value) || 0));
  if ($('opt-basic').checked) args.push('-B', `-N${number('opt-nulls')}`);
  if ($('opt-baud').value === '1') args.push('-R1');
  if ($('opt-data').value === '7') args.push('-D');
  if ($('opt-parity').value) args.push(`-${$('opt-parity').value}`);
  if ($('opt-stop').value === '1') args.push('-S');
  if ($('opt-tone').value === 'sine') args.push('-U');
  if ($('opt-legacy').checked) args.push('-Q');
  if ($('opt-basic').checked || number('opt-eol') > 0) args.push(`-P${number('opt-eol')}`);
  if (number('opt-word') > 0) args.push(`-W${number('opt-word')}`);
  if (number('opt-leader') !== 2000) args.push(`-L${number('opt-leader')}`);
  if (number('opt-trailer') !== 1000) args.push(`-T${number('opt-trailer')}`);
  return args;
}

// Typed text goes to the machine with CR LF line ends, as its own LIST prints them.
function typedBytes() {
  const text = $('listing-input').value.replace(/\r\n|\r|\n/g, '\r\n');
  return new TextEncoder().encode(text).buffer;
}

function baseName(name) {
  return name.replace(/\.[^.]*$/, '') || 'listing';
}

export function setUpEncoding(worker) {
  let file = null; // a chosen or dropped file, used until the text is edited
  let encoded = null; // { key, wav, name } of the last finished encode
  let pending = null; // resolves the encode in progress
  const status = (text, isError = false) => {
    $('play-status').textContent = text;
    $('play-status').classList.toggle('error', isError);
  };
  const player = createPlayer($('player'), $('play-progress'), status, (isPlaying) => {
    $('stop-button').disabled = !isPlaying;
  });

  const sourceName = () => (file ? file.name : 'LISTING.BAS');
  const showCommand = () => {
    const args = encodeArguments();
    const name = sourceName();
    $('encode-command').textContent =
      ['qirvex', ...args, name, `${baseName(name)}.wav`].join(' ');
    $('encode-source').textContent = file
      ? `File ${file.name}, ${file.size} bytes, sent as it is`
      : 'Typed text, lines ending in CR LF';
  };

  worker.on('encode-progress', ({ done, total }) => {
    $('play-progress').value = total > 0 ? done / total : 0;
    status(`Encoding… ${Math.round(100 * (total > 0 ? done / total : 0))} %`);
  });
  worker.on('encoded', (message) => pending?.(message));

  async function encodeNow() {
    const args = encodeArguments();
    const input = file ? await file.arrayBuffer() : typedBytes();
    const key = JSON.stringify(args) + (file ? `file:${file.name}:${file.lastModified}` : $('listing-input').value);
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
    const result = await encodeNow();
    if (result) player.play(result.wav);
  });
  $('stop-button').addEventListener('click', () => player.stop());
  $('download-wav').addEventListener('click', async () => {
    const result = await encodeNow();
    if (!result) return;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(result.wav);
    link.download = result.name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  });

  const changed = () => { encoded = null; showCommand(); };
  // BASIC mode brings a pause of 20 ms after each CR unless one was set, as -B does.
  $('opt-basic').addEventListener('change', () => {
    if ($('opt-basic').checked && Number($('opt-eol').value) === 0) $('opt-eol').value = 20;
    changed();
  });
  $('encode-options').addEventListener('input', changed);
  $('listing-input').addEventListener('input', () => { file = null; changed(); });
  $('encode-file').addEventListener('change', (event) => {
    file = event.target.files[0] ?? null;
    changed();
  });
  const zone = $('play');
  zone.addEventListener('dragover', (event) => { event.preventDefault(); zone.classList.add('dragging'); });
  zone.addEventListener('dragleave', () => zone.classList.remove('dragging'));
  zone.addEventListener('drop', (event) => {
    event.preventDefault();
    zone.classList.remove('dragging');
    if (event.dataTransfer.files.length) { file = event.dataTransfer.files[0]; changed(); }
  });
  showCommand();
}
