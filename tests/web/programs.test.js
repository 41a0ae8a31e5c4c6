// OSI programs in the page: machine code played as the 65V monitor's load text is byte for byte
// what `qirvex-program to-tape` and `qirvex` make of it; a file that would not load is refused
// with the reason. A decoded tape is judged, downloaded as a clean listing or as machine code
// byte for byte as `qirvex-program from-tape` writes it, and what would not load is marked at its
// bytes, at the offsets from-tape names.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { encodeWithQirvex } from './recordings.js';
import { decodeThroughInput, openPage, PROGRAM, run, runQirvex, runRescue, screenshot, servePage,
         temporaryFolder } from './support.js';

// A small 6502 program: a loop that fills the screen, then bytes of every value, so that CR, LF
// and NUL among them are carried as data.
const CODE = Buffer.from([0xa2, 0x00, 0xa9, 0x41, 0x9d, 0x00, 0xd0, 0xe8, 0xd0, 0xfa, 0x60,
                          ...Array.from({ length: 40 }, (_, n) => (n * 37) & 0xff)]);

// The program as each format holds it, made with qirvex-program itself from the raw bytes.
function programFiles(folder) {
  const raw = join(folder, 'prog.0300.bin');
  writeFileSync(raw, CODE);
  const text = join(folder, 'prog.65v');
  run(PROGRAM, ['to-tape', '-f', '-g', '0300', raw, text]);
  const files = { raw, plain: join(folder, 'CODE'), hex: join(folder, 'prog.hex'), srec: join(folder, 'prog.s19') };
  writeFileSync(files.plain, CODE);
  run(PROGRAM, ['from-tape', '-f', '-t', 'hex', text, files.hex]);
  run(PROGRAM, ['from-tape', '-f', '-t', 'srec', text, files.srec]);
  return files;
}

// Each case: the file, what is set on the page, and the two programs' arguments that must agree.
const CASES = [
  { name: 'raw bytes, the address in the name, 600 baud', file: 'raw',
    set: { 'opt-baud': '1' }, program: [], qirvex: ['-R1'] },
  { name: 'raw bytes, format and load and run address typed, 300 baud', file: 'plain',
    set: { 'prog-format': 'binary', 'prog-address': '1000', 'prog-go': '$1002' },
    program: ['-i', 'binary', '-a', '1000', '-g', '1002'], qirvex: [] },
  { name: 'Intel HEX with its run address, 600 baud, 7E1', file: 'hex',
    set: { 'opt-baud': '1', 'opt-data': '7', 'opt-parity': 'E' }, program: [], qirvex: ['-R1', '-D', '-E'] },
  { name: 'S-records, the run address replaced', file: 'srec',
    set: { 'prog-go': '0305' }, program: ['-g', '0305'], qirvex: [] },
  { name: "cc65's OSI output (raw, for 0200)", file: 'plain',
    set: { 'prog-format': 'cc65' }, program: ['-i', 'cc65'], qirvex: [] },
];

async function setFields(page, values) {
  for (const [id, value] of Object.entries(values)) {
    if (await page.$eval(`#${id}`, (element) => element.tagName === 'SELECT'))
      await page.selectOption(`#${id}`, value);
    else await page.fill(`#${id}`, value);
  }
}

async function downloadWav(page) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download-wav')]);
  return readFileSync(await download.path());
}

