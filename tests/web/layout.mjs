// The page on a phone in either orientation and as a screen reader or a search engine reads it,
// in Chromium: the turn-the-phone pictogram in the free space of an upright screen, the
// play area clear of a notch, the label's text in a polite live region, a zoomable viewport and a
// canvas with a role and a name.
//   node tests/web/layout.mjs --site build-web/site [--shots DIR]
import {
  check, fitToScreen, framesPass, near, noProblems, parseOptions, pressKey, runSuite, settle, shot, state,
} from './harness.mjs';

const options = parseOptions('layout.mjs', '--site DIR [--shots DIR]', { shots: null });

const HintText = '方向キーかマウスで操作しるお';
const Grey = [128, 128, 128];
const Red = [255, 0, 0];
const Pink = [255, 240, 255];

// Counts the red pen, the pink body fill and the grey of the window in a box of device pixels.
function inks(image, [x0, y0, x1, y1]) {
  const count = { red: 0, pink: 0, grey: 0, all: 0 };
  for (let y = Math.max(0, Math.floor(y0)); y < Math.min(image.height, Math.ceil(y1)); ++y) {
    for (let x = Math.max(0, Math.floor(x0)); x < Math.min(image.width, Math.ceil(x1)); ++x) {
      const p = image.pixel(x, y);
      ++count.all;
      if (near(p, Red, 40)) ++count.red;
      else if (near(p, Pink, 6)) ++count.pink;
      else if (near(p, Grey, 2)) ++count.grey;
    }
  }
  return count;
}

const box = (page, selector) => page.eval(`(() => {
  const e = document.querySelector(${JSON.stringify(selector)});
  if (!e) return null;
  const r = e.getBoundingClientRect();
  return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width, height: r.height,
    hidden: e.hidden || getComputedStyle(e).display === 'none' };
})()`);

// The play area on the screen in CSS pixels, from the logic's own panel and the page's scale.
async function playArea(page) {
  const s = await state(page);
  const scale = await page.eval('skelvar.scale()');
  const p = s.pnlGame;
  return { left: p.left * scale, top: p.top * scale, right: (p.left + p.width) * scale,
    bottom: (p.top + p.height) * scale, scale, panel: p };
}

const fitScale = (w, h) => fitToScreen(w, h).scale;

async function opaque(page) {
  await page.waitFor('!skelvar.window().opacityEnabled', 10000, 'the fade-in');
  await framesPass(page);
}

// A run started, its scene come to rest, so a screenshot shows what the state says.
async function startRun(page) {
  await pressKey(page, 'Enter');
  await page.waitFor('skelvar.state().GameState === 0 && skelvar.state().pnlGame.visible', 10000, 'a run');
  await settle(page);
}

// Held upright the game spans the width and the pictogram fills the free space below it.
async function uprightPage(engine, url) {
  const ratio = 3;
  const page = await engine.newPage({ width: 390, height: 844, scale: ratio, mobile: true, touch: true });
  await page.open(url);
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 15000, 'the page');
  await opaque(page);
  const menuArea = await playArea(page);
  check(Math.abs(menuArea.right - menuArea.left - 390) < 0.5,
    `upright, the play area spans the width (${(menuArea.right - menuArea.left).toFixed(1)} of 390 px)`);
  const turn = await box(page, '#turn');
  check(turn && !turn.hidden && turn.width >= 100 && turn.height >= 60,
    `upright, the pictogram is shown (${JSON.stringify(turn)})`);
  check(turn.top >= menuArea.bottom - 0.5 && turn.bottom <= 844 && turn.left >= 0 && turn.right <= 390,
    `the pictogram sits in the free space below the play area (${turn.top.toFixed(0)} >= ${menuArea.bottom.toFixed(0)})`);
  check(await page.eval("document.getElementById('turn').textContent === '' && document.getElementById('turn').getAttribute('aria-hidden') === 'true'"),
    'the pictogram has no text and is hidden from screen readers');

  await startRun(page);
  const area = await playArea(page);
  const upright = await shot(page, options.shots, 'upright.png');
  const device = (b) => [b.left * ratio, b.top * ratio, b.right * ratio, b.bottom * ratio];
  const drawn = inks(upright, device(turn));
  check(drawn.red > 200 && drawn.pink > 1000 && drawn.grey > drawn.all * 0.3 && drawn.grey < drawn.all * 0.9,
    `the pictogram is drawn in red pen and pink bodies over the grey (${JSON.stringify(drawn)})`);
  // The same box mirrored into the free space above the play area: only the window's grey.
  const aboveTop = area.top - (turn.bottom - area.bottom);
  const above = inks(upright, device({ left: turn.left, right: turn.right, top: aboveTop,
    bottom: aboveTop + turn.height }));
  check(above.red === 0 && above.pink === 0 && above.grey === above.all,
    `above the play area the free space is plain grey (${JSON.stringify(above)})`);
  // Pictogram pixels never cover the play area.
  const stage = inks(upright, device({ left: area.left, right: area.right, top: area.bottom - 2, bottom: area.bottom }));
  check(stage.grey === 0, `the play area's last rows are the stage's, not the pictogram's (${JSON.stringify(stage)})`);

  // Turned sideways the pictogram goes and the game fills the height.
  await page.setViewport({ width: 844, height: 390 });
  await page.waitFor("document.getElementById('turn').hidden", 5000, 'the pictogram to go');
  const sideways = await playArea(page);
  check(Math.abs(sideways.bottom - sideways.top - 390) < 0.5,
    `sideways, the play area takes the height (${(sideways.bottom - sideways.top).toFixed(1)} px)`);
  const turned = await shot(page, options.shots, 'sideways.png');
  const bands = inks(turned, [0, 0, sideways.left * ratio - 1, 390 * ratio]);
  check(bands.red === 0 && bands.grey === bands.all, `sideways, the band beside the play area is plain grey (${JSON.stringify(bands)})`);
  return page;
}

