// WebKit for the engine interface (engine.mjs): Debian's WebKitWebDriver (webkit2gtk-driver)
// bound to 127.0.0.1, driving the MiniBrowser of libwebkit2gtk-4.1 over classic WebDriver HTTP
// calls, under its own Xvfb. A device scale of 2 is GTK's own (GDK_SCALE=2).
import { spawn } from 'node:child_process';
import { createServer } from 'node:net';

import { findExecutable, findMiniBrowser, PageErrors, startXvfb } from './engine.mjs';

const Keys = {
  Enter: '\uE007', NumpadEnter: '\uE007', Escape: '\uE00C', Space: '\uE00D', KeyA: 'a', KeyM: 'm',
  ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014', ArrowDown: '\uE015',
};

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

export async function launch({ scale = 1 } = {}) {
  const driverPath = findExecutable(['WebKitWebDriver']);
  const browserPath = findMiniBrowser();
  if (!driverPath || !browserPath) return null;
  if (!findExecutable(['import'])) throw new Error('WebKit needs ImageMagick\'s import (Debian package imagemagick) to read the screen');
  // Room for a 1200 x 700 view at either scale.
  const x = await startXvfb(scale === 1 ? '1280x900x24' : '2560x1800x24');
  const port = await freePort();
  const driver = spawn(driverPath, [`--port=${port}`, '--host=127.0.0.1'], {
    stdio: ['ignore', 'ignore', 'pipe'],
    env: { ...process.env, DISPLAY: x.display, WAYLAND_DISPLAY: '', GDK_BACKEND: 'x11',
      GDK_SCALE: String(scale) },
  });
  let driverErrors = '';
  driver.stderr.on('data', (c) => { driverErrors = (driverErrors + c).slice(-2000); });
  const base = `http://127.0.0.1:${port}`;
  const call = async (method, path, body, timeoutMs = 30000) => {
    const response = await fetch(`${base}${path}`, {
      method, headers: { 'content-type': 'application/json' }, signal: AbortSignal.timeout(timeoutMs),
      body: body === undefined ? undefined : JSON.stringify(body),
    }).catch((error) => {
      throw new Error(`${method} ${path.replace(/^\/session\/[^/]+/, '')}: ${error.message}`);
    });
    const reply = await response.json();
    if (!response.ok) throw new Error(`${method} ${path.replace(/^\/session\/[^/]+/, '')}: ${reply.value?.error}: ${reply.value?.message}`);
    return reply.value;
  };
  const stop = () => {
    driver.kill();
    x.stop();
  };
  try {
    for (let i = 0; ; ++i) {
      try {
        await call('GET', '/status', undefined, 2000);
        break;
      } catch (error) {
        if (i > 100) throw new Error(`WebKitWebDriver did not answer: ${error.message} ${driverErrors}`);
        await new Promise((r) => setTimeout(r, 100));
      }
    }
  } catch (error) {
    stop();
    throw error;
  }
  // WebKitWebDriver runs one session at a time, so each further page is a window of its own in
  // that session, and a page makes its window current before it acts.
  let session = null;
  return {
    name: 'webkit',
    version: null,
    limits: {
      keyRepeat: 'WebKitWebDriver sends a key that is already down only once',
      touch: 'WebKitWebDriver has no touch input',
      hidden: findExecutable(['openbox']) ? undefined
        : 'another tab is another window here, and minimising this one needs openbox (Debian package openbox)',
    },
    async newPage(viewport) {
      let handle;
      if (!session) {
        const created = await call('POST', '/session', { capabilities: { alwaysMatch: {
          'webkitgtk:browserOptions': { binary: browserPath, args: ['--automation'] } } } });
        session = { id: created.sessionId, current: null };
        this.version = `${created.capabilities.browserName} ${created.capabilities.browserVersion}`;
        handle = await call('GET', `/session/${session.id}/window`);
      } else {
        ({ handle } = await call('POST', `/session/${session.id}/window/new`, { type: 'window' }));
      }
      return newPage(call, session, handle, x.display, viewport, scale);
    },
    async close() {
      if (session) await call('DELETE', `/session/${session.id}`, undefined, 5000).catch(() => {});
      stop();
    },
  };
}

// WebKitGTK's own page snapshot never answers under Xvfb, so the screen itself is read, as a
// player would see it: the root window, cut to the web view (the bottom right of the browser
// window, below whatever bar it has).
function readScreen(display, crop) {
  return new Promise((resolve, reject) => {
    const child = spawn('import', ['-display', display, '-window', 'root', '-crop', crop, '+repage',
      '-depth', '8', 'png24:-'], { stdio: ['ignore', 'pipe', 'pipe'] });
    const chunks = [];
    let errors = '';
    child.stdout.on('data', (c) => chunks.push(c));
    child.stderr.on('data', (c) => { errors += c; });
    child.on('error', reject);
    child.on('exit', (code) => (code === 0 ? resolve(Buffer.concat(chunks)) : reject(new Error(`import: ${errors}`))));
  });
}

