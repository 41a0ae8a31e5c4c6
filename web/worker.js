// The page's worker: it holds the WebAssembly build of the encoder and the rescue decoder, so
// that encoding a long file or decoding an hour of audio never blocks the page. Messages in:
// encode, decode-file, decode-start / decode-chunk / decode-finish (audio decoded by the browser),
// listen-start / listen-stop (microphone blocks arrive on their own port), inspect, and the OSI
// program formats: to-tape (machine code to its 65V load text), from-tape (a decoded tape to a
// listing or a program file).
import createQirvex from './qirvex-core.js';
import * as decode from './worker-decode.js';

let encodeParts = [];
// The module is handed its binary: Emscripten's loader of this version does not recognise a
// module worker as a worker and would not fetch it.
const ready = fetch(new URL('qirvex-core.wasm', import.meta.url))
  .then((response) => response.arrayBuffer())
  .then((wasmBinary) => createQirvex({
    wasmBinary,
    onWavPiece: (bytes) => encodeParts.push(new Blob([bytes])),
    onEncodeProgress: (done, total) => postMessage({ type: 'encode-progress', done, total }),
  }));
// The page marks itself loaded only then: a reload while the binary is still on its way would
// cancel its fetch.
ready.then(() => postMessage({ type: 'core-ready' }));

let session = null;
let listenPort = null;

function post(message, transfer = []) {
  postMessage(message, transfer);
}

function encode(core, { args, input }) {
  encodeParts = [];
  const inputPointer = core._malloc(Math.max(1, input.byteLength));
  core.HEAPU8.set(new Uint8Array(input), inputPointer);
  const text = args.join('\n');
  const argsSize = core.lengthBytesUTF8(text) + 1;
  const argsPointer = core._malloc(argsSize);
  core.stringToUTF8(text, argsPointer, argsSize);
  const status = core._qx_encode(argsPointer, inputPointer, input.byteLength);
  core._free(argsPointer);
  core._free(inputPointer);
  const headerPointer = core._qx_encoded_header();
  const header = core.HEAPU8.slice(headerPointer, headerPointer + 44);
  const messages = core.UTF8ToString(core._qx_encode_messages());
  const wav = new Blob([header, ...encodeParts], { type: 'audio/wav' });
  encodeParts = [];
  post({ type: 'encoded', status, messages, wav });
}

// Copies `bytes` into the module, runs `call` on the pointer and size, and frees them.
function withBytes(core, bytes, call) {
  const pointer = core._malloc(Math.max(1, bytes.byteLength));
  core.HEAPU8.set(new Uint8Array(bytes), pointer);
  const result = call(pointer, bytes.byteLength);
  core._free(pointer);
  return result;
}

// What the last program call made: its messages, faults at their offsets, and files.
function programOutcome(core, status) {
  const problems = [];
  for (let i = 0; i < core._qx_program_problem_count(); ++i)
    problems.push({ offset: core._qx_program_problem_offset(i),
                    message: core.UTF8ToString(core._qx_program_problem_message(i)) });
  const outputs = [];
  for (let i = 0; i < core._qx_program_output_count(); ++i) {
    const at = core._qx_program_output_bytes(i);
    outputs.push({ suffix: core.UTF8ToString(core._qx_program_output_name(i)),
                   bytes: core.HEAPU8.slice(at, at + core._qx_program_output_size(i)) });
  }
  return { status, problems, outputs, content: core.UTF8ToString(core._qx_program_content()),
           messages: core.UTF8ToString(core._qx_program_messages()) };
}

// Formats and outputs as the glue numbers them.
const CODE_FORMATS = { binary: 1, hex: 2, srec: 3, cc65: 4 };
const TAPE_OUTPUTS = { listing: 1, hex: 2, binary: 3 };

function toTape(core, { id, format, input, loadAddress, runAddress }) {
  const status = withBytes(core, input, (pointer, size) => core._qx_program_to_tape(
    CODE_FORMATS[format], pointer, size, loadAddress ?? -1, runAddress ?? -1));
  post({ type: 'to-tape', id, ...programOutcome(core, status) });
}

function fromTape(core, { id, output, input }) {
  const status = withBytes(core, input, (pointer, size) => core._qx_program_from_tape(
    TAPE_OUTPUTS[output], pointer, size));
  post({ type: 'from-tape', id, ...programOutcome(core, status) });
}

function closeSession() {
  if (listenPort) listenPort.close();
  listenPort = null;
  if (session) {
    session.isStopped = true;
    decode.endSession(session);
  }
  session = null;
}

function start(core, settings, rate, channels, source) {
  closeSession();
  session = decode.startSession(core, settings, rate, channels, source);
  if (!session) post({ type: 'failed', reason: 'format' });
  return session;
}

async function decodeFile(core, { file, settings }) {
  closeSession();
  const layout = await decode.openWav(file);
  if (!layout) {
    post({ type: 'needs-browser-decoder' });
    return;
  }
  const own = start(core, settings, layout.rate, layout.channels, 'file');
  if (!own) return;
  post({ type: 'started', rate: layout.rate, channels: layout.channels, frames: layout.frames,
         format: `WAV, ${layout.bits}-bit ${layout.isFloat ? 'float' : 'PCM'}` });
  await decode.decodeWavFile(own, file, layout, post, () => own !== session || own.isStopped);
}

function startPushed(core, { settings, rate, channels, frames }, source) {
  if (!start(core, settings, rate, channels, source)) return false;
  post({ type: 'started', rate, channels, frames, format: source });
  return true;
}

function listen(core, message) {
  if (!startPushed(core, message, 'live')) return;
  listenPort = message.port;
  const own = session;
  listenPort.onmessage = (event) => {
    if (own === session && !own.isStopped) decode.pushFloatFrames(own, event.data, post);
  };
}

async function handle(message) {
  const core = await ready;
  switch (message.type) {
    case 'encode':
      encode(core, message);
      break;
    case 'to-tape':
      toTape(core, message);
      break;
    case 'from-tape':
      fromTape(core, message);
      break;
    case 'decode-file':
      await decodeFile(core, message);
      break;
    case 'listen-start':
      listen(core, message);
      break;
    case 'decode-start':
      if (startPushed(core, message, 'decoded')) post({ type: 'need-chunk' });
      break;
    case 'decode-chunk':
      if (!session || session.isStopped) break;
      decode.pushFloatFrames(session, message.samples, post);
      post({ type: 'progress', done: session.store.end, total: message.total });
      post({ type: 'need-chunk' });
      break;
    case 'decode-finish':
    case 'listen-stop':
      if (listenPort) listenPort.onmessage = null;
      if (session && !session.isStopped) decode.finishSession(session, post);
      break;
    case 'cancel':
      if (session) session.isStopped = true;
      break;
    case 'inspect':
      if (session && message.index >= 0 && message.index < session.wordCount)
        post(await decode.inspectWord(session, message.index));
      break;
  }
}

onmessage = (event) => {
  handle(event.data).catch((error) => post({ type: 'failed', reason: 'internal',
                                             detail: String(error) }));
};
