// The last run kept in the page, in the engine named, on the page's own timers in real time: a
// run played with held keys and a jump, ended by Esc; the return to the menu keeps the journal, once,
// in a storage entry of its own beside the record's, and its native replay, with the options its
// first line gives, ends at the menu; the game's end at the menu, no run on, keeps nothing more.
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
const keptRun = (page) => page.eval("localStorage.getItem('skelvar.last-run')");
const recordEntry = (page) => page.eval("JSON.parse(localStorage.getItem('skelvar') ?? '{}')");

// A kept script's options from its first line, and its event lines.
function parseScript(script) {
  const header = /^# skelvar-replay --seed (\d+) --client (\d+x\d+) --ticks (\d+)$/.exec(script.split('\n')[0]);
  if (!header) throw new Error(`the kept run does not start with the replay tool's options: ${script.slice(0, 80)}`);
  const events = script.split('\n').slice(1).filter((line) => line !== '');
  return { seed: header[1], client: header[2], ticks: Number(header[3]), events };
}

// The state the native replay tool ends in, playing the script with its own options.
function replayed(script, dir) {
  const { seed, client, ticks } = parseScript(script);
  const file = join(dir, 'last-run');
  writeFileSync(file, script);
  const out = execFileSync(options.replay, ['--seed', seed, '--client', client, '--ticks', String(ticks), '--quiet', file],
    { encoding: 'utf8', maxBuffer: 1 << 26 });
  return JSON.parse(out.trimEnd().split('\n').at(-1));
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

  // Esc ends the run: back at the menu, the launch so far is kept.
  await page.key('down', 'Escape');
  await page.waitFor(`skelvar.state().GameState === ${StateMenu}`, 10000, 'the menu');
  await page.key('up', 'Escape');
  await page.waitFor("localStorage.getItem('skelvar.last-run')", 5000, 'the run kept');
  const toMenu = await keptRun(page);
  const first = parseScript(toMenu);
  const atMenu = replayed(toMenu, dir);
  check(atMenu.GameState === StateMenu && first.events.some((e) => / keydown 38$/.test(e)) &&
    new Set(first.events.filter((e) => / keydown 39$/.test(e)).map((e) => parseInt(e, 10))).size >= 2,
  `${name}: the run kept at the menu's return holds → held, the jump and Esc, and replays natively to the menu (${first.events.length} events in ${first.ticks} ticks, replay ends in state ${atMenu.GameState})`);

  const entry = await recordEntry(page);
  check(entry.lastRun === undefined && entry.runs === 1,
    `${name}: the record's entry holds the record alone (${Object.keys(entry).join(', ')})`);

  // Esc at the menu ends the game with no run on: the run kept at the menu stays as it was.
  await page.key('down', 'Escape');
  await page.waitFor('skelvar.window().closed', 10000, 'the end of the game');
  await page.key('up', 'Escape');
  check(await keptRun(page) === toMenu, `${name}: the game's end at the menu keeps nothing more`);

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
