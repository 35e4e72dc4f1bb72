// The page's loading in headless Chromium: the site's pictures (one file per distinct picture, the
// frames as PNG of exactly the stored pixels), cold loads on a slow phone link, a server that
// fails now and then or labels the .wasm wrongly, and files that are missing for good (the
// message, its retry button, the fallback font).
//   node tests/web/loading.mjs --site build-web/site --assets assets
import { cpSync, mkdtempSync, readdirSync, readFileSync, renameSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { execFileSync } from 'node:child_process';

import { Browser } from './browser.mjs';
import { check, escapeToMenu, failed, near, parseOptions, pressKey, sleep } from './harness.mjs';
import { decodePng } from './png.mjs';
import { serveSite } from './server.mjs';

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

// Ignores what a test caused on purpose: requests answered with an error status.
const unexpected = (page) => page.problems.filter((p) => !/failed request|Failed to load resource/.test(p));

// Every browser started, closed at the end even when a check throws on the way.
const browsers = new Set();
async function launch() {
  const browser = await Browser.launch();
  browsers.add(browser);
  const close = browser.close.bind(browser);
  browser.close = async () => {
    if (!browsers.delete(browser)) return;
    await close();
  };
  return browser;
}

// How much of the background a screenshot shows in the run's stage, given the state it shows:
// sampled pixels that match the background, and of its pen lines, which a blank stage would lack.
async function backgroundShown(page, s, png) {
  const shot = decodePng(png);
  const back = await page.eval(`(async () => {
    const { PictureFiles } = await import('./picture-files.js');
    const bitmap = await createImageBitmap(await (await fetch(PictureFiles.imgBack[0])).blob(),
      { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const c = new OffscreenCanvas(900, 500).getContext('2d');
    c.drawImage(bitmap, ${s.imgBack.left}, ${s.imgBack.top});
    return Array.from(c.getImageData(0, 0, 900, 500).data);
  })()`);
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
      const expected = back.slice((y * 900 + x) * 4, (y * 900 + x) * 4 + 3);
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

async function freshPage(url, { slow = false } = {}) {
  const browser = await launch();
  const page = await browser.newPage();
  if (slow) await page.emulateSlowLink();
  await page.open(url, { width: 960, height: 580 }, { noCache: true });
  return { browser, page };
}

const server = await serveSite(options.site);
try {
  // ---- cold loads on a slow link: they all start; a run started at once has its background ----
  const menuTimes = [];
  for (let load = 0; load < 3; ++load) {
    const { browser, page } = await freshPage(server.url, { slow: true });
    if (load === 1) {
      // Until the fade-in, the canvas shows a bar that fills as the bytes arrive: white pixels
      // along its middle row, more of them a second later.
      const filled = (png) => {
        const shot = decodePng(png);
        let white = 0;
        for (let x = 0; x < 960; ++x) if (near(shot.pixel(x, 290), [255, 255, 255], 8)) ++white;
        return white;
      };
      await sleep(1500);
      const early = filled(await page.screenshot());
      await sleep(1000);
      const later = filled(await page.screenshot());
      const startedMeanwhile = await page.eval('Boolean(globalThis.skelvar?.menuDrawnAt)');
      check(startedMeanwhile || (early > 4 && later > early),
        `while loading, the canvas shows a bar that fills (${early} then ${later} white pixels along it)`);
    }
    let menu = null;
    try {
      menu = await page.waitFor('globalThis.skelvar?.menuDrawnAt', 30000, 'the menu');
    } catch (error) {
      const message = await page.eval("document.getElementById('failure')?.innerText ?? ''").catch(() => '');
      check(false, `slow cold load ${load + 1}: ${error.message} ${message}`);
      await browser.close();
      continue;
    }
    menuTimes.push(Math.round(menu));
    const loadingShown = await page.eval(`(() => {
      const s = skelvar.state();
      return s.GameState;
    })()`);
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
      await pressKey(page, 'ArrowRight');
      const started = await page.waitFor('startWatch.started && skelvar.state().pnlGame.visible', 15000, 'a run')
        .then(() => true, () => false);
      const watch = await page.eval('({ ...startWatch, stage: skelvar.stageLoadedAt, menu: skelvar.menuDrawnAt })');
      check(!stageInAtPress && started && !watch.early && watch.started >= watch.stage,
        `a key pressed as soon as the menu shows (${Math.round(watch.menu)} ms, state ${loadingShown}) starts a run only once the stage is in (in at ${Math.round(watch.stage)} ms, run from ${Math.round(watch.started)} ms)`);
      await page.waitFor('skelvar.window().opacityEnabled === false', 15000, 'the end of the fade');
      await page.emulateSlowLink(true);
      // A screenshot whose state is known: the view the same before and after it.
      const view = (t) => JSON.stringify([t.CameraX, t.CameraY, t.imgBack, t.PosX[0], t.PosY[0]]);
      let s = null;
      let png = null;
      for (let attempt = 0; attempt < 20; ++attempt) {
        s = await page.eval('skelvar.state()');
        png = await page.screenshot();
        if (view(await page.eval('skelvar.state()')) === view(s)) break;
        await sleep(150);
      }
      if (process.env.SKELVAR_SHOTS) writeFileSync(join(process.env.SKELVAR_SHOTS, 'slow-run.png'), png);
      const shown = await backgroundShown(page, s, png);
      check(stageShown(shown), `the run's stage shows the background (${shownText(shown)})`);
    }
    check(unexpected(page).length === 0, `slow cold load ${load + 1} starts in ${Math.round(menu)} ms, with no error (${unexpected(page).join('; ')})`);
    await browser.close();
  }
  console.log(`  menu drawn after ${menuTimes.join(', ')} ms on the slow link`);

  // ---- a press on the stepped clock while the server holds the background back: the menu stays
  // tick after tick, the run starts at the first tick after the stage is in, and its very first
  // frame is painted with the whole stage ----
  {
    let releaseBack = null;
    const backHeld = new Promise((resolve) => { releaseBack = resolve; });
    let releaseFont = null;
    const fontHeld = new Promise((resolve) => { releaseFont = resolve; });
    const late = await serveSite(options.site, {
      hold: (path) => {
        if (path.endsWith(PictureFiles.imgBack[0])) return backHeld;
        return path.endsWith('label.woff2') ? fontHeld : null;
      },
    });
    const ourFace = "[...document.fonts].some((f) => f.family === 'SkelvarLabel' && f.status === 'loaded')";
    const { browser, page } = await freshPage(`${late.url}?step&seed=3`);
    try {
      await page.waitFor('globalThis.skelvar?.menuDrawnAt', 30000, 'the stepped menu');
      await pressKey(page, 'ArrowRight');
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
      releaseBack();
      const steps = [];
      for (let i = 0; i < 300; ++i) {
        const step = await page.eval(`(() => {
          const stageIn = skelvar.stageLoadedAt > 0;
          const line = JSON.parse(skelvar.step(1)[0]);
          return { stageIn, tick: line.tick, state: line.GameState };
        })()`);
        steps.push(step);
        if (step.state !== -1) break;
        await sleep(20);
      }
      const last = steps[steps.length - 1];
      check(steps.slice(0, -1).every((t) => t.state === -1 && !t.stageIn) && last.state === 0 && last.stageIn,
        `stepped: the run starts at the first tick after the stage is in (tick ${last.tick}, state ${last.state}, ${steps.length - 1} ticks after the release)`);
      // The press reaches the game at that tick; its release one tick later, so the poll sees it.
      const script = (await page.eval('skelvar.script()')).split('\n');
      check(script.includes(`${last.tick} keydown 39`) && script.includes(`${last.tick + 1} keyup 39`),
        `stepped: the held press is delivered at the tick the stage came in (${script.join('; ')})`);
      // Nothing moves between steps: what the canvas shows now is the run's first frame.
      await sleep(500);
      const png = await page.screenshot();
      if (process.env.SKELVAR_SHOTS) writeFileSync(join(process.env.SKELVAR_SHOTS, 'held-first-frame.png'), png);
      const shown = await backgroundShown(page, await page.eval('skelvar.state()'), png);
      check(stageShown(shown), `stepped: the run's first frame shows the whole stage (${shownText(shown)})`);
      check(unexpected(page).length === 0, `stepped load with the background held: no error (${unexpected(page).join('; ')})`);
    } finally {
      releaseBack();
      releaseFont();
      await browser.close();
      await late.stop();
    }
  }

  // ---- a flaky server that labels the .wasm wrongly: every file fails twice, then arrives ----
  {
    const tries = new Map();
    const flaky = await serveSite(options.site, {
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
    const { browser, page } = await freshPage(flaky.url);
    const loaded = await page.waitFor('globalThis.skelvar?.picturesLoaded', 30000, 'every picture')
      .then(() => true, (e) => e.message);
    const shown = await page.eval("!document.getElementById('failure')?.hidden").catch(() => true);
    check(loaded === true && !shown && unexpected(page).length === 0,
      `two 503s for every file and a .wasm sent as application/octet-stream: the game starts and every picture arrives (${loaded}, message ${shown ? 'shown' : 'hidden'}${unexpected(page).length ? `; ${unexpected(page).join('; ')}` : ''})`);
    const pictureRequests = flaky.requests.filter((p) => p.startsWith('/pictures/'));
    const distinct = new Set(pictureRequests);
    check(distinct.size === 40 && pictureRequests.length === 3 * distinct.size,
      `each distinct picture is asked for once, plus its retries (${pictureRequests.length} requests for ${distinct.size} files)`);
    await browser.close();
    await flaky.stop();
  }

  // ---- files missing for good: the background, an outcome picture and the font ----
  {
    const copy = mkdtempSync(join(tmpdir(), 'skelvar-site-'));
    cpSync(options.site, copy, { recursive: true });
    const aside = mkdtempSync(join(tmpdir(), 'skelvar-aside-'));
    const hide = (file) => renameSync(join(copy, file), join(aside, file.replace(/\//g, '_')));
    const restore = (file) => renameSync(join(aside, file.replace(/\//g, '_')), join(copy, file));
    const backFile = PictureFiles.imgBack[0];
    const outcomeFile = PictureFiles.imgOv0100[0];
    hide(backFile);
    hide(outcomeFile);
    hide('label.woff2');
    const missing = await serveSite(copy);
    const { browser, page } = await freshPage(missing.url);
    const failure = "(() => { const f = document.getElementById('failure'); return f && !f.hidden && f.innerText; })()";
    const text = await page.waitFor(failure, 30000, 'the message').catch(() => '');
    check(text.includes('読み込みに失敗しました') && text.includes(backFile) && text.includes('404'),
      `a missing background shows the message with the file and the reason (${JSON.stringify(text)})`);
    // The menu is up, but a start waits for the stage: held, not played on a blank stage.
    const menuUp = await page.eval('Boolean(globalThis.skelvar?.menuDrawnAt)');
    await pressKey(page, 'ArrowRight');
    await sleep(1000);
    check(menuUp && await page.eval('skelvar.state().GameState === -1 && !skelvar.stageLoadedAt'),
      'without the background the menu shows and a key pressed there starts no run');
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
    check(!page.problems.some((p) => /Uncaught|exception/.test(p)),
      `no uncaught error on the way (${page.problems.filter((p) => /Uncaught|exception/.test(p)).join('; ')})`);
    await browser.close();
    await missing.stop();
    rmSync(copy, { recursive: true, force: true });
    rmSync(aside, { recursive: true, force: true });
  }

  // ---- installable, and playable offline after one visit, from a subfolder ----
  {
    const folder = await serveSite(options.site, { prefix: '/games/skelvar/' });
    const { browser, page } = await freshPage(folder.url);
    await page.waitFor('globalThis.skelvar?.picturesLoaded', 30000, 'every picture');
    const active = await page.waitFor(`navigator.serviceWorker.getRegistration().then((r) =>
      r?.active?.state === 'activated' && r.scope)`, 30000, 'the service worker').catch(() => '');
    check(active === folder.url, `the service worker is active for the folder (${active})`);
    const { installabilityErrors } = await page.send('Page.getInstallabilityErrors');
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
    await page.send('Network.emulateNetworkConditions', { offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
    await page.send('Page.navigate', { url: folder.url });
    await sleep(500);
    const offline = await page.waitFor('globalThis.skelvar?.picturesLoaded && skelvar.menuDrawnAt', 30000, 'the offline page')
      .then(() => true, () => false);
    let ran = false;
    for (let attempt = 0; offline && attempt < 5 && !ran; ++attempt) {
      await pressKey(page, 'ArrowRight');
      ran = await page.waitFor('skelvar.state().GameState === 0', 2000, 'a run').then(() => true, () => false);
    }
    check(offline && ran && folder.requests.length === asked,
      `a second visit with the network off shows the menu and every picture and plays a run (${folder.requests.length - asked} requests reached the server)`);
    await browser.close();
    await folder.stop();
  }

  // ---- a new build takes over on the next visit, whole, and the old copy goes ----
  {
    const copy = mkdtempSync(join(tmpdir(), 'skelvar-site-'));
    cpSync(options.site, copy, { recursive: true });
    const host = await serveSite(copy);
    const browser = await launch();
    const visit = async () => {
      const page = await browser.newPage();
      await page.open(host.url, { width: 960, height: 580 });
      await page.waitFor('globalThis.skelvar?.picturesLoaded', 30000, 'every picture');
      return page;
    };
    const cssMark = "fetch('page.css').then((r) => r.text()).then((t) => t.includes('new build'))";
    const caches = 'caches.keys().then((k) => k.join())';
    let page = await visit();
    await page.waitFor("navigator.serviceWorker.getRegistration().then((r) => r?.active?.state === 'activated')", 30000, 'the first worker');
    const firstCache = await page.eval(caches);
    await browser.send('Target.closeTarget', { targetId: page.targetId });
    // The new build: one changed file, and its worker made again as the build makes it.
    writeFileSync(join(copy, 'page.css'), `${readFileSync(join(copy, 'page.css'), 'utf8')}\n/* new build */\n`);
    execFileSync('python3', [join(sourceDir, 'web', 'site_worker.py'), join(sourceDir, 'web', 'service-worker.js'), copy]);
    page = await visit();
    const oldWhole = !(await page.eval(cssMark));
    await page.waitFor("navigator.serviceWorker.getRegistration().then((r) => r?.waiting?.state === 'installed')", 30000, 'the new worker waiting')
      .catch(() => {});
    await browser.send('Target.closeTarget', { targetId: page.targetId });
    // The old version's last page may take a moment to go: a visit or two later at the most.
    let newWhole = false;
    for (let attempt = 0; attempt < 3 && !newWhole; ++attempt) {
      if (attempt > 0) await browser.send('Target.closeTarget', { targetId: page.targetId });
      await sleep(300);
      page = await visit();
      newWhole = await page.eval(cssMark);
    }
    // The old cache goes while the new worker activates.
    const lastCaches = await page.waitFor(`caches.keys().then((k) => k.length === 1 && k.join())`, 10000, 'one cache')
      .catch(() => page.eval(caches));
    check(oldWhole && newWhole && firstCache.startsWith('skelvar-') && lastCaches.startsWith('skelvar-')
      && !lastCaches.includes(',') && lastCaches !== firstCache,
      `a new build waits for the next visit and then replaces the old one and its cache (${firstCache} -> ${lastCaches})`);
    await browser.close();
    await host.stop();
    rmSync(copy, { recursive: true, force: true });
  }
} catch (error) {
  check(false, `the loading checks ran to the end: ${error.stack ?? error.message}`);
} finally {
  for (const browser of browsers) await browser.close();
  await server.stop();
}

if (failed()) {
  console.log(`${failed()} loading checks failed`);
  process.exit(1);
}
console.log('every loading check passed');
