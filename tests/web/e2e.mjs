// End to end in Chromium, beyond the checks every engine passes (engines.mjs): serves the built
// site on 127.0.0.1, plays it with real key, mouse, touch and controller input and checks what the
// page shows pixel by pixel, the label's font, the keys that must not scroll, the end of the game
// and a new launch, and what the page stores and fetches; and that the game's timer runs by itself
// on the browser's clock, its pace being counted on the page's held clock (engines.mjs).
//   node tests/web/e2e.mjs --site build-web/site [--shots DIR]
import { PageWatch } from './engine.mjs';
import {
  check, fitToScreen, jumps, near, noProblems, parseOptions, pictureOf, pressKey, regionLuminance, runSuite, settle, shot,
  state, StateMenu, ticks,
} from './harness.mjs';
import { HeldClock, StandInPad } from './stand_ins.mjs';

const options = parseOptions('e2e.mjs', '--site DIR [--shots DIR]', { shots: null });

const HintText = '方向キーかマウスで操作しるお';

async function desktopPage(engine, url) {
  const page = await engine.newPage({ width: 960, height: 580 });
  await page.open(url);
  await page.waitFor('globalThis.skelvar && skelvar.window().opacityEnabled === false', 15000, 'the end of the fade');
  const w = await page.eval('skelvar.window()');
  check(!w.opacityEnabled && w.opacity === 255 && !w.openEnabled,
    'after the fade the window is opaque and the fade timer off');

  check((await page.eval('document.title')) === 'Skelvar', 'the title is "Skelvar"');
  check(await page.eval("(async () => (await fetch(document.querySelector('link[rel=icon]').href)).ok)()"),
    'the page has the program icon as its favicon');
  await page.waitFor('skelvar.picturesLoaded', 15000, 'the pictures');
  await ticks(page, 4);
  const paints = (await page.eval('skelvar.stats()')).paintMs.length;
  await ticks(page, 10);
  check((await page.eval('skelvar.stats()')).paintMs.length === paints,
    'nothing is repainted in 10 ticks while the scene stands still');

  // The live page's timer runs by itself on the browser's own clock: ticks come with no input.
  // Its pace, 20 ticks a second of the page's clock, is counted exactly on the held clock
  // (engines.mjs), which holds every clock and timer the page has.
  const t0 = (await state(page)).tick;
  await ticks(page, 20);
  const t1 = (await state(page)).tick;
  check(t1 - t0 >= 20, `the game timer ticks by itself on the browser's clock (tick ${t0} -> ${t1})`);

  // The menu picture, drawn between black bands (every engine checks that); the dimmed menu of
  // the ended game below is compared with it.
  const menuRegion = regionLuminance(await shot(page, options.shots, 'menu.png'), 0, 60, 960, 520);

  // The game's keys do not scroll the page; other keys keep their browser meaning.
  await page.eval(`window.addEventListener('keydown',
    (e) => (globalThis.keyLog ??= []).push([e.code, e.defaultPrevented]))`);
  for (const code of ['ArrowDown', 'Space', 'Enter', 'KeyA']) await pressKey(page, code);
  const keyLog = await page.eval('globalThis.keyLog');
  check(JSON.stringify(keyLog) ===
    JSON.stringify([['ArrowDown', true], ['Space', true], ['Enter', true], ['KeyA', false]]),
    `the arrows, Space and Enter do not scroll the page (${JSON.stringify(keyLog)})`);
  await page.waitFor('skelvar.state().GameState === 0', 10000, 'a run');
  await pressKey(page, 'Escape');
  await page.waitFor(`skelvar.state().GameState === ${StateMenu}`, 10000, 'the menu');

  // Esc at the menu ends the game: the timers stop, the menu is shown dimmed, and a key starts
  // the game afresh as a new launch does.
  await pressKey(page, 'Escape');
  await page.waitFor('skelvar.window().closed', 10000, 'the end of the game');
  const closedAt = JSON.stringify(await state(page));
  await page.key('up', 'ArrowRight');
  await page.move(480, 300);
  // Two seconds on the page's held clock, then its own time again.
  await page.eval('(__heldClock.hold(), __heldClock.run(2000), __heldClock.release())');
  check(JSON.stringify(await state(page)) === closedAt,
    'after the game ended no tick runs in 2 s and a key release or a mouse move does nothing');
  const dimmed = regionLuminance(await shot(page, options.shots, 'closed.png'), 0, 60, 960, 520);
  check(dimmed.mean < menuRegion.mean * 0.6 && dimmed.spread > 3,
    `the menu picture is shown dimmed (${dimmed.mean.toFixed(1)} vs ${menuRegion.mean.toFixed(1)})`);
  await pressKey(page, 'KeyA');
  const relaunched = await page.eval('skelvar.window()');
  check(!relaunched.closed && relaunched.opacityEnabled && relaunched.opacity < 255 &&
    (await state(page)).GameState === StateMenu, 'a key on the dimmed title launches the game afresh, fading in');
  await page.waitFor('!skelvar.window().opacityEnabled', 5000, 'the fade-in after the new launch');

  // The page keeps only the player's record and, in an entry of its own, the last run (the run
  // started above), and fetches only its own files.
  const kept = await page.eval(`document.cookie === "" && sessionStorage.length === 0 &&
    Object.keys(localStorage).sort().join() === 'skelvar,skelvar.last-run' &&
    /^[A-Za-z0-9_-]+$/.test(localStorage.getItem('skelvar.last-run')) &&
    JSON.parse(localStorage.getItem('skelvar'))`);
  check(kept && kept.version === 1 && kept.runs >= 1 && kept.clears === 0 && !('lastRun' in kept),
    `the page stores only the player's record and its last run (${JSON.stringify(kept)})`);
  const requested = await page.eval("[location.href, ...performance.getEntriesByType('resource').map((e) => e.name)]");
  const foreign = requested.filter((u) => !u.startsWith(url) && !u.startsWith('data:'));
  check(requested.length > 40 && foreign.length === 0,
    `every request is for the site's own files (${requested.length} requests${foreign.length ? `; ${foreign}` : ''})`);
  check(!requested.some((u) => u.endsWith('/stepper.js')), 'the page players get never fetches the test-only stepping module');

  // A reload starts the game again.
  await page.reload();
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 15000, 'the reloaded page');
  const again = await page.eval('skelvar.window()');
  check(!again.closed && again.gameEnabled, 'a reload starts the game again');
  return page;
}

