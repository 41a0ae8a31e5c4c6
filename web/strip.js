// The strip over the whole recording: the signal level (grey, -60 to 0 dBFS), the tape speed the
// bit clock followed (blue, ±5 % around the middle line) and every suspect word (a red line),
// along the time axis, so that a damaged stretch shows at a glance, with the programs of the side
// as numbered bars along its foot and the one chosen in the list shaded over the whole height.
// A click opens the word nearest to that time.
import { RECORD, RECORD_DOUBLES } from './word-record.js';

const LEVEL_POINTS_PER_SECOND = 10;
const LEVEL_FLOOR_DB = -60;
const SPEED_SPAN = 0.05;
const REDRAW_INTERVAL_MS = 200;
// The programs' bars along the foot of the strip, in CSS pixels.
const PROGRAM_BAR_PX = 14;

export function createStrip(canvas) {
  let rate = 1;
  let totalSeconds = 0; // known length, 0 while it grows (listening)
  let levels = [];
  let times = []; // each word's start, in seconds
  let speeds = [];
  let suspects = [];
  let programs = []; // { number, start, end } in seconds
  let chosen = 0; // the number of the program shaded, 0 for none
  let frame = 0;
  let choose = () => {};

  const seconds = () => Math.max(totalSeconds, levels.length / LEVEL_POINTS_PER_SECOND,
                                 times.at(-1) ?? 0, 1);

  function draw() {
    frame = 0;
    const width = canvas.width = Math.round(canvas.clientWidth * devicePixelRatio);
    const height = canvas.height = Math.round(canvas.clientHeight * devicePixelRatio);
    const g = canvas.getContext('2d');
    const x = (t) => (t / seconds()) * width;
    g.clearRect(0, 0, width, height);
    g.fillStyle = '#c9c4b8';
    levels.forEach((db, n) => {
      const share = Math.max(0, 1 - db / LEVEL_FLOOR_DB);
      const left = Math.floor(x(n / LEVEL_POINTS_PER_SECOND));
      g.fillRect(left, height * (1 - share), Math.max(1, Math.ceil(x(0.1))), height * share);
    });
    g.strokeStyle = '#888';
    g.beginPath();
    g.moveTo(0, height / 2);
    g.lineTo(width, height / 2);
    g.stroke();
    g.strokeStyle = '#1f5fa8';
    g.lineWidth = 2 * devicePixelRatio;
    g.beginPath();
    speeds.forEach((speed, n) => {
      const y = height / 2 - ((speed - 1) / SPEED_SPAN) * (height / 2);
      if (n === 0) g.moveTo(x(times[n]), y); else g.lineTo(x(times[n]), y);
    });
    g.stroke();
    g.fillStyle = '#c62828';
    for (const n of suspects) g.fillRect(x(times[n]), 0, Math.max(1, devicePixelRatio), height);
    drawPrograms(g, x, height);
    g.fillStyle = '#1b1d21';
    g.font = `${12 * devicePixelRatio}px system-ui`;
    g.fillText(`${seconds().toFixed(0)} s · level grey · speed blue (±5 %) · suspect red`,
               4 * devicePixelRatio, 14 * devicePixelRatio);
  }

  // Each program a bar along the foot, numbered where it is wide enough for its number; the
  // chosen one also shaded over the whole height.
  function drawPrograms(g, x, height) {
    const bar = PROGRAM_BAR_PX * devicePixelRatio;
    g.font = `${11 * devicePixelRatio}px system-ui`;
    for (const { number, start, end } of programs) {
      const left = x(start);
      const width = Math.max(2 * devicePixelRatio, x(end) - left);
      if (number === chosen) {
        g.fillStyle = 'rgba(240, 160, 0, 0.25)';
        g.fillRect(left, 0, width, height);
      }
      g.fillStyle = number === chosen ? '#b87800' : '#2e7d32';
      g.fillRect(left, height - bar, width, bar);
      const label = String(number);
      if (g.measureText(label).width + 4 * devicePixelRatio > width) continue;
      g.fillStyle = 'white';
      g.fillText(label, left + 2 * devicePixelRatio, height - 3 * devicePixelRatio);
    }
  }

  // At most every REDRAW_INTERVAL_MS: a long recording has many points to draw.
  const redraw = () => { if (!frame) frame = setTimeout(draw, REDRAW_INTERVAL_MS); };

  canvas.addEventListener('click', (event) => {
    if (times.length === 0) return;
    const box = canvas.getBoundingClientRect();
    const t = ((event.clientX - box.left) / box.width) * seconds();
    let low = 0;
    let high = times.length - 1;
    while (low < high) {
      const middle = (low + high) >> 1;
      if (times[middle] < t) low = middle + 1; else high = middle;
    }
    if (low > 0 && t - times[low - 1] < times[low] - t) --low;
    choose(low);
  });
  new ResizeObserver(redraw).observe(canvas);

  return {
    reset() {
      levels = []; times = []; speeds = []; suspects = []; totalSeconds = 0;
      programs = []; chosen = 0;
      redraw();
    },
    start(rateHz, frames) {
      rate = rateHz;
      totalSeconds = frames / rateHz;
      redraw();
    },
    // Each word's speed from its bit period at the rate it was read at: a side may change rate
    // between programs.
    add(records, levelPoints) {
      levels.push(...levelPoints);
      for (let at = 0; at < records.length; at += RECORD_DOUBLES) {
        if (records[at + RECORD.flags]) suspects.push(times.length);
        times.push(records[at + RECORD.edge] / rate);
        speeds.push(rate / records[at + RECORD.baud] / records[at + RECORD.bitSamples]);
      }
      redraw();
    },
    // The side's programs, { number, start, end } in seconds, replacing those shown.
    setPrograms(spans) {
      programs = spans;
      redraw();
    },
    // Shades program `number` (0: none) and brings the strip into view.
    choose(number) {
      chosen = number;
      draw();
      canvas.scrollIntoView({ block: 'nearest' });
    },
    finish: redraw,
    onChoose(handler) { choose = handler; },
  };
}
