// The player's record in the page, in the engine named: a run won in the stepped page with real
// key events is in localStorage the moment the result shows, and on the menu after a reload; the
// line is drawn in the menu's corner and nowhere else; storage that throws leaves the game playable.
//   node tests/web/records.mjs --engine chromium|firefox|webkit --site build-web/site --script FILE
//        [--shots DIR]
// Exit status: 0 all passed, 1 a check failed, 2 bad usage, 77 the engine is not installed.
import { readFileSync } from 'node:fs';

import { PageWatch } from './engine.mjs';
import { check, noProblems, parseOptions, regionLuminance, runSuite, shot } from './harness.mjs';

const options = parseOptions('records.mjs', '--engine chromium|firefox|webkit --site DIR --script FILE [--shots DIR]',
  { engine: null, script: null, shots: null });
if (!options.script) {
  console.error('usage: records.mjs --engine chromium|firefox|webkit --site DIR --script FILE [--shots DIR]');
  process.exit(2);
}
const name = options.engine;
const Codes = { 37: 'ArrowLeft', 38: 'ArrowUp', 39: 'ArrowRight' };
// The winning script, in the replay tool's words: "tick keydown|keyup code".
const script = readFileSync(options.script, 'utf8').split('\n').filter((l) => /^\d/.test(l))
  .map((l) => l.split(/\s+/)).map(([tick, type, code]) => ({ tick: Number(tick), type: type.slice(3), code: Codes[code] }));

// Every storage call throws, as in a portal's sandboxed frame or with storage switched off.
const BrokenStorage = `${PageWatch}
for (const m of ['getItem', 'setItem', 'removeItem']) {
  Storage.prototype[m] = () => { throw new DOMException('storage is switched off', 'SecurityError'); };
}`;

// The stepped page, faded in: its fade moves only with the ticks stepped.
const stepped = async (page, url, { fade = true } = {}) => {
  await page.open(`${url}?step&seed=1`);
  await page.waitFor('globalThis.skelvar && skelvar.stepped && skelvar.picturesLoaded', 30000, 'the stepped page');
  if (fade) await page.eval('skelvar.step(30)');
};
const menuShot = (page, file) => shot(page, options.shots, `${name}-${file}`);
const lineText = (page) => page.eval('skelvar.drawList().lineText');
const stored = (page) => page.eval("JSON.parse(localStorage.getItem('skelvar'))");

await runSuite(`${name} record`, { engine: name }, async ({ engine, serve }) => {
  const site = await serve(options.site, { inject: PageWatch });
  const broken = await serve(options.site, { inject: BrokenStorage });
  const page = await engine.newPage({ width: 960, height: 580 });
  await stepped(page, site.url);
  await page.eval("localStorage.removeItem('skelvar')");
  await page.reload();
  await stepped(page, site.url);
  check(await lineText(page) === '', `${name}: no record, no line on the menu`);
  const corner = [700, 470, 950, 530];
  const before = regionLuminance(await menuShot(page, 'menu-no-record.png'), ...corner);
  await stepped(page, site.url, { fade: false });

  // The script's events at their ticks, then the outcome on to the result text.
  let tick = 1;
  let state = null;
  for (const event of script) {
    if (event.tick > tick) state = JSON.parse((await page.eval(`skelvar.step(${event.tick - tick})`)).at(-1));
    tick = event.tick;
    await page.key(event.type, event.code);
  }
  while (tick < 460 && !(state?.GameState === 1 && state.TickCount >= 45)) {
    state = JSON.parse((await page.eval('skelvar.step(5)')).at(-1));
    tick += 5;
  }
  const shown = /クリアタイム：(\d+)秒/.exec(state?.lblMsg?.text ?? '');
  check(shown !== null, `${name}: the stepped run is won (${state?.lblMsg?.text})`);
  const seconds = Number(shown?.[1]);
  const kept = await stored(page);
  check(kept?.version === 1 && kept.best === seconds && kept.runs === 1 && kept.clears === 1,
    `${name}: the win is in localStorage as the result shows (${JSON.stringify(kept)})`);

  await page.reload();
  await stepped(page, site.url);
  const line = await lineText(page);
  check(line === `ベストタイム：${seconds}秒`, `${name}: after a reload the menu shows "${line}"`);
  const after = regionLuminance(await menuShot(page, 'menu-record.png'), ...corner);
  check(after.mean > before.mean + 40, `${name}: the line's white plaque is drawn in the menu's corner ` +
    `(mean ${before.mean.toFixed(0)} -> ${after.mean.toFixed(0)})`);
  // Requests cut off by this check's own reloads (the offline copy being made) are no fault;
  // Firefox words a request cut off while the offline worker was answering it as the worker's error.
  await noProblems([page], `${name}: the page`, (p) => /ABORTED|ServiceWorker intercepted the request/i.test(p));

  // A damaged entry is kept aside, never over an earlier one, and the menu starts afresh.
  await page.eval(`[localStorage.setItem('skelvar.damaged', 'older'), localStorage.setItem('skelvar', '{"version":1,"best":')]`);
  await page.reload();
  await stepped(page, site.url);
  const aside = await page.eval(`[localStorage.getItem('skelvar.damaged'), localStorage.getItem('skelvar.2.damaged'),
    localStorage.getItem('skelvar')]`);
  check(aside[0] === 'older' && aside[1] === '{"version":1,"best":' && aside[2] === null && await lineText(page) === '',
    `${name}: a damaged entry is kept aside and the menu starts afresh (${JSON.stringify(aside)})`);

  const sandboxed = await engine.newPage({ width: 960, height: 580 });
  await stepped(sandboxed, broken.url);
  await sandboxed.key('down', 'ArrowUp');
  let s = null;
  for (let k = 0; k < 60; ++k) s = JSON.parse((await sandboxed.eval('skelvar.step(1)')).at(-1));
  await sandboxed.key('up', 'ArrowUp');
  check(s.GameState !== -1 && s.tick === 90 && await lineText(sandboxed) === '',
    `${name}: with storage that throws a run starts and plays on (state ${s.GameState} at tick ${s.tick})`);
  await noProblems([sandboxed], `${name}: storage that throws is caught`);
});
