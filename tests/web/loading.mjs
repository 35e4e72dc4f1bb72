// The page's loading in Chromium: the site's pictures (one file per distinct picture, the
// frames as PNG of exactly the stored pixels), cold loads on a slow phone link, a server that
// fails now and then or labels the .wasm wrongly, and files that are missing for good (the
// message, its retry button, the fallback font).
//   node tests/web/loading.mjs --site build-web/site --assets assets
import { cpSync, mkdtempSync, readdirSync, readFileSync, renameSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { execFileSync } from 'node:child_process';

import { pollFor } from './engine.mjs';
import {
  check, escapeToMenu, framesPass, near, parseOptions, pictureOf, pressKey, runSuite, settle, ticks,
} from './harness.mjs';
import { decodePng } from './png.mjs';

const options = parseOptions('loading.mjs', '--site DIR --assets DIR', { assets: null }, { required: ['assets'] });

// The sources, for making a new build's worker as the build does.
const sourceDir = join(dirname(fileURLToPath(import.meta.url)), '..', '..');

// A 4-bit bottom-up frame bitmap's pixels, read here independently of the build's converter.
function decodeBmp(buffer) {
  const offset = buffer.readUInt32LE(10);
  const header = buffer.readUInt32LE(14);
  const width = buffer.readInt32LE(18);
  const height = buffer.readInt32LE(22);
  const bits = buffer.readUInt16LE(28);
  if (bits !== 4) throw new Error('not a 4-bit bitmap');
  const table = 14 + header;
  const stride = Math.ceil((width * 4) / 32) * 4;
  const pixel = (x, y) => {
    const row = offset + (height - 1 - y) * stride;
    const index = (buffer[row + (x >> 1)] >> (x % 2 === 0 ? 4 : 0)) & 15;
    const at = table + index * 4;
    return [buffer[at + 2], buffer[at + 1], buffer[at], 255];
  };
  return { width, height, pixel };
}

// ---- the site's pictures, without a browser ----
const { PictureFiles } = await import(pathToFileURL(join(options.site, 'picture-files.js')).href);
{
  const assetNames = readdirSync(options.assets).filter((n) => /\.(jpg|bmp)$/.test(n));
  const components = Object.keys(PictureFiles);
  check(components.length === assetNames.length && assetNames.every((n) => n.replace(/\.\w+$/, '') in PictureFiles),
    `every stored picture has its file on the site (${components.length} of ${assetNames.length})`);
  const siteFiles = readdirSync(join(options.site, 'pictures')).map((n) => `pictures/${n}`).sort();
  const mapped = [...new Set(Object.values(PictureFiles).map(([f]) => f))].sort();
  check(JSON.stringify(siteFiles) === JSON.stringify(mapped),
    `the site holds exactly the mapped files, no more (${siteFiles.length} files)`);

  // Components share a file exactly when their stored pictures are the same bytes.
  const bytesOf = (name) => readFileSync(join(options.assets, assetNames.find((n) => n.startsWith(`${name}.`))));
  let sharingRight = true;
  for (const a of components) {
    for (const b of components) {
      if (a >= b) continue;
      const sameFile = PictureFiles[a][0] === PictureFiles[b][0];
      if (sameFile !== bytesOf(a).equals(bytesOf(b))) {
        sharingRight = false;
        console.log(`  ${a} and ${b}: ${sameFile ? 'share a file but differ' : 'same picture, two files'}`);
      }
    }
  }
  check(sharingRight, 'components share a file exactly when their pictures are the same');
  check(mapped.length === 40, `40 distinct picture files for 46 components (${mapped.length})`);

  let jpegsSame = true;
  let framesSame = true;
  let frames = 0;
  for (const name of components) {
    const [file, size] = PictureFiles[name];
    const served = readFileSync(join(options.site, file));
    if (served.length !== size) jpegsSame = false;
    if (file.endsWith('.jpg')) {
      if (!served.equals(bytesOf(name))) jpegsSame = false;
      continue;
    }
    ++frames;
    const png = decodePng(served);
    const bmp = decodeBmp(bytesOf(name));
    if (png.width !== bmp.width || png.height !== bmp.height) {
      framesSame = false;
      console.log(`  ${name}: ${png.width}x${png.height} instead of ${bmp.width}x${bmp.height}`);
      continue;
    }
    for (let y = 0; y < bmp.height && framesSame; ++y) {
      for (let x = 0; x < bmp.width; ++x) {
        if (!near(png.pixel(x, y), bmp.pixel(x, y), 0)) {
          framesSame = false;
          console.log(`  ${name}: pixel ${x},${y} is ${png.pixel(x, y)} instead of ${bmp.pixel(x, y)}`);
          break;
        }
      }
    }
  }
  check(frames === 24 && framesSame, `the 24 frames are PNGs of exactly the stored pixels (${frames} checked)`);
  check(jpegsSame, 'the JPEGs are served as stored, at the sizes the table gives');
}

// Put into the page before its own scripts: until the stage is in, every 100 ms, the white pixels
// inside the loading bar's frame along the canvas's middle row: the part received.
const BarWatch = `document.addEventListener('DOMContentLoaded', () => {
  const canvas = document.getElementById('game');
  const fills = globalThis.barFills = [];
  const look = () => {
    fills.done = Boolean(globalThis.skelvar?.stageLoadedAt);
    if (fills.done) return;
    const w = Math.round(canvas.width * 0.4);
    const row = canvas.getContext('2d').getImageData((canvas.width - w) >> 1, canvas.height >> 1, w, 1).data;
    let white = 0;
    for (let i = 0; i < row.length; i += 4) if (Math.min(row[i], row[i + 1], row[i + 2]) >= 247) ++white;
    fills.push(white);
    setTimeout(look, 100);
  };
  look();
});`;

// Ignores what a test caused on purpose: requests answered with an error status.
const unexpected = async (page) => (await page.problems()).filter((p) => !/failed request|Failed to load resource/.test(p));

// How much of the background a screenshot shows in the run's stage, given the state it shows:
// sampled pixels that match the background, and of its pen lines, which a blank stage would lack.
async function backgroundShown(page, s, png) {
  const shot = decodePng(png);
  const back = await pictureOf(page, 'imgBack', [-s.imgBack.left, -s.imgBack.top, 900, 500]);
  const panel = s.pnlGame;
  const label = s.lblMsg;
  // The background is mostly pale paper: its pen lines are what a blank stage would lack.
  let inked = 0;
  let inkShown = 0;
  let compared = 0;
  let same = 0;
  for (let y = 0; y < 500; y += 3) {
    for (let x = 0; x < 900; x += 3) {
      const inLabel = x >= label.left && x < label.left + label.width && y >= label.top && y < label.top + label.height;
      const nearGirl = Math.abs(x - (s.PosX[0] + s.CameraX)) < 120 && Math.abs(y - (s.PosY[0] + s.CameraY)) < 160;
      if (inLabel || nearGirl) continue;
      const expected = back.pixel(x, y).slice(0, 3);
      const match = near(shot.pixel(panel.left + x, panel.top + y), expected, 10);
      ++compared;
      if (match) ++same;
      if (expected[0] + expected[1] + expected[2] < 3 * 128) {
        ++inked;
        if (match) ++inkShown;
      }
    }
  }
  return { compared, same, inked, inkShown };
}

const stageShown = ({ compared, same, inked, inkShown }) =>
  compared > 20000 && same / compared > 0.97 && inked > 300 && inkShown / inked > 0.95;
const shownText = ({ compared, same, inked, inkShown }) =>
  `${same} of ${compared} sampled pixels match it, ${inkShown} of its ${inked} pen-line pixels`;

await runSuite('loading', {}, async ({ engine, serve, group }) => {
  // A first visit: a profile of its own, so nothing is cached and no offline copy is kept yet.
  const freshPage = async (url, { slow = false } = {}) => {
    const page = await engine.newPage({ width: 960, height: 580, fresh: true });
    if (slow) await page.link('slow');
    await page.open(url);
    return page;
  };
  const server = await serve(options.site, { inject: BarWatch });

  await group('cold loads on a slow link', async () => {
    // They all start; a run started at once has its background.
    const menuTimes = [];
    for (let load = 0; load < 3; ++load) {
      const page = await freshPage(server.url, { slow: true });
      if (load === 1) {
        const fills = await page.waitFor('globalThis.barFills?.done && barFills', 30000, 'the bar to give way');
        const first = fills.findIndex((white) => white > 0);
        const more = fills.slice(first + 1).find((white) => white > fills[first]);
        check(first >= 0 && more !== undefined,
          `while loading, the canvas shows a bar that fills (${fills[first]} then ${more} white pixels along it, in ${fills.length} looks)`);
      }
      const menu = await page.waitFor('globalThis.skelvar?.menuDrawnAt', 30000, 'the menu').catch(async (error) => {
        const message = await page.eval("document.getElementById('failure')?.innerText ?? ''").catch(() => '');
        throw new Error(`slow cold load ${load + 1}: ${error.message} ${message}`);
      });
      menuTimes.push(Math.round(menu));
      const loadingShown = await page.eval('skelvar.state().GameState');
      if (load === 0) {
        // One press as soon as the menu shows, while the stage is still on its way: the run starts
        // once the stage is in, never before (watched in the page every few milliseconds).
        const stageInAtPress = await page.eval(`(() => {
          globalThis.startWatch = { early: false, started: 0 };
          const look = () => {
            if (skelvar.state().GameState !== 0) {
              setTimeout(look, 4);
              return;
            }
            startWatch.early = !skelvar.stageLoadedAt;
            startWatch.started = performance.now();
          };
          look();
          return skelvar.stageLoadedAt > 0;
        })()`);
        await page.key('down', 'ArrowRight');
        await page.key('up', 'ArrowRight');
        const started = await page.waitFor('startWatch.started && skelvar.state().pnlGame.visible', 15000, 'a run')
          .then(() => true, () => false);
        const watch = await page.eval('({ ...startWatch, stage: skelvar.stageLoadedAt, menu: skelvar.menuDrawnAt })');
        check(!stageInAtPress && started && !watch.early && watch.started >= watch.stage,
          `a key pressed as soon as the menu shows (${Math.round(watch.menu)} ms, state ${loadingShown}) starts a run only once the stage is in (in at ${Math.round(watch.stage)} ms, run from ${Math.round(watch.started)} ms)`);
        await page.waitFor('skelvar.window().opacityEnabled === false', 15000, 'the end of the fade');
        await page.link('full');
        // A screenshot whose state is known: the scene still, and the same after it.
        const view = (t) => JSON.stringify([t.CameraX, t.CameraY, t.imgBack, t.PosX[0], t.PosY[0]]);
        const s = await settle(page);
        const png = await page.screenshot();
        const still = view(await page.eval('skelvar.state()')) === view(s);
        if (process.env.SKELVAR_SHOTS) writeFileSync(join(process.env.SKELVAR_SHOTS, 'slow-run.png'), png);
        const shown = await backgroundShown(page, s, png);
        check(still && stageShown(shown), `the run's stage shows the background (${shownText(shown)}${still ? '' : '; the scene moved'})`);
      }
      const problems = await unexpected(page);
      check(problems.length === 0, `slow cold load ${load + 1} starts in ${Math.round(menu)} ms, with no error (${problems.join('; ')})`);
      await page.close();
    }
    console.log(`  menu drawn after ${menuTimes.join(', ')} ms on the slow link`);
  });

  // ---- a press on the stepped clock while the server holds the background back: the menu stays
  // tick after tick, the run starts at the first tick after the stage is in, and its very first
  // frame is painted with the whole stage ----
  await group('a stepped start with the background held back', async () => {
    let releaseBack = null;
    const backHeld = new Promise((resolve) => { releaseBack = resolve; });
    let releaseFont = null;
    const fontHeld = new Promise((resolve) => { releaseFont = resolve; });
    const late = await serve(options.site, {
      hold: (path) => {
        if (path.endsWith(PictureFiles.imgBack[0])) return backHeld;
        return path.endsWith('label.woff2') ? fontHeld : null;
      },
    });
    const ourFace = "[...document.fonts].some((f) => f.family === 'SkelvarLabel' && f.status === 'loaded')";
    try {
      const page = await freshPage(`${late.url}?step&seed=3`);
      await page.waitFor('globalThis.skelvar?.menuDrawnAt', 30000, 'the stepped menu');
      await page.key('down', 'ArrowRight');
      await page.key('up', 'ArrowRight');
      // Past the fade (13 steps of its timer, every other tick), with the background still held.
      const held = await page.eval(`(() => {
        const states = [];
        for (let i = 0; i < 40; ++i) states.push(JSON.parse(skelvar.step(1)[0]).GameState);
        return { states, opaque: !skelvar.window().opacityEnabled, stage: skelvar.stageLoadedAt };
      })()`);
      check(held.states.every((state) => state === -1) && held.opaque && held.stage === 0,
        `stepped: a key pressed while the background is held back leaves the menu for 40 ticks, past the fade (${[...new Set(held.states)]})`);
      // The menu came without the font, in the fallback face; the font, once it comes, is used.
      const fallbackFirst = !(await page.eval(ourFace));
      releaseFont();
      const swapped = await page.waitFor(ourFace, 10000, 'the font').then(() => true, () => false);
      check(fallbackFirst && swapped, `stepped: the menu shows before the font, which is swapped in when it arrives (${fallbackFirst}, ${swapped})`);
      // A tick as the background is let go, and, if the stage was not in yet, one once it is.
      releaseBack();
      const step = () => page.eval(`(() => {
        const stageIn = skelvar.stageLoadedAt > 0;
        const line = JSON.parse(skelvar.step(1)[0]);
        return { stageIn, tick: line.tick, state: line.GameState };
      })()`);
      const steps = [await step()];
      if (!steps[0].stageIn) {
        await page.waitFor('skelvar.stageLoadedAt > 0', 30000, 'the stage');
        steps.push(await step());
      }
      const last = steps.at(-1);
      check(steps.slice(0, -1).every((t) => t.state === -1 && !t.stageIn) && last.state === 0 && last.stageIn,
        `stepped: the run starts at the first tick after the stage is in (tick ${last.tick}, state ${last.state}, ${steps.length - 1} ticks after the release)`);
      // The press reaches the game at that tick; its release one tick later, so the poll sees it.
      const script = (await page.eval('skelvar.script()')).split('\n');
      check(script.includes(`${last.tick} keydown 39`) && script.includes(`${last.tick + 1} keyup 39`),
        `stepped: the held press is delivered at the tick the stage came in (${script.join('; ')})`);
      // Nothing moves between steps: what the canvas shows once painted is the run's first frame.
      await framesPass(page);
      const png = await page.screenshot();
      if (process.env.SKELVAR_SHOTS) writeFileSync(join(process.env.SKELVAR_SHOTS, 'held-first-frame.png'), png);
      const shown = await backgroundShown(page, await page.eval('skelvar.state()'), png);
      check(stageShown(shown), `stepped: the run's first frame shows the whole stage (${shownText(shown)})`);
      const problems = await unexpected(page);
      check(problems.length === 0, `stepped load with the background held: no error (${problems.join('; ')})`);
      await page.close();
    } finally {
      releaseBack();
      releaseFont();
    }
  });

  // ---- a flaky server that labels the .wasm wrongly: every file fails twice, then arrives ----
  await group('a flaky server', async () => {
    const tries = new Map();
    const flaky = await serve(options.site, {
      types: { '.wasm': 'application/octet-stream' },
      fail: (path) => {
        // The page retries its own requests; the document, its modules and style, and what the
        // browser itself fetches (the manifest, the icons) are left alone.
        if (/(\/|\.html|\.js|\.css|\.webmanifest|\.png)$/.test(path) && !path.startsWith('/pictures/')) return 0;
        const n = (tries.get(path) ?? 0) + 1;
        tries.set(path, n);
        return n <= 2 ? 503 : 0;
      },
    });
    const page = await freshPage(flaky.url);
    const loaded = await page.waitFor('globalThis.skelvar?.picturesLoaded', 30000, 'every picture')
      .then(() => true, (e) => e.message);
    const shown = await page.eval("!document.getElementById('failure')?.hidden").catch(() => true);
    const problems = await unexpected(page);
    check(loaded === true && !shown && problems.length === 0,
      `two 503s for every file and a .wasm sent as application/octet-stream: the game starts and every picture arrives (${loaded}, message ${shown ? 'shown' : 'hidden'}${problems.length ? `; ${problems.join('; ')}` : ''})`);
    const pictureRequests = flaky.requests.filter((p) => p.startsWith('/pictures/'));
    const distinct = new Set(pictureRequests);
    check(distinct.size === 40 && pictureRequests.length === 3 * distinct.size,
      `each distinct picture is asked for once, plus its retries (${pictureRequests.length} requests for ${distinct.size} files)`);
    await page.close();
  });

  // ---- files missing for good: the background, an outcome picture and the font ----
  await group('files missing for good', async () => {
    const copy = mkdtempSync(join(tmpdir(), 'skelvar-site-'));
    const aside = mkdtempSync(join(tmpdir(), 'skelvar-aside-'));
    try {
      cpSync(options.site, copy, { recursive: true });
      const hide = (file) => renameSync(join(copy, file), join(aside, file.replace(/\//g, '_')));
      const restore = (file) => renameSync(join(aside, file.replace(/\//g, '_')), join(copy, file));
      const backFile = PictureFiles.imgBack[0];
      const outcomeFile = PictureFiles.imgOv0100[0];
      hide(backFile);
      hide(outcomeFile);
      hide('label.woff2');
      const page = await freshPage((await serve(copy)).url);
      const failure = "(() => { const f = document.getElementById('failure'); return f && !f.hidden && f.innerText; })()";
      const text = await page.waitFor(failure, 30000, 'the message').catch(() => '');
      check(text.includes('読み込みに失敗しました') && text.includes(backFile) && text.includes('404'),
        `a missing background shows the message with the file and the reason (${JSON.stringify(text)})`);
      // The menu is up, but a start waits for the stage: held, not played on a blank stage.
      const menuUp = await page.eval('Boolean(globalThis.skelvar?.menuDrawnAt)');
      await pressKey(page, 'ArrowRight');
      await ticks(page, 20);
      check(menuUp && await page.eval('skelvar.state().GameState === -1 && !skelvar.stageLoadedAt'),
        'without the background the menu shows and a key pressed there starts no run in 20 ticks');
      const pressButton = async () => {
        const [x, y] = await page.eval(`(() => {
          const r = document.querySelector('#failure button').getBoundingClientRect();
          return [r.left + r.width / 2, r.top + r.height / 2];
        })()`);
        await page.click(x, y);
      };
      restore(backFile);
      await pressButton();
      const started = await page.waitFor('skelvar.stageLoadedAt && skelvar.state().GameState === 0', 30000, 'the run after the retry')
        .then(() => true, () => false);
      check(started, 'with the background back, the button loads it and the key pressed meanwhile starts the run');
      await escapeToMenu(page);
      const fallback = started && await page.eval(`(() => {
        const label = skelvar.state().lblMsg;
        const ours = [...document.fonts].some((f) => f.family === 'SkelvarLabel' && f.status === 'loaded');
        return !ours && label.text.length > 0 && label.width > 0;
      })()`);
      check(fallback, 'the game plays with the fallback face when the font cannot be had');
      const outcomeText = await page.waitFor(failure, 30000, 'the message for the outcome').catch(() => '');
      check(outcomeText.includes(outcomeFile) && !(await page.eval('skelvar.picturesLoaded')),
        `a missing outcome picture shows the message while the game plays on (${JSON.stringify(outcomeText)})`);
      restore(outcomeFile);
      await pressButton();
      const all = await page.waitFor('skelvar.picturesLoaded', 30000, 'every picture after the retry')
        .then(() => true, () => false);
      const hidden = await page.eval("document.getElementById('failure').hidden");
      check(all && hidden, 'with the outcome picture back, the button loads it and the message goes');
      const uncaught = (await page.problems()).filter((p) => /Uncaught|exception/.test(p));
      check(uncaught.length === 0, `no uncaught error on the way (${uncaught.join('; ')})`);
      await page.close();
    } finally {
      rmSync(copy, { recursive: true, force: true });
      rmSync(aside, { recursive: true, force: true });
    }
  });

  // ---- installable, and playable offline after one visit, from a subfolder ----
  // In the browser's own profile, as a fresh one cannot install the page.
  await group('installable and offline from a subfolder', async () => {
    const folder = await serve(options.site, { prefix: '/games/skelvar/' });
    const page = await engine.newPage({ width: 960, height: 580 });
    await page.open(folder.url);
    await page.waitFor('globalThis.skelvar?.picturesLoaded', 30000, 'every picture');
    const active = await page.waitFor(`navigator.serviceWorker.getRegistration().then((r) =>
      r?.active?.state === 'activated' && r.scope)`, 30000, 'the service worker').catch(() => '');
    check(active === folder.url, `the service worker is active for the folder (${active})`);
    const { installabilityErrors } = await page.protocol('Page.getInstallabilityErrors');
    check(installabilityErrors.length === 0,
      `Chromium finds no installability error (${JSON.stringify(installabilityErrors)})`);
    const icons = await page.eval(`(async () => {
      const manifest = await (await fetch(document.querySelector('link[rel=manifest]').href)).json();
      const touch = document.querySelector('link[rel=apple-touch-icon]').href;
      const listed = manifest.icons.map((i) => ({ src: new URL(i.src, location.href).href, sizes: i.sizes, purpose: i.purpose }));
      listed.push({ src: touch, sizes: '180x180', purpose: 'touch' });
      const out = [];
      for (const icon of listed) {
        const image = new Image();
        image.src = icon.src;
        await image.decode().catch(() => {});
        out.push({ ...icon, real: image.naturalWidth + 'x' + image.naturalHeight });
      }
      return { out, manifest, theme: document.querySelector('meta[name=theme-color]')?.content };
    })()`);
    const sizes = icons.out.map((i) => `${i.purpose} ${i.sizes}=${i.real}`).join(', ');
    check(icons.out.every((i) => i.sizes === i.real)
      && ['192x192', '512x512'].every((s) => icons.out.some((i) => i.purpose === 'any' && i.sizes === s))
      && icons.out.some((i) => i.purpose === 'maskable') && icons.out.some((i) => i.purpose === 'touch'),
      `the manifest's and the touch icon exist at their sizes (${sizes})`);
    const m = icons.manifest;
    check(m.start_url === './' && m.scope === './' && m.display_override?.[0] === 'fullscreen'
      && m.display === 'standalone' && m.orientation === 'landscape' && icons.theme === m.theme_color,
      'the manifest starts in the page\'s folder, fullscreen with a standalone fallback, landscape, in the theme colour');

    // The second visit without a network: menu, a run and every outcome picture.
    const asked = folder.requests.length;
    await page.link('offline');
    await page.open(folder.url);
    const offline = await page.waitFor('globalThis.skelvar?.picturesLoaded && skelvar.menuDrawnAt', 30000, 'the offline page')
      .then(() => true, () => false);
    await pressKey(page, 'ArrowRight');
    const ran = offline && await ticks(page, 20, 'skelvar.state().GameState === 0');
    check(offline && ran && folder.requests.length === asked,
      `a second visit with the network off shows the menu and every picture and plays a run (${folder.requests.length - asked} requests reached the server)`);
    await page.close();
  });

  // ---- a new build takes over on the next visit, whole, and the old copy goes ----
  await group('a new build', async () => {
    const copy = mkdtempSync(join(tmpdir(), 'skelvar-site-'));
    try {
      cpSync(options.site, copy, { recursive: true });
      const host = await serve(copy);
      // The site's workers as Chromium's own tools see them, from a blank page of the same profile.
      const watcher = await engine.newPage({ width: 300, height: 200 });
      const versions = await watcher.heard('ServiceWorker.workerVersionUpdated');
      await watcher.protocol('ServiceWorker.enable');
      const workers = (status) => versions.flatMap((v) => v.versions)
        .filter((v) => v.scriptURL.startsWith(host.url) && v.status === status);
      const visit = async () => {
        const page = await engine.newPage({ width: 960, height: 580 });
        await page.open(host.url);
        await page.waitFor('globalThis.skelvar?.picturesLoaded', 30000, 'every picture');
        return page;
      };
      const cssMark = "fetch('page.css').then((r) => r.text()).then((t) => t.includes('new build'))";
      const caches = 'caches.keys().then((k) => k.join())';
      let page = await visit();
      await page.waitFor("navigator.serviceWorker.getRegistration().then((r) => r?.active?.state === 'activated')", 30000, 'the first worker');
      const firstCache = await page.eval(caches);
      const first = (await pollFor(async () => workers('activated')[0], null, 30000, 'the first worker, as Chromium sees it')).versionId;
      await page.close();
      // The new build: one changed file, and its worker made again as the build makes it.
      writeFileSync(join(copy, 'page.css'), `${readFileSync(join(copy, 'page.css'), 'utf8')}\n/* new build */\n`);
      execFileSync('python3', [join(sourceDir, 'web', 'site_worker.py'), join(sourceDir, 'web', 'service-worker.js'), copy]);
      page = await visit();
      const oldWhole = !(await page.eval(cssMark));
      await page.waitFor("navigator.serviceWorker.getRegistration().then((r) => r?.waiting?.state === 'installed')", 30000, 'the new worker waiting');
      // With the old version's last page closed the new worker takes over.
      await page.close();
      await pollFor(async () => workers('activated').some((v) => v.versionId !== first), null, 30000, 'the new worker active');
      page = await visit();
      const newWhole = await page.eval(cssMark);
      const lastCaches = await page.eval(caches);
      check(oldWhole && newWhole && firstCache.startsWith('skelvar-') && lastCaches.startsWith('skelvar-')
        && !lastCaches.includes(',') && lastCaches !== firstCache,
        `a new build waits for the next visit and then replaces the old one and its cache (${firstCache} -> ${lastCaches})`);
      await page.close();
      await watcher.close();
    } finally {
      rmSync(copy, { recursive: true, force: true });
    }
  });
});
