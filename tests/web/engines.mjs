// The page's checks that every browser engine must pass, written once over the driver (engine.mjs)
// and run in the engine named: the menu and its fade, a run with → held, a jump by key and by
// click, Esc to the menu, a resize re-centring the play area, the sound on the stepped page (no
// audio before a gesture, a jump heard, M), the backing store at a device scale of 2, the stepped
// page against the native replay of its own event log, a second visit with the server gone, the
// game in another origin's iframe (focus, and a key let go when the focus leaves), several
// fingers, the game's timer and a hidden tab counted on a held page clock, even frames on that
// clock with the timer running late, a D-pad held from the menu and let go with the keyboard when
// the focus leaves, and no failed request. Every wait for the game is counted in the page's own
// ticks. A check the engine's driver cannot express is printed as skipped there, with the reason.
//   node tests/web/engines.mjs --engine chromium|firefox|webkit --site build-web/site
//        [--replay build/skelvar-replay] [--shots DIR]
// Exit status: 0 all passed, 1 a check failed, 2 bad usage, 77 the engine is not installed.
import { existsSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { BoardProbe, launchEngine, PageWatch } from './engine.mjs';
import {
  check, compareWithNativeReplay, fitToScreen, holdKey, jumps, liftedAlone, near, noProblems, parseOptions, pressKey,
  regionLuminance, runSuite, settle, shot as shotOf, state, StateMenu, StatePlaying, ticks, touchEnds, watchTouchEnds,
} from './harness.mjs';
import { HeldClock, StandInPad, unevenSteps } from './stand_ins.mjs';

const options = parseOptions('engines.mjs', '--engine chromium|firefox|webkit --site DIR [--replay PATH] [--shots DIR]',
  { engine: null, replay: null, shots: null });
const name = options.engine;

const shot = (page, file) => shotOf(page, options.shots, `${name}-${file}`);
const menuFaded = 'globalThis.skelvar && skelvar.picturesLoaded && !skelvar.window().opacityEnabled';
const steppedReady = 'globalThis.skelvar && skelvar.stepped && skelvar.picturesLoaded';

// Every page the checks open, for the last check: no error and no failed request in any.
const opened = [];
async function openPage(engine, view) {
  const page = await engine.newPage(view);
  opened.push(page);
  return page;
}

function skip(what, reason) {
  console.log(`skip ${name}: ${what}: ${reason}`);
}

let site = null;

// ---- the menu, a run, jumps, Esc and a resize, on one page ----
async function play(engine, group) {
  const page = await openPage(engine, { width: 960, height: 580 });
  await page.open(site.url);
  await group('the menu and its fade', async () => {
    await page.waitFor(menuFaded, 30000, 'the menu, faded in');
    // While the files arrive the canvas shows the loading bar, opaque; the fade starts from 0.
    const logged = (await page.eval('globalThis.opacityLog')).filter((v, i, a) => v !== '' && v !== a[i - 1]);
    const fadeStart = logged.indexOf('0');
    const values = logged.slice(Math.max(0, fadeStart)).map(Number);
    const steps = values.filter((v) => v > 0 && v < 1).map((v) => Math.round(v * 255));
    check(fadeStart >= 0 && logged.slice(0, fadeStart).every((v) => v === '1') && values.at(-1) === 1 &&
      values.every((v, i) => i === 0 || v > values[i - 1]) &&
      steps.join() === Array.from({ length: 12 }, (_, i) => 20 * (i + 1)).join(),
    `${name}: after the loading bar the menu fades in from 0 through 20, 40, ..., 240 of 255 to opaque (seen: ${logged.join(' ')})`);
    const menu = await shot(page, 'menu.png');
    const region = regionLuminance(menu, 0, 60, 960, 520);
    check(menu.width === 960 && near(menu.pixel(480, 20), [0, 0, 0], 6) && near(menu.pixel(480, 560), [0, 0, 0], 6) &&
      region.mean > 25 && region.spread > 10,
    `${name}: the menu picture is drawn between black bands (${menu.width} x ${menu.height}, mean ${region.mean.toFixed(0)})`);
  });

  await group('no sound before a gesture', async () => {
    check(await page.eval('audioLog.contexts.length === 0'), `${name}: no audio context before the first key, click or touch`);
  });

  await group('a run with → held', async () => {
    await pressKey(page, 'ArrowRight');
    await page.waitFor(`skelvar.state().GameState === ${StatePlaying} && skelvar.state().pnlGame.visible`, 10000, 'a run');
    const start = await settle(page);
    // Let go once she has run a little way: a slow driver's calls span several ticks, and held
    // for long she would run on into the first obstacle.
    await holdKey(page, 'ArrowRight', 16,
      { until: `skelvar.state().PosX[0] >= ${start.PosX[0] + 200}`, repeat: !engine.limits.keyRepeat });
    const moving = await state(page);
    check(moving.PosX[0] - start.PosX[0] >= 150 && moving.Facing[0] === 0,
      `${name}: → held runs her right (${start.PosX[0]} -> ${moving.PosX[0]} in ${moving.tick - start.tick} ticks)`);
    const running = await shot(page, 'run.png');
    check(near(running.pixel(10, 10), [128, 128, 128], 3) && near(running.pixel(950, 570), [128, 128, 128], 3) &&
      regionLuminance(running, 60, 100, 900, 300).mean > 150,
    `${name}: the grey window around the pale stage`);
  });

  await group('jumps', async () => {
    const ground = await settle(page);
    await pressKey(page, 'ArrowUp');
    check(await jumps(page, ground), `${name}: ↑ makes her jump`);
    const again = await settle(page);
    await page.click(480, 200);
    check(await jumps(page, again), `${name}: a click on the stage makes her jump`);
    await settle(page);
  });

  await group('Esc', async () => {
    await pressKey(page, 'Escape');
    await page.waitFor(`skelvar.state().GameState === ${StateMenu}`, 10000, 'the menu');
    const m = await state(page);
    check(m.pnlMenu.visible && !m.pnlGame.visible, `${name}: Esc during a run returns to the menu`);
  });

  await group('a resize', async () => {
    await pressKey(page, 'ArrowRight');
    await page.waitFor('skelvar.state().pnlGame.visible', 10000, 'a run');
    const wide = fitToScreen(1200, 700);
    await page.setViewport({ width: 1200, height: 700 });
    await page.waitFor(`skelvar.window().clientWidth === ${wide.clientWidth}`, 10000, 'the resize');
    const r = await settle(page);
    check(r.pnlGame.left === Math.trunc((wide.clientWidth - 900) / 2) && r.pnlGame.top === Math.trunc((wide.clientHeight - 500) / 2),
      `${name}: a resize re-centres the play area (${r.pnlGame.left}, ${r.pnlGame.top} in ${wide.clientWidth} x ${wide.clientHeight})`);
    const resized = await shot(page, 'resized.png');
    const left = Math.floor(r.pnlGame.left * wide.scale);
    const right = Math.ceil((r.pnlGame.left + 900) * wide.scale);
    check(resized.width === 1200 && near(resized.pixel(left - 4, 350), [128, 128, 128], 3) &&
      near(resized.pixel(right + 3, 350), [128, 128, 128], 3) && !near(resized.pixel(left + 6, 350), [128, 128, 128], 3),
    `${name}: the scaled play area is drawn in the middle of the page (${left} to ${right} of ${resized.width})`);
    const store = await page.eval("document.getElementById('game').width");
    check(store === 1200, `${name}: the backing store follows the viewport (${store})`);
    await page.setViewport({ width: 960, height: 580 });
    await page.waitFor('skelvar.window().clientWidth === 960', 10000, 'the resize back');
    check((await state(page)).pnlGame.left === 30, `${name}: back at 960 x 580 the play area is at 30 again`);
  });

  return page;
}

// ---- the sound on the stepped page: a jump heard, M silencing it and bringing it back ----
// The page is silent while it lacks the focus, which a window manager may take for a moment: each
// tick is stepped with the page in front, so every sound a tick calls for is counted.
async function sound(engine) {
  const page = await openPage(engine, { width: 960, height: 580 });
  await page.open(`${site.url}?step&seed=5`);
  await page.waitFor(steppedReady, 30000, 'the stepped page');
  const step = async () => JSON.parse((await page.waitFor('!skelvar.sound.away && skelvar.step(1)', 5000,
    'the page in front with the focus'))[0]);
  const press = async (code) => {
    await page.key('down', code);
    const s = await step();
    await page.key('up', code);
    return s;
  };
  for (let i = 0; i < 30; ++i) await step();
  await press('ArrowRight');
  check(await page.eval('audioLog.contexts.length') === 1, `${name}: the first key makes the audio context`);
  let s = null;
  for (let i = 0; i < 20; ++i) s = await step();
  // The sounds started from a press of ↑ until she is back on the ground, or -1 if she never left it.
  const soundsOfAJump = async () => {
    const before = await page.eval('audioLog.starts.length');
    const ground = s.PosY[0];
    let left = false;
    s = await press('ArrowUp');
    for (let i = 0; i < 60 && (!left || s.PosY[0] !== ground); ++i) {
      left ||= s.PosY[0] < ground;
      s = await step();
    }
    for (let i = 0; i < 2; ++i) s = await step();
    return left ? await page.eval('audioLog.starts.length') - before : -1;
  };
  const heard = await soundsOfAJump();
  check(heard >= 2, `${name}: a jump and its landing start their sounds (${heard})`);
  await press('KeyM');
  const muted = await soundsOfAJump();
  check(muted === 0, `${name}: after M a jump starts no sound (${muted})`);
  await press('KeyM');
  const back = await soundsOfAJump();
  check(back >= 2, `${name}: M again and a jump is heard (${back})`);
}

// ---- twice the device pixels ----
async function hiDpi(engine) {
  // A driver whose scale is the browser's own gets a browser of its own.
  const own = engine.limits.scale ? await launchEngine(name, { scale: 2 }) : null;
  try {
    const page = await (own ?? engine).newPage({ width: 960, height: 580, scale: 2 });
    await page.open(site.url);
    await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 30000, 'the page');
    const size = await page.eval(`(() => { const c = document.getElementById('game');
      return [devicePixelRatio, c.width, c.height, c.clientWidth, c.clientHeight]; })()`);
    check(size.join() === '2,1920,1160,960,580',
      `${name}: at device scale 2 the backing store is twice the CSS size (ratio, store, CSS: ${size})`);
    check((await state(page)).pnlGame.left === 30, `${name}: the logic never sees device pixels`);
    await noProblems([page], `${name} at device scale 2`);
  } finally {
    await own?.close();
  }
}

