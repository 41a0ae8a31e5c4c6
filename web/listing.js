// The decoded listing: every byte as one character (or none: a NUL, the LF of a CR LF), suspect
// words marked and reachable by keyboard, and any character clickable to inspect its word. Clean
// bytes go into long text runs; each run remembers which word each of its characters came from.
const RECORD_DOUBLES = 8;
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

  const grow = () => {
    const size = bytes.length * 2;
    const more = new Uint8Array(size);
    more.set(bytes);
    bytes = more;
    const moreFlags = new Uint8Array(size);
    moreFlags.set(flags);
    flags = moreFlags;
  };

  const suspectSpan = (index, byte, previous) => {
    const span = document.createElement('span');
    span.className = 'suspect';
    span.tabIndex = 0;
    span.dataset.word = String(index);
    const shown = glyph(byte, previous);
    span.textContent = shown === '' || shown === '\n' ? `·${shown}` : shown;
    span.title = `${flags[index] & FRAMING ? 'framing error' : ''}${flags[index] === 3 ? ' and ' : ''}${flags[index] & PARITY ? 'parity error' : ''}, byte 0x${byte.toString(16).padStart(2, '0')}`;
    runs.set(span.firstChild, Array.from(span.textContent, () => index));
    return span;
  };

  // Keeps the words at once; the text follows at most every RENDER_INTERVAL_MS.
  function add(records) {
    for (let at = 0; at < records.length; at += RECORD_DOUBLES) {
      if (count === bytes.length) grow();
      bytes[count] = records[at];
      flags[count] = records[at + 1];
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
      if (flags[rendered]) {
        flush();
        ensurePage();
        run = null;
        const span = suspectSpan(rendered, byte, previous);
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

  // The word of the character at a point, from the caret position the browser finds there.
  function wordAt(x, y) {
    const range = document.caretRangeFromPoint?.(x, y);
    const words = range && runs.get(range.startContainer);
    if (!words || words.length === 0) return -1;
    return words[Math.min(range.startOffset, words.length - 1)];
  }

  pre.addEventListener('click', (event) => {
    const span = event.target.closest?.('.suspect');
    const index = span ? Number(span.dataset.word) : wordAt(event.clientX, event.clientY);
    if (index >= 0) choose(index);
  });
  pre.addEventListener('keydown', (event) => {
    const span = event.target.closest?.('.suspect');
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
      clearTimeout(timer);
      timer = 0;
      count = 0;
      rendered = 0;
      page = null;
      pageCharacters = 0;
      run = null;
      runs.clear();
      pre.replaceChildren();
    },
    bytes: () => bytes.slice(0, count),
    count: () => count,
    isSuspect: (index) => flags[index] !== 0,
    onChoose(handler) { choose = handler; },
    // Marks the chosen word's character in the listing and scrolls it into view.
    show(index) {
      for (const old of pre.querySelectorAll('.chosen')) old.classList.remove('chosen');
      const span = pre.querySelector(`.suspect[data-word="${index}"]`);
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
