// Decoding recordings in the page: worn WAV, MP3 and Ogg files through the file input give the
// original text, a WAV file the same bytes as qirvex-rescue, downloaded under the recording's
// name; new settings decode the recording again; a character opens the view of its audio; a
// recording whose tones a capture chain put out of step is read from the space tone alone, as the
// summary says; and the decode speed for 44100 Hz audio is printed (never asserted).
import assert from 'node:assert/strict';
import { randomBytes } from 'node:crypto';
import { after, before, describe, test } from 'node:test';
import { basicListing, damage, degrade, drowned, encodeWithQirvex, markUnderSpace, toMp3,
         toOgg, tonesOutOfStep } from './recordings.js';
import { decodeThroughInput, downloadData, downloadedData, openPage, runRescue, screenshot,
         servePage, temporaryFolder } from './support.js';

describe('decoding recordings in the page', () => {
  let server;
  let browser;
  let files;
  const listing = basicListing(30);
  let worn;
  before(async () => {
    server = await servePage();
    files = temporaryFolder();
    worn = degrade(files.folder, encodeWithQirvex(files.folder, 'clean', listing), 'worn');
    browser = await openPage(server.url);
  });
  after(async () => {
    await browser?.close();
    await server?.close();
    files?.remove();
  });

  test('a worn WAV recording gives the listing, and the bytes qirvex-rescue gives, named after it', async () => {
    await decodeThroughInput(browser.page, worn);
    const { bytes: fromPage, name } = await downloadData(browser.page);
    assert.equal(name, 'worn.txt');
    assert.equal(fromPage.toString('latin1'), listing.toString('latin1'));
    assert.ok(fromPage.equals(runRescue([worn])), 'the page and qirvex-rescue differ');
    assert.match(await browser.page.textContent('#read-summary'), /· 300 baud 8N2 \(rate and framing found\) ·/);
    const speed = Number(/tape speed ([\d.]+) %/.exec(await browser.page.textContent('#read-summary'))[1]);
    assert.ok(Math.abs(speed - 102) < 0.5, `tape speed ${speed} %`);
    await screenshot(browser.page, 'decode-wav');
  });

  for (const [format, convert] of [['MP3', toMp3], ['Ogg Vorbis', toOgg]]) {
    test(`the same recording as ${format} gives the listing`, async () => {
      const compressed = convert(files.folder, worn, `worn-${format}`);
      await decodeThroughInput(browser.page, compressed);
      const fromPage = await downloadedData(browser.page);
      assert.equal(fromPage.toString('latin1'), listing.toString('latin1'));
    });
  }

  test('WAV layouts read as qirvex-rescue reads them: 8-bit, 24-bit, 32-bit float, stereo', async () => {
    const { run } = await import('./support.js');
    for (const layout of [['-b', '8'], ['-b', '24'], ['-e', 'floating-point', '-b', '32'],
                          ['-c', '2']]) {
      const path = `${files.folder}/layout${layout.join('')}.wav`;
      run('sox', [worn, ...layout, path]);
      await decodeThroughInput(browser.page, path);
      const fromPage = await downloadedData(browser.page);
      assert.ok(fromPage.equals(runRescue([path])), `${layout.join(' ')}: the page and qirvex-rescue differ`);
    }
  });

  test('changing the settings after a decode decodes the recording again', async () => {
    const { page } = browser;
    const fast = encodeWithQirvex(files.folder, 'fast', basicListing(4), ['-R1']);
    // The file first, at the rate found: a setting changed before it would decode the last
    // recording again, and the file chosen meanwhile would wait for nothing.
    await decodeThroughInput(page, fast);
    assert.ok((await downloadedData(page)).equals(basicListing(4)));
    const summary = await page.textContent('#read-summary');
    assert.match(summary, /· 600 baud 8N2 \(rate and framing found\) ·/);
    assert.doesNotMatch(summary, /space tone alone/);
    await page.selectOption('#dec-baud', '300');
    await page.waitForFunction(() => document.body.dataset.decoding === 'false');
    assert.notEqual(await page.textContent('#listing'), basicListing(4).toString('latin1').replaceAll('\r\n', '\n'));
    await page.selectOption('#dec-baud', '600');
    await page.waitForFunction(() => document.body.dataset.decoding === 'false');
    assert.ok((await downloadedData(page)).equals(basicListing(4)));
    await page.selectOption('#dec-baud', '0');
    await page.waitForFunction(() => document.body.dataset.decoding === 'false');
  });

  test('a character opens the view of its audio in sight, where the arrow keys step at once', async () => {
    const { page } = browser;
    // The burst falls into the listing, well after the leader and the calibration.
    const damaged = damage(files.folder, worn, 'damaged', 12);
    await decodeThroughInput(page, damaged);
    assert.ok((await downloadedData(page)).equals(runRescue([damaged])), 'the page and qirvex-rescue differ');
    // The view opens below the listing, under the window's lower edge.
    await page.evaluate(() => {
      window.scrollTo(0, 0);
      document.getElementById('listing').scrollTop = 0;
    });
    await page.click('#listing', { position: { x: 12, y: 10 } });
    await page.waitForFunction(() => /^Word 1 of/.test(document.getElementById('inspect-details').textContent));
    const view = await page.$eval('#inspect', (panel) => ({
      top: panel.getBoundingClientRect().top, bottom: panel.getBoundingClientRect().bottom,
      windowHeight: innerHeight, hasFocus: panel.contains(document.activeElement),
    }));
    assert.ok(view.top >= 0 && view.bottom <= view.windowHeight + 1, `the view is at ${view.top} to ${view.bottom}`);
    assert.ok(view.hasFocus, 'the view does not have the focus');
    await page.keyboard.press('ArrowRight');
    await page.waitForFunction(() => /^Word 2 of/.test(document.getElementById('inspect-details').textContent));

    const suspects = await page.$$('#listing .suspect');
    assert.ok(suspects.length > 0, 'no suspect word was marked');
    await suspects[0].click();
    await page.waitForSelector('#inspect:not([hidden])');
    await page.waitForFunction(() => /^Word \d+ of \d+: byte 0x/.test(
      document.getElementById('inspect-details').textContent));
    const details = await page.textContent('#inspect-details');
    assert.match(details, /framing error|parity error/);
    assert.match(details, /confidence \d+/);
    assert.match(details, /bits [01]{11} /);
    const index = Number(await suspects[0].getAttribute('data-word'));
    assert.match(details, new RegExp(`^Word ${index + 1} of`));
    await page.click('#listing', { position: { x: 12, y: 10 } });
    await page.waitForFunction(() => /^Word 1 of/.test(document.getElementById('inspect-details').textContent));
    await page.click('#inspect-next-suspect');
    await page.waitForFunction((n) => document.getElementById('inspect-details').textContent.startsWith(`Word ${n} of`),
                               index + 1);
    await screenshot(page, 'inspect');
  });

  test('with mark 21 dB under space, the view shows each bit as the decoder read it', async () => {
    const { page } = browser;
    const tilted = markUnderSpace(files.folder, worn, 'tilted', 21);
    await decodeThroughInput(page, tilted);
    assert.equal((await downloadedData(page)).toString('latin1'), listing.toString('latin1'));
    await page.evaluate(() => {
      window.scrollTo(0, 0);
      document.getElementById('listing').scrollTop = 0;
    });
    await page.click('#listing', { position: { x: 12, y: 10 } });
    for (let n = 1; n <= 40; ++n) {
      await page.waitForFunction((k) => document.getElementById('inspect-details').textContent
        .startsWith(`Word ${k} of`), n);
      const details = await page.textContent('#inspect-details');
      const label = await page.getAttribute('#inspect-canvas', 'aria-label');
      const bits = /bits ([01]+) /.exec(details)[1];
      const d = Array.from(label.matchAll(/ (-?[\d.]+)(?:,|$)/g), (m) => Number(m[1]));
      assert.equal(d.length, bits.length, label);
      const signs = d.map((value) => (value > 0 ? '1' : '0')).join('');
      assert.equal(signs, bits, `word ${n}: ${label}`);
      const byte = Number.parseInt(/byte 0x([0-9A-F]{2})/.exec(details)[1], 16);
      const dataBits = bits.slice(1, 9).split('').reverse().join('');
      assert.equal(Number.parseInt(dataBits, 2), byte, `word ${n}: ${details}`);
      const confidence = Number(/confidence (\d+)/.exec(details)[1]);
      const weakest = Math.min(...d.map(Math.abs)) * 100;
      assert.ok(Math.abs(confidence - weakest) <= 1, `word ${n}: confidence ${confidence}, ${label}`);
      await page.keyboard.press('ArrowRight');
    }
  });

  test('with the tones out of step behind a treble cut, the listing is read from the space tone alone, as the summary says', async () => {
    const { page } = browser;
    const fast = encodeWithQirvex(files.folder, 'fast-chain', listing, ['-R1']);
    const skewed = tonesOutOfStep(files.folder, fast, 'skewed');
    await decodeThroughInput(page, skewed);
    assert.equal((await downloadedData(page)).toString('latin1'), listing.toString('latin1'));
    assert.match(await page.textContent('#read-summary'),
                 /· 600 baud 8N2 \(rate and framing found\), space tone alone · tape speed /);
  });

  test('mended bytes are those qirvex-rescue --mend mends, each marked', async () => {
    const { page } = browser;
    const noisy = drowned(files.folder, encodeWithQirvex(files.folder, 'fast30', listing, ['-R1']), 'drowned');
    await page.click('#tab-read');
    await page.check('#dec-mend');
    await page.waitForFunction(() => document.body.dataset.decoding !== 'true');
    await decodeThroughInput(page, noisy);
    const fromPage = await downloadedData(page);
    assert.ok(fromPage.equals(runRescue(['--mend', noisy])), 'the page and qirvex-rescue --mend differ');
    assert.ok(!fromPage.equals(runRescue([noisy])), 'nothing was mended: the case tests nothing');
    const marks = await page.$$eval('#listing .mended', (spans) => spans.map((span) => span.title));
    assert.ok(marks.length > 0 && marks.every((title) => /^mended: read as 0x[0-9a-f]{2}/.test(title)), marks.join('; '));
    assert.match(await page.textContent('#read-status'), new RegExp(`${marks.length} bytes? mended`));
    await page.uncheck('#dec-mend');
    await page.waitForFunction(() => document.body.dataset.decoding === 'false');
  });

  test('decode speed for 44100 Hz audio (printed, not asserted)', async () => {
    const text = Buffer.from(randomBytes(6000).toString('base64'), 'latin1');
    const long = degrade(files.folder, encodeWithQirvex(files.folder, 'long', text), 'long');
    await decodeThroughInput(browser.page, long);
    const status = await browser.page.textContent('#read-status');
    const speed = Number(await browser.page.evaluate(() => document.body.dataset.speed));
    console.log(`# page decode speed: ${speed.toFixed(0)}x real time (${status})`);
    assert.ok(speed > 0);
    assert.deepEqual(browser.problems, []);
  });
});