// ---- the page stepped by hand, fed real events, against the native replay ----
async function sameGame(engine) {
  const page = await openPage(engine, { width: 960, height: 580 });
  const seed = 4242;
  await page.open(`${site.url}?step&seed=${seed}`);
  await page.waitFor(steppedReady, 30000, 'the stepped page');
  const lines = [];
  let last = null;
  let tick = 1;
  const step = async (n = 1) => {
    for (const line of await page.eval(`skelvar.step(${n})`)) lines.push(line);
    last = JSON.parse(lines.at(-1));
    tick += n;
  };
  const stepTo = async (k) => {
    if (tick < k) await step(k - tick);
  };
  const sent = [];
  const Vk = { ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Enter: 13, Space: 32, KeyA: 65, Escape: 27 };
  const key = async (type, code, repeat = false) => {
    await page.key(type, code, { repeat });
    sent.push(`${tick} key${type} ${Vk[code]}`);
  };
  const move = async (x, y) => {
    await page.move(x, y);
    sent.push(`${tick} mousemove ${x} ${y}`);
  };
  const click = async (x, y) => {
    await page.click(x, y);
    sent.push(`${tick} click ${x} ${y}`);
  };

  await stepTo(3);
  await key('down', 'ArrowRight');
  await step();
  // The key repeat where the driver has one; the held key alone where not.
  if (engine.limits.keyRepeat) skip('key repeats in the stepped game', engine.limits.keyRepeat);
  while (tick < 40 && !engine.limits.keyRepeat) {
    await key('down', 'ArrowRight', true);
    await step();
  }
  await stepTo(40);
  await key('up', 'ArrowRight');
  await stepTo(45);
  await key('down', 'Space');
  await step();
  await key('up', 'Space');
  await stepTo(50);
  await key('down', 'KeyA');
  await key('up', 'KeyA');
  // Mouse steering: the first move over the stage arms it, the following ones steer.
  for (let k = 55; k < 70; k += 2) {
    await stepTo(k);
    await move(100 + (k % 3), 300);
  }
  for (let k = 70; k < 80; k += 2) {
    await stepTo(k);
    await move(850, 300 + k);
  }
  await stepTo(82);
  await click(480, 200);
  await stepTo(90);
  const wide = fitToScreen(1000, 600);
  await page.setViewport({ width: 1000, height: 600 });
  await page.waitFor(`skelvar.window().clientWidth === ${wide.clientWidth}`, 10000, 'the resize');
  sent.push(`${tick} resize ${wide.clientWidth} ${wide.clientHeight}`);
  await stepTo(100);
  await page.setViewport({ width: 960, height: 580 });
  await page.waitFor('skelvar.window().clientWidth === 960', 10000, 'the resize back');
  sent.push(`${tick} resize 960 580`);
  // → held until the run ends in an outcome, then the outcome plays out.
  if (last.GameState === StatePlaying) {
    await key('down', 'ArrowRight');
    while (tick < 700 && last.GameState === StatePlaying) await step(10);
    await key('up', 'ArrowRight');
  }
  check(lines.some((l) => JSON.parse(l).GameState === 1), `${name}: the stepped run ends in an outcome`);
  while (tick < 900 && last.GameState !== 2) await step(10);
  // The outcome picture in its one-pixel black frame, over the stage (read afresh: a resize may
  // have come after the last tick).
  const now = await state(page);
  const o = now.imgOver;
  const f = now.shpOver;
  const outcome = await shot(page, 'outcome.png');
  const fx = now.pnlGame.left + f.left;
  const fy = now.pnlGame.top + f.top;
  check(near(outcome.pixel(fx, fy + 200), [0, 0, 0], 40) && near(outcome.pixel(fx + f.width - 1, fy + 200), [0, 0, 0], 40) &&
    near(outcome.pixel(fx + 200, fy), [0, 0, 0], 40) && f.width === o.width + 2,
  `${name}: the outcome picture has its black frame (${f.left}, ${f.top}, ${f.width} x ${f.height})`);
  await click(now.pnlGame.left + o.left + Math.trunc(o.width / 2), now.pnlGame.top + o.top + Math.trunc(o.height / 2));
  await step();
  check(last.GameState === StatePlaying, `${name}: a click on the outcome picture starts a new run`);

  // Then 400 ticks of random play: keys pressed and released, moves and clicks along the ground
  // strip (where the label, whose size comes from the font, never is).
  let r = 12345;
  const random = (n) => {
    r = (r * 1103515245 + 12345) % 2147483648;
    return Math.floor((r / 2147483648) * n);
  };
  const codes = ['ArrowLeft', 'ArrowUp', 'ArrowRight', 'ArrowDown', 'Enter', 'Space', 'KeyA'];
  const down = new Set();
  const end = tick + 400;
  while (tick < end) {
    const roll = random(100);
    const code = codes[random(codes.length)];
    if (roll < 12 && (!down.has(code) || !engine.limits.keyRepeat)) {
      await key('down', code, down.has(code));
      down.add(code);
    } else if (roll < 22 && down.size > 0) {
      const [c] = [...down].slice(random(down.size));
      await key('up', c);
      down.delete(c);
    } else if (roll < 34) {
      await move(30 + random(900), 470 + random(65));
    } else if (roll < 37) {
      await click(30 + random(900), 470 + random(65));
    }
    await step(1 + random(3));
  }
  for (const c of down) await key('up', c);
  while (last.GameState !== StateMenu) {
    await key('down', 'Escape');
    await step();
    await key('up', 'Escape');
    await step(70);
  }
  await step(5);
  await key('down', 'Escape');
  await step();
  check(last.closed === true, `${name}: Esc at the menu ends the stepped game`);
  const states = new Set(lines.map((l) => JSON.parse(l).GameState));
  check(states.size === 4, `${name}: the stepped game went through menu, play, outcome and finish (${[...states]})`);

  const script = await page.eval('skelvar.script()');
  const delivered = script.split('\n');
  // Every event sent reached the game at its tick (the browser may add mouse moves of its own).
  let at = 0;
  const missing = sent.filter((e) => {
    const i = delivered.indexOf(e, at);
    if (i < 0) return true;
    at = i + 1;
    return false;
  });
  check(missing.length === 0,
    `${name}: every real event reached the game at its tick${missing.length ? ` (missing: ${missing.slice(0, 3)}; around the first the game got: ${
      delivered.filter((e) => Math.abs(parseInt(e, 10) - parseInt(missing[0], 10)) <= 30).join(', ')})` : ''}`);

  if (!options.replay || !existsSync(options.replay)) {
    skip('the comparison with the native replay', `${options.replay ?? 'no --replay'} not found`);
    return;
  }
  const { native, differ, strip } = compareWithNativeReplay(options.replay,
    { seed, client: '960x580', ticks: tick + 10, script, lines });
  check(native.length === lines.length && differ < 0,
    differ < 0 ? `${name}: the page's state equals the native replay at all ${lines.length} ticks (native ${native.length})`
      : `${name}: the page and the native replay first differ at tick ${differ + 1}:\n  page   ${strip(lines[differ])}\n  native ${strip(native[differ])}`);
}

