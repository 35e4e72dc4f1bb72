// Thumb controls in Chromium on a phone held sideways (844 x 390 at 3x, touch), on the page's held
// clock run a tick at a time, the page seeing only the finger that left end: a tap on the title starts a
// run, a finger resting in the right quarter or the band beside the stage runs her right, a
// second finger's tap while the first steers jumps, lifting the steering finger does not, and a
// mouse resting in the right quarter still does not steer. Then the same fingers on the page
// stepped by hand, let go when the focus leaves, whose journal the native replay tool plays to the
// same states.
// Usage: node touch.mjs --site DIR [--replay PATH/TO/skelvar-replay]
import { existsSync } from 'node:fs';

import {
  check, compareWithNativeReplay, liftedAlone, noProblems, parseOptions, runSuite, StatePlaying, touchEnds,
  watchTouchEnds,
} from './harness.mjs';
import { HeldClock } from './stand_ins.mjs';

const { site, replay } = parseOptions('touch.mjs', '--site DIR [--replay PATH/TO/skelvar-replay]', { replay: null });
const phone = { width: 844, height: 390, scale: 3, mobile: true, touch: true };

await runSuite('touch', {}, async ({ engine, serve }) => {
  const server = await serve(site, { inject: HeldClock });
  const page = await engine.newPage(phone);
  await page.open(server.url);
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 20000, 'the page');
  // The page's clock is held and run by the check a tick at a time, so every stretch below lasts
  // as many of the game's ticks however long the browser takes to deliver a touch.
  await page.eval('__heldClock.hold()');
  // Runs the held clock n ticks, or until the expression `until` holds: gives its value, or false.
  const ticks = (n, until = 'false') => page.eval(`(() => { for (let i = 0; i < ${n}; ++i) {
    const v = (${until}); if (v) return v; __heldClock.run(50); } return (${until}) || false; })()`);
  const jumps = async (ground) => Boolean(await ticks(15,
    `((s) => s.VelY[0] < 0 || s.PosY[0] < ${ground.PosY[0]})(skelvar.state())`));
  const state = () => page.eval('skelvar.state()');
  // The fingers down now, by id; every event lists them all, as a touch screen reports them.
  const fingers = new Map();
  const touch = () => page.touch([...fingers].map(([id, [x, y]]) => ({ id, x, y })));
  const press = async (id, x, y) => {
    fingers.set(id, [x, y]);
    await touch();
  };
  const slide = press;
  const lift = async (id) => {
    fingers.delete(id);
    await touch();
  };
  // Units a second at the game's 20 ticks a second over the next n ticks; a run that ended reads as
  // standing.
  const speed = async (n) => {
    const a = await state();
    await ticks(n);
    const b = await state();
    const count = b.TickCount - a.TickCount;
    if (b.GameState !== StatePlaying || count <= 0) return 0;
    return (b.PosX[0] - a.PosX[0]) * 20 / count;
  };
  // She stands: the stretches that follow start from rest, before anything else comes near her.
  const settle = () => ticks(60, '((s) => s.VelX[0] === 0 && s.VelY[0] === 0)(skelvar.state())');

  const css = await page.eval(`(() => { const s = getComputedStyle(document.getElementById('game'));
    return [s.touchAction, s.userSelect || s.webkitUserSelect, s.webkitTouchCallout ?? 'none']; })()`);
  check(css[0] === 'none' && css[1] === 'none' && css[2] === 'none',
    `no zoom, scrolling, selection or callout on the game (${css})`);

  // A tap on the title starts a run, as a click does.
  await press(1, 422, 195);
  await lift(1);
  check(await ticks(20, `skelvar.state().GameState === ${StatePlaying} && skelvar.state().pnlGame.visible`),
    'a tap on the title starts a run');
  await settle();
  const s0 = await state();
  const scale = await page.eval('skelvar.scale()');
  const p = s0.pnlGame;
  const css1 = (x) => x * scale;
  const rightQuarter = css1(p.left + 0.85 * p.width);
  const leftQuarter = css1(p.left + 0.1 * p.width);
  const rightBand = css1(p.left + p.width) + (844 - css1(p.left + p.width)) / 2;
  const middle = css1(p.left + p.width / 2);
  const y = css1(p.top + p.height * 0.6);
  check(844 - css1(p.left + p.width) > 20, `there is a band beside the stage (${(844 - css1(p.left + p.width)).toFixed(0)} px)`);

  // A finger held still in the right quarter runs her right.
  // The first obstacle is about 900 units right of the start: every stretch is kept short.
  await press(1, rightQuarter, y);
  await ticks(4);
  const held = await speed(10);
  check(held >= 300, `a finger resting in the right quarter runs her right (${held.toFixed(0)} units/s)`);
  // A second finger's tap while the first steers jumps, and she keeps running.
  const ground = await state();
  await watchTouchEnds(page);
  await press(2, middle, y);
  await lift(2);
  const ends = await touchEnds(page);
  check(liftedAlone(ends, middle, [rightQuarter]),
    `lifting the second finger ends it alone and the steering one stays down (${JSON.stringify(ends)})`);
  check(await jumps(ground), 'a second finger\'s tap while the first steers jumps');
  const during = await speed(6);
  check(during >= 150, `she keeps running through the jump (${during.toFixed(0)} units/s)`);
  // Sliding into the left quarter moves the hold to Left.
  await slide(1, leftQuarter, y);
  await ticks(4);
  const back = await speed(20);
  check(back <= -300 && (await state()).Facing[0] === 1, `sliding into the left quarter runs her left (${back.toFixed(0)} units/s)`);
  // Lifting the steering finger neither jumps nor keeps her running.
  const beforeLift = await state();
  await lift(1);
  check(!(await jumps(beforeLift)), 'lifting the steering finger does not jump');
  check((await state()).KeysHeld.length === 0, 'lifting the steering finger lets go of its key');

  // A finger in the band right of the stage runs her right too.
  await settle();
  await press(3, rightBand, 30);
  await ticks(4);
  const band = await speed(10);
  check(band >= 300, `a finger in the band right of the stage runs her right (${band.toFixed(0)} units/s)`);
  // A finger going down in the band while another steers jumps instead of steering.
  const g2 = await state();
  await touchEnds(page);
  await press(4, 20, 200);
  await lift(4);
  const bandEnds = await touchEnds(page);
  check(liftedAlone(bandEnds, 20, [rightBand]),
    `lifting the tapping finger ends it alone and the one in the band stays down (${JSON.stringify(bandEnds)})`);
  check(await jumps(g2), 'a finger going down anywhere while another steers jumps');
  check(!(await state()).KeysHeld.includes(37), 'that finger does not steer');
  await lift(3);
  check((await state()).GameState === StatePlaying, 'the run went on through all of it');

  // The mouse keeps its rules: resting in the right quarter it does not steer.
  await settle();
  await page.move(rightQuarter, y);
  await page.move(rightQuarter + 2, y);
  await ticks(30);
  const resting = await speed(12);
  check(resting === 0, `a mouse resting in the right quarter does not steer (${resting.toFixed(0)} units/s)`);

  // Fingers on the stepped page: their journal, with the touch screen named as the keys' source,
  // replays natively to the same states tick by tick.
  const stepped = await engine.newPage(phone);
  const seed = 77;
  await stepped.open(`${server.url}?step&seed=${seed}`);
  await stepped.waitFor('globalThis.skelvar && skelvar.stepped && skelvar.picturesLoaded', 20000, 'the stepped page');
  const lines = [];
  const step = async (n) => {
    for (let i = 0; i < n; ++i) lines.push(...await stepped.eval('skelvar.step(1)'));
  };
  const steppedTouch = (points) => stepped.touch(points);
  await step(3);
  await steppedTouch([{ id: 1, x: 422, y: 195 }]);
  await steppedTouch([]);
  await step(3);
  const sp = JSON.parse(lines.at(-1)).pnlGame;
  const sx = (x) => x * scale;
  const right = { id: 1, x: sx(sp.left + 0.85 * sp.width), y: sx(sp.top + 300) };
  await steppedTouch([right]);
  await step(8);
  await steppedTouch([right, { id: 2, x: sx(sp.left + 450), y: sx(sp.top + 300) }]);
  await steppedTouch([right]);
  await step(6);
  await steppedTouch([{ ...right, x: sx(sp.left + 50) }]);
  await step(6);
  // The focus leaves while the finger still steers: it lets go, and she slows to a stand.
  await stepped.eval("window.dispatchEvent(new Event('blur'))");
  const leftAt = lines.length;
  await step(30);
  const away = lines.slice(leftAt).map((l) => JSON.parse(l));
  const stand = away.slice(22).map((t) => t.PosX[0]);
  check(JSON.parse(lines[leftAt - 1]).KeysHeld.join() === '37' && away.every((t) => t.KeysHeld.length === 0) &&
    stand.every((x) => x === stand[0]),
  `the focus leaving lets go of a steering finger and she stops (held ${JSON.parse(lines[leftAt - 1]).KeysHeld} before, ${stand[0]} -> ${stand.at(-1)})`);
  await steppedTouch([]);
  await stepped.eval("window.dispatchEvent(new Event('focus'))");
  await step(20);
  const script = await stepped.eval('skelvar.script()');
  check(/ 39 1$/m.test(script) && / 38 1$/m.test(script) && / 37 1$/m.test(script),
    'the stepped page journals the fingers\' keys with the touch screen as their source');
  const steppedState = lines.map((l) => JSON.parse(l));
  check(steppedState.some((t) => t.VelY[0] < 0) && steppedState.some((t) => t.Facing[0] === 1) &&
    steppedState.some((t) => t.VelX[0] > 0), 'on the stepped page the fingers ran her right, jumped and turned her left');
  if (replay && existsSync(replay)) {
    const w = await stepped.eval('skelvar.window()');
    const { native, differ } = compareWithNativeReplay(replay,
      { seed, client: `${w.clientWidth}x${w.clientHeight}`, ticks: lines.length, script, lines });
    check(native.length === lines.length && differ < 0,
      differ < 0 ? `the native replay of the fingers' journal equals the page at all ${lines.length} ticks`
      : `the page and the native replay first differ at tick ${differ + 1}`);
  } else {
    console.log(`skip the comparison with the native replay: ${replay ?? 'no --replay'} not found`);
  }

  await noProblems([page, stepped], 'the pages');
});
