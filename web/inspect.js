// The view of one word's audio: the waveform around it, its bit cells from the start edge the
// decoder found, each cell's name, the bit as read, and the discriminator d of the cell (up for
// mark, down for space; its size is how clearly the cell read), and the decoder's confidence in
// the word: the margin of its most doubtful bit, 0 to 100.
const FRAMING = 1;
const PARITY = 2;
const $ = (id) => document.getElementById(id);

function cellNames(settings) {
  const names = ['start'];
  for (let k = 0; k < settings.dataBits; ++k) names.push(`d${k}`);
  if (settings.parity) names.push('parity');
  for (let k = 0; k < settings.stopBits; ++k) names.push('stop');
  return names;
}

// The bits as the decoder read them: mark where its discriminator d is above 0.
const bitsAsRead = (d) => d.map((value) => (value > 0 ? 1 : 0));

// Each bit's name and d, for a screen reader and for anyone who would rather read the numbers.
const margins = (names, d) => names.map((name, k) => `${name} ${d[k].toFixed(2)}`).join(', ');

function describe(word, bits) {
  const { index, byte, flags, edge, rate, confidence, wordCount } = word;
  const shown = byte >= 32 && byte < 127 ? ` '${String.fromCharCode(byte)}'` : '';
  const problems = [flags & FRAMING && 'framing error', flags & PARITY && 'parity error'].filter(Boolean);
  const sureness = `confidence ${confidence.toFixed(0)}`;
  return `Word ${index + 1} of ${wordCount}: byte 0x${byte.toString(16).padStart(2, '0').toUpperCase()}${shown}` +
         ` at ${(edge / rate).toFixed(4)} s (sample ${Math.round(edge)}) · ` +
         `${problems.length ? problems.join(' and ') : 'framed'} · bits ${bits.join('')} · ${sureness}`;
}

function draw(canvas, word, bits) {
  const width = canvas.width = Math.round(canvas.clientWidth * devicePixelRatio);
  const height = canvas.height = Math.round(canvas.clientHeight * devicePixelRatio);
  const g = canvas.getContext('2d');
  const { samples, first, viewFirst, viewCount, edge, bitSamples, d, settings } = word;
  const x = (sample) => ((sample - viewFirst) / viewCount) * width;
  const waveHeight = height * 0.55;
  const barMiddle = height * 0.84;
  const barHeight = height * 0.13;
  g.clearRect(0, 0, width, height);
  // Waveform: the lowest and highest sample under each column.
  g.fillStyle = '#1b1d21';
  for (let column = 0; column < width; ++column) {
    const from = Math.floor(viewFirst + (column / width) * viewCount) - first;
    const to = Math.floor(viewFirst + ((column + 1) / width) * viewCount) - first;
    let low = 32767;
    let high = -32768;
    for (let n = Math.max(0, from); n <= Math.min(samples.length - 1, to); ++n) {
      low = Math.min(low, samples[n]);
      high = Math.max(high, samples[n]);
    }
    if (high < low) continue;
    const y = (v) => waveHeight / 2 - (v / 32768) * (waveHeight / 2);
    g.fillRect(column, y(high), 1, Math.max(1, y(low) - y(high)));
  }
  const names = cellNames(settings);
  g.font = `${12 * devicePixelRatio}px system-ui`;
  g.textAlign = 'center';
  for (let k = 0; k <= names.length; ++k) {
    const at = x(edge + k * bitSamples);
    g.fillStyle = '#1f5fa8';
    g.fillRect(at, 0, devicePixelRatio, height);
    if (k === names.length) break;
    const middle = x(edge + (k + 0.5) * bitSamples);
    const isFrame = names[k] === 'start' || names[k] === 'stop';
    const isWrong = (names[k] === 'start' && bits[k] !== 0) || (names[k] === 'stop' && bits[k] !== 1);
    g.fillStyle = isWrong ? '#c62828' : '#1b1d21';
    g.fillText(names[k], middle, waveHeight + 16 * devicePixelRatio);
    g.font = `bold ${18 * devicePixelRatio}px system-ui`;
    g.fillText(String(bits[k]), middle, waveHeight + 36 * devicePixelRatio);
    g.font = `${12 * devicePixelRatio}px system-ui`;
    g.fillStyle = isWrong ? '#c62828' : isFrame ? '#2e7d32' : '#1f5fa8';
    const bar = d[k] * barHeight;
    g.fillRect(middle - 8 * devicePixelRatio, barMiddle - Math.max(bar, 0), 16 * devicePixelRatio, Math.abs(bar));
  }
  g.fillStyle = '#888';
  g.fillRect(0, barMiddle, width, 1);
}

export function createInspector(worker, listing) {
  let current = -1;
  const panel = $('inspect');

  // The view is below the listing, often below the window's edge: it comes into sight, and takes
  // the focus unless it has it already (a button of its own), so that the arrow keys step at once.
  const reveal = () => {
    panel.hidden = false;
    panel.scrollIntoView({ block: 'nearest' });
    if (!panel.contains(document.activeElement)) panel.focus({ preventScroll: true });
  };

  worker.on('inspected', (word) => {
    if (word.index !== current) return;
    listing.show(word.index);
    if (!word.samples) {
      $('inspect-title').textContent = `Word ${word.index + 1}`;
      $('inspect-details').textContent = 'The audio of this word is no longer held (only the last part of a long recording is kept).';
      reveal();
      return;
    }
    const bits = bitsAsRead(word.d);
    $('inspect-title').textContent = `Word ${word.index + 1}${word.flags ? ' (suspect)' : ''}`;
    $('inspect-details').textContent = describe(word, bits);
    reveal();
    draw($('inspect-canvas'), word, bits);
    $('inspect-canvas').setAttribute('aria-label', `Bit margins: ${margins(cellNames(word.settings), word.d)}`);
  });

  const open = (index) => {
    if (index < 0 || index >= listing.count()) return;
    current = index;
    worker.post({ type: 'inspect', index });
  };
  const step = (direction, isSuspectOnly) => {
    for (let n = current + direction; n >= 0 && n < listing.count(); n += direction) {
      if (!isSuspectOnly || listing.isSuspect(n)) return open(n);
    }
  };
  $('inspect-prev').addEventListener('click', () => step(-1, false));
  $('inspect-next').addEventListener('click', () => step(1, false));
  $('inspect-prev-suspect').addEventListener('click', () => step(-1, true));
  $('inspect-next-suspect').addEventListener('click', () => step(1, true));
  $('inspect-close').addEventListener('click', () => { panel.hidden = true; current = -1; });
  panel.addEventListener('keydown', (event) => {
    const direction = { ArrowLeft: -1, ArrowRight: 1 }[event.key];
    if (!direction) return;
    event.preventDefault();
    step(direction, event.shiftKey);
  });
  return {
    open,
    close() { panel.hidden = true; current = -1; },
  };
}