// Right starts a run on the stepped page: the play area with the background and the girl, showing
// the start hint, with no tick between the state read and the screenshot.
async function playPage(engine, url) {
  const page = await engine.newPage({ width: 960, height: 580 });
  await page.open(`${url}?step&seed=1`);
  await page.waitFor('globalThis.skelvar && skelvar.stepped && skelvar.picturesLoaded', 15000, 'the stepped page');
  await page.eval('skelvar.step(30)');
  await pressKey(page, 'ArrowRight');
  const s = await settle(page);
  const play = await shot(page, options.shots, 'play.png');
  const panel = s.pnlGame;
  check(panel.left === 30 && panel.top === 40,
    `the play area is centred at 30, 40 (${panel.left}, ${panel.top})`);
  check(near(play.pixel(10, 10), [128, 128, 128], 2) && near(play.pixel(950, 570), [128, 128, 128], 2),
    
    'the window grey shows around the play area');

  // The girl's frame: where it is white the background shows through; its other pixels cover it.
  const gx = panel.left + s.PosX[0] + s.CameraX;
  const gy = panel.top + s.PosY[0] + s.CameraY;
  const frame = await pictureOf(page, s.ActorImage[0]);
  const back = await pictureOf(page, 'imgBack', [gx - panel.left - s.imgBack.left,
    gy - panel.top - s.imgBack.top, frame.width, frame.height]);
  const label = s.lblMsg;
  const underLabel = (x, y) => x >= panel.left + label.left && x < panel.left + label.left + label.width &&
    y >= panel.top + label.top && y < panel.top + label.top + label.height;
  let white = 0;
  let whiteShowsBack = 0;
  let body = 0;
  let bodyDrawn = 0;
  for (let y = 0; y < frame.height; ++y) {
    for (let x = 0; x < frame.width; ++x) {
      if (underLabel(gx + x, gy + y)) continue;
      const f = frame.pixel(x, y).slice(0, 3);
      const shown = play.pixel(gx + x, gy + y);
      if (near(f, [255, 255, 255], 0)) {
        ++white;
        if (near(shown, back.pixel(x, y), 10)) ++whiteShowsBack;
      } else {
        ++body;
        if (near(shown, f, 3)) ++bodyDrawn;
      }
    }
  }
  check(white > 1000 && whiteShowsBack / white > 0.98,
    `where the girl's frame is white the background shows (${whiteShowsBack} of ${white})`);
  check(body > 500 && bodyDrawn / body > 0.98,
    `the girl's own pixels are drawn (${bodyDrawn} of ${body})`);

  // The start hint in the label: drawn in the loaded font, dark, spanning its measured width.
  check(label.text === HintText, `the label shows the start hint (${label.text})`);
  check(await page.eval(`document.fonts.check('21px SkelvarLabel', '${HintText}')`),
    'the label font has loaded');
  const measured = await page.eval(`(() => { const c = document.createElement('canvas').getContext('2d');
    c.font = '21px SkelvarLabel'; return Math.round(c.measureText('${HintText}').width); })()`);
  check(label.width === measured && label.width > 200,
    `the label is measured with the font (${label.width} px)`);
  let minX = Infinity;
  let maxX = -Infinity;
  let dark = 0;
  const lx = panel.left + label.left;
  const ly = panel.top + label.top;
  const darkColumns = new Set();
  for (let y = ly; y < ly + label.height; ++y) {
    for (let x = lx - 2; x < lx + label.width + 2; ++x) {
      if (Math.max(...play.pixel(x, y).slice(0, 3)) < 90) {
        ++dark;
        minX = Math.min(minX, x);
        maxX = Math.max(maxX, x);
        darkColumns.add(x);
      }
    }
  }
  check(dark > 300 && minX <= lx + 4 && maxX >= lx + label.width - 5,
    `the hint's dark pixels span the measured width (${minX - lx} to ${maxX - lx} of ${label.width}, ${dark} pixels)`);
  check(darkColumns.size < label.width * 0.9, 'the hint has gaps between its glyphs');

  return page;
}

