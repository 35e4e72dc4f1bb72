// The page in the other browser engines: Firefox ESR (headless, over WebDriver BiDi) and WebKit
// (WebKitWebDriver driving its MiniBrowser under a private Xvfb). In each the menu must be drawn,
// a key must start a run and the right arrow must move the girl right. An engine whose Debian
// package is missing is skipped with a message; anything else that goes wrong fails.
//   node tests/web/engines.mjs --site build-web/site [--shots DIR] [--only ENGINE]
import { spawn } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { serve } from './browser.mjs';
import { check, failed, parseOptions, sleep } from './harness.mjs';
import { decodePng } from './png.mjs';
import { SocketClient } from './websocket.mjs';

const options = parseOptions('engines.mjs', '--site DIR [--shots DIR] [--only firefox|webkit]', { shots: null, only: null });

const Width = 960;
const Height = 580;

function findExecutable(names) {
  for (const name of names) {
    if (name.startsWith('/')) {
      if (existsSync(name)) return name;
      continue;
    }
    for (const dir of (process.env.PATH ?? '').split(':')) {
      if (dir && existsSync(join(dir, name))) return join(dir, name);
    }
  }
  return null;
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = createServer();
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
    server.on('error', reject);
  });
}

// Waits for a pattern in a child's output; resolves to the match.
function waitForOutput(child, stream, pattern, what, timeoutMs = 30000) {
  return new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error(`${what} did not start: ${text.slice(-300)}`)), timeoutMs);
    const listen = (chunk) => {
      text += chunk;
      const m = pattern.exec(text);
      if (m) {
        clearTimeout(timer);
        child[stream].off('data', listen);
        child[stream].resume();
        resolve(m);
      }
    };
    child[stream].on('data', listen);
    child.on('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`${what} ended (${code}): ${text.slice(-300)}`));
    });
  });
}

// What every engine's page must do, given a driver with the same few verbs.
async function playIn(engine, driver, url) {
  await driver.open(url);
  await driver.waitFor('globalThis.skelvar && skelvar.picturesLoaded && !skelvar.window().opacityEnabled',
    30000, 'the menu, faded in');
  const view = await driver.eval('[innerWidth, innerHeight, devicePixelRatio, skelvar.scale(), skelvar.window().clientWidth, skelvar.window().clientHeight]');
  console.log(`note: ${engine} viewport ${view[0]} x ${view[1]} at ${view[2]}x, scale ${view[3]}, client ${view[4]} x ${view[5]}`);
  await sleep(300);
  const menu = decodePng(await driver.screenshot());
  if (options.shots) {
    mkdirSync(options.shots, { recursive: true });
    writeFileSync(join(options.shots, `${engine}-menu.png`), await driver.screenshot());
  }
  // The menu picture is dark red with a white title: across the middle of the screen there are
  // reds, near-whites and a wide spread of brightness, nothing like a blank or black page.
  let reddish = 0;
  let light = 0;
  let n = 0;
  const cy = Math.floor(menu.height / 2);
  for (let y = cy - Math.floor(menu.height / 4); y < cy + Math.floor(menu.height / 4); y += 2) {
    for (let x = Math.floor(menu.width / 8); x < Math.floor((menu.width * 7) / 8); x += 2) {
      const [r, g, b] = menu.pixel(x, y);
      ++n;
      if (r > g + 25 && r > b + 10) ++reddish;
      if (r > 220 && g > 210 && b > 210) ++light;
    }
  }
  check(reddish > n * 0.3 && light > n * 0.005,
    `${engine}: the menu picture is drawn (${(100 * reddish / n).toFixed(0)}% red, ${(100 * light / n).toFixed(1)}% white)`);

  const before = await driver.eval('skelvar.state()');
  check(before.GameState === -1, `${engine}: the page shows the menu (state ${before.GameState})`);
  await driver.key('Enter', 'down');
  await sleep(100);
  await driver.key('Enter', 'up');
  await driver.waitFor('skelvar.state().GameState === 0 && skelvar.state().pnlGame.visible', 10000, 'a run');
  check(true, `${engine}: Enter starts a run`);
  const start = await driver.eval('skelvar.state()');
  await driver.key('ArrowRight', 'down');
  await sleep(800);
  const moving = await driver.eval('skelvar.state()');
  await driver.key('ArrowRight', 'up');
  check(moving.PosX[0] - start.PosX[0] >= 150 && moving.Facing[0] === 0,
    `${engine}: → runs her right (${start.PosX[0]} -> ${moving.PosX[0]} in 0.8 s)`);
  const play = decodePng(await driver.screenshot());
  if (options.shots) writeFileSync(join(options.shots, `${engine}-play.png`), await driver.screenshot());
  // The stage's very pale pink fills most of the play area once the run has started.
  let pale = 0;
  let m = 0;
  for (let y = Math.floor(play.height * 0.2); y < Math.floor(play.height * 0.5); y += 3) {
    for (let x = Math.floor(play.width * 0.2); x < Math.floor(play.width * 0.8); x += 3) {
      const [r, g, b] = play.pixel(x, y);
      ++m;
      if (r > 240 && g > 225 && b > 240) ++pale;
    }
  }
  check(pale > m * 0.5, `${engine}: the stage is drawn during the run (${(100 * pale / m).toFixed(0)}% pale)`);
  const errors = await driver.eval('globalThis.__skelvarErrors ?? []');
  check(errors.length === 0, `${engine}: no uncaught error in the page${errors.length ? `: ${errors.join('; ')}` : ''}`);
}

