// A side of tape in the page: programs at different rates and framings, each made by qirvex, found
// with neither given, listed under the strip as qirvex-rescue --list lists them, each downloaded
// byte for byte as qirvex-rescue --split writes its file, and shown on the strip when chosen; the
// list stays readable on a phone.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { basicListing, degrade, drowned, encodeWithQirvex, tapeSide } from './recordings.js';
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

// The junk under the list is counted as in qirvex-rescue's table.
async function checkJunk(page, rows) {
  const junk = rows.filter((row) => row.number === '-');
  const bytes = junk.reduce((sum, row) => sum + Number(row.bytes), 0);
  const note = await page.textContent('#side-junk');
  if (junk.length === 0) assert.equal(note, '');
  else assert.match(note, new RegExp(`^${junk.length} junk stretch(es)?, ${bytes} bytes?, not programs`));
}

// Each program's file as qirvex-rescue --split writes it, with `options`: { name: bytes }.
function splitFiles(recording, folder, options = []) {
  try {
    run(RESCUE, ['-q', `--split=${folder}`, ...options, recording]);
  } catch (error) {
    if (error.status !== 1) throw error; // 1: some program damaged, its file written all the same
  }
  const index = readFileSync(join(folder, 'index.tsv'), 'latin1').trim().split('\n').slice(1)
    .map((line) => line.split('\t')).filter((cells) => cells[0] !== '-');
  return Object.fromEntries(index.map((cells) => [cells[11], readFileSync(join(folder, cells[11]))]));
}

// Every program's download in the page: { name: bytes }.
async function downloads(page) {
  const files = {};
  for (const button of await page.$$('#side-programs .side-download')) {
    const [download] = await Promise.all([page.waitForEvent('download'), button.click()]);
    files[download.suggestedFilename()] = readFileSync(await download.path());
  }
  return files;
}

// The strip draws again a little after the window changes (strip.js, REDRAW_INTERVAL_MS): a
// screenshot waits for that, or it shows the strip stretched.
const waitForStrip = (page) => page.waitForTimeout(400);

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

    await checkJunk(page, rows);
    assert.match(await page.textContent('#read-summary'), /· 300 baud 8O1 \(rate and framing found\) ·/);
    assert.match(await page.textContent('#tape-content'), /^The side holds 3 programs, listed above/);

    const split = splitFiles(side, join(files.folder, 'split'));
    assert.deepEqual(items.map((item) => item.file), Object.keys(split));
    assert.deepEqual(await downloads(page), split, 'the page and qirvex-rescue --split differ');
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

    // A word of that program, opened from the strip, is drawn in its own framing, 7E1.
    const box = await page.$eval('#strip', (canvas) => canvas.getBoundingClientRect().toJSON());
    await page.mouse.click(box.x + ((from + to) / 2 / width) * box.width, box.y + box.height / 2);
    await page.waitForSelector('#inspect:not([hidden])');
    await page.waitForFunction(() => /bits [01]+ /.test(document.getElementById('inspect-details').textContent));
    assert.match(await page.textContent('#inspect-details'), / bits [01]{10} /);
    assert.match(await page.getAttribute('#inspect-canvas', 'aria-label'), /d6 -?[\d.]+, parity -?[\d.]+, stop -?[\d.]+$/);
  });

  test('at 390 px wide the list fits the width', async () => {
    const { page } = browser;
    await page.setViewportSize({ width: 390, height: 844 });
    const overflow = await page.evaluate(() => document.documentElement.scrollWidth - innerWidth);
    assert.ok(overflow <= 0, `the page is ${overflow} px wider than the window`);
    await waitForStrip(page);
    await screenshot(page, 'side-390');
    await page.setViewportSize({ width: 1000, height: 900 });
    await waitForStrip(page);
    await screenshot(page, 'side');
    assert.deepEqual(browser.problems, []);
  });

  test('with Mend, each program is mended alone, as qirvex-rescue --split --mend mends it', async () => {
    const { page } = browser;
    const programs = [
      encodeWithQirvex(files.folder, 'noisy1', basicListing(30), ['-B', '-R1']),
      encodeWithQirvex(files.folder, 'noisy2', basicListing(20), ['-B', '-R1', '-O', '-S']),
    ];
    const noisy = drowned(files.folder, tapeSide(files.folder, programs, 'noisy-side', 2), 'noisy');
    await page.check('#dec-mend');
    await page.waitForFunction(() => document.body.dataset.decoding !== 'true');
    await decodeThroughInput(page, noisy);
    const mended = splitFiles(noisy, join(files.folder, 'mended'), ['--mend']);
    const asRead = splitFiles(noisy, join(files.folder, 'as-read'));
    assert.notDeepEqual(mended, asRead, 'nothing was mended: the case tests nothing');
    assert.deepEqual(await downloads(page), mended, 'the page and qirvex-rescue --split --mend differ');
    assert.match(await page.textContent('#side-programs'), /damaged: \d+ suspect(, \d+ lost)?, \d+ mended/);
    const rows = listedRows(noisy);
    assert.ok(rows.some((row) => row.number === '-'), 'no junk on the noisy side: the case tests less');
    await checkJunk(page, rows);
    await waitForStrip(page);
    await screenshot(page, 'side-mended');
    await page.uncheck('#dec-mend');
    await page.waitForFunction(() => document.body.dataset.decoding === 'false');
    assert.deepEqual(browser.problems, []);
  });
});
