// The game inside a game portal: a host page on another origin holds it in a sandboxed iframe
// that also denies the Gamepad API. A click gives the game the keyboard, the game's keys never
// scroll the host, a key held while the focus moves to the host is let go, a tab in front pauses
// the game, and after the exit command a click starts it afresh.
// Usage: node portal.mjs --site DIR
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { Browser, serve } from './browser.mjs';
import { check, parseOptions, pressKey, runChecks, sleep } from './harness.mjs';

const { site } = parseOptions('portal.mjs', '--site DIR');
const StateMenu = -1;
const StatePlaying = 0;
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

const hostDir = mkdtempSync(join(tmpdir(), 'skelvar-portal-'));
const game = await serve(site);
const host = await serve(hostDir);
const browser = await Browser.launch();
await runChecks('portal', async () => {
  writeFileSync(join(hostDir, 'index.html'), hostPage(game.url));
  check(new URL(game.url).origin !== new URL(host.url).origin, 'the host and the game have different origins');

  const page = await browser.newPage();
  // The frame's own JavaScript world, found by the frame's origin.
  const contexts = new Map();
  page.on('Runtime.executionContextCreated', ({ context }) => {
    if (context.auxData?.isDefault) contexts.set(context.origin, context.id);
  });
  const gameOrigin = new URL(game.url).origin;
  const inGame = async (expression) => {
    const r = await page.send('Runtime.evaluate', {
      expression, contextId: contexts.get(gameOrigin), awaitPromise: true, returnByValue: true,
    });
    if (r.exceptionDetails) throw new Error(`in the frame: ${r.exceptionDetails.exception?.description ?? r.exceptionDetails.text}`);
    return r.result.value;
  };
  const waitInGame = async (expression, timeoutMs, what) => {
    const until = Date.now() + timeoutMs;
    for (;;) {
      const value = contexts.has(gameOrigin) ? await inGame(expression).catch(() => undefined) : undefined;
      if (value) return value;
      if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
      await sleep(20);
    }
  };
  const state = () => inGame('skelvar.state()');
  const scrolled = () => page.eval('window.scrollY + document.scrollingElement.scrollTop');

  await page.open(host.url, { width: 1000, height: 760 });
  await waitInGame('globalThis.skelvar && skelvar.picturesLoaded', 20000, 'the game in the frame');
  check(await inGame(`(() => { try { navigator.getGamepads(); return false; } catch { return true; } })()`),
    'the host denies the Gamepad API in the frame');

  // A click on the title starts a run and gives the frame the keyboard.
  const cx = Frame.left + Frame.width / 2;
  const cy = Frame.top + Frame.height / 2;
  await page.click(cx, cy);
  await waitInGame(`skelvar.state().GameState === ${StatePlaying}`, 10000, 'a run started by a click');
  check(await inGame('document.hasFocus()'), 'a click on the game gives the frame the focus');

  // Hold Right with the key repeat: she runs, and neither the arrows nor Space scroll the host.
  const x0 = (await state()).PosX[0];
  await page.key('down', 'ArrowRight');
  for (let i = 0; i < 12; ++i) {
    await sleep(50);
    await page.key('down', 'ArrowRight', { repeat: true });
  }
  const x1 = (await state()).PosX[0];
  check(x1 > x0 + 100, `the girl runs while → is held in the frame (${x0} -> ${x1})`);
  await page.key('up', 'ArrowRight');
  for (const code of ['ArrowDown', 'Space', 'ArrowDown', 'ArrowUp']) {
    await page.key('down', code);
    await page.key('up', code);
  }
  await sleep(200);
  check((await scrolled()) === 0, `the game's keys do not scroll the host (${await scrolled()} px)`);

  // A key held while the focus moves to the host is let go.
  await sleep(900);
  await page.key('down', 'ArrowRight');
  await waitInGame('skelvar.state().KeysHeld.includes(39)', 5000, 'Right held');
  await page.click(300, 40);
  await sleep(150);
  check(!(await inGame('document.hasFocus()')), 'a click on the host takes the focus from the frame');
  await page.key('up', 'ArrowRight');
  const let1 = await state();
  check(let1.KeysHeld.length === 0, `the key held while the focus left is let go (${JSON.stringify(let1.KeysHeld)})`);
  await sleep(1200);
  const a = (await state()).PosX[0];
  await sleep(300);
  const b = (await state()).PosX[0];
  check(a === b, `she stops instead of running on (${a} -> ${b})`);

  // Another tab in front: no ticks at all; back again, the ticks go on at their own pace.
  const ticksBefore = (await state()).tick;
  const clockBefore = await inGame('skelvar.seconds()');
  const wallBefore = Date.now();
  const other = await browser.newPage();
  await browser.send('Target.activateTarget', { targetId: other.targetId });
  await waitInGame("document.visibilityState === 'hidden'", 5000, 'the game hidden behind another tab');
  const hiddenAt = (await state()).tick;
  await sleep(1500);
  const hiddenTicks = (await state()).tick - hiddenAt;
  check(hiddenTicks === 0 && hiddenAt - ticksBefore < 10, `no tick runs while another tab is in front (${hiddenTicks})`);
  await browser.send('Target.activateTarget', { targetId: page.targetId });
  await waitInGame("document.visibilityState === 'visible'", 5000, 'the game shown again');
  const shownAt = (await state()).tick;
  const clockRan = await inGame('skelvar.seconds()') - clockBefore;
  const wallRan = (Date.now() - wallBefore) / 1000;
  check(clockRan >= 0 && clockRan < wallRan - 1.4,
    `the game's clock stands still while hidden (${clockRan.toFixed(2)} s of ${wallRan.toFixed(2)} s)`);
  await sleep(30);
  const burst = (await state()).tick - shownAt;
  await sleep(600);
  const resumed = (await state()).tick - shownAt;
  check(burst <= 1 && resumed >= 4 && resumed <= 14,
    `shown again the ticks go on at their own pace without catching up (${burst} at once, ${resumed} in 0.63 s)`);

  // Esc returns to the menu, Esc there ends the game; a click on the dimmed title starts afresh.
  await page.click(cx, cy);
  for (let i = 0; i < 2; ++i) {
    await pressKey(page, 'Escape');
    if (i === 0) await waitInGame(`skelvar.state().GameState === ${StateMenu}`, 5000, 'the menu');
  }
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

  check(page.problems.length === 0,
    `no console error and no failed request${page.problems.length ? `: ${page.problems.join('; ')}` : ''}`);
}, async () => {
  await browser.close();
  game.stop();
  host.stop();
  rmSync(hostDir, { recursive: true, force: true });
});
