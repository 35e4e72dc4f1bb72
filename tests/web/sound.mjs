// The page's sound in Chromium: no audio context before the player's first key, click or
// touch; a run's start and a jump start the game's sounds; M and the speaker button silence them
// and bring them back; a page hidden behind another tab is silent; the choice outlives a reload;
// the site has no audio files.
//   node tests/web/sound.mjs --site build-web/site
import { PageWatch } from './engine.mjs';
import { check, filesUnder, noProblems, parseOptions, pressKey, runSuite, ticks } from './harness.mjs';
import { HeldClock } from './stand_ins.mjs';

const { site } = parseOptions('sound.mjs', '--site DIR');

// The sounds started so far, as the page watch (engine.mjs) sees the browser's own audio API.
const starts = (page) => page.eval('audioLog.starts.length');
// The lengths of the sounds started while she jumps once and lands again.
async function soundsOfAJump(page) {
  const before = await starts(page);
  const ground = await page.eval('skelvar.state().PosY[0]');
  await pressKey(page, 'ArrowUp');
  await page.waitFor(`skelvar.state().PosY[0] < ${ground}`, 3000, 'a jump');
  await page.waitFor(`skelvar.state().PosY[0] === ${ground}`, 5000, 'the landing');
  await ticks(page, 4);
  return page.eval(`audioLog.starts.slice(${before})`);
}

async function run(engine, url) {
  const page = await engine.newPage({ width: 960, height: 580 });
  await page.open(url);
  await page.waitFor('skelvar.window().opacityEnabled === false', 15000, 'the end of the fade');
  await ticks(page, 10);
  check(await page.eval('audioLog.contexts.length === 0'), 'no audio context before the first gesture');
  const button = await page.eval(`(() => {
    const b = document.getElementById('speaker');
    const r = b.getBoundingClientRect();
    return { tag: b.tagName, pressed: b.getAttribute('aria-pressed'), label: b.getAttribute('aria-label'),
             x: r.x + r.width / 2, y: r.y + r.height / 2 };
  })()`);
  check(button.tag === 'BUTTON' && button.pressed === 'false' && /[\u3040-\u30ff\u4e00-\u9fff]/.test(button.label),
    `a speaker button, not pressed, with a Japanese label (${JSON.stringify(button)})`);

  await page.key('down', 'ArrowRight');
  await page.waitFor('skelvar.state().GameState === 0', 10000, 'a run');
  await page.key('up', 'ArrowRight');
  await page.waitFor('audioLog.contexts.length === 1', 3000, 'the audio context');
  await page.waitFor("audioLog.contexts[0].state === 'running'", 3000, 'the audio running');
  check(await page.eval('audioLog.starts.length >= 1'), `the run's start is heard (${await page.eval('JSON.stringify(audioLog.starts)')})`);
  const jump = await soundsOfAJump(page);
  check(jump.length >= 2 && jump[0] > 0.05 && jump[0] < 0.2,
    `a jump and its landing are heard (${jump.map((s) => s.toFixed(3)).join(', ')} s)`);

  await pressKey(page, 'KeyM');
  check(await page.eval("document.getElementById('speaker').getAttribute('aria-pressed') === 'true'"),
    'M shows on the speaker button as pressed');
  const muted = await soundsOfAJump(page);
  check(muted.length === 0, `after M a jump is silent (${muted.length} sounds)`);
  check(await page.eval('skelvar.state().GameState === 0'), 'M does not end the run');

  // The button: a click gives the sound back without taking the keyboard from the game.
  await page.click(button.x, button.y);
  check(await page.eval("document.activeElement?.id !== 'speaker'"), 'the button does not take the focus');
  const back = await soundsOfAJump(page);
  check(back.length >= 2, `after the button a jump is heard again (${back.length} sounds)`);
  check(await page.eval("document.getElementById('speaker').getAttribute('aria-pressed') === 'false'"),
    'the button shows the sound on');

  // Another tab in front: the sound stops with the game, for a second of the page's held clock.
  await page.hide();
  await page.waitFor("document.visibilityState === 'hidden'", 5000, 'the page hidden');
  const hiddenStarts = await starts(page);
  check(await page.eval('(__heldClock.hold(), __heldClock.run(1000), __heldClock.release(), audioLog.starts.length)') === hiddenStarts,
    'a hidden page starts no sound');
  check(await page.eval("audioLog.contexts[0].state === 'suspended'"), 'the audio is suspended while the page is hidden');
  await page.show();
  await page.waitFor("document.visibilityState === 'visible'", 5000, 'the page shown again');

  // The choice outlives the page: muted, loaded again, still muted.
  await pressKey(page, 'KeyM');
  await page.open(url);
  await page.waitFor('skelvar.window().opacityEnabled === false', 15000, 'the end of the fade');
  check(await page.eval("document.getElementById('speaker').getAttribute('aria-pressed') === 'true'"),
    'after a reload the speaker button still shows the sound off');
  await page.key('down', 'ArrowRight');
  await page.waitFor('skelvar.state().GameState === 0', 10000, 'a run after the reload');
  await page.key('up', 'ArrowRight');
  const reloaded = await soundsOfAJump(page);
  check(reloaded.length === 0 && await page.eval('audioLog.starts.length === 0'),
    `after a reload the run and a jump are silent (${await page.eval('audioLog.starts.length')} sounds)`);
  return page;
}

await runSuite('sound', {}, async ({ engine, serve }) => {
  const audio = filesUnder(site).filter((f) => /\.(wav|mp3|ogg|oga|opus|flac|m4a|aac|webm)$/i.test(f));
  check(audio.length === 0, `the site has no audio files (${audio.join(', ') || 'none'})`);
  const page = await run(engine, (await serve(site, { inject: PageWatch + HeldClock })).url);
  await noProblems([page], 'the page');
});
