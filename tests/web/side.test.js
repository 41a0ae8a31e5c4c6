// A side of tape in the page: programs at different rates and framings, each made by qirvex, found
// with neither given, listed under the strip as qirvex-rescue --list lists them, each downloaded
// byte for byte as qirvex-rescue --split writes its file, and shown on the strip when chosen; the
// list stays readable on a phone.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { basicListing, degrade, encodeWithQirvex, tapeSide } from './recordings.js';
import { decodeThroughInput, openPage, PROGRAM, RESCUE, run, screenshot, servePage,
         temporaryFolder } from './support.js';

// qirvex-rescue's table, one object per row: programs numbered, junk numbered "-".
function listedRows(recording) {
  let table;
  try {
    table = run(RESCUE, ['-q', '--list', recording]).toString();
  } catch (error) {
    table = error.stdout.toString(); // a damaged program ends it with status 1
  }
  const row = /^\s*(\S+)\s+(\S+)\s+(\S+)\s+(\d+)\s+(\S+)\s+(\d+)\s+(\S+)\s+(\d+)\s+(\d+)\s+(\S+)(?:\s\s(.*))?$/;
  return table.trim().split('\n').slice(1).map((line) => {
    const [, number, start, end, baud, framing, bytes, kind, , , verdict, first] = row.exec(line);
    return { number, start, end, baud, framing, bytes, kind, verdict, first: first?.trim() ?? '' };
  });
}

// A 65V load text of a little machine code at 0A00, made by qirvex-program.
function loadText(folder) {
  const code = join(folder, 'code.0a00.bin');
  writeFileSync(code, Buffer.from(Array.from({ length: 120 }, (_, n) => (n * 53 + 7) & 0xff)));
  const text = join(folder, 'code.65v');
  run(PROGRAM, ['to-tape', '-f', code, text]);
  return readFileSync(text);
}

describe('a side of several programs in the page', () => {
  let server;
  let browser;
  let files;
  let side;
  before(async () => {
    server = await servePage();
    files = temporaryFolder();
    const programs = [
      encodeWithQirvex(files.folder, 'first', basicListing(12), ['-B']),
      encodeWithQirvex(files.folder, 'second', loadText(files.folder), ['-R1', '-D', '-E', '-S']),
      encodeWithQirvex(files.folder, 'third', basicListing(5), ['-B', '-O', '-S']),
    ];
    side = degrade(files.folder, tapeSide(files.folder, programs, 'clean-side', 2), 'side');
    browser = await openPage(server.url);
  });
  after(async () => {
    await browser?.close();
    await server?.close();
    files?.remove();
  });

  test('the programs listed are those of qirvex-rescue --list, and each downloads as --split writes it', async () => {
    const { page } = browser;
    await decodeThroughInput(page, side);
    const rows = listedRows(side);
    const programs = rows.filter((row) => row.number !== '-');
    assert.deepEqual(programs.map((row) => `${row.baud} ${row.framing} ${row.kind}`),
                     ['300 8N2 basic', '600 7E1 65v', '300 8O1 basic'], 'the side itself is not as made');
    const items = await page.$$eval('#side-programs li', (list) => list.map((item) => ({
      ...item.dataset, first: item.querySelector('.side-first')?.textContent ?? '',
    })));
    assert.deepEqual(items.map(({ number, start, end, baud, framing, bytes, kind, verdict, first }) =>
      ({ number, start, end, baud, framing, bytes, kind, verdict, first })), programs);

    const junk = rows.filter((row) => row.number === '-');
    const junkBytes = junk.reduce((sum, row) => sum + Number(row.bytes), 0);
    const junkNote = await page.textContent('#side-junk');
    if (junk.length === 0) assert.equal(junkNote, '');
    else assert.match(junkNote, new RegExp(`^${junk.length} junk stretch(es)?, ${junkBytes} bytes?, not programs`));
    assert.match(await page.textContent('#read-summary'), /· 300 baud 8O1 \(rate and framing found\) ·/);

    const split = join(files.folder, 'split');
    run(RESCUE, ['-q', `--split=${split}`, side]);
    const index = readFileSync(join(split, 'index.tsv'), 'latin1').trim().split('\n').slice(1)
      .map((line) => line.split('\t')).filter((cells) => cells[0] !== '-');
    assert.deepEqual(items.map((item) => item.file), index.map((cells) => cells[11]));
    for (const item of items) {
      const [download] = await Promise.all([page.waitForEvent('download'),
                                            page.click(`#side-programs li[data-number="${item.number}"] .side-download`)]);
      assert.equal(download.suggestedFilename(), item.file);
      assert.ok(readFileSync(await download.path()).equals(readFileSync(join(split, item.file))),
                `${item.file}: the page and qirvex-rescue --split differ`);
    }
    assert.deepEqual(browser.problems, []);
  });

  test('a program chosen in the list is shaded over its span of the strip, and nowhere else', async () => {
    const { page } = browser;
    // The strip's pixels across its middle row, one per column.
    const row = () => page.$eval('#strip', (canvas) => {
      const pixels = canvas.getContext('2d').getImageData(0, canvas.height >> 1, canvas.width, 1).data;
      return Array.from({ length: canvas.width }, (_, x) => pixels.slice(4 * x, 4 * x + 4).join());
    });
    const before = await row();
    await page.click('#side-programs li[data-number="2"] .side-span');
    assert.equal(await page.getAttribute('#side-programs li[data-number="2"]', 'class'), 'chosen');
    const chosen = await row();
    const changed = chosen.flatMap((pixel, x) => (pixel !== before[x] ? [x] : []));
    const seconds = (clock) => { const [m, s] = clock.split(':'); return 60 * Number(m) + Number(s); };
    const item = await page.$eval('#side-programs li[data-number="2"]', (li) => ({ ...li.dataset }));
    const total = Number(run('soxi', ['-D', side]).toString());
    const width = chosen.length;
    const from = Math.floor((seconds(item.start) / total) * width);
    const to = Math.ceil((seconds(item.end) / total) * width);
    assert.ok(changed.length > 0.8 * (to - from), `${changed.length} columns changed for ${to - from}`);
    assert.ok(changed.every((x) => x >= from - 1 && x <= to + 1), `changed from ${changed[0]} to ${changed.at(-1)}, the span ${from} to ${to}`);
  });

  test('at 390 px wide the list fits the width', async () => {
    const { page } = browser;
    await page.setViewportSize({ width: 390, height: 844 });
    const overflow = await page.evaluate(() => document.documentElement.scrollWidth - innerWidth);
    assert.ok(overflow <= 0, `the page is ${overflow} px wider than the window`);
    await page.$eval('#side', (section) => section.scrollIntoView());
    await screenshot(page, 'side-390');
    await page.setViewportSize({ width: 1000, height: 900 });
    await screenshot(page, 'side');
    assert.deepEqual(browser.problems, []);
  });
});
