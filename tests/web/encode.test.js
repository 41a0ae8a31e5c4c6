// Encoding in the page: the downloaded WAV file is byte for byte the one qirvex writes for the
// same input and options; the line ends sent; the options that apply, and values refused where
// they are typed; nothing played from an empty box.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { basicListing, encodeWithQirvex } from './recordings.js';
import { openPage, screenshot, servePage, temporaryFolder } from './support.js';

// Option sets as the page's controls give them, with the qirvex arguments they stand for.
const CASES = [
  { name: 'defaults (BASIC mode)', set: {}, args: ['-B'] },
  { name: 'BASIC mode off, 600 baud, 7E1, sine, legacy rate',
    set: { 'opt-basic': false, 'opt-baud': '1', 'opt-data': '7', 'opt-parity': 'E', 'opt-stop': '1',
           'opt-tone': 'sine', 'opt-legacy': true },
    args: ['-R1', '-D', '-E', '-S', '-U', '-Q'] },
  { name: 'BASIC mode with 4 NULs, odd parity, word padding, short leader and trailer',
    set: { 'opt-basic': true, 'opt-nulls': '4', 'opt-parity': 'O', 'opt-word': '3',
           'opt-leader': '500', 'opt-trailer': '250' },
    args: ['-B', '-N4', '-O', '-W3', '-L500', '-T250'] },
];

async function setOptions(page, values) {
  for (const [id, value] of Object.entries(values)) {
    if (typeof value === 'boolean') await page.setChecked(`#${id}`, value);
    else if (await page.$eval(`#${id}`, (element) => element.tagName === 'SELECT'))
      await page.selectOption(`#${id}`, value);
    else await page.fill(`#${id}`, value);
  }
}

async function downloadWav(page) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download-wav')]);
  return readFileSync(await download.path());
}

async function playStatus(page) {
  return {
    text: await page.textContent('#play-status'),
    isError: await page.$eval('#play-status', (element) => element.classList.contains('error')),
    isPlaying: await page.$eval('#player', (audio) => !audio.paused),
  };
}

