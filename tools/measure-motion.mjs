// Measures how evenly the page's stage scrolls in real time in headless Chromium: → held from the
// menu, RUNS runs at each of 1280 x 720 and 960 x 580; over the steady frames of each (from when
// the view keeps pace with her, 0.9 s into the run, until the first obstacle stops her), how many
// move the background more than 30 % off the median step.
//   node tools/measure-motion.mjs [build-web/site] [RUNS]
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

import { launchEngine } from '../tests/web/engine.mjs';
import { pressKey, requireSite } from '../tests/web/harness.mjs';
import { serveSite } from '../tests/web/server.mjs';
import { unevenSteps } from '../tests/web/stand_ins.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const site = process.argv[2] ?? join(here, '..', 'build-web', 'site');
const runs = Number.parseInt(process.argv[3] ?? '3', 10);
requireSite('measure-motion', site);

const sleep = (ms) => new Promise((r) => { setTimeout(r, ms); });
const server = await serveSite(site);
const browser = await launchEngine('chromium');
try {
  for (const [width, height] of [[1280, 720], [960, 580]]) {
    let steps = 0;
    let uneven = 0;
    const each = [];
    for (let run = 0; run < runs; ++run) {
      const page = await browser.newPage({ width, height });
      await page.open(server.url);
      await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded && !skelvar.window().opacityEnabled', 30000,
        'the menu');
      await sleep(300);
      const from = await page.eval('performance.now()');
      await page.key('down', 'ArrowRight');
      await page.waitFor('skelvar.state().GameState === 0', 10000, 'a run');
      // Held with the key repeat, as a keyboard holds it, on into the first obstacle.
      while ((await page.eval('skelvar.state().GameState')) === 0) {
        await sleep(30);
        await page.key('down', 'ArrowRight', { repeat: true });
      }
      await page.key('up', 'ArrowRight');
      const start = await page.eval('skelvar.stats().paints.find(([time, , , exact]) => !exact)?.[0] ?? 0');
      const paints = (await page.eval('skelvar.stats().paints')).filter(([time]) => time >= Math.max(from, start) + 900);
      const r = unevenSteps(paints);
      steps += r.steps.length;
      uneven += r.uneven;
      each.push(`${r.uneven}/${r.steps.length}`);
      await pressKey(page, 'Escape');
      await page.close();
    }
    console.log(`${width} x ${height}: ${uneven} of ${steps} steady frames step more than 30 % off the median ` +
      `(${(100 * uneven / Math.max(1, steps)).toFixed(1)} %; runs ${each.join(', ')}; bar 3 %)`);
  }
} finally {
  await browser.close();
  await server.stop();
}