async function phonePage(engine, url) {
  const page = await engine.newPage({ width: 844, height: 390, scale: 2, mobile: true, touch: true });
  await page.open(url);
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 15000, 'the page');
  const fit = fitToScreen(844, 390);
  const w = await page.eval('skelvar.window()');
  check(w.clientWidth === fit.clientWidth && w.clientHeight === fit.clientHeight,
    `on a phone the logic sees ${fit.clientWidth} x ${fit.clientHeight} (${w.clientWidth} x ${w.clientHeight})`);
  const tap = async (x, y) => {
    await page.touch([{ id: 1, x, y }]);
    await page.touch([]);
  };
  await tap(422, 195);
  await page.waitFor('skelvar.state().GameState === 0 && skelvar.state().pnlGame.visible', 10000, 'a run started by a tap');
  check(true, 'a tap on the title starts a run');
  const s = await settle(page);
  const p = s.pnlGame;
  const box = [p.left * fit.scale, p.top * fit.scale, (p.left + p.width) * fit.scale, (p.top + p.height) * fit.scale];
  check(box[0] >= 0 && box[1] >= 0 && box[2] <= 844 && box[3] <= 390,
    `the whole play area is on the phone's screen (${box.map((v) => v.toFixed(0))})`);
  const phone = await shot(page, options.shots, 'phone.png');
  check(near(phone.pixel(Math.floor(box[0] / 2) * 2, 200), [128, 128, 128], 2) || box[0] < 2,
    'grey beside the play area on the phone');
  await tap(422, 80);
  check(await jumps(page, s), 'a tap on the stage makes the girl jump');
  await settle(page);

  // A finger held and moved in the left quarter of the play area steers the girl left.
  const lx = Math.round((p.left + 100) * fit.scale);
  for (let i = 0; i <= 8; ++i) {
    await page.touch([{ id: 1, x: lx + (i % 2) * 3, y: 250 }]);
    await ticks(page, 1);
  }
  const steered = await state(page);
  await page.touch([]);
  check(steered.Facing[0] === 1 && steered.PosX[0] < s.PosX[0],
    `a finger moved in the left quarter steers left (${s.PosX[0]} -> ${steered.PosX[0]})`);
  check((await page.eval("getComputedStyle(document.getElementById('game')).touchAction")) === 'none',
    'no pinch-zoom or scrolling on the canvas');
  return page;
}

// A stand-in game controller (stand_ins.mjs), which the page polls through the Gamepad API.
async function gamepadPage(engine, url) {
  const page = await engine.newPage({ width: 960, height: 580 });
  await page.open(url);
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 15000, 'the page');
  const held = async (codes) => page.waitFor(
    `JSON.stringify(skelvar.state().KeysHeld) === '${JSON.stringify(codes)}'`, 10000, `keys ${codes} held`);
  await page.eval('testPad.plugged = true; testPad.button(9, true)');
  await page.waitFor('skelvar.state().GameState === 0', 10000, 'a run started with Start');
  check(true, 'Start on a game controller starts a run');
  await page.eval('testPad.button(9, false)');
  await page.eval('testPad.pad.axes[0] = 0.3');
  await ticks(page, 4);
  check((await state(page)).KeysHeld.length === 0,
    'the stick short of half its travel holds nothing');
  await page.eval('testPad.pad.axes[0] = 0.8');
  await held([39]);
  const x0 = (await state(page)).PosX[0];
  await ticks(page, 8);
  check((await state(page)).PosX[0] > x0 + 50, 'the stick pushed right runs the girl right');
  await page.eval('testPad.button(14, true)');
  await held([37, 39]);
  await page.eval('testPad.button(0, true); testPad.button(1, true)');
  await held([32, 37, 38, 39]);
  check(true, 'the D-pad and the south and east buttons hold their keys');
  await page.eval('testPad.plugged = false');
  await held([]);
  check(true, 'an unplugged controller lets go of every key');
  await page.eval(`testPad.pad.axes[0] = 0; for (const b of [0, 1, 14]) testPad.button(b, false);
    testPad.plugged = true; testPad.button(8, true)`);
  await page.waitFor(`skelvar.state().GameState === ${StateMenu}`, 10000, 'the menu after Back');
  check(true, 'Back on a plugged-in controller returns to the menu');
  return page;
}

await runSuite('browser', {}, async ({ engine, serve, group }) => {
  const site = await serve(options.site, { inject: PageWatch + HeldClock + StandInPad });
  const pages = [];
  for (const run of [desktopPage, playPage, phonePage, gamepadPage]) {
    await group(run.name, async () => pages.push(await run(engine, site.url)));
  }
  await noProblems(pages, 'the pages');
});
