// The game's numbers as the page has them (game_numbers.js, written by the build) against the
// running WebAssembly: the pictures' table, the kinds of the page's calls, and every record the
// page reads, field by field, compared with the game's state and with each other; and the count
// of the page's calls into the game, in the sources and in the shipped WebAssembly, and the bytes
// of every .wasm and .js file of the site against the page's budget of 150 KB, the board's
// modules apart against their own 12 KB.
//   node tests/web/numbers.mjs --site build-web/site
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';

import { check, fitToScreen, noProblems, parseOptions, runSuite } from './harness.mjs';

const { site } = parseOptions('numbers.mjs', '--site DIR');

// Runs in the page: two more copies of the play logic beside the page's own, one stepped and one
// on the page's clock, driven by hand through the calls the page makes and read through the
// page's own readers and the generated layout.
const Probe = `(async () => {
  const n = await import('./game_numbers.js');
  const { readDrawBuffer, readRecord } = await import('./memory_records.js');
  const load = async () => (await import('./skelvar.js')).default({ measureText: (t) => [t.length * 10, 21] });
  const L = n.Layout;
  const out = { key: n.Key, pictures: n.Pictures, files: Object.keys((await import('./picture-files.js')).PictureFiles) };
  const m = await load();
  const report = (p) => readRecord(m.HEAPF64, p >> 3, L.report);
  const text = (p) => m.UTF8ToString(m.HEAP32[(p >> 2) + L.span.pointer], m.HEAP32[(p >> 2) + L.span.length]);
  const record = (use, ...r) => readRecord(m.HEAPF64, m._skelvar_record(use, ...r) >> 3, L.player);
  out.start = report(m._skelvar_create(1, 1, 944, 542));
  out.layout = readRecord(m.HEAPF64, m._skelvar_layout(1280, 720, 0, 0) >> 3, L.layout);
  out.notched = readRecord(m.HEAPF64, m._skelvar_layout(844, 390, 94, 0) >> 3, L.layout);
  const U = n.RecordUse;
  out.fresh = record(U.Check, NaN, 0, 0);
  out.notRecords = [[-1, 0, 0], [NaN, -1, 0], [NaN, 2.5, 0], [NaN, 0, 1e12 + 1], [NaN, Infinity, 0], [7.5, 1, 1]]
    .map((r) => record(U.Check, ...r).valid);
  out.atLimit = record(U.Check, 3, 1e12, 1e12).valid;
  // Past the fade-in, then a run started with → held on the first pad, read by the game itself.
  for (let k = 1; k <= 40; ++k) out.afterFade = report(m._skelvar_advance(k));
  out.menu = readDrawBuffer(m, out.afterFade.drawList, m.HEAP32);
  m.readPads = () => [{ slot: 0, buttons: 1 << n.PadButton.DpadRight, x: 0 }];
  out.padTick = report(m._skelvar_advance(41));
  out.merged = record(U.Merge, 19, 1e12, 2);
  for (let k = 42; k <= 60; ++k) out.last = report(m._skelvar_advance(k));
  out.state = JSON.parse(text(m._skelvar_state_json(60)));
  out.list = readDrawBuffer(m, out.last.drawList, m.HEAP32);
  const g = out.state.pnlGame;
  out.zone = m._skelvar_touch_zone(g.left + g.width / 2, g.top + g.height / 2);
  out.letGo = report(m._skelvar_input(n.Input.PadsLetGo, 0, 0));
  out.script = text(m._skelvar_journal());
  // On the page's clock, its timers run by hand at their deadlines: a frame half way to the next
  // tick and one at it, while she runs right.
  const r = await load();
  const rReport = (p) => readRecord(r.HEAPF64, p >> 3, L.report);
  let now = rReport(r._skelvar_create(0, 1, 944, 542));
  for (let i = 0; i < 30; ++i) now = rReport(r._skelvar_advance(now.deadline));
  // The first press starts the run, whose start clears the keys; the second holds → in it.
  for (const ticks of [5, 20]) {
    rReport(r._skelvar_input(n.Input.KeyDown, n.Key.Right, n.Source.Keyboard));
    for (let i = 0; i < ticks; ++i) now = rReport(r._skelvar_advance(now.deadline));
  }
  out.running = now;
  out.tickList = readDrawBuffer(r, now.drawList, r.HEAP32);
  out.mid = rReport(r._skelvar_frame(now.deadline - now.gameInterval / 2));
  out.blendedMid = readDrawBuffer(r, out.mid.frame, r.HEAPF64);
  out.end = rReport(r._skelvar_frame(now.deadline));
  out.blendedEnd = readDrawBuffer(r, out.end.frame, r.HEAPF64);
  out.drawKinds = Object.values(n.DrawKind);
  out.recordLine = n.RecordLineComponent;
  return out;
})()`;