// Collects uncaught errors for the checks, installed before the page's own scripts run.
const ErrorWatch = `globalThis.__skelvarErrors = [];
addEventListener('error', (e) => __skelvarErrors.push(String(e.message)));
addEventListener('unhandledrejection', (e) => __skelvarErrors.push(String(e.reason)));`;

// ---- Firefox over WebDriver BiDi ----
class BiDi {
  static async connect(url) {
    return new BiDi(await SocketClient.connect(url));
  }

  constructor(socket) {
    this.socket = socket;
    this.nextId = 1;
    this.pending = new Map();
    socket.onmessage = (data) => {
      const message = JSON.parse(data);
      const waiter = message.id !== undefined ? this.pending.get(message.id) : null;
      if (!waiter) return;
      this.pending.delete(message.id);
      if (message.type === 'error') waiter.reject(new Error(`${waiter.method}: ${message.error}: ${message.message}`));
      else waiter.resolve(message.result);
    };
    socket.onclose = () => {
      for (const { reject } of this.pending.values()) reject(new Error('the BiDi connection closed'));
      this.pending.clear();
    };
  }

  send(method, params = {}) {
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.socket.send(JSON.stringify({ id, method, params }));
    });
  }
}

const BiDiKeys = { Enter: '\uE007', ArrowRight: '\uE014' };

async function firefox(url) {
  const executable = findExecutable(['firefox-esr', 'firefox']);
  if (!executable) {
    console.log('skip: Firefox ESR is not installed (Debian package firefox-esr); its checks did not run');
    return false;
  }
  const profile = mkdtempSync(join(tmpdir(), 'skelvar-firefox-'));
  // A quiet profile: no first-run pages, updates or reports on this machine's loopback-only run.
  writeFileSync(join(profile, 'user.js'), [
    'user_pref("browser.shell.checkDefaultBrowser", false);',
    'user_pref("browser.startup.homepage_override.mstone", "ignore");',
    'user_pref("datareporting.policy.dataSubmissionEnabled", false);',
    'user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);',
    'user_pref("app.update.disabledForTesting", true);',
    'user_pref("browser.aboutwelcome.enabled", false);',
    'user_pref("remote.prefs.recommended", true);',
  ].join('\n'));
  const child = spawn(executable, ['--headless', '--no-remote', '--profile', profile,
    '--remote-debugging-port=0', `--width=${Width}`, `--height=${Height}`, 'about:blank'],
  { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, MOZ_CRASHREPORTER_DISABLE: '1' } });
  child.stdout.resume();
  let bidi = null;
  try {
    const [, address] = await waitForOutput(child, 'stderr', /WebDriver BiDi listening on (ws:\/\/\S+)/, 'Firefox');
    bidi = await BiDi.connect(`${address}/session`);
    const session = await bidi.send('session.new', { capabilities: {} });
    console.log(`note: ${session.capabilities.browserName} ${session.capabilities.browserVersion}`);
    const { contexts } = await bidi.send('browsingContext.getTree', {});
    const context = contexts[0].context;
    await bidi.send('browsingContext.setViewport', { context, viewport: { width: Width, height: Height } });
    await bidi.send('script.addPreloadScript', { functionDeclaration: `() => { ${ErrorWatch} }` });
    const evaluate = async (expression) => {
      const r = await bidi.send('script.evaluate', {
        expression: `(async () => JSON.stringify(await (${expression})))()`,
        target: { context }, awaitPromise: true, resultOwnership: 'none',
      });
      if (r.type !== 'success') throw new Error(`in the page: ${r.exceptionDetails?.text ?? 'exception'}`);
      return r.result.value === undefined ? undefined : JSON.parse(r.result.value);
    };
    await playIn('firefox', {
      open: (u) => bidi.send('browsingContext.navigate', { context, url: u, wait: 'complete' }),
      eval: evaluate,
      waitFor: (e, ms, what) => pollFor(evaluate, e, ms, what),
      screenshot: async () => Buffer.from((await bidi.send('browsingContext.captureScreenshot', { context })).data, 'base64'),
      key: (name, how) => bidi.send('input.performActions', { context, actions: [{ type: 'key', id: 'keyboard',
        actions: [{ type: how === 'down' ? 'keyDown' : 'keyUp', value: BiDiKeys[name] }] }] }),
    }, url);
    await bidi.send('session.end').catch(() => {});
  } catch (error) {
    check(false, `firefox: ${error.message}`);
  } finally {
    bidi?.socket.close();
    child.kill('SIGKILL');
    await new Promise((r) => (child.exitCode !== null ? r() : child.once('exit', r)));
    rmSync(profile, { recursive: true, force: true });
  }
  return true;
}