// Sideways with a notch: the play area stays inside the safe area, the grey runs under the notch.
async function notchPage(engine, url) {
  const ratio = 3;
  const insets = { left: 47, right: 47, top: 0, bottom: 21 };
  const page = await engine.newPage({ width: 844, height: 390, scale: ratio, mobile: true, touch: true });
  await page.open(url);
  let emulated = true;
  try {
    await page.safeArea(insets);
  } catch (error) {
    emulated = false;
    console.log(`note: safe-area insets cannot be emulated here (${error.message}); notch checks skipped`);
  }
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 15000, 'the page');
  if (!emulated) return page;
  await opaque(page);
  await startRun(page);
  const area = await playArea(page);
  check(area.left >= insets.left - 0.5 && area.right <= 844 - insets.right + 0.5 &&
    area.top >= insets.top - 0.5 && area.bottom <= 390 - insets.bottom + 0.5,
    `with a notch the play area stays inside the safe area (${[area.left, area.top, area.right, area.bottom].map((v) => v.toFixed(1))})`);
  // As large as the symmetric safe area allows: no more margin than the insets ask for.
  const expected = fitScale(844 - 2 * 47, 390 - 2 * 21);
  check(Math.abs(area.scale - expected) < 1e-9, `the game is as large as the safe area allows (scale ${area.scale})`);
  const canvas = await box(page, '#game');
  check(canvas.left === 0 && canvas.top === 0 && canvas.width === 844 && canvas.height === 390,
    'the canvas still covers the whole screen, notch included');
  const notch = await shot(page, options.shots, 'notch.png');
  const under = inks(notch, [0, 0, insets.left * ratio, 390 * ratio]);
  check(under.grey === under.all, `the grey band runs under the notch (${JSON.stringify(under)})`);
  const w = await page.eval('skelvar.window()');
  check(w.clientWidth === Math.round(844 / area.scale) && w.clientHeight === Math.round(390 / area.scale),
    `the logic's client covers the whole screen (${w.clientWidth} x ${w.clientHeight})`);
  // A wide notch on a screen whose width is the tight side: the sides decide the scale.
  const wide = { left: 90, right: 30, top: 0, bottom: 0 };
  await page.safeArea(wide);
  await page.setViewport({ width: 1000, height: 640, scale: 1 });
  await page.waitFor('innerWidth === 1000', 5000, 'the wide screen');
  await framesPass(page);
  const wideArea = await playArea(page);
  check(wideArea.left >= wide.left - 0.5 && wideArea.right <= 1000 - wide.right + 0.5 &&
    Math.abs(wideArea.scale - fitScale(1000 - 2 * 90, 640)) < 1e-9,
    `a notch on the left side keeps the play area right of it (${[wideArea.left, wideArea.right, wideArea.scale].map((v) => v.toFixed(3))})`);
  // Upright, the pictogram stays clear of the home indicator's inset at the bottom.
  const upright = { top: 47, bottom: 34 };
  await page.safeArea(upright);
  await page.setViewport({ width: 390, height: 844, scale: ratio });
  await page.waitFor("!document.getElementById('turn').hidden", 5000, 'the pictogram');
  const uprightArea = await playArea(page);
  const turn = await box(page, '#turn');
  check(turn.top >= uprightArea.bottom && turn.bottom <= 844 - upright.bottom,
    `upright with insets the pictogram sits between the play area and the bottom inset (${turn.top.toFixed(0)}..${turn.bottom.toFixed(0)})`);
  check(uprightArea.top >= upright.top && uprightArea.bottom <= 844 - upright.bottom,
    'upright with insets the play area is inside the safe area');
  // Without insets the standard window is exactly the designed one.
  await page.safeArea({});
  await page.setViewport({ width: 960, height: 580, scale: 1, mobile: false });
  await page.waitFor('innerHeight === 580 && skelvar.window().clientHeight < 1000', 5000, 'the desktop size');
  const plain = await page.eval('[skelvar.window().clientWidth, skelvar.window().clientHeight, skelvar.scale()]');
  check(JSON.stringify(plain) === '[960,580,1]', `at 960 x 580 without a notch the logic sees 960 x 580 at scale 1 (${plain})`);
  return page;
}