// ---- the game in a portal: another origin's iframe ----
const Frame = { left: 20, top: 120, width: 960, height: 580 };
async function portal(engine, serve) {
  const game = await serve(options.site, { inject: PageWatch });
  const hostDir = mkdtempSync(join(tmpdir(), 'skelvar-host-'));
  writeFileSync(join(hostDir, 'index.html'), `<!doctype html><html><head><meta charset="utf-8"><title>Portal</title>
<link rel="icon" href="data:,"></head><body style="margin:0;height:4000px">
<div style="height:${Frame.top}px">A game portal <input aria-label="Search" style="position:absolute;left:250px;top:30px;width:200px"></div>
<iframe src="${game.url}" style="position:absolute;left:${Frame.left}px;top:${Frame.top}px;border:0"
  width="${Frame.width}" height="${Frame.height}" sandbox="allow-scripts allow-same-origin"></iframe></body></html>`);
  try {
    const host = await serve(hostDir);
    const page = await openPage(engine, { width: 1000, height: 760 });
    await page.open(host.url);
    const inGame = (e) => page.evalInFrame(e);
    const frame = { frame: true };
    await page.waitFor(menuFaded, 30000, 'the game in the frame', frame);
    await page.click(Frame.left + Frame.width / 2, Frame.top + Frame.height / 2);
    page.keysTo(true);
    // The focus is read from the host's side: a driver that must step into the frame to read it
    // may move the focus there itself.
    const focused = await page.waitFor("document.activeElement.tagName === 'IFRAME' && 'IFRAME'", 5000, 'the focus in the frame')
      .catch(() => page.eval('document.activeElement.tagName'));
    const started = await ticks(page, 10, `skelvar.state().GameState === ${StatePlaying}`, frame);
    check(started && focused === 'IFRAME',
      `${name}: a click in the frame starts a run and gives it the keyboard (${started ? 'a run' : 'no run'}, focus on ${focused})`);
    const x0 = (await inGame('skelvar.state()')).PosX[0];
    await page.key('down', 'ArrowRight');
    await ticks(page, 12, 'false', frame);
    const running = await inGame('skelvar.state()');
    for (const code of ['ArrowDown', 'Space', 'ArrowUp', 'ArrowDown']) await pressKey(page, code, frame);
    await ticks(page, 4, 'false', frame);
    const scrolled = await page.eval('window.scrollY');
    check(running.PosX[0] > x0 + 100 && scrolled === 0,
      `${name}: → held in the frame runs her right (${x0} -> ${running.PosX[0]}) and the game's keys do not scroll the host (${scrolled} px)`);
    // The focus leaves for the host's search box while → is held: the key is let go, she stops.
    await page.click(300, 40);
    page.keysTo(false);
    const hostFocus = await page.waitFor("document.activeElement.tagName === 'INPUT' && 'INPUT'", 5000, 'the focus on the host')
      .catch(() => page.eval('document.activeElement.tagName'));
    await page.key('up', 'ArrowRight');
    await ticks(page, 4, 'skelvar.state().KeysHeld.length === 0', frame);
    const held = await inGame('skelvar.state().KeysHeld');
    await ticks(page, 24, 'false', frame);
    const a = (await inGame('skelvar.state()')).PosX[0];
    await ticks(page, 6, 'false', frame);
    const b = (await inGame('skelvar.state()')).PosX[0];
    check(hostFocus === 'INPUT' && held.length === 0 && a === b,
      `${name}: a click on the host's search box takes the focus and lets go of the held key (focus on ${hostFocus}, held ${JSON.stringify(held)}, ${a} -> ${b})`);
    const problems = await page.evalInFrame('globalThis.__skelvarErrors');
    check(problems.length === 0, `${name}: no error in the frame${problems.length ? `: ${problems.join('; ')}` : ''}`);
  } finally {
    rmSync(hostDir, { recursive: true, force: true });
  }
}

