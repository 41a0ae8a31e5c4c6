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

// Machine code goes to the machine as the 65V monitor's load text, made as qirvex-program's
// to-tape makes it; a file's format is told by its name as to-tape tells it, except that a name
// it does not know is a listing or other text here, sent as it is.
const HEX_EXTENSIONS = ['hex', 'ihx'];
const SREC_EXTENSIONS = ['srec', 's19', 's28', 's37', 'mot'];

// The load address in a name like "prog.0200.bin", or null.
function addressInName(name) {
  const match = /\.([0-9A-Fa-f]{4})\.[^.]*$/.exec(name);
  return match ? parseInt(match[1], 16) : null;
}

function formatByName(name) {
  const extension = name.includes('.') ? name.slice(name.lastIndexOf('.') + 1).toLowerCase() : '';
  if (HEX_EXTENSIONS.includes(extension)) return 'hex';
  if (SREC_EXTENSIONS.includes(extension)) return 'srec';
  if (extension === 'bin' || addressInName(name) !== null) return 'binary';
  return 'text';
}

// An address as qirvex-program takes it: up to four hex digits, with or without "$" or "0x".
// Null for an empty field, NaN for one it would refuse.
function typedAddress(id) {
  const text = $(id).value.trim().replace(/^(\$|0x)/i, '');
  if ($(id).value.trim() === '') return null;
  return /^[0-9A-Fa-f]{1,4}$/.test(text) ? parseInt(text, 16) : NaN;
}

