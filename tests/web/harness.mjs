// What the browser checks (and the measuring scripts in tools/) have in common: the command line,
// the built site's presence, the checks and their closing line, a suite's browser and servers,
// page helpers that wait on the page's own clock, and the site's files and a median for the
// measurements.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { Engines, launchEngine } from './engine.mjs';
import { decodePng } from './png.mjs';
import { serveSite } from './server.mjs';

function noSite(script, site) {
  console.error(`${script}: no built site at ${site} (build build-web first)`);
  process.exit(2);
}

// Stops with exit status 2 when there is no built site at `site`; `script` names the caller.
export function requireSite(script, site) {
  if (!site || !existsSync(join(site, 'index.html'))) noSite(script, site);
}

// Reads `--name value` pairs into a copy of `defaults` (a `site` option is always there). An
// unknown option, one without its value or an engine not in Engines prints `usage: <script>
// <usage>` and exits with 2, as does a missing site; a missing option named in `required` counts
// as a missing site.
export function parseOptions(script, usage, defaults = {}, { required = [] } = {}) {
  const options = { site: null, ...defaults };
  const bad = () => {
    console.error(`usage: ${script} ${usage}`);
    process.exit(2);
  };
  for (let i = 2; i < process.argv.length; ++i) {
    const name = process.argv[i].replace(/^--/, '');
    if (!(name in options) || i + 1 >= process.argv.length) bad();
    options[name] = process.argv[++i];
  }
  if ('engine' in options && !Engines.includes(options.engine)) bad();
  if (required.some((name) => !options[name])) noSite(script, options.site);
  requireSite(script, options.site);
  return options;
}

const failures = [];

// How many checks have failed so far, for a check that runs its own engine.
export const failed = () => failures.length;

// Prints one check's outcome and notes a failure; gives `ok` back.
export function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
  return ok;
}

// Runs body(suite) in the engine named and exits: 0 if every check passed, 1 if one failed or the
// browser did not start, 77 if it is not installed. The suite has the engine, serve(dir, options)
// for a static server, and group(what, body): a group that throws is a failed check (naming the
// browser if it ended, which the next page starts again) and the next group still runs. The
// servers are stopped and the browser closed at the end.
export async function runSuite(kind, { engine: name = 'chromium', scale = 1 }, body) {
  let engine = null;
  try {
    engine = await launchEngine(name, { scale });
  } catch (error) {
    console.log(`FAIL ${name} did not start: ${error.message}`);
    process.exit(1);
  }
  if (!engine) {
    console.log(`skip: ${name} is not installed (see tools/setup.sh test); none of its checks ran`);
    process.exit(77);
  }
  const servers = [];
  const started = Date.now();
  const suite = {
    engine,
    async serve(dir, options) {
      const server = await serveSite(dir, options);
      servers.push(server);
      return server;
    },
    async group(what, run) {
      try {
        await run();
      } catch (error) {
        check(false, `${what}: ${error.message}`);
      }
    },
  };
  try {
    await suite.group(kind, () => body(suite));
  } finally {
    await engine.close().catch(() => {});
    for (const server of servers) await server.stop();
  }
  console.log(`note: ${engine.version}, ${kind} checks in ${((Date.now() - started) / 1000).toFixed(1)} s`);
  console.log(failures.length === 0 ? `all ${kind} checks passed` : `${failures.length} ${kind} checks failed`);
  process.exit(failures.length === 0 ? 0 : 1);
}

// No console error, uncaught error or failed request in any of `pages`, but those `expected` allows.
export async function noProblems(pages, what, expected = () => false) {
  const problems = [];
  for (const page of pages) problems.push(...(await page.problems()).filter((p) => !expected(p)));
  return check(problems.length === 0, `${what}: no error and no failed request${problems.length ? `: ${problems.join('; ')}` : ''}`);
}

// ---- the game in the page, waited for on the page's clock ----

export const StateMenu = -1;
export const StatePlaying = 0;
export const state = (page) => page.eval('skelvar.state()');

