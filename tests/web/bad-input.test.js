// Bad input gets a clear message on the page, and the page stays usable: a file that is not
// audio, an empty file, a recording without tone, no microphone (the listing in hand stays), a
// refused microphone, a browser without AudioWorklet.
import assert from 'node:assert/strict';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { basicListing, encodeWithQirvex } from './recordings.js';
import { decodeThroughInput, downloadData, openPage, run, screenshot, servePage,
         temporaryFolder } from './support.js';

async function readStatus(page) {
  return {
    text: await page.textContent('#read-status'),
    isError: await page.$eval('#read-status', (element) => element.classList.contains('error')),
  };
}

describe('bad input in the page', () => {
  let server;
  let browser;
  let files;
  before(async () => {
    server = await servePage();
    files = temporaryFolder();
    browser = await openPage(server.url);
  });
  after(async () => {
    await browser?.close();
    await server?.close();
    files?.remove();
  });

  const recordings = [
    { name: 'a text file', file: 'notes.mp3', make: (path) => writeFileSync(path, 'not audio at all\n'.repeat(200)),
      message: /notes\.mp3 is not audio that this browser can decode/ },
    { name: 'an empty file', file: 'empty.wav', make: (path) => writeFileSync(path, ''),
      message: /empty\.wav is empty/ },
    { name: 'a WAV header with garbage after it', file: 'broken.wav',
      make: (path) => writeFileSync(path, Buffer.concat([Buffer.from('RIFF\x10\x00\x00\x00WAVEjunk', 'latin1'), Buffer.alloc(64, 7)])),
      message: /broken\.wav is not audio that this browser can decode/ },
    { name: 'a recording with no tone in it', file: 'hiss.wav',
      make: (path) => run('sox', ['-R', '-n', '-r', '44100', '-b', '16', path, 'synth', '6', 'pinknoise', 'vol', '0.3']),
      message: /^No words found/ },
  ];
  for (const { name, file, make, message } of recordings) {
    test(`${name} is refused with a message`, async () => {
      const path = join(files.folder, file);
      make(path);
      await decodeThroughInput(browser.page, path);
      const status = await readStatus(browser.page);
      assert.match(status.text, message);
      assert.ok(status.isError);
      assert.equal(await browser.page.isDisabled('#download-data'), true);
      assert.equal(await browser.page.isDisabled('#recording-file'), false);
    });
  }

  test('a machine without a microphone is told so, and the listing in hand stays', async () => {
    const { page } = browser;
    const listing = basicListing(3);
    await decodeThroughInput(page, encodeWithQirvex(files.folder, 'kept', listing));
    await page.click('#listen-button');
    await page.waitForFunction(() => document.getElementById('read-status').classList.contains('error'));
    assert.match(await page.textContent('#read-status'), /^No microphone or line input was found/);
    assert.equal(await page.isDisabled('#listen-button'), false);
    const { bytes, name } = await downloadData(page);
    assert.ok(bytes.equals(listing), 'the listing in hand was lost');
    assert.equal(name, 'kept.txt');
  });

  test('a refused microphone is explained', async () => {
    // A device is there, but the permission prompt is answered no.
    const refusing = await openPage(server.url, ['--use-fake-device-for-media-stream']);
    try {
      const { page } = refusing;
      await page.click('#tab-read');
      await page.click('#listen-button');
      await page.waitForFunction(() => document.getElementById('read-status').classList.contains('error'));
      assert.match(await page.textContent('#read-status'), /^The microphone was refused/);
      assert.equal(await page.isDisabled('#listen-button'), false);
      await screenshot(page, 'refused');
    } finally {
      await refusing.close();
    }
  });

  test('a browser without AudioWorklet is told so before anything is asked', async () => {
    const { page } = browser;
    await page.addInitScript(() => { delete window.AudioWorkletNode; });
    await page.reload();
    await page.waitForSelector('body[data-core="ready"]');
    await page.click('#tab-read');
    await page.click('#listen-button');
    assert.match(await page.textContent('#read-status'), /^This browser has no AudioWorklet/);
    assert.deepEqual(browser.problems, []);
  });
});