describe('encoding in the page', () => {
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

  for (const { name, set, args } of CASES) {
    test(`a chosen file, ${name}: the same bytes as qirvex`, async () => {
      browser = await openPage(server.url);
      const input = join(files.folder, 'PROGRAM.BAS');
      const listing = basicListing(12);
      writeFileSync(input, listing);
      await setOptions(browser.page, set);
      await browser.page.setInputFiles('#encode-file', input);
      const fromPage = await downloadWav(browser.page);
      const fromQirvex = readFileSync(encodeWithQirvex(files.folder, `expected-${args.join('')}`, listing, args));
      assert.equal(fromPage.length, fromQirvex.length);
      assert.ok(fromPage.equals(fromQirvex), 'the WAV files differ');
      const command = (await browser.page.textContent('#encode-command')).split(' ');
      for (const arg of args) assert.ok(command.includes(arg), `${arg} is missing from ${command}`);
      assert.deepEqual(browser.problems, []);
      await browser.close();
      browser = null;
    });
  }

  test('typed text ends every line in CR LF, the last one too, in and out of BASIC mode', async () => {
    browser = await openPage(server.url);
    const { page } = browser;
    await page.fill('#listing-input', '10 PRINT "HI"\n20 GOTO 10');
    const sent = Buffer.from('10 PRINT "HI"\r\n20 GOTO 10\r\n');
    for (const { isBasic, args } of [{ isBasic: true, args: ['-B'] }, { isBasic: false, args: [] }]) {
      await page.setChecked('#opt-basic', isBasic);
      const expected = encodeWithQirvex(files.folder, `typed${args.join('')}`, sent, args);
      assert.ok((await downloadWav(page)).equals(readFileSync(expected)), `BASIC mode ${isBasic}: the WAV files differ`);
    }
    await page.click('#play-button');
    await page.waitForFunction(() => /left of/.test(document.getElementById('play-status').textContent));
    assert.equal(await page.isDisabled('#stop-button'), false);
    await screenshot(page, 'play');
    await page.click('#stop-button');
    assert.equal(await page.textContent('#play-status'), 'Stopped.');
    assert.deepEqual(browser.problems, []);
    await browser.close();
    browser = null;
  });

  test('a file with LF line ends or no end to its last line goes with CR LF in BASIC mode, as it is otherwise, and the page says which', async () => {
    browser = await openPage(server.url);
    const { page } = browser;
    const lines = '10 PRINT "HI"\n20 GOTO 10';
    const cases = [
      { isBasic: true, args: ['-B'], sent: '10 PRINT "HI"\r\n20 GOTO 10\r\n', note: /lines end in LF alone, so they are sent ending in CR LF.*; its last line has no line end, so CR LF is added/ },
      { isBasic: false, args: [], sent: lines, note: /, sent as it is$/ },
    ];
    const input = join(files.folder, 'unix.bas');
    writeFileSync(input, lines);
    await page.setInputFiles('#encode-file', input);
    for (const { isBasic, args, sent, note } of cases) {
      await page.setChecked('#opt-basic', isBasic);
      await page.waitForFunction((pattern) => new RegExp(pattern).test(
        document.getElementById('encode-source').textContent), note.source);
      const expected = encodeWithQirvex(files.folder, `unix${args.join('')}`, Buffer.from(sent), args);
      assert.ok((await downloadWav(page)).equals(readFileSync(expected)), `BASIC mode ${isBasic}: the WAV files differ`);
    }
    await browser.close();
    browser = null;
  });

  test('nothing to play is refused with the reason: an empty box, a box of spaces, an empty file', async () => {
    browser = await openPage(server.url);
    const { page } = browser;
    const empty = join(files.folder, 'EMPTY.BAS');
    writeFileSync(empty, '');
    const cases = [
      { give: () => page.fill('#listing-input', ''), message: /^Nothing to play: the box is empty/ },
      { give: () => page.fill('#listing-input', '  \n \n'), message: /^Nothing to play: the box is empty/ },
      { give: () => page.setInputFiles('#encode-file', empty), message: /^EMPTY\.BAS is empty: there is nothing to play/ },
    ];
    for (const { give, message } of cases) {
      await give();
      await page.click('#play-button');
      const status = await playStatus(page);
      assert.match(status.text, message);
      assert.ok(status.isError && !status.isPlaying);
    }
    await browser.close();
    browser = null;
  });

  test('BASIC mode is on at first; the NUL count applies only with it; out-of-range values are refused until corrected', async () => {
    browser = await openPage(server.url);
    const { page } = browser;
    const command = () => page.textContent('#encode-command');
    assert.equal(await command(), 'qirvex -B -N10 -P20 LISTING.BAS LISTING.wav');
    await page.setChecked('#opt-basic', false);
    assert.equal(await page.isDisabled('#opt-nulls'), true);
    assert.equal(await command(), 'qirvex LISTING.BAS LISTING.wav');
    await page.setChecked('#opt-basic', true);
    assert.equal(await page.isDisabled('#opt-nulls'), false);
    assert.equal(await command(), 'qirvex -B -N10 -P20 LISTING.BAS LISTING.wav');

    await page.fill('#listing-input', '10 PRINT "HI"');
    const refused = [
      { id: 'opt-eol', value: '5000', message: '5000 is out of range: enter a whole number from 0 to 2000.' },
      { id: 'opt-word', value: '-1', message: '-1 is out of range: enter a whole number from 0 to 2000.' },
      { id: 'opt-nulls', value: '2.5', message: '2.5 is not a whole number: enter a whole number from 0 to 1000.' },
      { id: 'opt-leader', value: '', message: 'Enter a whole number from 0 to 600000.' },
      { id: 'opt-trailer', value: '3600000', message: '3600000 is out of range: enter a whole number from 0 to 600000.' },
    ];
    for (const { id, value, message } of refused) {
      const before = await page.inputValue(`#${id}`);
      await page.fill(`#${id}`, value);
      assert.equal(await page.textContent(`#${id}-message`), message);
      assert.ok(await page.isVisible(`#${id}-message`));
      await page.click('#play-button');
      const status = await playStatus(page);
      assert.ok(status.isError && !status.isPlaying, `${id}: ${status.text}`);
      assert.ok(status.text.endsWith(`${message} Correct it to play.`), status.text);
      assert.equal(await page.evaluate(() => document.activeElement.id), id);
      await page.fill(`#${id}`, before);
      assert.equal(await page.textContent(`#${id}-message`), '');
    }
    await page.click('#play-button');
    await page.waitForFunction(() => /left of/.test(document.getElementById('play-status').textContent));
    await page.click('#stop-button');
    assert.deepEqual(browser.problems, []);
  });
});
