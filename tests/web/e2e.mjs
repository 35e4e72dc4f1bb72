// End to end in headless Chromium: serves the built site on 127.0.0.1, plays it with real key,
// mouse and touch events and checks what the page shows; then steps the page by hand on the
// virtual clock and compares its state tick by tick with the native replay tool.
//   node tests/web/e2e.mjs --site build-web/site [--replay build/skelvar-replay] [--shots DIR]
import { execFileSync } from 'node:child_process';
import { existsSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { check, parseOptions, pressKey, runPages, saveShot, sleep } from './harness.mjs';

const options = parseOptions('e2e.mjs', '--site DIR [--replay PATH] [--shots DIR]', { replay: null, shots: null });

const HintText = '方向キーかマウスで操作しるお';
const StateMenu = -1;

// The page's scale rule, written out again here so the test does not take the page's word for it.
// The designed 960 x 580 window fills the tighter side, but below its own size only as far as the
// 900 x 500 play area needs.
function fitToScreen(width, height) {
  const fill = Math.min(width / 960, height / 580);
  const scale = fill >= 1 ? fill : Math.min(1, width / 900, height / 500);
  return { scale, clientWidth: Math.round(width / scale), clientHeight: Math.round(height / scale) };
}

const luminance = ([r, g, b]) => 0.299 * r + 0.587 * g + 0.114 * b;
function regionLuminance(image, x0, y0, x1, y1) {
  let sum = 0;
  let sq = 0;
  let n = 0;
  for (let y = y0; y < y1; y += 3) {
    for (let x = x0; x < x1; x += 3) {
      const l = luminance(image.pixel(x, y));
      sum += l;
      sq += l * l;
      ++n;
    }
  }
  const mean = sum / n;
  return { mean, spread: Math.sqrt(Math.max(0, sq / n - mean * mean)) };
}
const near = (a, b, tolerance) => a.slice(0, 3).every((v, i) => Math.abs(v - b[i]) <= tolerance);

const state = (page) => page.eval('skelvar.state()');

// Waits until the girl and the view stand still, so a screenshot matches the state read with it.
const stillKey = (s) => JSON.stringify([s.PosX[0], s.PosY[0], s.CameraX, s.CameraY, s.lblMsg, s.GameState]);
async function settle(page) {
  let last = '';
  for (let i = 0; i < 100; ++i) {
    const s = await state(page);
    const key = stillKey(s);
    if (key === last) return s;
    last = key;
    await sleep(120);
  }
  throw new Error('the scene does not settle');
}

// Holds a key for ms as a keyboard does: a press and then auto-repeats.
async function holdKey(page, code, ms) {
  await page.key('down', code);
  const until = Date.now() + ms;
  while (Date.now() < until) {
    await sleep(30);
    await page.key('down', code, { repeat: true });
  }
  await page.key('up', code);
}

// A picture component's file on the site, as the build's table gives it.
const siteFile = (name) => `(await import('./picture-files.js')).PictureFiles['${name}'][0]`;

// Reads a stored picture's pixels in the page, straight from the site (no key colour applied).
function pictureExpression(name) {
  return `(async () => {
    const bitmap = await createImageBitmap(await (await fetch(${siteFile(name)})).blob(),
      { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const c = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
    c.drawImage(bitmap, 0, 0);
    return { width: bitmap.width, height: bitmap.height,
      data: Array.from(c.getImageData(0, 0, bitmap.width, bitmap.height).data) };
  })()`;
}

async function pictureRegion(page, name, x0, y0, width, height) {
  const p = await page.eval(`(async () => {
    const bitmap = await createImageBitmap(await (await fetch(${siteFile(name)})).blob(),
      { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const c = new OffscreenCanvas(${width}, ${height}).getContext('2d');
    c.drawImage(bitmap, ${-x0}, ${-y0});
    return Array.from(c.getImageData(0, 0, ${width}, ${height}).data);
  })()`);
  return (x, y) => p.slice((y * width + x) * 4, (y * width + x) * 4 + 4);
}

// Test-side script run in the page before its own: logs the canvas's opacity as it changes.
const OpacityLogger = `globalThis.opacityLog = [];
  document.addEventListener('DOMContentLoaded', () => {
    const canvas = document.getElementById('game');
    const log = () => opacityLog.push(canvas.style.opacity);
    new MutationObserver((records) => {
      for (const r of records) {
        const old = /opacity:\\s*([^;]*)/.exec(r.oldValue ?? '');
        if (old) opacityLog.push(old[1].trim());
      }
      log();
    }).observe(canvas, { attributes: true, attributeFilter: ['style'], attributeOldValue: true });
  });`;

async function desktopPage(browser, url) {
  const page = await browser.newPage();
  await page.send('Page.enable');
  await page.send('Page.addScriptToEvaluateOnNewDocument', { source: OpacityLogger });
  await page.open(url, { width: 960, height: 580 });

  // The fade-in: the canvas's opacity climbs 0, 20, ..., 240 (out of 255), then it is opaque. Every
  // change of the canvas's style is recorded in the page, so a slow test machine misses none.
  await page.waitFor('skelvar.window().opacityEnabled === false', 15000, 'the end of the fade');
  const logged = (await page.eval('globalThis.opacityLog')).filter((v, i, a) => v !== '' && v !== a[i - 1]);
  // While the files arrive the canvas shows the loading bar, opaque; the fade starts from 0.
  const fadeStart = logged.indexOf('0');
  check(fadeStart >= 0 && logged.slice(0, fadeStart).every((v) => v === '1'),
    `before the fade the canvas shows only the loading bar (opacity seen: ${logged.join(', ')})`);
  const seen = logged.slice(Math.max(0, fadeStart));
  const values = seen.map(Number);
  const steps = values.filter((v) => v > 0 && v < 1);
  check(values[values.length - 1] === 1,
    `the canvas ends opaque (opacity seen: ${seen.join(', ')})`);
  check(values.every((v, i) => i === 0 || v > values[i - 1]), 'the opacity only climbs');
  const expected = Array.from({ length: 12 }, (_, i) => 20 * (i + 1)).join();
  check(steps.map((v) => Math.round(v * 255)).join() === expected,
    'the opacity passes through 20, 40, ..., 240 of 255');
  const w = await page.eval('skelvar.window()');
  check(!w.opacityEnabled && w.opacity === 255 && !w.openEnabled,
    'after the fade the window is opaque and the fade timer off');

  check((await page.eval('document.title')) === 'Skelvar', 'the title is "Skelvar"');
  check(await page.eval("(async () => (await fetch(document.querySelector('link[rel=icon]').href)).ok)()"),
    
    'the page has the program icon as its favicon');
  await page.waitFor('skelvar.picturesLoaded', 15000, 'the pictures');
  await sleep(200);
  const paints = (await page.eval('skelvar.stats()')).paintMs.length;
  await sleep(500);
  check((await page.eval('skelvar.stats()')).paintMs.length === paints,
    'nothing is repainted while the scene stands still');

  // The menu picture, 1600 x 800 fitted into 960 x 580: 960 x 480 at top 50, black above and below.
  await sleep(100);
  const menu = saveShot(options.shots, 'menu.png', await page.screenshot());
  check(menu.width === 960 && menu.height === 580,
    `the screenshot is 960 x 580 (${menu.width} x ${menu.height})`);
  check(near(menu.pixel(480, 20), [0, 0, 0], 4) && near(menu.pixel(480, 560), [0, 0, 0], 4),
    'black bands above and below the menu picture');
  const menuRegion = regionLuminance(menu, 0, 60, 960, 520);
  check(menuRegion.mean > 25 && menuRegion.spread > 10,
    `the menu picture is drawn (mean ${menuRegion.mean.toFixed(1)})`);

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

  // Right starts a run: the play area with the background and the girl, still showing the start
  // hint (on a slow machine the girl may start talking first: then the run starts again).
  let s = null;
  let play = null;
  for (let attempt = 0; attempt < 3; ++attempt) {
    await pressKey(page, 'ArrowRight');
    await page.waitFor('skelvar.state().GameState === 0 && skelvar.state().pnlGame.visible', 10000, 'a run');
    s = await settle(page);
    play = saveShot(options.shots, 'play.png', await page.screenshot());
    const t = await state(page);
    if (stillKey(t) === stillKey(s) && t.lblMsg.text === HintText) break;
    await pressKey(page, 'Escape');
    await page.waitFor(`skelvar.state().GameState === ${StateMenu}`, 10000, 'the menu');
  }
  const panel = s.pnlGame;
  check(panel.left === 30 && panel.top === 40,
    `the play area is centred at 30, 40 (${panel.left}, ${panel.top})`);
  check(near(play.pixel(10, 10), [128, 128, 128], 2) && near(play.pixel(950, 570), [128, 128, 128], 2),
    
    'the window grey shows around the play area');

  // The girl's frame: where it is white the background shows through; its other pixels cover it.
  const gx = panel.left + s.PosX[0] + s.CameraX;
  const gy = panel.top + s.PosY[0] + s.CameraY;
  const frame = await page.eval(pictureExpression(s.ActorImage[0]));
  const back = await pictureRegion(page, 'imgBack', gx - panel.left - s.imgBack.left,
    gy - panel.top - s.imgBack.top, frame.width, frame.height);
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
      const f = frame.data.slice((y * frame.width + x) * 4, (y * frame.width + x) * 4 + 3);
      const shown = play.pixel(gx + x, gy + y);
      if (near(f, [255, 255, 255], 0)) {
        ++white;
        if (near(shown, back(x, y), 10)) ++whiteShowsBack;
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

  // The game timer keeps its schedule: no drift, and after a stall the late tick runs once.
  const counted = await page.eval(`(async () => {
    const a = skelvar.state().tick;
    await new Promise((r) => setTimeout(r, 2000));
    return skelvar.state().tick - a; })()`);
  check(counted >= 36 && counted <= 41,
    `the game timer ticks every 50 ms (${counted} ticks in 2 s)`);
  const afterStall = await page.eval(`(async () => {
    const a = skelvar.state().tick;
    const t = performance.now();
    while (performance.now() - t < 600) {}
    await new Promise((r) => setTimeout(r, 10));
    return skelvar.state().tick - a; })()`);
  // Twelve deadlines passed during the stall; one late tick runs, and at most the next on time.
  check(afterStall >= 1 && afterStall <= 2,
    `after a 600 ms stall the timer fires once, no burst (${afterStall} ticks)`);

  // Right held: the girl runs right.
  const before = (await state(page)).PosX[0];
  await holdKey(page, 'ArrowRight', 700);
  const after = await state(page);
  check(after.PosX[0] > before + 100 && after.Facing[0] === 0,
    `the girl runs right while Right is held (${before} -> ${after.PosX[0]})`);
  saveShot(options.shots, 'running.png', await page.screenshot());

  // A click on the stage jumps.
  const ground = await settle(page);
  await page.click(480, 200);
  let jumped = false;
  for (let i = 0; i < 20 && !jumped; ++i) {
    const t = await state(page);
    jumped = t.VelY[0] < 0 || t.PosY[0] < ground.PosY[0];
    await sleep(25);
  }
  check(jumped, 'a click on the stage makes the girl jump');
  await settle(page);

  // Esc returns to the menu.
  await pressKey(page, 'Escape');
  await page.waitFor(`skelvar.state().GameState === ${StateMenu}`, 10000, 'the menu');
  const m = await state(page);
  check(m.pnlMenu.visible && !m.pnlGame.visible, 'Esc during play returns to the menu');

  // A larger viewport during play: the play area is centred again in the logic's client area.
  await pressKey(page, 'ArrowRight');
  await page.waitFor('skelvar.state().pnlGame.visible', 10000, 'a run');
  const wide = fitToScreen(1200, 700);
  await page.setViewport({ width: 1200, height: 700 });
  await page.waitFor(`skelvar.window().clientWidth === ${wide.clientWidth}`, 10000, 'the resize');
  const r = await settle(page);
  check(r.pnlGame.left === Math.trunc((wide.clientWidth - 900) / 2) && r.pnlGame.top === Math.trunc((wide.clientHeight - 500) / 2),
    
    `a resize re-centres the play area (${r.pnlGame.left}, ${r.pnlGame.top} in ${wide.clientWidth} x ${wide.clientHeight})`);
  const resized = saveShot(options.shots, 'resized.png', await page.screenshot());
  const left = Math.floor(r.pnlGame.left * wide.scale);
  const right = Math.ceil((r.pnlGame.left + 900) * wide.scale);
  check(resized.width === 1200 && near(resized.pixel(left - 4, 350), [128, 128, 128], 2) &&
    near(resized.pixel(right + 3, 350), [128, 128, 128], 2) && !near(resized.pixel(left + 6, 350), [128, 128, 128], 2) &&
    Math.abs(left - (1200 - right)) <= 2, 'the scaled play area sits in the middle of the page');
  check((await page.eval("document.getElementById('game').width")) === 1200,
    'the backing store follows the viewport');
  await page.setViewport({ width: 960, height: 580 });
  await page.waitFor('skelvar.window().clientWidth === 960', 10000, 'the resize back');
  check((await state(page)).pnlGame.left === 30, 'back at 960 x 580 the play area is at 30 again');

  // Esc at the menu ends the game: the timers stop, the menu is shown dimmed, and a key starts
  // the game afresh as a new launch does.
  await pressKey(page, 'Escape');
  await page.waitFor(`skelvar.state().GameState === ${StateMenu}`, 10000, 'the menu');
  await pressKey(page, 'Escape');
  await page.waitFor('skelvar.window().closed', 10000, 'the end of the game');
  const closedAt = JSON.stringify(await state(page));
  await page.key('up', 'ArrowRight');
  await page.mouse('mouseMoved', 480, 300);
  await sleep(400);
  check(JSON.stringify(await state(page)) === closedAt,
    'after the game ended no tick runs and a key release or a mouse move does nothing');
  const closed = saveShot(options.shots, 'closed.png', await page.screenshot());
  const dimmed = regionLuminance(closed, 0, 60, 960, 520);
  check(dimmed.mean < menuRegion.mean * 0.6 && dimmed.spread > 3,
    `the menu picture is shown dimmed (${dimmed.mean.toFixed(1)} vs ${menuRegion.mean.toFixed(1)})`);
  await pressKey(page, 'KeyA');
  const relaunched = await page.eval('skelvar.window()');
  check(!relaunched.closed && relaunched.opacityEnabled && relaunched.opacity < 255 &&
    (await state(page)).GameState === StateMenu, 'a key on the dimmed title launches the game afresh, fading in');
  await page.waitFor('!skelvar.window().opacityEnabled', 5000, 'the fade-in after the new launch');

  // The page keeps nothing and fetches only its own files.
  check(await page.eval('document.cookie === "" && localStorage.length === 0 && sessionStorage.length === 0'),
    'the page stores nothing');
  const foreign = [...page.requests.values()].filter((u) => !u.startsWith(url) && !u.startsWith('data:'));
  check(page.requests.size > 40 && foreign.length === 0,
    `every request is for the site's own files (${page.requests.size} requests${foreign.length ? `; ${foreign}` : ''})`);

  // A reload starts the game again.
  await page.send('Page.reload');
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 15000, 'the reloaded page');
  const again = await page.eval('skelvar.window()');
  check(!again.closed && again.gameEnabled, 'a reload starts the game again');
  return page;
}

async function hiDpiPage(browser, url) {
  const page = await browser.newPage();
  await page.open(url, { width: 960, height: 580, deviceScaleFactor: 2 });
  await page.waitFor('globalThis.skelvar', 15000, 'the page');
  const size = await page.eval(`(() => { const c = document.getElementById('game');
    return [c.width, c.height, c.clientWidth, c.clientHeight]; })()`);
  check(size.join() === '1920,1160,960,580',
    `at device scale 2 the backing store is twice the CSS size (${size})`);
  check((await state(page)).pnlGame.left === 30, 'the logic never sees device pixels');
  return page;
}

async function phonePage(browser, url) {
  const page = await browser.newPage();
  await page.open(url, { width: 844, height: 390, deviceScaleFactor: 2, mobile: true }, { touch: true });
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 15000, 'the page');
  const fit = fitToScreen(844, 390);
  const w = await page.eval('skelvar.window()');
  check(w.clientWidth === fit.clientWidth && w.clientHeight === fit.clientHeight,
    `on a phone the logic sees ${fit.clientWidth} x ${fit.clientHeight} (${w.clientWidth} x ${w.clientHeight})`);
  await page.tap(422, 195);
  await page.waitFor('skelvar.state().GameState === 0 && skelvar.state().pnlGame.visible', 10000, 'a run started by a tap');
  check(true, 'a tap on the title starts a run');
  const s = await settle(page);
  const p = s.pnlGame;
  const box = [p.left * fit.scale, p.top * fit.scale, (p.left + p.width) * fit.scale, (p.top + p.height) * fit.scale];
  check(box[0] >= 0 && box[1] >= 0 && box[2] <= 844 && box[3] <= 390,
    `the whole play area is on the phone's screen (${box.map((v) => v.toFixed(0))})`);
  const shot = saveShot(options.shots, 'phone.png', await page.screenshot());
  check(near(shot.pixel(Math.floor(box[0] / 2) * 2, 200), [128, 128, 128], 2) || box[0] < 2,
    'grey beside the play area on the phone');
  await page.tap(422, 80);
  let jumped = false;
  for (let i = 0; i < 20 && !jumped; ++i) {
    const t = await state(page);
    jumped = t.VelY[0] < 0 || t.PosY[0] < s.PosY[0];
    await sleep(25);
  }
  check(jumped, 'a tap on the stage makes the girl jump');
  await settle(page);

  // A finger held and moved in the left quarter of the play area steers the girl left.
  const lx = Math.round((p.left + 100) * fit.scale);
  await page.touch('touchStart', lx, 250);
  for (let i = 1; i <= 8; ++i) {
    await page.touch('touchMove', lx + (i % 2) * 3, 250);
    await sleep(30);
  }
  const steered = await state(page);
  await page.touch('touchEnd', lx, 250);
  check(steered.Facing[0] === 1 && steered.PosX[0] < s.PosX[0],
    `a finger moved in the left quarter steers left (${s.PosX[0]} -> ${steered.PosX[0]})`);
  check((await page.eval("getComputedStyle(document.getElementById('game')).touchAction")) === 'none',
    'no pinch-zoom or scrolling on the canvas');
  return page;
}