const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);

async function numbers(engine, url) {
  const page = await engine.newPage({ width: 960, height: 580 });
  await page.open(`${url}?step&seed=1`);
  await page.waitFor('globalThis.skelvar?.step', 15000, 'the stepped page');
  const p = await page.eval(Probe);

  const byName = new Map(p.pictures.map((e) => [e.name, e]));
  check(byName.get('imgMenu')?.id === 64 && byName.get('imgBack')?.id === 65 && !byName.get('imgMenu').keyed &&
    p.pictures.filter((e) => e.keyed).length === p.pictures.filter((e) => e.name.startsWith('imgEm')).length,
  `the pictures' table names the menu and the background by their ids, and keys exactly the frames (${p.pictures.length} pictures)`);
  const missing = p.pictures.filter((e) => !p.files.includes(e.name)).map((e) => e.name);
  check(missing.length === 0, `the site has a file for every picture in the table${missing.length ? ` (not: ${missing})` : ''}`);

  const w = p.start;
  check(w.clientWidth === 944 && w.clientHeight === 542, 'the report holds the client size by name');
  check(w.opacityEnabled === 1 && w.opacity === 0 && w.closed === 0 && w.openEnabled === 1 && w.ticks === 0 && w.deadline === -1,
    `a fresh stepped window fades in, open, with no timer of its own to wait for (${JSON.stringify(w)})`);
  check(w.openInterval > 0 && w.gameInterval > 0 && w.openInterval !== w.clientWidth && w.drawList !== w.frame,
    `the timers' intervals and the buffers sit in their own fields (${w.openInterval}, ${w.gameInterval})`);
  const a = p.afterFade;
  check(a.opacityEnabled === 0 && a.opacity === 255 && a.openEnabled === 0 && a.gameEnabled === 1 && a.ticked === 1 && a.ticks === 40,
    `after the fade the window is opaque, its fade timer off, 40 ticks run (${JSON.stringify(a)})`);
  const fit = fitToScreen(1280, 720);
  check(p.layout.scale === fit.scale && p.layout.clientWidth === fit.clientWidth && p.layout.clientHeight === fit.clientHeight,
    `the layout record (${JSON.stringify(p.layout)})`);
  const notch = fitToScreen(844 - 94, 390);
  check(p.notched.scale === notch.scale && p.notched.clientWidth === Math.round(844 / notch.scale) &&
    p.notched.playLeft === Math.trunc((p.notched.clientWidth - 900) / 2),
  `a notch's margins shrink the scale, and the client area still covers the viewport (${JSON.stringify(p.notched)})`);
  const g = p.state.pnlGame;
  check(g.left === Math.trunc((944 - 900) / 2) && g.top === Math.trunc((542 - 500) / 2),
    `the play area the page is told is where the logic put it (${g.left}, ${g.top})`);

  // NaN, the game's "no best time", comes out of the page as null.
  check(p.fresh.valid === 1 && p.fresh.best === null && p.fresh.runs === 0 && p.fresh.clears === 0,
    `a fresh player's record (${JSON.stringify(p.fresh)})`);
  check(p.notRecords.every((v) => v === 0) && p.atLimit === 1,
    `a negative, fractional, infinite or too large count is no record; the limit itself is one (${p.notRecords})`);
  check(p.padTick.recordChanged === 1 && same([p.merged.best, p.merged.runs, p.merged.clears], [19, 1e12, 2]),
    `the run the pad started is merged into the stored record, its count held at the game's limit (${JSON.stringify(p.merged)})`);

  const journal = p.script.split('\n');
  check(/^# skelvar-replay --seed 1 --client 944x542 --ticks 61$/.test(journal[0]) &&
    journal.includes('41 keydown 39 2') && journal.includes('61 keyup 39 2') &&
    journal.filter((l) => l.endsWith(' keydown 39 2')).length >= 2,
  `the game read the pad before its tick, repeated the held D-pad and let it go; the journal says so (${journal.slice(0, 3).join('; ')} ... ${journal.at(-2)})`);
  check(p.state.KeysHeld.join() === '39', `the pad holds → (${p.state.KeysHeld})`);
  check(p.zone === 4, `a finger in the middle of the stage jumps (zone ${p.zone})`);

  // The draw list's fields: kinds the game knows, clips inside the client area, the label's text.
  const { list, menu } = p;
  check(menu.generation > 0 && menu.ops.length > 0 && list.generation > menu.generation && p.last.generation === list.generation,
    `the generation counts the list's changes, and the report says which one is in the buffer (${menu.generation}, ${list.generation})`);
  check(list.ops.every((op) => p.drawKinds.includes(op.kind) && op.clip[0] >= 0 && op.clip[1] >= 0 &&
    op.clip[0] + op.clip[2] <= 944 && op.clip[1] + op.clip[3] <= 542), 'every operation has a known kind and a clip inside the client');
  const label = list.ops.find((op) => op.component !== p.recordLine && op.text !== undefined);
  check(label?.text === p.state.lblMsg.text, `the label's operation carries its text (${label?.text})`);
  check(p.state.GameState === 0 && typeof list.backgroundLeft === 'number',
    `a run is on and the background's edge is read (${list.backgroundLeft})`);
  check(menu.backgroundLeft === null, 'the menu has no background edge');

  // Both buffers share one header shape: a frame all the way to the next tick is the tick's list.
  const r = p.running;
  check(r.moving === 1 && r.deadline > 0 && p.mid.blended === 1 && p.end.blended === 1 && p.end.ticked === 0,
    `on the page's clock she runs between the last two ticks, and the frames between them are in the frame buffer (${JSON.stringify({ moving: r.moving, mid: p.mid.blended, end: p.end.blended })})`);
  check(same(p.blendedEnd.ops.map((op) => [op.kind, op.dest, op.image, op.colour, op.component]),
    p.tickList.ops.map((op) => [op.kind, op.dest, op.image, op.colour, op.component])) &&
    p.blendedEnd.backgroundLeft === p.tickList.backgroundLeft && p.blendedEnd.text === p.tickList.text,
  'the frame at the next tick\'s deadline is the last tick\'s own list, field by field');
  check(p.blendedMid.backgroundLeft !== p.tickList.backgroundLeft && p.blendedMid.ops.length === p.tickList.ops.length,
    `half way the background is between its places (${p.blendedMid.backgroundLeft} against ${p.tickList.backgroundLeft})`);
  return page;
}