const hex4 = (address) => address.toString(16).toUpperCase().padStart(4, '0');

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

  // The file's format: the one chosen, or the one its name gives; '' for typed text.
  const programFormat = () => (file ? $('prog-format').value || formatByName(file.name) : '');
  const isProgram = () => !['', 'text'].includes(programFormat());
  // Only raw bytes and cc65's output take a load address: the others carry their own.
  const takesLoadAddress = () => ['binary', 'cc65'].includes(programFormat());
  // qirvex-program's arguments for the file's format and the addresses typed.
  const programArguments = () => {
    const args = $('prog-format').value ? ['-i', $('prog-format').value] : [];
    const load = takesLoadAddress() ? typedAddress('prog-address') : null;
    const run = typedAddress('prog-go');
    if (Number.isInteger(load)) args.push('-a', hex4(load));
    if (Number.isInteger(run)) args.push('-g', hex4(run));
    return args;
  };
  // What is wrong with the addresses or the file's format, or ''.
  const programProblem = () => {
    if (!isProgram()) return '';
    for (const [id, what] of [['prog-address', 'Load address'], ['prog-go', 'Run address']])
      if (!$(id).disabled && Number.isNaN(typedAddress(id)))
        return { field: $(id), text: `${what}: "${$(id).value}" is not an address: type up to four hex digits, such as 0200.` };
    if (programFormat() === 'binary' && typedAddress('prog-address') === null && addressInName(file.name) === null)
      return { field: $('prog-address'), text: `Load address: raw bytes need the address they load at: type it, such as 0200.` };
    return '';
  };

  const sourceName = () => (file ? file.name : 'LISTING.BAS');
  const sourceNote = () => {
    if (!file) return 'Typed text, every line ending in CR LF, the last one too';
    if (isProgram()) return `File ${file.name}, ${file.size} bytes of machine code, made into its 65V load text first`;
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
    const wav = `${baseName(name)}.wav`;
    $('program-options').hidden = !file;
    $('prog-address').disabled = !takesLoadAddress();
    const fromName = file && addressInName(file.name);
    $('prog-address').placeholder = programFormat() === 'cc65' ? '0200'
      : Number.isInteger(fromName) ? hex4(fromName) : takesLoadAddress() ? 'needed' : '';
    $('prog-go').disabled = !isProgram();
    $('program-note').textContent = programNote();
    $('encode-command').textContent = isProgram()
      ? [...['qirvex-program', 'to-tape', ...programArguments(), name], '&&',
         'qirvex', ...encodeArguments(), `${baseName(name)}.65v`, wav].join(' ')
      : ['qirvex', ...encodeArguments(), name, wav].join(' ');
    $('encode-source').textContent = sourceNote();
  };
  function programNote() {
    if (!isProgram()) return '';
    const slow = $('opt-baud').value === '0'
      ? ' Choose 600 baud if the machine is set for it: the load text takes three characters a byte, and 600 baud halves the time.'
      : '';
    return `Machine code: it is sent as the 65V monitor's load text (two NULs after each CR, BASIC mode off), which the machine reads after L in the monitor.${slow}`;
  }
  const changed = () => { encoded = null; showCommand(); };
  const options = setUpOptions(changed);

  worker.on('encode-progress', ({ done, total }) => {
    $('play-progress').value = total > 0 ? done / total : 0;
    status(`Encoding… ${Math.round(100 * (total > 0 ? done / total : 0))} %`);
  });
  worker.on('encoded', (message) => pending?.(message));

  // Why there is nothing to encode now (`verb`: what the person asked for), or '' when there is.
  function refusal(verb) {
    const problem = options.problem() || programProblem();
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

  // What to-tape needs besides the bytes, taken with the other settings.
  function programRequest() {
    // Raw bytes load where the name says unless an address is typed; cc65's output at 0200.
    const typed = takesLoadAddress() ? typedAddress('prog-address') : null;
    const load = programFormat() === 'binary' ? typed ?? addressInName(file.name) : typed;
    return { format: programFormat(), loadAddress: load, runAddress: typedAddress('prog-go') };
  }

  let toTapeRequests = 0;
  const toTapeWaiting = new Map(); // request id: its resolver
  worker.on('to-tape', (message) => {
    toTapeWaiting.get(message.id)?.(message);
    toTapeWaiting.delete(message.id);
  });

  // The 65V load text of the program in `bytes`, or null, with the reason shown, when the file
  // was damaged or refused: nothing goes to tape that would not load.
  async function loadText(program, bytes) {
    status('Making the 65V load text…');
    const id = ++toTapeRequests;
    const message = await new Promise((resolve) => {
      toTapeWaiting.set(id, resolve);
      worker.post({ type: 'to-tape', id, ...program, input: bytes }, [bytes]);
    });
    if (message.status !== 0) {
      const what = message.status === 1 ? 'is damaged, so nothing was sent' : 'was refused';
      status(`${file?.name ?? 'The file'} ${what}: ${message.messages.trim().split('\n').join('; ')}. ` +
             'Check the format chosen under The file, or correct the file.', true);
      return null;
    }
    $('program-note').textContent = `${programNote()} Made its load text: ${message.messages.trim()}, ${message.outputs[0].bytes.length} bytes.`;
    return message.outputs[0].bytes.buffer;
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
    const program = isProgram() ? programRequest() : null;
    const key = JSON.stringify([args, program]) + (source ? `file:${source.name}:${source.lastModified}` : $('listing-input').value);
    if (encoded?.key === key) return encoded;
    let input = program ? await source.arrayBuffer() : await inputBytes(source, isBasic());
    if (program) {
      input = await loadText(program, input);
      if (!input) return null;
    }
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

  // Machine code goes as the monitor's load text, which carries its own NULs: BASIC mode is
  // turned off for it (it can be turned on again).
  function fileFormatChanged() {
    if (isProgram() && isBasic()) {
      $('opt-basic').checked = false;
      $('opt-basic').dispatchEvent(new Event('change', { bubbles: true }));
    }
    changed();
  }

  // The note on the file says how its line ends go once the file has been read.
  async function chooseFile(chosen) {
    file = chosen;
    $('prog-format').value = '';
    fileHasBareLf = false;
    fileLacksLastEnd = false;
    fileFormatChanged();
    if (!chosen) return;
    const bytes = new Uint8Array(await chosen.arrayBuffer());
    if (file !== chosen) return;
    fileHasBareLf = hasBareLf(bytes);
    fileLacksLastEnd = lacksLastLineEnd(bytes);
    showCommand();
  }

  $('listing-input').addEventListener('input', () => { file = null; changed(); });
  $('prog-format').addEventListener('change', fileFormatChanged);
  for (const id of ['prog-address', 'prog-go']) $(id).addEventListener('input', changed);
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
