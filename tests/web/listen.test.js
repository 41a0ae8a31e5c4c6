// Listening: Chromium's fake capture device plays a recording into the page's microphone input,
// and the listing appears while it plays; Stop keeps what was decoded, to download under the
// time listening began.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import { basicListing, degrade, encodeWithQirvex, forCapture } from './recordings.js';
import { downloadData, openPage, screenshot, servePage, temporaryFolder } from './support.js';

describe('listening in the page', () => {
  let server;
  let browser;
  let files;
  before(async () => {
    server = await servePage();
    files = temporaryFolder();
  });
  after(async () => {
    await browser?.close();
    await server?.close();
    files?.remove();
  });

  test('a recording played into the fake microphone is listed as it plays', async () => {
    const listing = basicListing(6);
    const recording = degrade(files.folder, encodeWithQirvex(files.folder, 'live', listing), 'live');
    const capture = forCapture(files.folder, recording, 'capture');
    browser = await openPage(server.url, ['--use-fake-ui-for-media-stream',
                                          '--use-fake-device-for-media-stream',
                                          `--use-file-for-fake-audio-capture=${capture}`]);
    const { page } = browser;
    await page.click('#tab-read');
    await page.click('#listen-button');
    await page.waitForFunction(() => /^Listening/.test(document.getElementById('read-status').textContent));
    // The device plays the file in a loop, from wherever it is when the page starts listening:
    // every line of the listing shows once a whole pass has been heard.
    const lines = listing.toString('latin1').split('\r\n').filter(Boolean);
    await page.waitForFunction((expected) => {
      const text = document.getElementById('listing').textContent;
      return expected.every((line) => text.includes(line));
    }, lines, { timeout: 90000 });
    assert.match(await page.textContent('#read-summary'), /tape speed 10[12]\.\d\d %/);
    await screenshot(page, 'listen');
    await page.click('#read-stop');
    await page.waitForFunction(() => document.body.dataset.decoding === 'false');
    assert.match((await downloadData(page)).name, /^listening-\d{4}-\d\d-\d\d-\d{4}\.txt$/);
    assert.deepEqual(browser.problems, []);
  });
});
