// The game inside a game portal, beyond what every engine checks there (engines.mjs: a click gives
// the frame the keyboard, the game's keys never scroll the host, a key held while the focus moves
// to the host is let go): a host page on another origin holds it in a sandboxed iframe that also
// denies the Gamepad API; after the exit command a click starts it afresh, and a tab in front
// pauses it, counted on the frame's held clock.
// Usage: node portal.mjs --site DIR
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { check, noProblems, parseOptions, pressKey, runSuite, StateMenu, StatePlaying } from './harness.mjs';
import { HeldClock } from './stand_ins.mjs';

const { site } = parseOptions('portal.mjs', '--site DIR');
// Where the host puts the frame, in CSS pixels of its viewport.
const Frame = { left: 20, top: 120, width: 960, height: 580 };

function hostPage(gameUrl) {
  return `<!doctype html><html><head><meta charset="utf-8"><title>Portal</title><link rel="icon" href="data:,"></head>
<body style="margin:0;height:4000px;font:16px sans-serif">
<div id="bar" style="height:${Frame.top}px">A game portal</div>
<iframe id="game" src="${gameUrl}" style="position:absolute;left:${Frame.left}px;top:${Frame.top}px;border:0"
  width="${Frame.width}" height="${Frame.height}" sandbox="allow-scripts allow-same-origin"
  allow="gamepad 'none'"></iframe>
</body></html>`;
}

async function portal(engine, game, serveHost) {
  const host = await serveHost(hostPage(game.url));
  check(new URL(game.url).origin !== new URL(host.url).origin, 'the host and the game have different origins');
  const page = await engine.newPage({ width: 1000, height: 760 });
  await page.open(host.url);
  const frame = { frame: true };
  const inGame = (expression) => page.evalInFrame(expression);
  const waitInGame = (expression, ms, what) => page.waitFor(expression, ms, what, frame);
  const state = () => inGame('skelvar.state()');
  await waitInGame('globalThis.skelvar && skelvar.picturesLoaded', 20000, 'the game in the frame');
  check(await inGame(`(() => { try { navigator.getGamepads(); return false; } catch { return true; } })()`),
    'the host denies the Gamepad API in the frame');

  // A click on the title starts a run and gives the frame the keyboard.
  const cx = Frame.left + Frame.width / 2;
  const cy = Frame.top + Frame.height / 2;
  await page.click(cx, cy);
  page.keysTo(true);
  await waitInGame(`skelvar.state().GameState === ${StatePlaying} && document.hasFocus()`, 10000,
    'a run started by a click, with the focus in the frame');

  // Esc returns to the menu, Esc there ends the game; a click on the dimmed title starts afresh.
  await page.click(cx, cy);
  await pressKey(page, 'Escape', frame);
  await waitInGame(`skelvar.state().GameState === ${StateMenu}`, 5000, 'the menu');
  await pressKey(page, 'Escape', frame);
  await waitInGame('skelvar.window().closed', 5000, 'the end of the game');
  await page.click(cx, cy);
  await waitInGame('!skelvar.window().closed', 5000, 'a new launch after a click');
  const w = await inGame('skelvar.window()');
  check(w.opacityEnabled && w.opacity < 255 && w.gameEnabled && (await state()).GameState === StateMenu,
    'a click on the dimmed title launches the game afresh, fading in at the menu');
  await waitInGame('!skelvar.window().opacityEnabled', 5000, 'the fade-in');
  await page.click(cx, cy);
  await waitInGame(`skelvar.state().GameState === ${StatePlaying}`, 5000, 'a run in the new launch');
  check(true, 'the new launch plays: a click on the title starts a run');

  // Another tab in front: no ticks at all, and the game's clock stands still; back again, the
  // ticks go on from that moment at their own pace without catching up. Time runs only as the
  // frame's held clock is run.
  const ticks = 'skelvar.state().tick';
  const before = await inGame(`(__heldClock.hold(), __heldClock.run(50), [${ticks}, skelvar.seconds()])`);
  const how = await page.hide();
  await waitInGame("document.visibilityState === 'hidden'", 5000, `the game hidden, ${how}`);
  const hidden = await inGame(`(__heldClock.run(1500), ${ticks})`) - before[0];
  await page.show();
  await waitInGame("document.visibilityState === 'visible'", 5000, 'the game shown again');
  const [burst, resumed, seconds] = await inGame(`(() => {
    const a = ${ticks};
    __heldClock.run(49);
    const b = ${ticks};
    __heldClock.run(581);
    return [b - a, ${ticks} - a, skelvar.seconds()]; })()`);
  const away = seconds - before[1];
  check(hidden === 0, `no tick runs in the frame with ${how} (${hidden} in 1.5 s)`);
  check(Math.abs(away - 0.63) < 0.002,
    `the game's clock stands still while hidden (${away.toFixed(3)} s of the frame's 2.13 s)`);
  check(burst === 0 && resumed === 12,
    `shown again the ticks go on at their own pace without catching up (${burst} at once, ${resumed} in 0.63 s)`);
  await noProblems([page], 'the host and the frame');
}

await runSuite('portal', {}, async ({ engine, serve }) => {
  const hostDir = mkdtempSync(join(tmpdir(), 'skelvar-portal-'));
  try {
    await portal(engine, await serve(site, { inject: HeldClock }), (html) => {
      writeFileSync(join(hostDir, 'index.html'), html);
      return serve(hostDir);
    });
  } finally {
    rmSync(hostDir, { recursive: true, force: true });
  }
});