// Runs until `n` more of the page's ticks have passed (a stepped page's are stepped), or until the
// expression `until` holds, in the page or (frame) its first iframe: gives the expression's value,
// or false when the ticks passed first. A game that has ended has no ticks: that is at once.
export async function ticks(page, n, until = 'false', { frame = false } = {}) {
  const evaluate = (e) => (frame ? page.evalInFrame(e) : page.eval(e));
  if (await evaluate('skelvar.stepped')) {
    return evaluate(`(() => { for (let i = 0; i < ${n}; ++i) { const v = (${until}); if (v) return v;
      skelvar.step(1); } return (${until}) || false; })()`);
  }
  const from = await evaluate('skelvar.state().tick');
  const value = await page.waitFor(`(() => { const v = (${until});
    return v ? [v] : skelvar.state().tick - ${from} >= ${n} || skelvar.window().closed ? [false] : null; })()`,
  10000 + 200 * n, `${n} ticks of the page`, { frame });
  return value[0];
}

// A key held for n of the page's ticks, or until `until` holds, and pressed again every tick as a
// held key repeats (repeat: false for a driver that cannot send a repeat).
export async function holdKey(page, code, n, { until = 'false', repeat = true } = {}) {
  await page.key('down', code);
  for (let i = 0; i < n && !(await page.eval(until)); ++i) {
    await ticks(page, 1);
    if (repeat) await page.key('down', code, { repeat: true });
  }
  await page.key('up', code);
}

// A short press of one key, held over one of the page's (or its iframe's) ticks.
export async function pressKey(page, code, { frame = false } = {}) {
  await page.key('down', code);
  await ticks(page, 1, 'false', { frame });
  await page.key('up', code);
}

// Back at the menu by one Esc, given once an outcome has come in (no key counts while it comes);
// none at the menu, where it would end the game.
export async function escapeToMenu(page) {
  await page.waitFor('skelvar.state().GameState !== 1', 30000, 'the outcome to come in');
  if (await page.eval('skelvar.state().GameState === -1')) return;
  await pressKey(page, 'Escape');
  await page.waitFor('skelvar.state().GameState === -1', 10000, 'the menu');
}

// Waits until the girl, the view and the label stand still over two ticks, so a screenshot matches
// the state read with it; gives that state back. Her speed counts too: two ticks either side of
// the top of a jump find her at one place.
export const stillKey = (s) => JSON.stringify([s.PosX[0], s.PosY[0], s.VelX[0], s.VelY[0], s.CameraX, s.CameraY,
  s.lblMsg, s.GameState]);
export async function settle(page) {
  let last = '';
  for (let i = 0; i < 100; ++i) {
    const s = await page.eval('skelvar.state()');
    if (stillKey(s) === last) return s;
    last = stillKey(s);
    await ticks(page, 2);
  }
  throw new Error('the scene does not settle');
}

// What the page's touchend handlers get from now on, each as the CSS x (rounded) of the fingers
// that ended and of those still down: whether a driver lifted exactly the finger that left.
export const watchTouchEnds = (page) => page.eval(`(() => { globalThis.__touchEnds = [];
  const xs = (list) => [...list].map((t) => Math.round(t.clientX));
  addEventListener('touchend', (e) => __touchEnds.push({ ended: xs(e.changedTouches), down: xs(e.touches) }),
    { capture: true, passive: true }); })()`);
export const touchEnds = (page) => page.eval('__touchEnds.splice(0)');
// Whether the only touchend since the last look ended the finger at x and left those at `down`.
export const liftedAlone = (ends, x, down) => ends.length === 1 && ends[0].ended.join() === String(Math.round(x)) &&
  [...ends[0].down].sort().join() === down.map((d) => Math.round(d)).sort().join();

// Whether the girl leaves the ground (from where `ground` had her) within 15 ticks.
export const jumps = async (page, ground) => Boolean(await ticks(page, 15,
  `((s) => s.VelY[0] < 0 || s.PosY[0] < ${ground.PosY[0]})(skelvar.state())`));