// ---- the game's timer, counted on the page's held clock ----
// Time moves only when the check runs the held clock, so every count is exact: 20 ticks a second;
// after a stall one late tick and then the next on its own boundary, no burst; no tick while the
// page is hidden, with the game's clock standing still, and afterwards the ticks going on from
// the moment it is shown, without catching up.
async function timerPace(engine, standIns) {
  const page = await openPage(engine, { width: 960, height: 580 });
  await page.open(standIns.url);
  await page.waitFor(menuFaded, 30000, 'the menu, faded in');
  await pressKey(page, 'ArrowRight');
  await page.waitFor(`skelvar.state().GameState === ${StatePlaying}`, 10000, 'a run');
  const ticks = 'skelvar.state().tick';
  const [second, stall] = await page.eval(`(() => {
    __heldClock.hold();
    // A tick due before the clock was held may still be waiting for its timeout.
    __heldClock.run(50);
    const a = ${ticks};
    __heldClock.run(2000);
    const b = ${ticks};
    __heldClock.stall(600);
    __heldClock.run(50);
    return [b - a, ${ticks} - b]; })()`);
  check(second === 40, `${name}: the game timer ticks 20 times a second (${second} ticks in 2 s of the page's clock)`);
  check(stall === 2, `${name}: after a 600 ms stall one late tick runs, then the next on its boundary, no burst (${stall} in 50 ms)`);
  if (engine.limits.hidden) {
    skip('no ticks while the page is hidden', engine.limits.hidden);
    return;
  }
  const before = await page.eval(`[${ticks}, skelvar.seconds()]`);
  const how = await page.hide();
  await page.waitFor("document.visibilityState === 'hidden'", 5000, `the page hidden, ${how}`);
  const hidden = await page.eval(`(__heldClock.run(1200), ${ticks})`) - before[0];
  await page.show();
  await page.waitFor("document.visibilityState === 'visible'", 5000, 'the page shown again');
  const [burst, resumed, seconds] = await page.eval(`(() => {
    const a = ${ticks};
    __heldClock.run(49);
    const b = ${ticks};
    __heldClock.run(551);
    return [b - a, ${ticks} - a, skelvar.seconds()]; })()`);
  const away = seconds - before[1];
  check(hidden === 0 && burst === 0 && resumed === 12,
    `${name}: no tick with ${how} (${hidden} in 1.2 s), then the ticks go on from the moment it is shown (${burst} at once, ${resumed} in 0.6 s)`);
  check(Math.abs(away - 0.6) < 0.002,
    `${name}: the game's clock stands still while hidden (${away.toFixed(3)} s of the page's 1.8 s)`);
}