describe('machine code played as the 65V load text', () => {
  let server;
  let browser;
  let folder;
  let files;
  before(async () => {
    server = await servePage();
    folder = temporaryFolder();
    files = programFiles(folder.folder);
    browser = await openPage(server.url);
  });
  after(async () => {
    await browser?.close();
    await server?.close();
    folder?.remove();
  });

  for (const [index, { name, file, set, program, qirvex }] of CASES.entries()) {
    test(`${name}: the same WAV as qirvex-program to-tape and qirvex`, async () => {
      const { page } = browser;
      await page.reload();
      await page.waitForSelector('body[data-core="ready"]');
      await page.setInputFiles('#encode-file', files[file]);
      await setFields(page, set);
      assert.equal(await page.isChecked('#opt-basic'), false, 'BASIC mode stays on for machine code');
      const fromPage = await downloadWav(page);
      const text = join(folder.folder, `expected-${index}.65v`);
      run(PROGRAM, ['to-tape', '-f', ...program, files[file], text]);
      const wav = join(folder.folder, `expected-${index}.wav`);
      runQirvex([...qirvex, text, wav]);
      const expected = readFileSync(wav);
      assert.equal(fromPage.length, expected.length);
      assert.ok(fromPage.equals(expected), 'the WAV files differ');
      const command = await page.textContent('#encode-command');
      const wanted = ['qirvex-program to-tape', ...program].join(' ');
      assert.ok(command.startsWith(wanted), `${command} does not start with ${wanted}`);
      assert.match(command, new RegExp(`&& qirvex ${qirvex.map((arg) => `${arg} `).join('')}\\S+\\.65v `));
      assert.match(await page.textContent('#program-note'), /65V/);
      if (file === 'hex') await screenshot(page, 'play-machine-code');
      assert.deepEqual(browser.problems, []);
    });
  }

  test('a file that would not load is refused with the reason, and no WAV is made', async () => {
    const { page } = browser;
    const damaged = join(folder.folder, 'damaged.hex');
    const hex = readFileSync(files.hex, 'latin1');
    writeFileSync(damaged, hex.replace(/^(:10.{39})(.)/m, (_, head, digit) => head + (digit === '0' ? '1' : '0')));
    const cases = [
      { path: files.plain, set: { 'prog-format': 'binary' }, message: /Load address: raw bytes need the address/ },
      { path: files.plain, set: { 'prog-format': 'binary', 'prog-address': '12345' }, message: /"12345" is not an address/ },
      { path: damaged, set: {}, message: /damaged\.hex is damaged, so nothing was sent: at byte \d+: .*checksum/ },
    ];
    for (const { path, set, message } of cases) {
      await page.reload();
      await page.waitForSelector('body[data-core="ready"]');
      await page.setInputFiles('#encode-file', path);
      await setFields(page, set);
      await page.click('#download-wav');
      await page.waitForFunction(() => document.querySelector('#play-status').classList.contains('error'));
      assert.match(await page.textContent('#play-status'), message);
    }
    assert.deepEqual(browser.problems, []);
  });
});

// A listing with one fault of each kind the lint names: a byte with bit 7 set, a control
// character, a line over 71 characters, a line number that does not rise.
function faultyListing() {
  const lines = ['10 PRINT "FIRST"', '20 PRINT "B\xC1D"', '30 PRINT "BELL\x07"',
                 `40 PRINT "${'X'.repeat(70)}"`, '35 PRINT "BACKWARDS"', '50 END'];
  return Buffer.from(`LIST\r\n${lines.join('\r\n')}\r\nOK\r\n`, 'latin1');
}

// qirvex-program from-tape run on `decoded`: its files (named after `base`) and the byte offsets
// of the faults it names.
function fromTape(folder, decoded, base, args = []) {
  const input = join(folder, `${base}.txt`);
  writeFileSync(input, decoded);
  let diagnostics = '';
  try {
    run(PROGRAM, ['from-tape', '-f', ...args, input]);
  } catch (error) {
    if (error.status !== 1) throw error;
    diagnostics = error.stderr.toString();
  }
  const offsets = [...diagnostics.matchAll(/at byte (\d+):/g)].map((match) => Number(match[1]));
  return { offsets, file: (suffix) => readFileSync(join(folder, `${base}${suffix}`)) };
}

async function downloadFrom(page, button) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click(button)]);
  return { bytes: readFileSync(await download.path()), name: download.suggestedFilename() };
}

