// Measures the page's start on a phone's poor link, as Chromium emulates it (150 ms latency,
// 1.6 Mbit/s down, 750 kbit/s up, CPU four times slower), each load cold in a fresh profile with
// the cache off, from a keep-alive server on 127.0.0.1 that compresses text and code as static
// hosts do: how many loads start, when the menu is drawn and when every picture is in, and the
// site's size.
//   node tools/measure-loading.mjs [build-web/site] [loads, default 20]
import { statSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

import { Browser } from '../tests/web/browser.mjs';
import { filesUnder, median, requireSite } from '../tests/web/harness.mjs';
import { serveSite } from '../tests/web/server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const site = process.argv[2] ?? join(here, '..', 'build-web', 'site');
const loads = Number.parseInt(process.argv[3] ?? '20', 10);
requireSite('measure-loading', site);
if (!(loads > 0)) {
  console.error('measure-loading: the number of loads must be a positive whole number');
  process.exit(2);
}

const seconds = (ms) => (ms / 1000).toFixed(2);

const all = filesUnder(site);
const bytes = all.reduce((sum, f) => sum + statSync(f).size, 0);
// Kilobytes and megabytes of 1024, as the other measuring scripts count them.
const SiteLimit = 1.2 * 1024 * 1024;
console.log(`site: ${bytes} bytes, ${(bytes / 1024).toFixed(1)} KB in ${all.length} files (limit 1.2 MB: ${(SiteLimit / 1024).toFixed(1)} KB)`);

const server = await serveSite(site);
const menus = [];
const pictures = [];
let started = 0;
let status = 0;
try {
  for (let i = 0; i < loads; ++i) {
    const browser = await Browser.launch();
    try {
      const page = await browser.newPage();
      await page.emulateSlowLink();
      await page.open(server.url, { width: 960, height: 580 }, { noCache: true });
      const menu = await page.waitFor('globalThis.skelvar?.menuDrawnAt', 60000, 'the menu');
      const done = await page.waitFor('globalThis.skelvar?.picturesLoadedAt', 60000, 'every picture');
      ++started;
      menus.push(menu);
      pictures.push(done);
      console.log(`load ${i + 1}: menu drawn ${seconds(menu)} s, every picture ${seconds(done)} s`);
      if (page.problems.length) console.log(`  page problems: ${page.problems.join('; ')}`);
    } catch (error) {
      console.log(`load ${i + 1}: did not start (${error.message})`);
    } finally {
      await browser.close();
    }
  }
} finally {
  await server.stop();
}
console.log(`cold loads that start: ${started} of ${loads} (limit: all)`);
console.log(`menu drawn: median ${seconds(median(menus))} s, slowest ${seconds(Math.max(...menus))} s (limit 4.5 s median)`);
console.log(`every picture in: median ${seconds(median(pictures))} s, slowest ${seconds(Math.max(...pictures))} s (limit 7 s)`);
if (started < loads || median(menus) > 4500 || Math.max(...pictures) > 7000 || bytes > SiteLimit) status = 1;
process.exit(status);