// ---- several fingers on a phone held sideways ----
async function fingers(engine) {
  if (engine.limits.touch) {
    skip('several fingers', engine.limits.touch);
    return;
  }
  const page = await openPage(engine, { width: 844, height: 390, touch: true });
  await page.open(site.url);
  await page.waitFor(menuFaded, 30000, 'the page');
  await page.touch([{ id: 1, x: 422, y: 195 }]);
  await page.touch([]);
  await page.waitFor(`skelvar.state().GameState === ${StatePlaying}`, 10000, 'a run started by a tap');
  const ground = await settle(page);
  // One finger rests in the right quarter, a second taps the middle: she runs right and jumps.
  const resting = [{ id: 1, x: 800, y: 300 }];
  const rightHeld = 'skelvar.state().KeysHeld.includes(39)';
  await page.touch(resting);
  await page.waitFor(rightHeld, 5000, 'Right held by a resting finger');
  await ticks(page, 6);
  await page.touch([...resting, { id: 2, x: 422, y: 200 }]);
  const jumped = await jumps(page, ground);
  await watchTouchEnds(page);
  await page.touch(resting);
  const ends = await touchEnds(page);
  check(liftedAlone(ends, 422, [800]),
    `${name}: lifting the second finger ends it alone, the resting one stays (${JSON.stringify(ends)})`);
  await ticks(page, 6);
  const s = await state(page);
  await page.touch([]);
  await ticks(page, 4, 'skelvar.state().KeysHeld.length === 0');
  const lifted = await state(page);
  check(jumped && s.PosX[0] > ground.PosX[0] + 100 && s.Facing[0] === 0 && lifted.KeysHeld.length === 0,
    `${name}: a resting finger runs her right, a second finger makes her jump, lifting both lets go (${ground.PosX[0]} -> ${s.PosX[0]}, jumped ${jumped}, held after ${JSON.stringify(lifted.KeysHeld)})`);

  // A finger that stays down comes back as a held key does: resting on the right while Esc goes
  // to the menu, its repeats start the next run and, after the run's start cleared the keys, run
  // her on with no new touch.
  await page.touch(resting);
  await page.waitFor(rightHeld, 5000, 'Right held by a resting finger');
  await ticks(page, 12);
  await pressKey(page, 'Escape');
  await page.waitFor(`skelvar.state().GameState === ${StateMenu}`, 5000, 'the menu');
  await page.waitFor(`skelvar.state().GameState === ${StatePlaying}`, 5000, 'a run started by the resting finger');
  const fresh = await state(page);
  await ticks(page, 16);
  const on = await state(page);
  await page.touch([]);
  check(on.PosX[0] > fresh.PosX[0] + 100 && on.Facing[0] === 0,
    `${name}: a finger resting through the menu starts the next run and runs her on (${fresh.PosX[0]} -> ${on.PosX[0]} in ${on.tick - fresh.tick} ticks)`);
}

