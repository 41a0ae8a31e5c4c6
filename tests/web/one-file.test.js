// The page as one file (make web-dist), opened from the disk: it encodes and decodes as the
// programs do and listens through the fake capture device, loading nothing but what it holds;
// where its scripts do not start, it does not tell to serve a folder it does not need.
// The decode speed of its WebAssembly is printed (never asserted).
import assert from 'node:assert/strict';
import { readFileSync, statSync, writeFileSync } from 'node:fs';
import { basename, join } from 'node:path';
import { randomBytes } from 'node:crypto';
import { pathToFileURL } from 'node:url';
import { after, before, describe, test } from 'node:test';
import { basicListing, degrade, encodeWithQirvex, forCapture } from './recordings.js';
import { ROOT, downloadData, openPage, runRescue, screenshot, temporaryFolder } from './support.js';

const ONE_FILE = process.env.QIRVEX_ONE_FILE ?? join(ROOT, 'build-web/qirvex.html');
const PAGE_URL = pathToFileURL(ONE_FILE).href;

// Opens the one file and notes every request after it, which may only be for what it inlines.
async function openOneFile(extraArgs = []) {
  const browser = await openPage(PAGE_URL, extraArgs);
  browser.requests = [];
  browser.context.on('request', (request) => browser.requests.push(request.url()));
  return browser;
}

function assertSelfContained(browser) {
  assert.deepEqual(browser.problems, []);
  const outside = browser.requests.filter((url) => !/^(data|blob):/.test(url));
  assert.deepEqual(outside, [], 'the page loaded files beside it');
}

// Drops a file on the Read tab as a person would from a file manager.
async function dropFile(page, path) {
  await page.click('#tab-read');
  const transfer = await page.evaluateHandle(([data, name]) => {
    const dropped = new DataTransfer();
    const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
    dropped.items.add(new File([bytes], name, { type: 'audio/wav' }));
    return dropped;
  }, [readFileSync(path).toString('base64'), basename(path)]);
  await page.dispatchEvent('#drop-zone', 'drop', { dataTransfer: transfer });
  await page.waitForFunction(() => document.body.dataset.decoding === 'false', null,
                             { timeout: 120000 });
}

describe('the page as one file, opened from the disk', () => {
  let browser;
  let files;
  before(() => { files = temporaryFolder(); });
  after(async () => {
    await browser?.close();
    files?.remove();
  });

  test('is one file under 1 MB', () => {
    const size = statSync(ONE_FILE).size;
    console.log(`# one-file page: ${size} bytes`);
    assert.ok(size < 1024 * 1024, `${size} bytes`);
  });

  test('encodes a chosen file into the bytes qirvex writes', async () => {
    browser = await openOneFile();
    const input = join(files.folder, 'PROGRAM.BAS');
    const listing = basicListing(12);
    writeFileSync(input, listing);
    await browser.page.setInputFiles('#encode-file', input);
    const [download] = await Promise.all([browser.page.waitForEvent('download'),
                                          browser.page.click('#download-wav')]);
    const fromPage = readFileSync(await download.path());
    const fromQirvex = readFileSync(encodeWithQirvex(files.folder, 'expected', listing, ['-B']));
    assert.ok(fromPage.equals(fromQirvex), 'the WAV files differ');
    assertSelfContained(browser);
  });

  test('decodes a dropped recording into qirvex-rescue\'s bytes (speed printed)', async () => {
    const text = Buffer.from(randomBytes(6000).toString('base64'), 'latin1');
    const long = degrade(files.folder, encodeWithQirvex(files.folder, 'long', text), 'long');
    await dropFile(browser.page, long);
    const { bytes } = await downloadData(browser.page);
    assert.ok(bytes.equals(runRescue([long])), 'the page and qirvex-rescue differ');
    const speed = Number(await browser.page.evaluate(() => document.body.dataset.speed));
    console.log(`# one-file page decode speed: ${speed.toFixed(0)}x real time`);
    assertSelfContained(browser);
    await browser.close();
    browser = null;
  });

  test('where its scripts do not start, says so without the notice to serve a folder', async () => {
    const html = readFileSync(ONE_FILE, 'utf8');
    const withoutModules = join(files.folder, 'no-modules.html');
    writeFileSync(withoutModules, html.replace(/<script type="module">[\s\S]*?<\/script>/, ''));
    const unstarted = await openPage(pathToFileURL(withoutModules).href, [],
                                     { isStartAwaited: false });
    try {
      await unstarted.page.waitForSelector('#not-started-other', { state: 'visible' });
      assert.equal(await unstarted.page.$('#not-started-file'), null);
      assert.equal(await unstarted.page.isVisible('main'), false);
    } finally {
      await unstarted.close();
    }
  });

  test('listens through the fake capture device', async () => {
    const listing = basicListing(6);
    const clean = encodeWithQirvex(files.folder, 'live', listing);
    const recording = degrade(files.folder, clean, 'live');
    const capture = forCapture(files.folder, recording, 'capture');
    browser = await openOneFile(['--use-fake-ui-for-media-stream',
                                 '--use-fake-device-for-media-stream',
                                 `--use-file-for-fake-audio-capture=${capture}`]);
    const { page } = browser;
    await page.click('#tab-read');
    await page.click('#listen-button');
    const lines = listing.toString('latin1').split('\r\n').filter(Boolean);
    await page.waitForFunction((expected) => {
      const text = document.getElementById('listing').textContent;
      return expected.every((line) => text.includes(line));
    }, lines, { timeout: 90000 });
    await screenshot(page, 'one-file-listen');
    await page.click('#read-stop');
    await page.waitForFunction(() => document.body.dataset.decoding === 'false');
    assertSelfContained(browser);
  });
});