// A desktop window made tall and narrow gets no turn-the-phone hint: it has no phone to turn.
async function tallDesktopPage(engine, url) {
  const page = await engine.newPage({ width: 500, height: 900 });
  await page.open(url);
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 15000, 'the page');
  const turn = await box(page, '#turn');
  check(turn.hidden, 'a tall desktop window shows no pictogram');
  return page;
}

// What a screen reader and a search engine read: the document, the canvas and the live label.
async function readablePage(engine, url) {
  const page = await engine.newPage({ width: 960, height: 580 });
  await page.open(`${url}?step&seed=7`);
  await page.waitFor('globalThis.skelvar && skelvar.picturesLoaded', 15000, 'the page');
  const head = await page.eval(`({
    lang: document.documentElement.lang,
    viewport: document.querySelector('meta[name=viewport]')?.content ?? '',
    description: document.querySelector('meta[name=description]')?.content ?? '',
    theme: document.querySelector('meta[name=theme-color]')?.content ?? '',
  })`);
  const viewport = Object.fromEntries(head.viewport.split(',').map((part) => part.trim().split('=').map((v) => v.trim())));
  check(viewport.width === 'device-width' && viewport['initial-scale'] === '1' &&
    !('maximum-scale' in viewport) && !('minimum-scale' in viewport) &&
    (viewport['user-scalable'] ?? 'yes') !== 'no' && (viewport['user-scalable'] ?? 'yes') !== '0',
    `the viewport lets the reader zoom (${head.viewport})`);
  check(viewport['viewport-fit'] === 'cover', 'the page reaches under a notch');
  check(head.lang === 'ja', `the page says it is Japanese (${head.lang})`);
  check(head.description.length >= 20 && /[\u3040-\u30ff]/.test(head.description),
    `a Japanese description for search engines (${head.description.length} characters)`);
  check(/^#[0-9a-f]{6}$/i.test(head.theme), `a theme colour (${head.theme})`);

  // The canvas as the accessibility tree sees it, not merely its attributes.
  await page.protocol('Accessibility.enable');
  const { root } = await page.protocol('DOM.getDocument', { depth: 0 });
  const { nodeId } = await page.protocol('DOM.querySelector', { nodeId: root.nodeId, selector: '#game' });
  const { nodes } = await page.protocol('Accessibility.getPartialAXTree', { nodeId, fetchRelatives: false });
  const canvasNode = nodes.find((n) => !n.ignored) ?? nodes[0];
  check(canvasNode?.role?.value === 'application' && canvasNode?.name?.value === 'Skelvar',
    `the canvas has a role and a name (${canvasNode?.role?.value}, ${canvasNode?.name?.value})`);

  const live = await page.eval(`(() => {
    const e = document.querySelector('[aria-live]');
    const r = e.getBoundingClientRect();
    return { polite: e.getAttribute('aria-live'), width: r.width, height: r.height, text: e.textContent };
  })()`);
  check(live.polite === 'polite' && live.width <= 1 && live.height <= 1,
    `a visually hidden polite live region (${JSON.stringify(live)})`);

  // A long run of random keys, stepped by hand: after every tick the region holds exactly the
  // label's text while the label shows, and nothing while it is hidden.
  let seed = 12345;
  const random = () => {
    seed = (seed * 1103515245 + 12345) >>> 0;
    return seed / 4294967296;
  };
  const keys = ['ArrowLeft', 'ArrowRight', 'ArrowUp', 'Space', 'Enter'];
  let mismatch = null;
  let spoken = new Set();
  let steps = 0;
  let held = null;
  for (let round = 0; round < 150 && !mismatch; ++round) {
    if (held && random() < 0.5) {
      await page.key('up', held);
      held = null;
    } else if (!held) {
      held = keys[Math.floor(random() * keys.length)];
      await page.key('down', held);
    }
    const n = 1 + Math.floor(random() * 12);
    const out = await page.eval(`(() => {
      const seen = [];
      for (let i = 0; i < ${n}; ++i) {
        skelvar.step(1);
        const s = skelvar.state();
        const label = s.pnlGame.visible ? s.lblMsg.text : '';
        seen.push([label, document.querySelector('[aria-live]').textContent, s.GameState]);
      }
      return seen;
    })()`);
    for (const [label, said] of out) {
      ++steps;
      if (label !== said && !mismatch) mismatch = { step: steps, label, said };
      if (said) spoken.add(said);
    }
  }
  if (held) await page.key('up', held);
  check(!mismatch, mismatch ? `the live region lags the label at step ${mismatch.step}: ${JSON.stringify(mismatch)}`
    : `over ${steps} ticks the live region always held the label's text`);
  check(spoken.has(HintText), `the start hint was spoken (${[...spoken].slice(0, 4).join(' / ')})`);
  check(spoken.size >= 2, `more than one text was spoken (${spoken.size})`);
  return page;
}

await runSuite('layout', {}, async ({ engine, serve, group }) => {
  const site = await serve(options.site);
  const pages = [];
  for (const run of [uprightPage, notchPage, tallDesktopPage, readablePage]) {
    await group(run.name, async () => pages.push(await run(engine, site.url)));
  }
  await noProblems(pages, 'the pages');
});