// ---- frames between ticks on a held clock, and a held controller button ----
// The page with its time held: display frames exactly every 1000 / 60 ms, the game's timer firing
// up to 12 ms late at random. Every frame is placed by its own time against the deadline of the
// last tick, so a steady run steps evenly however late the timer's callbacks are.
async function evenFrames(engine, standIns) {
  for (const [width, height] of [[1280, 720], [960, 580]]) {
    const page = await openPage(engine, { width, height });
    await page.open(standIns.url);
    await page.waitFor(menuFaded, 30000, 'the menu, faded in');
    await pressKey(page, 'ArrowRight');
    await page.waitFor(`skelvar.state().GameState === ${StatePlaying}`, 10000, 'a run');
    // Held from here on; the run's start cleared the first press.
    await page.key('down', 'ArrowRight');
    await page.waitFor('skelvar.state().KeysHeld.includes(39)', 5000, '→ held');
    const from = await page.eval(`(() => {
      __heldClock.hold({ late: 12, seed: ${width} });
      const start = performance.now();
      __heldClock.run(3000);
      return start; })()`);
    await page.key('up', 'ArrowRight');
    // The view eases after her for about a second before it keeps pace with her; then she runs on
    // until the first obstacle stops her.
    const paints = (await page.eval('skelvar.stats().paints')).filter(([time]) => time >= from + 900);
    const { steps, median, uneven } = unevenSteps(paints);
    check(steps.length >= 30 && median > 3 && uneven <= steps.length * 0.03,
      `${name}: ${width} x ${height}, timer up to 12 ms late: ${uneven} of ${steps.length} steady frames step more than 30 % off the median ${median.toFixed(2)} (at most 3 %)`);
  }
}

