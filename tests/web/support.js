// What the page's tests share: the built page served on 127.0.0.1, Debian's Chromium launched
// headless by playwright-core, the command-line programs, and temporary folders.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { dirname, extname, join, normalize, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

export const ROOT = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
export const PAGE_DIR = process.env.QIRVEX_PAGE_DIR ?? join(ROOT, 'build-web/page');
export const QIRVEX = join(ROOT, 'build/qirvex');
export const RESCUE = join(ROOT, 'build/qirvex-rescue');
export const PROGRAM = join(ROOT, 'build/qirvex-program');
export const SCREENS_DIR = join(ROOT, 'build-web/screens');
const CHROMIUM = process.env.CHROMIUM ?? '/usr/bin/chromium';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm',
};

// Serves the page's folder on 127.0.0.1 at a free port; resolves to { url, close }.
export function servePage() {
  const server = createServer((request, response) => {
    const path = new URL(request.url, 'http://127.0.0.1').pathname;
    const file = normalize(join(PAGE_DIR, path === '/' ? 'index.html' : path));
    try {
      if (!file.startsWith(PAGE_DIR) || !statSync(file).isFile()) throw new Error('missing');
      response.writeHead(200, { 'content-type': TYPES[extname(file)] ?? 'application/octet-stream' });
      response.end(readFileSync(file));
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  return new Promise((done) => {
    server.listen(0, '127.0.0.1', () => done({
      url: `http://127.0.0.1:${server.address().port}/`,
      close: () => new Promise((closed) => server.close(closed)),
    }));
  });
}

// Chromium headless with a fresh profile; `extraArgs` add switches such as the fake capture
// device. Waits until the page's worker holds the core unless `isStartAwaited` is false.
// Resolves to { context, page, problems, close }.
export async function openPage(url, extraArgs = [], { isStartAwaited = true } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'qirvex-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    acceptDownloads: true,
    viewport: { width: 1000, height: 900 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--autoplay-policy=no-user-gesture-required', ...extraArgs],
  });
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(String(error)));
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`${message.text()} ${message.location().url}`);
  });
  page.on('requestfailed', (request) => problems.push(`failed: ${request.url()}`));
  page.on('response', (response) => { if (response.status() >= 400) problems.push(`${response.status()}: ${response.url()}`); });
  await page.goto(url);
  if (isStartAwaited) await page.waitForSelector('body[data-core="ready"]');
  return {
    context, page, problems,
    close: async () => {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

export function temporaryFolder() {
  const folder = mkdtempSync(join(tmpdir(), 'qirvex-web-test-'));
  return { folder, remove: () => rmSync(folder, { recursive: true, force: true }) };
}

export function run(program, args) {
  return execFileSync(program, args, { stdio: ['ignore', 'pipe', 'pipe'] });
}

// Runs qirvex, whose status is 1 on success.
export function runQirvex(args) {
  try {
    execFileSync(QIRVEX, args, { stdio: 'pipe' });
  } catch (error) {
    if (error.status !== 1) throw error;
  }
}

// Runs qirvex-rescue; its output is the decoded bytes, whatever its status says about them.
export function runRescue(args) {
  try {
    return execFileSync(RESCUE, ['-q', ...args, '-'], { stdio: ['ignore', 'pipe', 'pipe'] });
  } catch (error) {
    if (error.status === undefined || error.status > 2) throw error;
    return error.stdout;
  }
}

// A screenshot for people to look at; never compared.
export async function screenshot(page, name) {
  execFileSync('mkdir', ['-p', SCREENS_DIR]);
  await page.screenshot({ path: join(SCREENS_DIR, `${name}.png`), fullPage: true });
}

// Chooses a file in the recording input and waits until the decode has finished.
export async function decodeThroughInput(page, path) {
  await page.click('#tab-read');
  await page.setInputFiles('#recording-file', path);
  await page.waitForFunction(() => document.body.dataset.decoding === 'false', null, { timeout: 120000 });
}

// What the page's Download data button gives: { bytes, name }.
export async function downloadData(page) {
  if (await page.isDisabled('#download-data'))
    throw new Error(`nothing to download: ${await page.textContent('#read-status')}`);
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download-data')]);
  return { bytes: readFileSync(await download.path()), name: download.suggestedFilename() };
}

// The listing's bytes as the page's Download data button gives them.
export async function downloadedData(page) {
  return (await downloadData(page)).bytes;
}
