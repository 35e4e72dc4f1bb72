// The last run kept in the page, in the engine named, on the page's own timers in real time: a
// run played with held keys and a jump, ended by Esc, then a short second run ended by Esc; each
// return to the menu keeps that run alone as its code, once, in a storage entry of its own beside
// the record's, whose native replay from the run's start ends in the state the page shows at the
// menu, and the game's end keeps the second.
//   node tests/web/kept_run.mjs --engine chromium|firefox|webkit --site build-web/site
//        --replay build/skelvar-replay
// Exit status: 0 all passed, 1 a check failed, 2 bad usage, 77 the engine is not installed.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { Engines, launchEngine, PageWatch } from './engine.mjs';
import { check, failed, parseOptions } from './harness.mjs';
import { serveSite } from './server.mjs';

const options = parseOptions('kept_run.mjs', '--engine chromium|firefox|webkit --site DIR --replay PATH',
  { engine: null, replay: null });
if (!Engines.includes(options.engine) || !options.replay || !existsSync(options.replay)) {
  console.error(`usage: kept_run.mjs --engine ${Engines.join('|')} --site DIR --replay PATH (the native replay tool)`);
  process.exit(2);
}
const name = options.engine;
const StateMenu = -1;
const StatePlaying = 0;

const state = (page) => page.eval('skelvar.state()');
// Where the page keeps its last run: an entry of its own, beside the record's.
const keptRunSource = "localStorage.getItem('skelvar.last-run')";
const keptRun = (page) => page.eval(keptRunSource);
const recordEntry = (page) => page.eval("JSON.parse(localStorage.getItem('skelvar') ?? '{}')");

// The native replay tool on a kept code: the state it ends in, and its verdict.
function replayed(code, dir) {
  const file = join(dir, 'last-run');
  writeFileSync(file, code);
  const out = execFileSync(options.replay, ['--run', file, '--quiet'], { encoding: 'utf8', maxBuffer: 1 << 26 });
  const verdict = execFileSync(options.replay, ['--verify', file], { encoding: 'utf8' });
  return { state: JSON.parse(out.trimEnd().split('\n').at(-1)), verdict: JSON.parse(verdict) };
}

// The state as both sides have it, but the label's box, which comes from each side's font, and the
// tick, which a run's replay counts from the run's start.
function comparable(s) {
  const v = structuredClone(s);
  delete v.tick;
  for (const f of ['left', 'top', 'width', 'height']) delete v.lblMsg[f];
  return JSON.stringify(v);
}

// Presses `code` and keeps it down (a keyboard's repeats where the driver sends them) until the
// page says `until`.
async function holdKey(page, engine, code, until, what) {
  await page.key('down', code);
  const deadline = Date.now() + 10000;
  while (!(await page.eval(until))) {
    if (Date.now() > deadline) throw new Error(`timed out holding ${code} for ${what}`);
    // A held key's beat, as a keyboard repeats it.
    await new Promise((resolve) => setTimeout(resolve, 33));
    if (!engine.limits.keyRepeat) await page.key('down', code, { repeat: true });
  }
}

const site = await serveSite(options.site, { inject: PageWatch });
const engine = await launchEngine(name);
if (!engine) {
  console.log(`skip: ${name} is not installed; none of its checks ran`);
  await site.stop();
  process.exit(77);
}
const dir = mkdtempSync(join(tmpdir(), 'skelvar-kept-run-'));
try {
  const page = await engine.newPage({ width: 960, height: 580 });
  await page.open(site.url);
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded && !skelvar.window().opacityEnabled', 30000,
    'the menu, faded in');
  // A page on an origin of its own, fresh: nothing is kept before a run ends.
  check(await keptRun(page) === null, `${name}: before any run the page keeps none`);

  // → starts the run, whose start clears the keys; held again it runs her right, and ↑ on the
  // way makes her jump while → stays down.
  await page.key('down', 'ArrowRight');
  await page.waitFor(`skelvar.state().GameState === ${StatePlaying} && skelvar.state().pnlGame.visible`, 10000, 'a run');
  await page.key('up', 'ArrowRight');
  const start = await state(page);
  await holdKey(page, engine, 'ArrowRight', `skelvar.state().PosX[0] > ${start.PosX[0] + 150}`, 'a run to the right');
  await page.key('down', 'ArrowUp');
  await page.waitFor('skelvar.state().VelY[0] < 0', 5000, 'a jump');
  await page.key('up', 'ArrowUp');
  const jumped = await state(page);
  await holdKey(page, engine, 'ArrowRight', `skelvar.state().PosX[0] > ${jumped.PosX[0] + 100} || skelvar.state().GameState !== ${StatePlaying}`,
    'more of the run');
  await page.key('up', 'ArrowRight');

  // Esc ends the run: back at the menu, the run is kept alone, from its start to the menu.
  const atMenu = async (what) => {
    const before = await keptRun(page);
    await page.key('down', 'Escape');
    await page.waitFor(`skelvar.state().GameState === ${StateMenu}`, 10000, `the menu after ${what}`);
    await page.key('up', 'Escape');
    await page.waitFor(`(${keptRunSource}) !== ${JSON.stringify(before)}`, 5000, `${what} kept`);
    const code = await keptRun(page);
    const shown = await state(page);
    const native = replayed(code, dir);
    check(/^[A-Za-z0-9_-]+$/.test(code) && native.verdict.ended === 'menu' &&
      comparable(native.state) === comparable(shown),
    comparable(native.state) === comparable(shown)
      ? `${name}: ${what} is kept as its code, which replays natively to the menu the page shows (${native.verdict.ticks} steps)`
      : `${name}: ${what}'s native replay ends elsewhere than the page:\n  page   ${comparable(shown)}\n  native ${comparable(native.state)}`);
    return { code, native };
  };
  const first = await atMenu('the first run');

  // A second, short run: → starts it and Esc ends it a few steps in.
  await page.key('down', 'ArrowRight');
  await page.waitFor(`skelvar.state().GameState === ${StatePlaying} && skelvar.state().TickCount >= 0 && skelvar.state().pnlGame.visible`, 10000, 'the second run');
  await page.key('up', 'ArrowRight');
  const second = await atMenu('the second run');
  check(second.code !== first.code && second.native.verdict.ticks < first.native.verdict.ticks &&
    second.native.verdict.events < first.native.verdict.events,
  `${name}: the second run's code holds the second run alone (${second.native.verdict.ticks} steps and ${second.native.verdict.events} events, the first ${first.native.verdict.ticks} and ${first.native.verdict.events})`);

  const entry = await recordEntry(page);
  check(entry.lastRun === undefined && entry.runs === 2,
    `${name}: the record's entry holds the record alone (${Object.keys(entry).join(', ')})`);

  // Esc at the menu ends the game, which keeps the last run as it was.
  await page.key('down', 'Escape');
  await page.waitFor('skelvar.window().closed', 10000, 'the end of the game');
  await page.key('up', 'Escape');
  check(await keptRun(page) === second.code, `${name}: at the game's end the second run stays kept`);

  const problems = await page.problems();
  check(problems.length === 0, `${name}: no error in the page${problems.length ? `: ${problems.join('; ')}` : ''}`);
} catch (error) {
  check(false, `${name}: ${error.message}`);
} finally {
  rmSync(dir, { recursive: true, force: true });
  await engine.close();
  await site.stop();
}
console.log(failed() === 0 ? `all ${name} kept-run checks passed` : `${failed()} ${name} kept-run checks failed`);
process.exit(failed() === 0 ? 0 : 1);