describe('decoded tapes as listings and programs', () => {
  let server;
  let browser;
  let folder;
  before(async () => {
    server = await servePage();
    folder = temporaryFolder();
    browser = await openPage(server.url);
  });
  after(async () => {
    await browser?.close();
    await server?.close();
    folder?.remove();
  });

  test('a listing: the clean listing and the lint marks are those of qirvex-program from-tape', async () => {
    const { page } = browser;
    const recording = encodeWithQirvex(folder.folder, 'lint', faultyListing(), ['-B']);
    await decodeThroughInput(page, recording);
    await page.waitForSelector('#tape-program:not([hidden])');
    const expected = fromTape(folder.folder, runRescue([recording]), 'expected-lint');
    assert.match(await page.textContent('#tape-content'), /^The tape holds a BASIC listing of 6 lines; 4 places that would not load as it stands/);
    assert.equal(await page.isHidden('#download-hex'), true);
    const listing = await downloadFrom(page, '#download-listing');
    assert.equal(listing.name, 'lint.bas');
    assert.ok(listing.bytes.equals(expected.file('.bas')), 'the listings differ');
    const marked = await page.$$eval('#listing .lint', (spans) => spans.map((span) => Number(span.dataset.word)));
    assert.deepEqual(marked, expected.offsets);
    assert.equal(expected.offsets.length, 4);
    const titles = await page.$$eval('#listing .lint', (spans) => spans.map((span) => span.title));
    assert.ok(titles.every((title) => title.length > 0), `a mark without its message: ${titles}`);
    assert.equal(await page.locator('#tape-problems li').count(), 4);
    await screenshot(page, 'read-listing-lint');
    assert.deepEqual(browser.problems, []);
  });

  // The program's 65V load text, and the tapes made of it: the text itself, and checksum
  // records as from-tape writes them (without the run address, which they cannot carry).
  const codeText = () => {
    const raw = join(folder.folder, 'code.0300.bin');
    writeFileSync(raw, CODE);
    const text = join(folder.folder, 'code.65v');
    run(PROGRAM, ['to-tape', '-f', '-g', '0300', raw, text]);
    return text;
  };
  const TAPES = [
    { name: 'a 65V load text', make: (text) => text, run: 'run at 0300' },
    { name: 'checksum records', run: 'no run address', make: (text) => {
      const records = join(folder.folder, 'code.mos');
      run(PROGRAM, ['from-tape', '-f', '-t', 'mos', text, records]);
      return records;
    } },
  ];
  for (const { name, make, run: runAddress } of TAPES) {
    test(`${name} at 600 baud: Intel HEX and raw binary as qirvex-program from-tape writes them`, async () => {
      const { page } = browser;
      const recording = join(folder.folder, 'monitor.wav');
      runQirvex(['-F', '-R1', make(codeText()), recording]);
      // The new rate decodes the last recording again; the file chosen while that runs would
      // be ignored, so the test waits for it.
      await page.selectOption('#dec-baud', '600');
      await page.waitForFunction(() => document.body.dataset.decoding === 'false');
      await decodeThroughInput(page, recording);
      await page.waitForSelector('#tape-program:not([hidden])');
      assert.equal(await page.textContent('#tape-content'),
                   `The tape holds ${name}, 51 bytes in 1 stretch (0300-0332), ${runAddress}; every byte was read.`);
      assert.equal(await page.isHidden('#download-listing'), true);
      const decoded = runRescue(['-b', '600', recording]);
      const hex = await downloadFrom(page, '#download-hex');
      assert.equal(hex.name, 'monitor.hex');
      assert.ok(hex.bytes.equals(fromTape(folder.folder, decoded, 'expected-hex').file('.hex')), 'the HEX files differ');
      const binary = await downloadFrom(page, '#download-binary');
      assert.equal(binary.name, 'monitor.0300.bin');
      const expected = fromTape(folder.folder, decoded, 'expected-bin', ['-t', 'binary']).file('.0300.bin');
      assert.ok(binary.bytes.equals(expected) && binary.bytes.equals(CODE), 'the raw bytes differ');
      if (name === 'a 65V load text') await screenshot(page, 'read-65v-program');
      assert.deepEqual(browser.problems, []);
    });
  }

  test('other data: said so, and only the decoded data to download', async () => {
    const { page } = browser;
    const recording = encodeWithQirvex(folder.folder, 'letter', Buffer.from('DEAR SIR,\r\nTHE TAPE IS ENCLOSED.\r\n'));
    await page.selectOption('#dec-baud', '300');
    await page.waitForFunction(() => document.body.dataset.decoding === 'false');
    await decodeThroughInput(page, recording);
    await page.waitForSelector('#tape-program:not([hidden])');
    assert.match(await page.textContent('#tape-content'), /^The tape holds other data: .*Download data/);
    for (const button of ['#download-listing', '#download-hex', '#download-binary'])
      assert.equal(await page.isHidden(button), true, `${button} is offered`);
    assert.equal(await page.isDisabled('#download-data'), false);
  });

  test('a 65V text with bad hex digits: each marked where qirvex-program from-tape names it', async () => {
    const { page } = browser;
    const text = readFileSync(codeText(), 'latin1');
    const damaged = join(folder.folder, 'bad.65v');
    writeFileSync(damaged, text.replace('A2\r', 'AZ\r').replace('E8\r', 'G8\r'), 'latin1');
    const recording = join(folder.folder, 'bad-digits.wav');
    runQirvex(['-R1', damaged, recording]);
    await page.selectOption('#dec-baud', '600');
    await page.waitForFunction(() => document.body.dataset.decoding === 'false');
    await decodeThroughInput(page, recording);
    await page.waitForSelector('#tape-program:not([hidden])');
    const expected = fromTape(folder.folder, runRescue(['-b', '600', recording]), 'expected-bad');
    assert.equal(expected.offsets.length, 2);
    const marked = await page.$$eval('#listing .lint', (spans) => spans.map((span) => Number(span.dataset.word)));
    assert.deepEqual(marked, expected.offsets);
    assert.match(await page.textContent('#tape-content'), /49 bytes in 2 stretches.*; 2 places that could not be read/);
    assert.ok((await downloadFrom(page, '#download-hex')).bytes.equals(expected.file('.hex')), 'the HEX files differ');
    assert.deepEqual(browser.problems, []);
  });
});
