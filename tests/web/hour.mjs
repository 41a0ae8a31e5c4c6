import { servePage, openPage, decodeThroughInput, downloadedData } from './support.js';
import { readFileSync } from 'node:fs';
const server = await servePage();
const b = await openPage(server.url);
const want = readFileSync(process.env.WANT ?? '/tmp/hour/hour.txt');
for (const f of (process.env.FILES ?? '/tmp/hour/hour.wav /tmp/hour/hour.mp3').split(' ')) {
  const t0 = Date.now();
  let peak = 0;
  const timer = setInterval(async () => {
    try { const m = await b.page.evaluate(() => performance.memory?.usedJSHeapSize ?? 0); peak = Math.max(peak, m); } catch {}
  }, 2000);
  await b.page.click('#tab-read');
  await b.page.setInputFiles('#recording-file', f);
  await b.page.waitForFunction(() => document.body.dataset.decoding === 'false', null, { timeout: 580000 });
  clearInterval(timer);
  console.log(f, (Date.now() - t0) / 1000, 's;', await b.page.textContent('#read-status'), await b.page.textContent('#read-summary'), 'main heap peak MB', (peak / 1e6).toFixed(0));
  try { const got = await downloadedData(b.page); console.log('equal', got.equals(want), got.length, want.length); } catch (e) { console.log(String(e)); }
}
console.log(b.problems);
await b.close(); await server.close();