async function newPage(sessionCall, session, handle, display, { width, height }, scale) {
  const s = `/session/${session.id}`;
  const toWindow = async () => {
    if (session.current === handle) return;
    await sessionCall('POST', `${s}/window`, { handle });
    session.current = handle;
    session.inFrame = false;
  };
  const call = async (method, path, body) => {
    await toWindow();
    return sessionCall(method, path, body);
  };
  // WebDriver scripts, pointers and keys all act in the browsing context the test is in: the top
  // document, or the page's first iframe.
  const enter = async (frame) => {
    await toWindow();
    if (session.inFrame === frame) return;
    await call('POST', frame ? `${s}/frame` : `${s}/frame/parent`, frame ? { id: 0 } : {});
    session.inFrame = frame;
  };
  let keysInFrame = false;
  const run = async (expression, frame = false) => {
    await enter(frame);
    const text = await call('POST', `${s}/execute/async`, {
      script: `const done = arguments[0];
        Promise.resolve().then(async () => JSON.stringify({ value: await (${expression}) }))
          .then(done, (e) => done(JSON.stringify({ error: String(e && e.stack || e) })));`,
      args: [],
    });
    const result = JSON.parse(text);
    if (result.error) throw new Error(`in the page: ${result.error}`);
    return result.value;
  };
  const pointer = async (actions) => {
    await enter(false);
    await call('POST', `${s}/actions`, { actions: [{ type: 'pointer', id: 'mouse',
      parameters: { pointerType: 'mouse' }, actions }] });
  };
  // The window's outer size that gives the web view the asked-for CSS size.
  const setViewport = async (w, h) => {
    let rect = await call('POST', `${s}/window/rect`, { x: 0, y: 0, width: w, height: h });
    for (let i = 0; i < 3; ++i) {
      const [iw, ih] = await run('[innerWidth, innerHeight]').catch(() => [w, h]);
      if (iw === w && ih === h) break;
      rect = await call('POST', `${s}/window/rect`, { x: 0, y: 0, width: rect.width + w - iw, height: rect.height + h - ih });
      await new Promise((r) => setTimeout(r, 100));
    }
  };
  await setViewport(width, height);
  let wm = null;
  return {
    async open(url) {
      await enter(false);
      await call('POST', `${s}/url`, { url });
      await setViewport(width, height);
    },
    reload: () => call('POST', `${s}/refresh`, {}),
    eval: (expression) => run(expression),
    evalInFrame: (expression) => run(expression, true),
    async waitFor(expression, ms, what) {
      const until = Date.now() + ms;
      for (;;) {
        const value = await run(expression).catch(() => undefined);
        if (value) return value;
        if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
        await new Promise((r) => setTimeout(r, 30));
      }
    },
    async key(type, code) {
      await enter(keysInFrame);
      await call('POST', `${s}/actions`, { actions: [{ type: 'key', id: 'keyboard',
        actions: [{ type: type === 'down' ? 'keyDown' : 'keyUp', value: Keys[code] }] }] });
    },
    move: (x, y) => pointer([{ type: 'pointerMove', x: Math.round(x), y: Math.round(y), duration: 0 }]),
    click: (x, y) => pointer([{ type: 'pointerMove', x: Math.round(x), y: Math.round(y), duration: 0 },
      { type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }]),
    // Real keys go where the focus is; WebDriver's go to the context the test names.
    keysTo(frame) {
      keysInFrame = frame;
    },
    touch: () => Promise.reject(new Error('WebKitWebDriver has no touch input')),
    enableTouch: async () => {},
    async setViewport(w, h) {
      width = w;
      height = h;
      await setViewport(w, h);
    },
    async screenshot() {
      const rect = await call('GET', `${s}/window/rect`);
      const [iw, ih] = await run('[innerWidth, innerHeight]');
      const [dw, dh] = [iw * scale, ih * scale];
      const [rw, rh] = [rect.width * scale, rect.height * scale];
      return readScreen(display, `${dw}x${dh}+${rect.x * scale + rw - dw}+${rect.y * scale + rh - dh}`);
    },
    // MiniBrowser's tabs are windows that leave this one visible, so the window is minimised
    // instead, which takes a window manager: one is started for the while.
    async hide() {
      wm = spawn('openbox', [], { env: { ...process.env, DISPLAY: display }, stdio: 'ignore' });
      await new Promise((r) => setTimeout(r, 800));
      await call('POST', `${s}/window/minimize`, {});
      return 'the window minimised';
    },
    async show() {
      if (!wm) return;
      await call('POST', `${s}/window/rect`, { x: 0, y: 0, width, height });
      wm.kill();
      await new Promise((r) => (wm.exitCode !== null ? r() : wm.once('exit', r)));
      wm = null;
      await setViewport(width, height);
    },
    problems: () => run(PageErrors).catch(() => []),
  };
}