// A D-pad held from the menu on a stand-in controller, in the stepped page: its press starts the
// run, whose start clears the keys; its repeats bring → back after half a second, as a held key's
// do, and the page's journal of the events, repeats included, plays the same game natively.
async function heldPad(engine, standIns) {
  const page = await openPage(engine, { width: 960, height: 580 });
  const seed = 77;
  await page.open(`${standIns.url}?step&seed=${seed}`);
  await page.waitFor(steppedReady, 30000, 'the stepped page');
  const lines = await page.eval('skelvar.step(40)');
  await page.eval('(testPad.plugged = true, testPad.button(15, true), true)');
  lines.push(...await page.eval('skelvar.step(40)'));
  const states = lines.map((l) => JSON.parse(l));
  const started = states.findIndex((s) => s.GameState === StatePlaying);
  const x0 = started >= 0 ? states[started].PosX[0] : 0;
  const ran = states.findIndex((s, i) => i > started && s.PosX[0] > x0);
  const script = await page.eval('skelvar.script()');
  const repeats = script.split('\n').filter((l) => / keydown 39 2$/.test(l)).length;
  check(started === 40 && ran - started >= 9 && (ran - started) * 50 <= 1500 && states.at(-1).PosX[0] > x0 + 400,
    `${name}: D-pad → held from the menu starts a run at tick ${started + 1} and she runs from tick ${ran + 1}, after the repeat delay and within 1.5 s (${x0} -> ${states.at(-1).PosX[0]}, ${repeats} presses in the journal)`);

  // She turns back to the open ground behind her, ← held on the keyboard and the D-pad. The focus
  // leaves: both let go and she stops, though the button is still down; with the focus back the
  // button holds its key again and she runs on.
  await page.eval('(testPad.button(15, false), testPad.button(14, true), true)');
  await page.key('down', 'ArrowLeft');
  const turned = (await page.eval('skelvar.step(10)')).map((l) => JSON.parse(l));
  const bothHeld = turned.at(-1).KeysHeld;
  await page.eval("window.dispatchEvent(new Event('blur'))");
  // Let go, she slows to a stand within about 20 ticks.
  const away = (await page.eval('skelvar.step(40)')).map((l) => JSON.parse(l));
  const stopped = away.slice(30).map((s) => s.PosX[0]);
  check(bothHeld.join() === '37' && turned.at(-1).PosX[0] < turned[0].PosX[0] - 100 &&
    away.every((s) => s.KeysHeld.length === 0) && stopped.every((x) => x === stopped[0]),
  `${name}: the focus leaving lets go of ← on the keyboard and on the held D-pad, and she stops (running ${turned[0].PosX[0]} -> ${turned.at(-1).PosX[0]} with ${JSON.stringify(bothHeld)} held; after: ${JSON.stringify(away.at(-1).KeysHeld)}, at ${stopped[0]} -> ${stopped.at(-1)})`);
  await page.eval("window.dispatchEvent(new Event('focus'))");
  const back = (await page.eval('skelvar.step(20)')).map((l) => JSON.parse(l));
  await page.key('up', 'ArrowLeft');
  lines.push(...[...turned, ...away, ...back].map((s) => JSON.stringify(s)));
  check(back.at(-1).KeysHeld.join() === '37' && back.at(-1).PosX[0] < stopped.at(-1) - 100,
    `${name}: with the focus back the D-pad still down runs her on (held ${JSON.stringify(back.at(-1).KeysHeld)}, ${stopped.at(-1)} -> ${back.at(-1).PosX[0]})`);
  lines.push(...await page.eval('skelvar.step(5)'));
  const journal = await page.eval('skelvar.script()');
  if (!options.replay) return;
  const { native, differ, strip } = compareWithNativeReplay(options.replay,
    { seed, client: '960x580', ticks: lines.length, script: journal, lines });
  check(native.length === lines.length && differ < 0,
    differ < 0 ? `${name}: the held D-pad's journal, repeats and the focus's releases included, plays the same ${lines.length} ticks natively`
      : `${name}: the held D-pad's run and its native replay first differ at tick ${differ + 1}:\n  page   ${strip(lines[differ])}\n  native ${strip(native[differ])}`);
}