async function pollFor(evaluate, expression, timeoutMs, what) {
  const until = Date.now() + timeoutMs;
  for (;;) {
    const value = await evaluate(expression).catch(() => undefined);
    if (value) return value;
    if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
    await sleep(50);
  }
}

// ---- WebKit over classic WebDriver ----
function miniBrowser() {
  const root = '/usr/lib';
  for (const arch of readdirSync(root).filter((d) => d.endsWith('-linux-gnu')).concat([''])) {
    for (const api of ['webkit2gtk-4.1', 'webkit2gtk-4.0', 'webkitgtk-6.0']) {
      const path = join(root, arch, api, 'MiniBrowser');
      if (existsSync(path)) return path;
    }
  }
  return null;
}

async function startXvfb() {
  const xvfb = findExecutable(['Xvfb']);
  if (!xvfb) return null;
  const child = spawn(xvfb, ['-displayfd', '3', '-screen', '0', '1280x900x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
  child.stderr.resume();
  const display = await new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error('Xvfb did not start')), 15000);
    child.stdio[3].on('data', (chunk) => {
      text += chunk;
      if (text.includes('\n')) {
        clearTimeout(timer);
        resolve(`:${text.trim()}`);
      }
    });
    child.on('exit', (code) => reject(new Error(`Xvfb ended (${code})`)));
  });
  return { display, stop: () => child.kill() };
}

// WebKitGTK's own page snapshot never answers under Xvfb, so the screen itself is read, as a
// player would see it: the root window, cut to the browser's window.
async function screenOf(display, rectPromise) {
  const rect = await rectPromise;
  const png = await new Promise((resolve, reject) => {
    const child = spawn('import', ['-display', display, '-window', 'root', '-crop',
      `${rect.width}x${rect.height}+${rect.x}+${rect.y}`, '+repage', '-depth', '8', 'png24:-'],
    { stdio: ['ignore', 'pipe', 'pipe'] });
    const chunks = [];
    let errors = '';
    child.stdout.on('data', (c) => chunks.push(c));
    child.stderr.on('data', (c) => { errors += c; });
    child.on('error', reject);
    child.on('exit', (code) => (code === 0 ? resolve(Buffer.concat(chunks)) : reject(new Error(`import: ${errors}`))));
  });
  return png;
}

const WebDriverKeys = { Enter: '\uE007', ArrowRight: '\uE014' };

