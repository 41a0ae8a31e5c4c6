// The page opened as a file, where the browser runs none of its modules, says so and how to open
// it instead of showing controls that do nothing; served, it starts without that notice.
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { after, before, describe, test } from 'node:test';
import { PAGE_DIR, openPage, servePage } from './support.js';

describe('starting the page', () => {
  let server;
  before(async () => { server = await servePage(); });
  after(async () => { await server?.close(); });

  test('opened as a file, the page says how to open it; served, it starts', async () => {
    const fromFile = await openPage(pathToFileURL(join(PAGE_DIR, 'index.html')).href, [],
                                    { isStartAwaited: false });
    try {
      const { page } = fromFile;
      await page.waitForSelector('#not-started-file', { state: 'visible' });
      assert.match(await page.textContent('#not-started-file'),
                   /opened as a file[\s\S]*python3 -m http\.server -d build-web\/page 8000 --bind 127\.0\.0\.1[\s\S]*qirvex\.html/);
      assert.equal(await page.isVisible('main'), false);
      assert.equal(await page.isVisible('#tab-play'), false);
    } finally {
      await fromFile.close();
    }
    const served = await openPage(server.url);
    try {
      assert.equal(await served.page.isVisible('#not-started'), false);
      assert.equal(await served.page.isVisible('main'), true);
      assert.deepEqual(served.problems, []);
    } finally {
      await served.close();
    }
  });
});