// The page's calls into the game, counted where they are written and where they are shipped: the
// binding exports at most 16 functions to the page, and the WebAssembly at most 24 with the
// runtime's own; every call the page's modules make is one the shipped glue offers.
function exportCounts() {
  const web = fileURLToPath(new URL('../../web/', import.meta.url));
  const exported = readdirSync(web).filter((f) => f.endsWith('.cpp')).flatMap((f) =>
    readFileSync(join(web, f), 'utf8').split('\n').filter((l) => /^\s*EMSCRIPTEN_KEEPALIVE\b/.test(l))
      .map((l) => /\b(skelvar_\w+)\s*\(/.exec(l)?.[1]));
  check(exported.length > 0 && exported.length <= 16 && exported.every(Boolean),
    `the binding exports ${exported.length} functions to the page (at most 16): ${exported.join(', ')}`);
  const shipped = WebAssembly.Module.exports(new WebAssembly.Module(readFileSync(join(site, 'skelvar.wasm'))));
  check(shipped.length >= exported.length && shipped.length <= 24,
    `the shipped WebAssembly exports ${shipped.length} (at most 24, the runtime's own among them)`);
  const glue = readFileSync(join(site, 'skelvar.js'), 'utf8');
  const called = new Set(readdirSync(site).filter((f) => f.endsWith('.js') && f !== 'skelvar.js')
    .flatMap((f) => readFileSync(join(site, f), 'utf8').match(/_skelvar_\w+/g) ?? []));
  const unknown = [...called].filter((name) => !new RegExp(`\\b${name}\\b`).test(glue) ||
    !exported.includes(name.slice(1)));
  check(called.size > 0 && unknown.length === 0,
    `the page's modules call ${called.size} of them, each one the binding exports and the glue offers${unknown.length ? ` (not: ${unknown})` : ''}`);
}

// Every .wasm and .js file of the site, as docs/performance.md's budget counts them: those at its
// top, where the board's modules, fetched only when a board serves the page, are not.
function codeBytes() {
  const code = readdirSync(site).filter((f) => f.endsWith('.wasm') || f.endsWith('.js'))
    .map((f) => readFileSync(join(site, f)).length);
  const bytes = code.reduce((a, b) => a + b, 0);
  check(bytes <= 150 * 1024,
    `the site's WebAssembly and JavaScript come to ${(bytes / 1024).toFixed(1)} KB in ${code.length} files (at most 150 KB)`);
}

// The board's modules, in the site's board/ folder, counted apart within their own 12 KB.
function boardBytes() {
  const modules = readdirSync(join(site, 'board')).filter((f) => f.endsWith('.js'))
    .map((f) => readFileSync(join(site, 'board', f)).length);
  const bytes = modules.reduce((a, b) => a + b, 0);
  check(modules.length > 0 && bytes <= 12 * 1024,
    `the board's ${modules.length} modules apart: ${(bytes / 1024).toFixed(1)} KB (at most 12 KB)`);
}

exportCounts();
codeBytes();
boardBytes();
await runSuite('number', {}, async ({ engine, serve }) => {
  await noProblems([await numbers(engine, (await serve(site)).url)], 'the page');
});
