// Measures the page's start on a phone's poor link, as Chromium emulates it (150 ms latency,
// 1.6 Mbit/s down, 750 kbit/s up, CPU four times slower), each load cold in a fresh profile with
// the cache off, from a keep-alive server on 127.0.0.1 that compresses text and code as static
// hosts do: how many loads start, when the menu is drawn, when the stage and every picture are in,
// when a key pressed at 3.5 s starts its run (never before the stage is in), and the site's size.
//   node tools/measure-loading.mjs [build-web/site] [loads, default 20]
import { statSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

import { launchEngine } from '../tests/web/engine.mjs';
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
const SiteLimit = 1.25 * 1024 * 1024;
console.log(`site: ${bytes} bytes, ${(bytes / 1024).toFixed(1)} KB in ${all.length} files (limit 1.25 MB: ${(SiteLimit / 1024).toFixed(1)} KB)`);
// A key pressed this long after navigation, when the stage may still be on its way.
const PressAtMs = 3500;

const server = await serveSite(site);
const browser = await launchEngine('chromium');
const menus = [];
const stages = [];
const pictures = [];
let runsOnStage = 0;
let started = 0;
let status = 0;
try {
  for (let i = 0; i < loads; ++i) {
    const page = await browser.newPage({ width: 960, height: 580, fresh: true });
    try {
      await page.link('slow');
      await page.open(server.url);
      const menu = await page.waitFor('globalThis.skelvar?.menuDrawnAt', 60000, 'the menu');
      // From here the page notes when a run starts, looking every few milliseconds.
      await page.eval(`(() => {
        globalThis.runWatch = { at: 0, stage: 0 };
        const look = () => {
          if (skelvar.state().GameState !== 0) {
            setTimeout(look, 4);
            return;
          }
          runWatch.at = performance.now();
          runWatch.stage = skelvar.stageLoadedAt;
        };
        look();
      })()`);
      const wait = PressAtMs - await page.eval('performance.now()');
      if (wait > 0) await new Promise((r) => { setTimeout(r, wait); });
      const pressedAt = await page.eval('performance.now()');
      await page.key('down', 'ArrowRight');
      await page.key('up', 'ArrowRight');
      const run = await page.waitFor('runWatch.at && runWatch', 60000, 'the run');
      const done = await page.waitFor('globalThis.skelvar?.picturesLoadedAt', 60000, 'every picture');
      const stage = await page.eval('skelvar.stageLoadedAt');
      ++started;
      menus.push(menu);
      stages.push(stage);
      pictures.push(done);
      const onStage = run.stage > 0 && run.at >= run.stage;
      if (onStage) ++runsOnStage;
      console.log(`load ${i + 1}: menu drawn ${seconds(menu)} s, stage in ${seconds(stage)} s, every picture ${seconds(done)} s; key at ${seconds(pressedAt)} s, run from ${seconds(run.at)} s${onStage ? '' : ' BEFORE THE STAGE WAS IN'}`);
      const problems = await page.problems();
      if (problems.length) console.log(`  page problems: ${problems.join('; ')}`);
    } catch (error) {
      console.log(`load ${i + 1}: did not start (${error.message})`);
    } finally {
      await page.close();
    }
  }
} finally {
  await browser.close();
  await server.stop();
}
console.log(`cold loads that start: ${started} of ${loads} (limit: all)`);
console.log(`menu drawn: median ${seconds(median(menus))} s, slowest ${seconds(Math.max(...menus))} s (limit 3.0 s median, 3.3 s slowest)`);
console.log(`stage in: median ${seconds(median(stages))} s, slowest ${seconds(Math.max(...stages))} s`);
console.log(`every picture in: median ${seconds(median(pictures))} s, slowest ${seconds(Math.max(...pictures))} s (limit 6.5 s median)`);
console.log(`runs started by a key at ${seconds(PressAtMs)} s that began with the stage in: ${runsOnStage} of ${started} (limit: all)`);
if (started < loads || runsOnStage < started || median(menus) > 3000 || Math.max(...menus) > 3300
  || median(pictures) > 6500 || bytes > SiteLimit) status = 1;
process.exit(status);