// ---- a second visit with the server gone ----
async function offline(page) {
  // The later checks' tabs came in front of this one.
  await page.show();
  const ready = await page.waitFor("navigator.serviceWorker.getRegistration().then((r) => r?.active?.state === 'activated')",
    30000, 'the service worker').catch(() => false);
  check(Boolean(ready), `${name}: the service worker is active after the first visit`);
  if (!ready) return;
  site.down = true;
  try {
    const asked = site.requests.length;
    await page.open(site.url);
    await page.waitFor(`${menuFaded} && skelvar.menuDrawnAt`, 30000, 'the page without the server');
    await pressKey(page, 'ArrowRight');
    const ran = await ticks(page, 20, `skelvar.state().GameState === ${StatePlaying}`);
    const reached = site.requests.slice(asked).filter((p) => !p.endsWith('service-worker.js') && p !== BoardProbe);
    check(ran && reached.length === 0,
      `${name}: a second visit with the server gone shows the menu and plays (${ran ? 'a run' : 'no run'}, ${reached.length} page requests reached the server)`);
  } finally {
    site.down = false;
  }
}

await runSuite(`${name} engine`, { engine: name }, async ({ engine, serve, group }) => {
  site = await serve(options.site, { inject: PageWatch, fail: () => (site?.down ? -1 : 0) });
  const standIns = await serve(options.site, { inject: PageWatch + HeldClock + StandInPad });
  const named = (what, body) => group(`${name}: ${what}`, body);
  const page = await play(engine, named);
  console.log(`note: ${engine.version}`);
  await named('the sound on the stepped page', () => sound(engine));
  await named('the stepped page against the native replay', () => sameGame(engine));
  await named('the game in another origin\'s iframe', () => portal(engine, serve));
  await named('several fingers', () => fingers(engine));
  await named('the game\'s timer on a held clock', () => timerPace(engine, standIns));
  await named('even frames on a held clock', () => evenFrames(engine, standIns));
  await named('a held D-pad from the menu', () => heldPad(engine, standIns));
  await named('no failed request', async () => {
    await noProblems(opened.splice(0), `${name}: the pages`);
    const answers = site.answers.filter(([path, status]) => status >= 400 && path !== BoardProbe);
    check(answers.length === 0, `${name}: no request answered with an error${answers.length ? `: ${answers.map((a) => a.join(' ')).join('; ')}` : ''}`);
  });
  await named('a second visit with the server gone', () => offline(page));
  await named('device scale 2', () => hiDpi(engine));
});
