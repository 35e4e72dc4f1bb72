// Motion between the game's ticks in headless Chromium: while the girl runs the page paints on
// animation frames between ticks, with the pictures at places between their ticks' places; when
// everything has stopped the last paint shows every picture at its final place, and at rest (a
// finished outcome, the menu) it paints nothing.
//   node tests/web/motion.mjs --site build-web/site
import { Browser, serve } from './browser.mjs';
import { check, escapeToMenu, parseOptions, runChecks, sleep } from './harness.mjs';
import { serveSite } from './server.mjs';
import { HeldClock } from './stand_ins.mjs';

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
  // A smoke check of real time: the background moves, between whole units, and some tick
  // intervals paint it at two or more places. How many ticks and paints come and how evenly they
  // are placed is the timers' schedule's to say on an injected clock (its tests) and the engine
  // checks' on the page's held clock; a busy machine only slows this.
  const log = (await paints(page)).filter(([time]) => time >= from);
  const places = log.map(([, , x]) => x).filter((x) => x !== null && x !== undefined);
  const byTick = new Map();
  for (const [, tick, x] of log) {
    if (x === null || x === undefined) continue;
    byTick.set(tick, (byTick.get(tick) ?? new Set()).add(x));
  }
  const between = [...byTick.values()].filter((set) => set.size >= 2).length;
  check(places.length >= 2 && places[0] !== places[places.length - 1],
    `the background moved in 1.5 s of running (${places.length} paints)`);
  check(byTick.size >= 2 && between >= 1,
    `the background at two or more places in ${between} of ${byTick.size} tick intervals`);
  const fractional = places.filter((x) => !Number.isInteger(x)).length;
  check(fractional > 0, `the background drawn between whole units in ${fractional} paints`);

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

// The page's timers on its held clock: the game's ticks come once per period of the scene's
// game timer, counted from their start (none lost, none added, while the timer's callbacks run up
// to 40 ms late), and a callback that comes later than a period runs one tick and leaves the
// boundaries it missed (at rest no frame runs them either), so no burst follows.
async function heldTicks(browser, url) {
  for (const lateness of [0.8, 3.4]) {
    const page = await browser.newPage();
    await page.open(url, { width: 960, height: 580 });
    await page.waitFor('skelvar.window().opacityEnabled === false', 15000, 'the end of the fade');
    await sleep(300);
    const period = await page.eval('skelvar.window().gameInterval');
    const late = lateness * period;
    const ms = 60 * period;
    const ticks = await page.eval(`(() => {
      __heldClock.hold({ late: ${late}, seed: 5 });
      const before = skelvar.state().tick;
      __heldClock.run(${ms});
      return skelvar.state().tick - before; })()`);
    if (lateness < 1) {
      check(Math.abs(ticks - 60) <= 1,
        `${ticks} ticks in ${ms} ms of held time, callbacks up to ${late} ms late (60)`);
      // Hidden for a while, then shown: no tick while hidden, none at once when shown, then one a
      // period from the moment it was shown.
      const [hidden, atOnce, after] = await page.eval(`(() => {
        const show = (state) => {
          Object.defineProperty(document, 'visibilityState', { configurable: true, value: state });
          document.dispatchEvent(new Event('visibilitychange'));
        };
        const ticks = () => skelvar.state().tick;
        show('hidden');
        const t0 = ticks();
        __heldClock.run(${20 * period});
        const hidden = ticks() - t0;
        show('visible');
        const t1 = ticks();
        __heldClock.run(${0.6 * period});
        const atOnce = ticks() - t1;
        __heldClock.run(${12 * period});
        return [hidden, atOnce, ticks() - t1]; })()`);
      check(hidden === 0 && atOnce === 0 && after >= 11 && after <= 12,
        `hidden: ${hidden} ticks in ${20 * period} ms; shown again: ${atOnce} at once, ${after} in the next ${12.6 * period} ms (11 or 12)`);
    } else {
      check(ticks >= 13 && ticks <= 45,
        `${ticks} ticks in ${ms} ms, callbacks up to ${late} ms late: missed boundaries dropped, not run in a burst`);
    }
  }
}

const server = await serve(site);
const held = await serveSite(site, { inject: HeldClock });
const browser = await Browser.launch();
await runChecks('motion', async () => {
  await run(browser, server.url);
  await heldTicks(browser, held.url);
}, async () => {
  await browser.close();
  server.stop();
  await held.stop();
});