// Two animation frames on: what changed before has been laid out, handled and painted.
export const framesPass = (page) => page.eval('new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)))');

// A screenshot once the page has painted its last change and the engine has put it on the
// screen; written into `dir` when there is one, and given back decoded.
export async function shot(page, dir, name) {
  await framesPass(page);
  return saveShot(dir, name, await page.screenshot());
}

export function saveShot(dir, name, png) {
  if (dir) {
    mkdirSync(dir, { recursive: true });
    writeFileSync(join(dir, name), png);
  }
  return decodePng(png);
}

// ---- the site, pictures and numbers ----

// A stored picture's pixels as the site serves it (no key colour applied), read in the page: the
// box [x0, y0, width, height] of it, or all of it; pixel(x, y) gives [r, g, b, a].
export async function pictureOf(page, name, box = null) {
  const p = await page.eval(`(async () => {
    const { PictureFiles } = await import('./picture-files.js');
    const bitmap = await createImageBitmap(await (await fetch(PictureFiles['${name}'][0])).blob(),
      { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const [x0, y0, width, height] = ${JSON.stringify(box)} ?? [0, 0, bitmap.width, bitmap.height];
    const c = new OffscreenCanvas(width, height).getContext('2d');
    c.drawImage(bitmap, -x0, -y0);
    return { width, height, data: Array.from(c.getImageData(0, 0, width, height).data) };
  })()`);
  return { ...p, pixel: (x, y) => p.data.slice((y * p.width + x) * 4, (y * p.width + x) * 4 + 4) };
}

// Every file under `dir`, in its subfolders too.
export function filesUnder(dir) {
  return readdirSync(dir, { withFileTypes: true }).flatMap((e) =>
    e.isDirectory() ? filesUnder(join(dir, e.name)) : [join(dir, e.name)]);
}

export const median = (values) => {
  const v = [...values].sort((a, b) => a - b);
  return v.length === 0 ? NaN : v.length % 2 ? v[(v.length - 1) / 2] : (v[v.length / 2 - 1] + v[v.length / 2]) / 2;
};

// The page's scale rule, written out again here so the test does not take the page's word for it.
// The designed 960 x 580 window fills the tighter side, but below its own size only as far as the
// 900 x 500 play area needs.
export function fitToScreen(width, height) {
  const fill = Math.min(width / 960, height / 580);
  const scale = fill >= 1 ? fill : Math.min(1, width / 900, height / 500);
  return { scale, clientWidth: Math.round(width / scale), clientHeight: Math.round(height / scale) };
}

const luminance = ([r, g, b]) => 0.299 * r + 0.587 * g + 0.114 * b;
export function regionLuminance(image, x0, y0, x1, y1) {
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
export const near = (a, b, tolerance) => b.slice(0, 3).every((v, i) => Math.abs(a[i] - v) <= tolerance);

// Runs the native replay tool on a page's own event log and compares its state, tick by tick,
// with the page's `lines`, in every field but the label's size and place (which come from the
// browser's font metrics). Gives { native, differ, strip }: differ is the first tick that differs
// (-1 when none) and strip the comparison's view of a line.
export function compareWithNativeReplay(replay, { seed, client, ticks: count, script, lines }) {
  const file = join(tmpdir(), `skelvar-replay-${process.pid}.script`);
  writeFileSync(file, `${script}\n`);
  let native;
  try {
    native = execFileSync(replay, ['--seed', String(seed), '--client', client, '--ticks', String(count), file],
      { encoding: 'utf8', maxBuffer: 1 << 28 }).trimEnd().split('\n');
  } finally {
    rmSync(file, { force: true });
  }
  const strip = (line) => {
    const v = JSON.parse(line ?? '{"lblMsg":{}}');
    for (const f of ['left', 'top', 'width', 'height']) delete v.lblMsg[f];
    return JSON.stringify(v);
  };
  return { native, strip, differ: lines.findIndex((line, i) => strip(line) !== strip(native[i])) };
}
