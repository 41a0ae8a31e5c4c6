// The programs on a decoded side, listed under the strip as the core cut them: each one's times,
// rate and framing, kind, first line or load address, bytes and verdict, with its file to
// download under the name qirvex-rescue --split gives it. The junk that clicks and hiss framed
// between programs is counted apart, never offered as a program. A program clicked is shown on
// the strip.
import { programFileName } from './side-parts.js';

const KIND_NAMES = {
  basic: 'BASIC listing', '65v': '65V load text', records: 'checksum records', data: 'other data',
};

// "3:07.215": minutes and seconds, as qirvex-rescue's table gives a tape counter's time.
export function clockTime(seconds) {
  const minutes = Math.floor(seconds / 60);
  return `${minutes}:${(seconds - 60 * minutes).toFixed(3).padStart(6, '0')}`;
}

function verdict(part) {
  const faults = [[part.suspect, 'suspect'], [part.lost, 'lost'], [part.mends.length, 'mended']]
    .filter(([count]) => count > 0).map(([count, what]) => `${count} ${what}`);
  return faults.length === 0 ? 'clean' : `damaged: ${faults.join(', ')}`;
}

function junkNote(junk) {
  if (junk.length === 0) return '';
  const bytes = junk.reduce((sum, part) => sum + part.wordCount, 0);
  const stretches = junk.length === 1 ? '1 junk stretch' : `${junk.length} junk stretches`;
  return `${stretches}, ${bytes} ${bytes === 1 ? 'byte' : 'bytes'}, not programs: what clicks and hiss framed between them.`;
}

function text(tag, className, content) {
  const element = document.createElement(tag);
  element.className = className;
  element.textContent = content;
  return element;
}

function programItem(number, part, onChoose, onDownload) {
  const item = document.createElement('li');
  const file = programFileName(number, part);
  Object.assign(item.dataset, {
    number: String(number), start: clockTime(part.start), end: clockTime(part.end),
    baud: String(part.baud), framing: part.framing, kind: part.kind, bytes: String(part.wordCount),
    file, verdict: verdict(part) === 'clean' ? 'clean' : 'damaged',
  });
  item.classList.toggle('damaged', item.dataset.verdict === 'damaged');
  const span = document.createElement('button');
  span.className = 'side-span';
  span.append(text('span', 'side-times', `${clockTime(part.start)} – ${clockTime(part.end)}`),
              ` · ${part.baud} baud ${part.framing} · ${KIND_NAMES[part.kind]} · ` +
              `${part.wordCount} bytes · `, text('span', 'side-verdict', verdict(part)));
  span.addEventListener('click', () => onChoose(number));
  const download = text('button', 'side-download', `Download ${file}`);
  download.addEventListener('click', () => onDownload(part, file));
  item.append(span);
  if (part.first) item.append(text('code', 'side-first', part.first));
  item.append(download);
  return item;
}

// `elements`: { section, list, junk }; `strip` marks the programs; `download(blob, name)`.
export function createSideList(elements, strip, download) {
  let parts = [];

  function choose(number) {
    for (const item of elements.list.children)
      item.classList.toggle('chosen', item.dataset.number === String(number));
    strip.choose(number);
  }

  function show() {
    const programs = parts.filter((part) => part.kind !== 'junk');
    const onDownload = (part, file) => download(new Blob([part.bytes]), file);
    elements.list.replaceChildren(...programs.map((part, n) => programItem(n + 1, part, choose, onDownload)));
    elements.junk.textContent = junkNote(parts.filter((part) => part.kind === 'junk'));
    elements.section.hidden = parts.length === 0;
    strip.setPrograms(programs.map((part, n) => ({ number: n + 1, start: part.start, end: part.end })));
  }

  return {
    // Parts closed as the decode goes.
    add(closed) {
      if (closed.length === 0) return;
      parts.push(...closed);
      show();
    },
    // Every part of the side, at the end of the decode: with mended bytes where asked.
    finish(all) {
      parts = all;
      show();
    },
    reset() {
      parts = [];
      show();
    },
    programCount: () => parts.filter((part) => part.kind !== 'junk').length,
  };
}