// Test-side stand-in for a game controller, which the page polls through the Gamepad API.
const FakePad = `(() => {
  const pad = { id: 'test pad', index: 0, connected: true, mapping: 'standard', timestamp: 0,
    buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })), axes: [0, 0, 0, 0] };
  globalThis.testPad = { pad, plugged: true,
    button(i, down) { pad.buttons[i] = { pressed: down, value: down ? 1 : 0 }; } };
  Object.defineProperty(navigator, 'getGamepads', { configurable: true,
    value: () => [testPad.plugged ? pad : null] });
})();`;

async function gamepadPage(browser, url) {
  const page = await browser.newPage();
  await page.send('Page.enable');
  await page.send('Page.addScriptToEvaluateOnNewDocument', { source: FakePad });
  await page.open(url, { width: 960, height: 580 });
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 15000, 'the page');
  const held = async (codes) => page.waitFor(
    `JSON.stringify(skelvar.state().KeysHeld) === '${JSON.stringify(codes)}'`, 10000, `keys ${codes} held`);
  await page.eval('testPad.button(9, true)');
  await page.waitFor('skelvar.state().GameState === 0', 10000, 'a run started with Start');
  check(true, 'Start on a game controller starts a run');
  await page.eval('testPad.button(9, false)');
  await page.eval('testPad.pad.axes[0] = 0.3');
  await sleep(200);
  check((await state(page)).KeysHeld.length === 0,
    'the stick short of half its travel holds nothing');
  await page.eval('testPad.pad.axes[0] = 0.8');
  await held([39]);
  const x0 = (await state(page)).PosX[0];
  await sleep(400);
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

