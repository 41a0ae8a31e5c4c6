// The parts of a side as the glue reports them (decode_glue.cpp): each program or stretch of junk
// the core's SideCutter closed, with the range of words it covers, and the names qirvex-rescue
// gives them in its table and its --split folder.
export const PART_DOUBLES = 11;
const PART = {
  firstWord: 0, wordCount: 1, start: 2, end: 3, baud: 4, dataBits: 5, parity: 6, stopBits: 7,
  kind: 8, suspect: 9, lost: 10,
};
// In the order of the core's StretchKind.
const KINDS = ['basic', '65v', 'records', 'data', 'junk'];
const EXTENSIONS = { basic: '.bas', '65v': '.65v', records: '.mos', data: '.bin', junk: '.bin' };

// "8N2", "7E1": data bits, parity, stop bits.
export function framingName({ dataBits, parity, stopBits }) {
  return `${dataBits}${'NEO'[parity]}${stopBits}`;
}

// The part records `doubles` as objects, times in seconds; `text(n, which)` gives part n's first
// line or address (which 0) and its name (which 1).
export function readParts(doubles, count, rate, text) {
  const parts = [];
  for (let n = 0; n < count; ++n) {
    const r = doubles.subarray(n * PART_DOUBLES, (n + 1) * PART_DOUBLES);
    parts.push({
      firstWord: r[PART.firstWord], wordCount: r[PART.wordCount],
      start: r[PART.start] / rate, end: r[PART.end] / rate, baud: r[PART.baud],
      framing: framingName({ dataBits: r[PART.dataBits], parity: r[PART.parity],
                             stopBits: r[PART.stopBits] }),
      dataBits: r[PART.dataBits], kind: KINDS[r[PART.kind]], suspect: r[PART.suspect],
      lost: r[PART.lost], first: text(n, 0), name: text(n, 1),
    });
  }
  return parts;
}

// A program's file name as qirvex-rescue --split writes it: "01-basic-STARTREK.bas".
export function programFileName(number, part) {
  return `${String(number).padStart(2, '0')}-${part.kind}${part.name ? `-${part.name}` : ''}` +
         EXTENSIONS[part.kind];
}
