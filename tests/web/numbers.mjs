// The game's numbers as the page has them (game_numbers.js, written by the build) against the
// running WebAssembly: the pictures' names by id, the watched keys, and every record the page
// reads, field by field, compared with the replay tool's state and with each other.
//   node tests/web/numbers.mjs --site build-web/site
import { check, fitToScreen, noProblems, parseOptions, runSuite } from './harness.mjs';

const { site } = parseOptions('numbers.mjs', '--site DIR');

// Runs in the page: a second copy of the play logic beside the page's own, driven by hand, read
// through the page's own readers and the generated layout.
const Probe = `(async () => {
  const n = await import('./game_numbers.js');
  const { readDrawBuffer, readKeyEvents, readRecord } = await import('./memory_records.js');
  const m = await (await import('./skelvar.js')).default({ measureText: (t) => [t.length * 10, 21] });
  const out = {};
  out.pictures = [n.Picture.Menu, n.Picture.Back].map((id) => m.UTF8ToString(m._skelvar_image_name(id)));
  out.watched = Array.from({ length: 7 }, (_, bit) => m._skelvar_watched_key(bit));
  out.key = n.Key;
  m._skelvar_create(1, 1, 944, 542);
  const win = () => readRecord(m.HEAP32, m._skelvar_window() >> 2, n.Layout.window);
  out.windowAtStart = win();
  out.fit = readRecord(m.HEAPF64, m._skelvar_fit(1280, 720) >> 3, n.Layout.fit);
  out.playArea = readRecord(m.HEAP32, m._skelvar_play_area(944, 542) >> 2, n.Layout.rect);
  out.player = readRecord(m.HEAPF64, m._skelvar_records_unsaved() >> 3, n.Layout.player);
  // Past the fade-in, then a run started with Right held on the first pad.
  for (let k = 1; k <= 40; ++k) { m._skelvar_step(k); m._skelvar_lists_tick(); }
  out.windowAfterFade = win();
  out.menu = readDrawBuffer(m, m._skelvar_draw_list(), m.HEAP32);
  const right = 1 << n.PadButton.DpadRight;
  out.padPress = readKeyEvents(m.HEAP32, m._skelvar_pad_read(0, right, 0));
  for (const e of out.padPress) m._skelvar_source_key_down(e.source, e.code);
  out.padMask = m._skelvar_source_mask(n.Source.FirstController);
  out.padAgain = readKeyEvents(m.HEAP32, m._skelvar_pad_read(0, right, 1));
  out.padLetGo = readKeyEvents(m.HEAP32, m._skelvar_pads_let_go(-1));
  m._skelvar_source_key_down(n.Source.FirstController, n.Key.Right);
  for (let k = 41; k <= 60; ++k) { m._skelvar_step(k); m._skelvar_lists_tick(); }
  out.state = JSON.parse(m.UTF8ToString(m._skelvar_state_json(60)));
  out.list = readDrawBuffer(m, m._skelvar_draw_list(), m.HEAP32);
  out.moving = m._skelvar_lists_moving();
  out.blendedEnd = readDrawBuffer(m, m._skelvar_blended_list(1), m.HEAPF64);
  out.blendedMid = readDrawBuffer(m, m._skelvar_blended_list(0.5), m.HEAPF64);
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

  check(same(p.pictures, ['imgMenu', 'imgBack']), `the menu and background ids name their pictures (${p.pictures})`);
  const k = p.key;
  check(same(p.watched, [k.Return, k.Escape, k.Space, k.Left, k.Up, k.Right, k.Down]),
    `the watched keys are the game's (${p.watched})`);

  const w = p.windowAtStart;
  check(w.clientWidth === 944 && w.clientHeight === 542, 'the window record holds the client size by name');
  check(w.opacityEnabled === 1 && w.opacity === 0 && w.closed === 0 && w.openEnabled === 1,
    `a fresh window fades in, open (${JSON.stringify(w)})`);
  check(w.openInterval > 0 && w.gameInterval > 0 && w.openInterval !== w.clientWidth,
    `the timers' intervals sit in their own fields (${w.openInterval}, ${w.gameInterval})`);
  const a = p.windowAfterFade;
  check(a.opacityEnabled === 0 && a.opacity === 255 && a.openEnabled === 0 && a.gameEnabled === 1,
    `after the fade the window is opaque, its fade timer off (${JSON.stringify(a)})`);
  check(same(p.fit, fitToScreen(1280, 720)), `the fit record (${JSON.stringify(p.fit)})`);
  const g = p.state.pnlGame;
  check(same(p.playArea, { left: g.left, top: g.top, width: g.width, height: g.height }),
    `the play area the page is told is where the logic put it (${JSON.stringify(p.playArea)})`);
  check(same(p.player, { best: -1, runs: 0, clears: 0 }), `a fresh player's record (${JSON.stringify(p.player)})`);

  const right = (down) => [{ code: k.Right, down, source: 2 }];
  check(same(p.padPress, right(true)), `a pad's D-pad holds Right from the first controller source (${JSON.stringify(p.padPress)})`);
  check(p.padMask !== 0 && p.padAgain.length === 0, 'the press held, and the stick joining it changes nothing');
  check(same(p.padLetGo, right(false)), `letting go of the pads lets go of Right once (${JSON.stringify(p.padLetGo)})`);

  // The draw list's fields: kinds the game knows, clips inside the client area, the label's text.
  const { list, menu } = p;
  check(menu.generation > 0 && menu.ops.length > 0 && list.generation > menu.generation,
    `the generation counts the list's changes (${menu.generation}, ${list.generation})`);
  check(list.ops.every((op) => p.drawKinds.includes(op.kind) && op.clip[0] >= 0 && op.clip[1] >= 0 &&
    op.clip[0] + op.clip[2] <= 944 && op.clip[1] + op.clip[3] <= 542), 'every operation has a known kind and a clip inside the client');
  const label = list.ops.find((op) => op.component !== p.recordLine && op.text !== undefined);
  check(label?.text === p.state.lblMsg.text, `the label's operation carries its text (${label?.text})`);
  check(p.state.GameState === 0 && typeof list.backgroundLeft === 'number',
    `a run is on and the background's edge is read (${list.backgroundLeft})`);
  check(menu.backgroundLeft === null, 'the menu has no background edge');

  // Both buffers share one header shape: a frame all the way to the current tick is its list.
  check(p.moving === 1, 'she runs between the last two ticks');
  check(same(p.blendedEnd.ops.map((op) => [op.kind, op.dest, op.image, op.colour, op.component]),
    list.ops.map((op) => [op.kind, op.dest, op.image, op.colour, op.component])) &&
    p.blendedEnd.backgroundLeft === list.backgroundLeft && p.blendedEnd.text === list.text,
  'the blended frame at the current tick is the tick\'s own list, field by field');
  check(p.blendedMid.backgroundLeft !== list.backgroundLeft && p.blendedMid.ops.length === list.ops.length,
    `half way the background is between its places (${p.blendedMid.backgroundLeft})`);
  return page;
}

await runSuite('number', {}, async ({ engine, serve }) => {
  await noProblems([await numbers(engine, (await serve(site)).url)], 'the page');
});