// The page stepped by hand, fed real events at given ticks, against the native replay.
async function sameGame(browser, url) {
  const page = await browser.newPage();
  const seed = 4242;
  await page.open(`${url}?step&seed=${seed}`, { width: 960, height: 580 });
  await page.waitFor('globalThis.skelvar && skelvar.stepped && skelvar.picturesLoaded', 15000, 'the stepped page');
  const lines = [];
  let last = null;
  let tick = 1;
  const step = async () => {
    const [line] = await page.eval('skelvar.step(1)');
    lines.push(line);
    last = JSON.parse(line);
    ++tick;
  };
  const stepTo = async (k) => {
    while (tick < k) await step();
  };
  const sent = [];
  const key = async (type, code, vk, repeat = false) => {
    await page.key(type, code, { repeat });
    sent.push(`${tick} key${type} ${vk}`);
  };

  await stepTo(3);
  await key('down', 'ArrowRight', 39);
  await step();
  for (let k = 4; k < 40; ++k) {
    await key('down', 'ArrowRight', 39, true);
    await step();
  }
  await key('up', 'ArrowRight', 39);
  await stepTo(45);
  await key('down', 'Space', 32);
  await step();
  await key('up', 'Space', 32);
  await stepTo(50);
  await key('down', 'KeyA', 65);
  await key('up', 'KeyA', 65);
  // Mouse steering: the first move over the stage arms it, the following ones steer.
  for (let k = 55; k < 70; ++k) {
    await stepTo(k);
    await page.mouse('mouseMoved', 100 + (k % 3), 300);
    sent.push(`${tick} mousemove ${100 + (k % 3)} 300`);
  }
  for (let k = 70; k < 80; ++k) {
    await stepTo(k);
    await page.mouse('mouseMoved', 850, 300 + k);
    sent.push(`${tick} mousemove 850 ${300 + k}`);
  }
  await stepTo(82);
  await page.click(480, 200);
  sent.push(`${tick} click 480 200`);
  await stepTo(90);
  const wide = fitToScreen(1000, 600);
  await page.setViewport({ width: 1000, height: 600 });
  await page.waitFor(`skelvar.window().clientWidth === ${wide.clientWidth}`, 10000, 'the resize');
  sent.push(`${tick} resize ${wide.clientWidth} ${wide.clientHeight}`);
  await stepTo(100);
  await page.setViewport({ width: 960, height: 580 });
  await page.waitFor('skelvar.window().clientWidth === 960', 10000, 'the resize back');
  sent.push(`${tick} resize 960 580`);
  // Right held until the run ends in an outcome (if it has not yet), then the outcome plays out.
  if (last.GameState === 0) {
    await key('down', 'ArrowRight', 39);
    while (tick < 700 && last.GameState === 0) {
      await step();
      await key('down', 'ArrowRight', 39, true);
    }
    await key('up', 'ArrowRight', 39);
  }
  check(lines.some((l) => JSON.parse(l).GameState === 1), 'the run ends in an outcome');
  while (tick < 900 && last.GameState !== 2) await step();
  // The outcome picture in its one-pixel black frame, over the stage (read afresh: a resize may
  // have come after the last tick).
  const now = await state(page);
  const o = now.imgOver;
  const f = now.shpOver;
  const shot = saveShot(options.shots, 'outcome.png', await page.screenshot());
  const fx = now.pnlGame.left + f.left;
  const fy = now.pnlGame.top + f.top;
  check(near(shot.pixel(fx, fy + 200), [0, 0, 0], 40) && near(shot.pixel(fx + f.width - 1, fy + 200), [0, 0, 0], 40) &&
    near(shot.pixel(fx + 200, fy), [0, 0, 0], 40) && f.width === o.width + 2,
  `the outcome picture has its black frame (${f.left}, ${f.top}, ${f.width} x ${f.height})`);
  // A click on the outcome picture starts the next run at once.
  const ox = now.pnlGame.left + o.left + Math.trunc(o.width / 2);
  const oy = now.pnlGame.top + o.top + Math.trunc(o.height / 2);
  await page.click(ox, oy);
  sent.push(`${tick} click ${ox} ${oy}`);
  await step();
  check(last.GameState === 0, 'a click on the outcome picture starts a new run');

  // Then 600 ticks of random play: keys pressed, repeated and released, moves and clicks along the
  // ground strip (where the label, whose size comes from the font, never is).
  let r = 12345;
  const random = (n) => {
    r = (r * 1103515245 + 12345) % 2147483648;
    return Math.floor((r / 2147483648) * n);
  };
  const codes = [['ArrowLeft', 37], ['ArrowUp', 38], ['ArrowRight', 39], ['ArrowDown', 40],
    ['Enter', 13], ['Space', 32], ['KeyA', 65]];
  const down = new Set();
  const end = tick + 600;
  while (tick < end) {
    const roll = random(100);
    const [code, vk] = codes[random(codes.length)];
    if (roll < 12) {
      await key('down', code, vk, down.has(code));
      down.add(code);
    } else if (roll < 22 && down.size > 0) {
      const [c] = [...down].slice(random(down.size));
      await key('up', c, codes.find(([n]) => n === c)[1]);
      down.delete(c);
    } else if (roll < 40) {
      const x = 30 + random(900);
      const y = 40 + 430 + random(65);
      await page.mouse('mouseMoved', x, y);
      sent.push(`${tick} mousemove ${x} ${y}`);
    } else if (roll < 43) {
      const x = 30 + random(900);
      const y = 40 + 430 + random(65);
      await page.click(x, y);
      sent.push(`${tick} click ${x} ${y}`);
    }
    await step();
  }
  for (const c of down) await key('up', c, codes.find(([n]) => n === c)[1]);
  while (last.GameState !== StateMenu) {
    await key('down', 'Escape', 27);
    await step();
    await key('up', 'Escape', 27);
    await stepTo(tick + 70);
  }
  await stepTo(tick + 5);
  await key('down', 'Escape', 27);
  await step();
  check(last.closed === true, 'Esc at the menu ends the stepped game');

  const states = new Set(lines.map((l) => JSON.parse(l).GameState));
  check(states.size === 4,
    `the stepped run went through menu, play, outcome and finish (${[...states]})`);
  const script = await page.eval('skelvar.script()');
  const delivered = script.split('\n');
  // Every event the test sent reached the game at its tick (the browser may add mouse moves).
  let at = 0;
  const missing = sent.filter((e) => {
    const i = delivered.indexOf(e, at);
    if (i < 0) return true;
    at = i + 1;
    return false;
  });
  check(missing.length === 0,
    `every real event reached the game at its tick${missing.length ? ` (missing: ${missing.slice(0, 3)})` : ''}`);

  if (!options.replay || !existsSync(options.replay)) {
    console.log(`skip the comparison with the native replay: ${options.replay ?? 'no --replay'} not found`);
    return page;
  }
  const scriptFile = join(tmpdir(), `skelvar-web-${process.pid}.script`);
  writeFileSync(scriptFile, `${script}\n`);
  const native = execFileSync(options.replay, ['--seed', String(seed), '--client', '960x580',
    '--ticks', String(tick + 10), scriptFile], { encoding: 'utf8', maxBuffer: 1 << 28 }).trimEnd().split('\n');
  // Every field but the label's size and place, which come from the real font in the page.
  const strip = (line) => {
    const v = JSON.parse(line);
    for (const f of ['left', 'top', 'width', 'height']) delete v.lblMsg[f];
    return JSON.stringify(v);
  };
  check(native.length === lines.length,
    `the native replay ran the same ${lines.length} ticks (${native.length})`);
  const differ = lines.findIndex((line, i) => strip(line) !== strip(native[i] ?? '{"lblMsg":{}}'));
  check(differ < 0,
    differ < 0 ? `the page's state equals the native replay at all ${lines.length} ticks`
    : `the page and the native replay first differ at tick ${differ + 1}:\n  page   ${strip(lines[differ])}\n  native ${strip(native[differ])}`);
  return page;
}

await runPages(options.site, [desktopPage, hiDpiPage, phonePage, gamepadPage, sameGame], 'browser', { notes: true });
