// Run links in the page, in the engine named. The winning run's code in the address (#run=CODE)
// plays back with no input to the win and shows the clear time the native replay tool shows, with
// the replay marker, and once it is over one command races it; a damaged code leaves the menu with
// a note over it for 50 game ticks; and a stepped run won in the page offers its link, which the share button hands
// to a stand-in share sheet (then, without one, to a stand-in clipboard) and which the native replay
// tool plays to the page's own state at the run's end.
//   node tests/web/run_link.mjs --engine chromium|firefox|webkit --site build-web/site
//        --replay build/skelvar-replay --script tests/records/winning.txt
// Exit status: 0 all passed, 1 a check failed, 2 bad usage, 77 the engine is not installed.
import { execFileSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';

import { Engines, launchEngine, PageWatch } from './engine.mjs';
import { check, failed, parseOptions } from './harness.mjs';
import { serveSite } from './server.mjs';

const options = parseOptions('run_link.mjs', '--engine chromium|firefox|webkit --site DIR --replay PATH --script FILE',
  { engine: null, replay: null, script: null });
if (!Engines.includes(options.engine) || !options.replay || !existsSync(options.replay) || !options.script) {
  console.error(`usage: run_link.mjs --engine ${Engines.join('|')} --site DIR --replay PATH --script FILE`);
  process.exit(2);
}
const name = options.engine;
const StateMenu = -1;
const StatePlaying = 0;
const Codes = { 37: 'ArrowLeft', 38: 'ArrowUp', 39: 'ArrowRight' };
const script = readFileSync(options.script, 'utf8').split('\n').filter((l) => /^\d/.test(l))
  .map((l) => l.split(/\s+/)).map(([tick, type, code]) => ({ tick: Number(tick), type: type.slice(3), code: Codes[code] }));

const replayTool = (...args) => execFileSync(options.replay, args, { encoding: 'utf8', maxBuffer: 1 << 28 });
// The winning run's code, and the clear time its native replay shows.
const code = replayTool('--save-run', '-', '--ticks', '460', options.script).trim();
const nativeClear = /クリアタイム：\d+秒/.exec(replayTool('--run', code))?.[0];

// The state as both sides have it, but the label's box, which comes from each side's font, and
// the tick's number: a run's code counts its ticks from the run's start, the page from its launch.
function comparable(s) {
  const v = structuredClone(s);
  delete v.tick;
  for (const f of ['left', 'top', 'width', 'height']) delete v.lblMsg[f];
  return JSON.stringify(v);
}

// A share sheet that takes what it is given, and a clipboard that does, for the page to find.
const StandInShare = `${PageWatch}
globalThis.handedOver = [];
navigator.share = (data) => { handedOver.push(['share', data.url]); return Promise.resolve(); };
Object.defineProperty(navigator, 'clipboard', { configurable: true,
  value: { writeText: (text) => { handedOver.push(['clipboard', text]); return Promise.resolve(); } } });`;

const site = await serveSite(options.site, { inject: StandInShare });
const engine = await launchEngine(name);
if (!engine) {
  console.log(`skip: ${name} is not installed; none of its checks ran`);
  await site.stop();
  process.exit(77);
}
const note = (page) => page.eval('skelvar.drawList().noteText');
try {
  check(nativeClear !== undefined, `the winning run's native replay shows its clear time (${nativeClear})`);

  // The winning run's link, untouched: its own fade, the marker, the win and its clear time.
  const page = await engine.newPage({ width: 960, height: 580 });
  await page.open(`${site.url}#run=${code}`);
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 30000, 'the page');
  check(await note(page) === 'リプレイ', `${name}: the page opened with a run's link marks it a replay`);
  await page.waitFor("/クリアタイム/.test(skelvar.state().lblMsg.text)", 60000, 'the watched run\'s win');
  const shown = /クリアタイム：\d+秒/.exec(await page.eval('skelvar.state().lblMsg.text'))?.[0];
  check(shown === nativeClear, `${name}: the watched run wins with no input and shows the recorded clear time (${shown}, native ${nativeClear})`);
  await page.waitFor("skelvar.drawList().noteText === 'リプレイ終了：キーで挑戦'", 30000, 'the end of the watched run');
  const kept = await page.eval("JSON.parse(localStorage.getItem('skelvar') ?? '{}')");
  check(!kept.bestRun && !kept.runs && !kept.clears, `${name}: a watched run changes nothing of the player's record (${JSON.stringify(kept)})`);
  const line = await page.eval('[skelvar.state().GameState, skelvar.drawList().lineText]');
  check(line[1] === '', `${name}: the watched win tells of no record of the player's (state ${line[0]}, record line ${JSON.stringify(line[1])})`);
  // Esc is not pressed: a command key races the run instead, her ghost drawn see-through.
  await page.key('down', 'ArrowUp');
  await page.waitFor(`skelvar.state().GameState === ${StatePlaying}`, 10000, 'the player\'s run');
  await page.key('up', 'ArrowUp');
  await page.key('down', 'ArrowRight');
  await page.waitFor('skelvar.drawList().ops.some((op) => op.alpha > 0 && op.alpha < 255)', 10000, 'the raced girl');
  await page.key('up', 'ArrowRight');
  const ghost = await page.eval('skelvar.drawList().ops.filter((op) => op.alpha < 255).map((op) => op.alpha)');
  check(ghost.length === 1 && Math.abs(ghost[0] / 255 - 0.4) < 0.05 && await note(page) === '',
    `${name}: after the replay one command starts a run racing it, its girl at ${ghost.map((a) => (a / 255).toFixed(2))} opacity`);
  const problems = await page.problems();
  check(problems.length === 0, `${name}: no error in the watching page${problems.length ? `: ${problems.join('; ')}` : ''}`);

  // A damaged code among the fragment's other parameters: a note over the menu for 50 game ticks.
  const bad = await engine.newPage({ width: 960, height: 580 });
  await bad.open(`${site.url}?step&seed=1#from=test&run=${code.slice(0, -3)}AAA`);
  await bad.waitFor('globalThis.skelvar && skelvar.stepped && skelvar.picturesLoaded', 30000, 'the stepped page');
  await bad.eval('skelvar.step(49)');
  const refused = await bad.eval('[skelvar.drawList().noteText, skelvar.state().GameState, skelvar.state().pnlMenu.visible]');
  check(refused[0] === 'このランは再生できません' && refused[1] === StateMenu && refused[2],
    `${name}: a damaged code is refused with a note over the menu (${JSON.stringify(refused)})`);
  await bad.eval('skelvar.step(1)');
  const gone = await note(bad);
  check(gone === '', `${name}: the refusal's note is gone after 50 game ticks (${JSON.stringify(gone)})`);

  // A run won in a stepped page with real key events: its link when the result shows.
  const won = await engine.newPage({ width: 960, height: 580 });
  await won.open(`${site.url}?step&seed=1`);
  await won.waitFor('globalThis.skelvar && skelvar.stepped && skelvar.picturesLoaded', 30000, 'the stepped page');
  const lines = new Map();
  const step = async (n) => {
    for (const line of await won.eval(`skelvar.step(${n})`)) lines.set(JSON.parse(line).tick, line);
  };
  let tick = 1;
  for (const event of script) {
    if (event.tick > tick) await step(event.tick - tick);
    tick = event.tick;
    await won.key(event.type, event.code);
  }
  const offered = "!document.getElementById('share').hidden";
  check(!(await won.eval(offered)), `${name}: no share button while the run is on`);
  while (tick < 460 && !(await won.eval(offered))) {
    await step(1);
    tick += 1;
  }
  const box = await won.eval("(() => { const r = document.getElementById('share').getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; })()");
  await won.click(box[0], box[1]);
  await won.waitFor('handedOver.length === 1', 5000, 'the link handed to the share sheet');
  await won.eval('delete navigator.share');
  await won.click(box[0], box[1]);
  await won.waitFor('handedOver.length === 2', 5000, 'the link copied');
  const [[via, link], [copiedVia, copied]] = await won.eval('handedOver');
  const said = await won.eval("document.getElementById('said').textContent");
  check(via === 'share' && copiedVia === 'clipboard' && copied === link && link.startsWith(`${site.url}?step&seed=1#run=`) &&
    /コピー/.test(said), `${name}: the share button hands the run's link to the share sheet, else to the clipboard ("${said}")`);
  const native = JSON.parse(replayTool('--run', link, '--quiet').trimEnd().split('\n').at(-1));
  // The code holds the run alone, whose ticks count from the page's first tick of play.
  const started = Math.min(...[...lines].filter(([, l]) => JSON.parse(l).GameState === StatePlaying).map(([t]) => t));
  const atEnd = lines.get(native.tick + started - 1);
  check(atEnd !== undefined && comparable(native) === comparable(JSON.parse(atEnd)) && native.GameState !== StatePlaying,
    atEnd && comparable(native) === comparable(JSON.parse(atEnd))
      ? `${name}: the shared link replays natively to the page's state at the run's end, tick ${native.tick}`
      : `${name}: the shared link replays elsewhere:\n  page   ${atEnd}\n  native ${comparable(native)}`);
} catch (error) {
  check(false, `${name}: ${error.message}`);
} finally {
  await engine.close();
  await site.stop();
}
console.log(failed() === 0 ? `all ${name} run-link checks passed` : `${failed()} ${name} run-link checks failed`);
process.exit(failed() === 0 ? 0 : 1);
