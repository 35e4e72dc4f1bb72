// What the browser tests (and the measuring scripts in tools/) have in common: reading the
// command line, the built site's presence, the checks and their closing line, running pages in
// headless Chromium, a few page helpers, and the site's files and a median for the measurements.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { Browser, serve } from './browser.mjs';
import { decodePng } from './png.mjs';

function noSite(script, site) {
  console.error(`${script}: no built site at ${site} (build build-web first)`);
  process.exit(2);
}

// Stops with exit status 2 when there is no built site at `site`; `script` names the caller.
export function requireSite(script, site) {
  if (!site || !existsSync(join(site, 'index.html'))) noSite(script, site);
}

// Reads `--name value` pairs into a copy of `defaults` (a `site` option is always there). An
// unknown option or one without its value prints `usage: <script> <usage>` and exits with 2, as
// does a missing site; a missing option named in `required` counts as a missing site.
export function parseOptions(script, usage, defaults = {}, { required = [] } = {}) {
  const options = { site: null, ...defaults };
  for (let i = 2; i < process.argv.length; ++i) {
    const name = process.argv[i].replace(/^--/, '');
    if (!(name in options) || i + 1 >= process.argv.length) {
      console.error(`usage: ${script} ${usage}`);
      process.exit(2);
    }
    options[name] = process.argv[++i];
  }
  if (required.some((name) => !options[name])) noSite(script, options.site);
  requireSite(script, options.site);
  return options;
}

const failures = [];

// Prints one check's outcome and notes a failure; gives `ok` back.
export function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
  return ok;
}

// How many checks have failed so far.
export const failed = () => failures.length;

// Prints the closing line for the `kind` checks and gives the exit status: 0 if all passed, else 1.
function verdict(kind) {
  console.log(failures.length === 0 ? `all ${kind} checks passed` : `${failures.length} ${kind} checks failed`);
  return failures.length === 0 ? 0 : 1;
}

// Runs `body`, then prints the closing line for the `kind` checks; if `body` throws, prints a
// FAIL line with the error instead and the status is 1. Runs `cleanup` in either case and exits
// with the status.
export async function runChecks(kind, body, cleanup) {
  let status = 1;
  try {
    await body();
    status = verdict(kind);
  } catch (error) {
    console.log(`FAIL ${error.message}`);
  } finally {
    await cleanup();
  }
  process.exit(status);
}

// Serves `site` and runs each of `runs` (browser, url) => page in one headless Chromium; one that
// throws is a failed check. No page may have had a console error or a failed request; with
// `notes` the pages' warnings are printed too. Prints the closing line for the `kind` checks and
// exits with 0 if all passed, else 1.
export async function runPages(site, runs, kind, { notes = false } = {}) {
  const server = await serve(site);
  const browser = await Browser.launch();
  let status = 0;
  try {
    const pages = [];
    for (const run of runs) {
      try {
        pages.push(await run(browser, server.url));
      } catch (error) {
        check(false, `${run.name}: ${error.message}`);
      }
    }
    const problems = pages.flatMap((p) => p.problems);
    if (notes) for (const w of pages.flatMap((p) => p.warnings)) console.log(`note: page warning: ${w}`);
    check(problems.length === 0,
      `no console error and no failed request${problems.length ? `: ${problems.join('; ')}` : ''}`);
    status = verdict(kind);
  } finally {
    await browser.close();
    server.stop();
  }
  process.exit(status);
}

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// A short press of one key.
export async function pressKey(page, code) {
  await page.key('down', code);
  await sleep(80);
  await page.key('up', code);
}

// Esc until the page is at the menu, at most 8 times; pressed only while not at the menu, where
// it would end the game.
export async function escapeToMenu(page) {
  for (let attempt = 0; attempt < 8; ++attempt) {
    if ((await page.eval('skelvar.state().GameState')) === -1) break;
    await pressKey(page, 'Escape');
    await sleep(300);
  }
}

// Writes a screenshot into `dir` (when there is one) and gives it back decoded.
export function saveShot(dir, name, png) {
  if (dir) {
    mkdirSync(dir, { recursive: true });
    writeFileSync(join(dir, name), png);
  }
  return decodePng(png);
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
export const near = (a, b, tolerance) => a.slice(0, 3).every((v, i) => Math.abs(v - b[i]) <= tolerance);

// Waits until the girl, the view and the label stand still, so a screenshot matches the state read
// with it; gives that state back.
export const stillKey = (s) => JSON.stringify([s.PosX[0], s.PosY[0], s.CameraX, s.CameraY, s.lblMsg, s.GameState]);
export async function settle(page) {
  let last = '';
  for (let i = 0; i < 100; ++i) {
    const s = await page.eval('skelvar.state()');
    const key = stillKey(s);
    if (key === last) return s;
    last = key;
    await sleep(120);
  }
  throw new Error('the scene does not settle');
}

// Whether the girl leaves the ground (from where `ground` had her) within about 0.75 s.
export async function jumps(page, ground) {
  for (let i = 0; i < 30; ++i) {
    const t = await page.eval('skelvar.state()');
    if (t.VelY[0] < 0 || t.PosY[0] < ground.PosY[0]) return true;
    await sleep(25);
  }
  return false;
}

// Runs the native replay tool on a page's own event log and compares its state, tick by tick,
// with the page's `lines`, in every field but the label's size and place (which come from the
// browser's font metrics). Gives { native, differ, strip }: differ is the first tick that differs
// (-1 when none) and strip the comparison's view of a line.
export function compareWithNativeReplay(replay, { seed, client, ticks, script, lines }) {
  const file = join(tmpdir(), `skelvar-replay-${process.pid}.script`);
  writeFileSync(file, `${script}\n`);
  let native;
  try {
    native = execFileSync(replay, ['--seed', String(seed), '--client', client, '--ticks', String(ticks), file],
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