async function webkit(url) {
  const driverPath = findExecutable(['WebKitWebDriver']);
  const browserPath = miniBrowser();
  if (!driverPath || !browserPath) {
    console.log('skip: WebKitWebDriver or its MiniBrowser is not installed (Debian package webkit2gtk-driver); its checks did not run');
    return false;
  }
  if (!findExecutable(['import'])) {
    check(false, 'webkit: needs ImageMagick\'s import (Debian package imagemagick) to read the screen');
    return true;
  }
  const x = await startXvfb();
  if (!x) {
    check(false, 'webkit: needs Xvfb (Debian package xvfb) for its MiniBrowser');
    return true;
  }
  const port = await freePort();
  const driver = spawn(driverPath, [`--port=${port}`, '--host=local'], {
    stdio: ['ignore', 'pipe', 'pipe'],
    env: { ...process.env, DISPLAY: x.display, WAYLAND_DISPLAY: '', GDK_BACKEND: 'x11',
      WEBKIT_DISABLE_COMPOSITING_MODE: process.env.WEBKIT_DISABLE_COMPOSITING_MODE ?? '' },
  });
  driver.stdout.resume();
  driver.stderr.resume();
  const base = `http://127.0.0.1:${port}`;
  let session = null;
  const call = async (method, path, body) => {
    const response = await fetch(`${base}${path}`, {
      method, headers: { 'content-type': 'application/json' }, signal: AbortSignal.timeout(30000),
      body: body === undefined ? undefined : JSON.stringify(body),
    }).catch((error) => {
      throw new Error(`${method} ${path.replace(/^\/session\/[^/]+/, '')}: ${error.message}`);
    });
    const reply = await response.json();
    if (!response.ok) throw new Error(`${method} ${path}: ${reply.value?.error}: ${reply.value?.message}`);
    return reply.value;
  };
  try {
    for (let i = 0; ; ++i) {
      try {
        await call('GET', '/status');
        break;
      } catch (error) {
        if (i > 100) throw new Error(`WebKitWebDriver did not answer: ${error.message}`);
        await sleep(100);
      }
    }
    const created = await call('POST', '/session', { capabilities: { alwaysMatch: {
      'webkitgtk:browserOptions': { binary: browserPath, args: ['--automation'] } } } });
    session = created.sessionId;
    console.log(`note: ${created.capabilities.browserName} ${created.capabilities.browserVersion}`);
    const s = `/session/${session}`;
    await call('POST', `${s}/window/rect`, { width: Width, height: Height });
    const evaluate = async (expression) => {
      const value = await call('POST', `${s}/execute/async`, {
        script: `const done = arguments[0];
          Promise.resolve().then(async () => JSON.stringify(await (${expression})))
            .then(done, (e) => done(JSON.stringify({ __error: String(e) })));`,
        args: [],
      });
      const parsed = value === undefined || value === null ? undefined : JSON.parse(value);
      if (parsed && parsed.__error) throw new Error(`in the page: ${parsed.__error}`);
      return parsed;
    };
    await playIn('webkit', {
      open: async (u) => {
        await call('POST', `${s}/url`, { url: u });
        await evaluate(`(() => { ${ErrorWatch.replace('globalThis.__skelvarErrors = [];', 'globalThis.__skelvarErrors ??= [];')} return true; })()`);
      },
      eval: evaluate,
      waitFor: (e, ms, what) => pollFor(evaluate, e, ms, what),
      screenshot: () => screenOf(x.display, call('GET', `${s}/window/rect`)),
      key: (name, how) => call('POST', `${s}/actions`, { actions: [{ type: 'key', id: 'keyboard',
        actions: [{ type: how === 'down' ? 'keyDown' : 'keyUp', value: WebDriverKeys[name] }] }] }),
    }, url);
  } catch (error) {
    check(false, `webkit: ${error.message}`);
  } finally {
    if (session) await call('DELETE', `/session/${session}`).catch(() => {});
    driver.kill();
    x.stop();
  }
  return true;
}

// Exit status 77 tells ctest that no engine was there to test: skipped, not passed.
const Skipped = 77;
const server = await serve(options.site);
let ran = 0;
try {
  if ((!options.only || options.only === 'firefox') && await firefox(server.url)) ++ran;
  if ((!options.only || options.only === 'webkit') && await webkit(server.url)) ++ran;
} finally {
  server.stop();
}
if (failed() > 0) {
  console.log(`${failed()} engine checks failed`);
  process.exit(1);
}
console.log(ran > 0 ? `all engine checks passed in ${ran} engine(s)` : 'no engine installed: nothing was checked');
process.exit(ran > 0 ? 0 : Skipped);
