// The decoded listing: every byte as one character (or none: a NUL, the LF of a CR LF), suspect
// words, mended bytes and the bytes the machine would not load as they stand (the lint of a
// listing, a bad hex digit) marked and reachable by keyboard, and any character clickable to inspect its word. Clean
// bytes go into long text runs; each run remembers which word each of its characters came from.
import { RECORD, RECORD_DOUBLES } from './word-record.js';

const RENDER_INTERVAL_MS = 100;
const PAGE_CHARACTERS = 4096;
const FRAMING = 1;
const PARITY = 2;

// The characters a byte shows as, given the byte before it.
function glyph(byte, previous) {
  if (byte === 13) return '\n';
  if (byte === 10) return previous === 13 ? '' : '\n';
  if (byte === 0) return '';
  if (byte >= 32 && byte < 127) return String.fromCharCode(byte);
  return '·';
}

export function createListing(pre) {
  let bytes = new Uint8Array(4096);
  let flags = new Uint8Array(4096);
  let count = 0;
  let rendered = 0; // words shown so far
  let page = null; // the newest block of the listing
  let pageCharacters = 0;
  let timer = 0;
  let run = null; // the open text run: { node, words }
  const runs = new Map(); // text node -> words of its characters
  let choose = () => {};
  let notes = new Map(); // byte index -> what is wrong there, for the bytes the machine would not load
  let mended = new Map(); // byte index -> { before, margin }: a byte mended from its structure

  const grow = () => {
    const size = bytes.length * 2;
    const more = new Uint8Array(size);
    more.set(bytes);
    bytes = more;
    const moreFlags = new Uint8Array(size);
    moreFlags.set(flags);
    flags = moreFlags;
  };

  const suspectTitle = (index, byte) =>
    `${flags[index] & FRAMING ? 'framing error' : ''}${flags[index] === 3 ? ' and ' : ''}${flags[index] & PARITY ? 'parity error' : ''}, byte 0x${byte.toString(16).padStart(2, '0')}`;

  // A marked byte: a suspect word (red, opens its view) or one the machine would not load as it
  // stands (its message on hover, and in the list beside the listing).
  const markedSpan = (index, byte, previous) => {
    const span = document.createElement('span');
    const titles = [];
    if (flags[index]) {
      span.classList.add('suspect');
      titles.push(suspectTitle(index, byte));
    }
    if (notes.has(index)) {
      span.classList.add('lint');
      titles.push(...notes.get(index));
    }
    if (mended.has(index)) {
      const { before, margin } = mended.get(index);
      span.classList.add('mended');
      titles.push(`mended: read as 0x${before.toString(16).padStart(2, '0')}; the bits changed read at margin ${margin.toFixed(2)} or less`);
    }
    span.tabIndex = 0;
    span.dataset.word = String(index);
    const shown = glyph(byte, previous);
    span.textContent = shown === '' || shown === '\n' ? `·${shown}` : shown;
    span.title = titles.join('; ');
    runs.set(span.firstChild, Array.from(span.textContent, () => index));
    return span;
  };

  // Keeps the words at once; the text follows at most every RENDER_INTERVAL_MS.
  function add(records) {
    for (let at = 0; at < records.length; at += RECORD_DOUBLES) {
      if (count === bytes.length) grow();
      bytes[count] = records[at + RECORD.byte];
      flags[count] = records[at + RECORD.flags];
      ++count;
    }
    if (!timer && rendered < count) timer = setTimeout(render, RENDER_INTERVAL_MS);
  }

  // A block of its own for every PAGE_CHARACTERS, so that the browser lays out again only the
  // newest block as text arrives, however long the listing.
  function ensurePage() {
    if (page && pageCharacters < PAGE_CHARACTERS) return;
    page = document.createElement('div');
    pre.append(page);
    pageCharacters = 0;
  }

  function newRun() {
    ensurePage();
    run = { node: document.createTextNode(''), words: [] };
    runs.set(run.node, run.words);
    page.append(run.node);
  }

  function render() {
    clearTimeout(timer);
    timer = 0;
    const isAtEnd = pre.scrollTop + pre.clientHeight >= pre.scrollHeight - 24;
    let text = '';
    const flush = () => {
      if (run && text) run.node.appendData(text);
      pageCharacters += text.length;
      text = '';
    };
    for (; rendered < count; ++rendered) {
      const byte = bytes[rendered];
      const previous = rendered > 0 ? bytes[rendered - 1] : -1;
      if (flags[rendered] || notes.has(rendered) || mended.has(rendered)) {
        flush();
        ensurePage();
        run = null;
        const span = markedSpan(rendered, byte, previous);
        pageCharacters += span.textContent.length;
        page.append(span);
        continue;
      }
      if (!run || pageCharacters + text.length >= PAGE_CHARACTERS) {
        flush();
        newRun();
      }
      const shown = glyph(byte, previous);
      text += shown;
      for (let n = 0; n < shown.length; ++n) run.words.push(rendered);
    }
    flush();
    if (isAtEnd) pre.scrollTop = pre.scrollHeight;
  }

  // Empties the view; render() draws the words kept again.
  function redraw() {
    clearTimeout(timer);
    timer = 0;
    rendered = 0;
    page = null;
    pageCharacters = 0;
    run = null;
    runs.clear();
    pre.replaceChildren();
  }

  // The word of the character at a point, from the caret position the browser finds there.
  function wordAt(x, y) {
    const range = document.caretRangeFromPoint?.(x, y);
    const words = range && runs.get(range.startContainer);
    if (!words || words.length === 0) return -1;
    return words[Math.min(range.startOffset, words.length - 1)];
  }

  pre.addEventListener('click', (event) => {
    const span = event.target.closest?.('[data-word]');
    const index = span ? Number(span.dataset.word) : wordAt(event.clientX, event.clientY);
    if (index >= 0) choose(index);
  });
  pre.addEventListener('keydown', (event) => {
    const span = event.target.closest?.('[data-word]');
    if (span && (event.key === 'Enter' || event.key === ' ')) {
      event.preventDefault();
      choose(Number(span.dataset.word));
    }
  });

  return {
    add,
    // Shows every word kept so far at once (at the end of a decode).
    render,
    reset() {
      count = 0;
      notes = new Map();
      mended = new Map();
      redraw();
    },
    // Takes the mended bytes ({ offset, before, after, margin }) and draws the listing again.
    mend(mends) {
      for (const { offset, before, after, margin } of mends) {
        if (offset >= count) continue;
        bytes[offset] = after;
        mended.set(offset, { before, margin });
      }
      redraw();
      render();
    },
    // Marks each problem's byte ({ offset, message }, offsets in the decoded bytes) and draws
    // the listing again with them.
    markProblems(problems) {
      notes = new Map();
      for (const { offset, message } of problems)
        if (offset < count) notes.set(offset, [...(notes.get(offset) ?? []), message]);
      redraw();
      render();
    },
    bytes: () => bytes.slice(0, count),
    count: () => count,
    isSuspect: (index) => flags[index] !== 0,
    onChoose(handler) { choose = handler; },
    // Marks the chosen word's character in the listing and scrolls it into view.
    show(index) {
      for (const old of pre.querySelectorAll('.chosen')) old.classList.remove('chosen');
      const span = pre.querySelector(`[data-word="${index}"]`);
      if (span) {
        span.classList.add('chosen');
        span.scrollIntoView({ block: 'nearest' });
        return;
      }
      for (const [node, words] of runs) {
        const offset = words.indexOf(index);
        if (offset < 0) continue;
        window.getSelection().setBaseAndExtent(node, offset, node, offset + 1);
        node.parentElement?.scrollIntoView?.({ block: 'nearest' });
        return;
      }
    },
  };
}
