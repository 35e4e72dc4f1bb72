// Motion between the game's ticks in headless Chromium: while the girl runs the page paints on
// animation frames between ticks, with the pictures at places between their ticks' places; when
// everything has stopped the last paint shows every picture at its final place, and at rest (a
// finished outcome, the menu) it paints nothing.
//   node tests/web/motion.mjs --site build-web/site
import { check, escapeToMenu, framesPass, holdKey, noProblems, parseOptions, runSuite, ticks } from './harness.mjs';
import { HeldClock } from './stand_ins.mjs';

const { site } = parseOptions('motion.mjs', '--site DIR');
const paints = (page) => page.eval('skelvar.stats().paints');
// How many paints come in the next n ticks, once what changed before has been painted.
async function paintsOver(page, n) {
  await framesPass(page);
  const before = (await paints(page)).length;
  await ticks(page, n);
  return (await paints(page)).length - before;
}

async function run(engine, url) {
  const page = await engine.newPage({ width: 960, height: 580 });
  await page.open(url);
  await page.waitFor('skelvar.window().opacityEnabled === false && skelvar.picturesLoaded', 15000, 'the menu');

  // At rest at the menu: not one paint.
  const atMenu = await paintsOver(page, 20);
  check(atMenu === 0, `no paint in 20 ticks at rest at the menu (${atMenu})`);

  // Running right: paints between ticks; the page notes every paint's time, tick count and
  // where the background's left edge was.
  await page.key('down', 'ArrowRight');
  await page.waitFor('skelvar.state().GameState === 0', 10000, 'a run');
  await ticks(page, 6);
  const from = await page.eval('performance.now()');
  await holdKey(page, 'ArrowRight', 30);
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
    `the background moved in 30 ticks of running (${places.length} paints)`);
  check(byTick.size >= 2 && between >= 1,
    `the background at two or more places in ${between} of ${byTick.size} tick intervals`);
  const fractional = places.filter((x) => !Number.isInteger(x)).length;
  check(fractional > 0, `the background drawn between whole units in ${fractional} paints`);

  // Running on into the first obstacle: once the outcome pictures have slid in and stopped, the
  // last paint is the draw list itself, every picture at its final place, and then none follow.
  // Right is let go at the contact: held on into the finished outcome it would go back to the menu.
  await holdKey(page, 'ArrowRight', 400, { until: 'skelvar.state().GameState === 1' });
  await page.waitFor('skelvar.state().GameState === 2', 10000, 'the finished outcome');
  const exact = await page.waitFor('skelvar.stats().paints.at(-1)[3] === true', 5000, 'the last paint exact')
    .catch(() => false);
  check(exact, 'the last paint of the finished outcome is the draw list itself');
  const atOutcome = await paintsOver(page, 20);
  check(atOutcome === 0, `no paint in 20 ticks at the finished outcome (${atOutcome})`);

  // Back at the menu: at rest again.
  await escapeToMenu(page);
  await ticks(page, 6);
  const again = await paintsOver(page, 20);
  check(again === 0, `no paint in 20 ticks at the menu after a run (${again})`);
  return page;
}

// The page's timers on its held clock: the game's ticks come once per period of the scene's
// game timer, counted from their start (none lost, none added, while the timer's callbacks run up
// to 40 ms late), and a callback that comes later than a period runs one tick and leaves the
// boundaries it missed (at rest no frame runs them either), so no burst follows.
async function heldTicks(engine, url) {
  const pages = [];
  for (const lateness of [0.8, 3.4]) {
    const page = await engine.newPage({ width: 960, height: 580 });
    pages.push(page);
    await page.open(url);
    await page.waitFor('skelvar.window().opacityEnabled === false', 15000, 'the end of the fade');
    const period = await page.eval('skelvar.window().gameInterval');
    const late = lateness * period;
    const ms = 60 * period;
    const ran = await page.eval(`(() => {
      __heldClock.hold({ late: ${late}, seed: 5 });
      const before = skelvar.state().tick;
      __heldClock.run(${ms});
      return skelvar.state().tick - before; })()`);
    if (lateness < 1) {
      check(Math.abs(ran - 60) <= 1,
        `${ran} ticks in ${ms} ms of held time, callbacks up to ${late} ms late (60)`);
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
      check(ran >= 13 && ran <= 45,
        `${ran} ticks in ${ms} ms, callbacks up to ${late} ms late: missed boundaries dropped, not run in a burst`);
    }
  }
  return pages;
}

await runSuite('motion', {}, async ({ engine, serve }) => {
  const page = await run(engine, (await serve(site)).url);
  const pages = await heldTicks(engine, (await serve(site, { inject: HeldClock })).url);
  await noProblems([page, ...pages], 'the pages');
});
