// Motion between the game's ticks in headless Chromium: while the girl runs the page paints on
// animation frames between ticks, several times a tick with the pictures at places between their
// ticks' places; when everything has stopped the last paint shows every picture at its final
// place, and at rest (a finished outcome, the menu) it paints nothing.
//   node tests/web/motion.mjs --site build-web/site
import { Browser, serve } from './browser.mjs';
import { check, escapeToMenu, parseOptions, runChecks, sleep } from './harness.mjs';
import { unevenSteps } from './stand_ins.mjs';

const { site } = parseOptions('motion.mjs', '--site DIR');
const paints = (page) => page.eval('skelvar.stats().paints');

async function run(browser, url) {
  const page = await browser.newPage();
  await page.send('Page.enable');
  await page.open(url, { width: 960, height: 580 });
  await page.waitFor('skelvar.window().opacityEnabled === false', 15000, 'the end of the fade');
  await page.waitFor('skelvar.picturesLoaded', 15000, 'the pictures');
  await sleep(300);

  // At rest at the menu: not one paint.
  let before = (await paints(page)).length;
  await sleep(1000);
  let after = (await paints(page)).length;
  check(after === before, `no paint in 1 s at rest at the menu (${after - before})`);

  // Running right: paints between ticks; the page notes every paint's time, tick count and
  // where the background's left edge was.
  await page.key('down', 'ArrowRight');
  await page.waitFor('skelvar.state().GameState === 0', 10000, 'a run');
  await sleep(300);
  const from = await page.eval('performance.now()');
  const until = Date.now() + 1500;
  while (Date.now() < until) {
    await sleep(30);
    await page.key('down', 'ArrowRight', { repeat: true });
  }
  await page.key('up', 'ArrowRight');
  const log = (await paints(page)).filter(([time]) => time >= from);
  const places = log.map(([, , x]) => x);
  const seconds = (log[log.length - 1][0] - log[0][0]) / 1000;
  const perSecond = (log.length - 1) / seconds;
  // Paints per tick interval, and the background's distinct places in each.
  const byTick = new Map();
  log.forEach(([, tick], i) => {
    const entry = byTick.get(tick) ?? { paints: 0, places: new Set() };
    entry.paints += 1;
    if (places[i] !== null && places[i] !== undefined) entry.places.add(places[i]);
    byTick.set(tick, entry);
  });
  const intervals = [...byTick.values()];
  const several = intervals.filter((e) => e.paints >= 2).length;
  const between = intervals.filter((e) => e.places.size >= 2).length;
  // Loose bounds, for a busy machine: the game's 20 ticks a second alone would give 20 paints.
  check(intervals.length >= 10, `${intervals.length} ticks painted in 1.5 s of play`);
  check(perSecond >= 25, `${perSecond.toFixed(1)} paints a second while running`);
  check(several >= intervals.length / 2,
    `two or more paints in ${several} of ${intervals.length} tick intervals`);
  check(between >= intervals.length / 2,
    `the background at two or more places in ${between} of ${intervals.length} tick intervals`);
  const fractional = places.filter((x) => x !== null && !Number.isInteger(x)).length;
  check(fractional > 0, `the background drawn between whole units in ${fractional} paints`);
  // Once the view keeps pace with her (0.9 s into the run) until the first obstacle stops her, the
  // background steps evenly. In real time on a busy machine frames come late now and then, so
  // the bound is loose; the engine checks hold the page's clock for the exact figure.
  const steady = unevenSteps(log.filter(([time]) => time >= from + 600));
  check(steady.steps.length >= 20 && steady.uneven * 3 <= steady.steps.length,
    `${steady.uneven} of ${steady.steps.length} steady paints step more than 30 % off the median ${steady.median.toFixed(2)}`);

  // Running on into the first obstacle: once the outcome pictures have slid in and stopped, the
  // last paint is the draw list itself, every picture at its final place, and then none follow.
  // Right is let go at the contact: held on into the finished outcome it would go back to the menu.
  await page.key('down', 'ArrowRight');
  const deadline = Date.now() + 20000;
  while (Date.now() < deadline && (await page.eval('skelvar.state().GameState')) !== 1) {
    await sleep(30);
    await page.key('down', 'ArrowRight', { repeat: true });
  }
  await page.key('up', 'ArrowRight');
  await page.waitFor('skelvar.state().GameState === 2', 10000, 'the finished outcome');
  await sleep(300);
  const settled = await paints(page);
  const last = settled[settled.length - 1];
  check(last[3] === true, 'the last paint of the finished outcome is the draw list itself');
  await sleep(1000);
  check((await paints(page)).length === settled.length, 'no paint in 1 s at the finished outcome');

  // Back at the menu: at rest again.
  await escapeToMenu(page);
  await page.waitFor('skelvar.state().GameState === -1', 5000, 'the menu');
  await sleep(300);
  before = (await paints(page)).length;
  await sleep(1000);
  after = (await paints(page)).length;
  check(after === before, `no paint in 1 s at the menu after a run (${after - before})`);
  return page;
}

const server = await serve(site);
const browser = await Browser.launch();
await runChecks('motion', () => run(browser, server.url), async () => {
  await browser.close();
  server.stop();
});
