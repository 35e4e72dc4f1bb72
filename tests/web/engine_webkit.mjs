// WebKit for the driver (engine.mjs): Debian's WebKitWebDriver (webkit2gtk-driver) bound to
// 127.0.0.1, driving the MiniBrowser of libwebkit2gtk-4.1 over classic WebDriver HTTP calls, under
// its own Xvfb. A device scale of 2 is GTK's own (GDK_SCALE=2), so it is the launch's for every page.
import { execFile, spawn } from 'node:child_process';
import { createServer } from 'node:net';

import { AnswerMs, findExecutable, findMiniBrowser, PageErrors, pollFor, startXvfb } from './engine.mjs';

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

// A program's standard output, as a buffer.
function output(program, args, display) {
  return new Promise((resolve, reject) => {
    execFile(program, args, { env: { ...process.env, DISPLAY: display }, encoding: 'buffer', maxBuffer: 1 << 26 },
      (error, stdout, stderr) => (error ? reject(new Error(`${program}: ${stderr || error.message}`)) : resolve(stdout)));
  });
}

export async function launch({ scale = 1 } = {}, ended = () => {}) {
  const driverPath = findExecutable(['WebKitWebDriver']);
  const browserPath = findMiniBrowser();
  if (!driverPath || !browserPath) return null;
  if (!findExecutable(['import'])) throw new Error('WebKit needs ImageMagick\'s import (Debian package imagemagick) to read the screen');
  // Room for a 1200 x 700 view at either scale.
  const x = await startXvfb(scale === 1 ? '1280x900x24' : '2560x1800x24');
  const port = await freePort();
  const driver = spawn(driverPath, [`--port=${port}`, '--host=127.0.0.1'], {
    stdio: ['ignore', 'ignore', 'pipe'],
    env: { ...process.env, DISPLAY: x.display, WAYLAND_DISPLAY: '', GDK_BACKEND: 'x11', GDK_SCALE: String(scale) },
  });
  let driverErrors = '';
  let closing = false;
  let gone = null;
  const end = (reason) => {
    if (gone || closing) return;
    gone = reason;
    ended(reason);
    driver.kill('SIGKILL');
  };
  driver.stderr.on('data', (c) => { driverErrors = (driverErrors + c).slice(-2000); });
  driver.on('exit', (code, signal) => end(`WebKitWebDriver: ${signal ? `signal ${signal}` : `exit status ${code}`}`));
  const base = `http://127.0.0.1:${port}`;
  const call = async (method, path, body, timeoutMs = AnswerMs) => {
    const what = `${method} ${path.replace(/^\/session\/[^/]+/, '')}`;
    if (gone) throw new Error(`WebKit ended (${gone})`);
    const response = await fetch(`${base}${path}`, {
      method, headers: { 'content-type': 'application/json' }, signal: AbortSignal.timeout(timeoutMs),
      body: body === undefined ? undefined : JSON.stringify(body),
    }).catch((error) => {
      if (session) end(error.name === 'TimeoutError' ? `no answer to ${what} in ${timeoutMs / 1000} s` : error.message);
      throw new Error(`${what}: ${error.message}`);
    });
    const reply = await response.json();
    if (response.ok) return reply.value;
    // The browser behind the driver went away.
    if (/invalid session id|session not created/.test(reply.value?.error)) end(`${reply.value.error}: ${reply.value.message}`);
    throw new Error(`${what}: ${reply.value?.error}: ${reply.value?.message}`);
  };
  let session = null;
  const stop = () => {
    closing = true;
    driver.kill();
    x.stop();
  };
  try {
    await pollFor(() => call('GET', '/status', undefined, 2000), null, 10000, `WebKitWebDriver to answer ${driverErrors}`);
  } catch (error) {
    stop();
    throw error;
  }
  const wm = findExecutable(['openbox']) && findExecutable(['xprop']);
  // WebKitWebDriver runs one session at a time, so each further page is a window of its own in
  // that session, and a page makes its window current before it acts.
  return {
    version: 'WebKit',
    limits: {
      keyRepeat: 'WebKitWebDriver sends a key that is already down only once',
      touch: 'WebKitWebDriver has no touch input',
      scale: 'GTK\'s device scale is the whole browser\'s, so a page at another scale needs a browser of its own',
      hidden: wm ? undefined : 'another tab is another window here, and minimising this one needs openbox and xprop (Debian packages openbox, x11-utils)',
      chromium: 'the player\'s link, a notch and the DevTools calls are emulated in Chromium only',
    },
    async newPage(view) {
      if ((view.scale ?? scale) !== scale || view.mobile || view.touch || view.fresh) {
        throw new Error('WebKit\'s pages share the launch\'s scale and profile, with no phone or touch screen');
      }
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
      return newPage(call, session, handle, x.display, view, scale);
    },
    async close() {
      if (session && !gone) await call('DELETE', `/session/${session.id}`, undefined, 5000).catch(() => {});
      stop();
    },
  };
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
  // The window's outer size that gives the web view the asked-for CSS size: the browser's toolbar
  // and border are measured on the new window's blank page, after a frame has laid it out, and again
  // should a window manager have come and gone meanwhile.
  let chrome = null;
  const measure = async (rect, inner) => {
    const [iw, ih] = await run(inner);
    chrome = [rect.width - iw, rect.height - ih];
  };
  const setViewport = async () => {
    if (!chrome) {
      await measure(await call('POST', `${s}/window/rect`, { x: 0, y: 0, width, height }),
        'new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r([innerWidth, innerHeight]))))');
    }
    const fits = `innerWidth === ${width} && innerHeight === ${height}`;
    for (let i = 0; i < 2; ++i) {
      const rect = await call('POST', `${s}/window/rect`, { x: 0, y: 0, width: width + chrome[0], height: height + chrome[1] });
      if (await pollFor(run, fits, 5000, 'the view').catch(() => false)) return;
      await measure(rect, '[innerWidth, innerHeight]');
    }
    throw new Error(`the view is ${await run('[innerWidth, innerHeight]')}, not ${width} x ${height}`);
  };
  // WebKitGTK's own page snapshot never answers under Xvfb, so the screen itself is read, as a
  // player would see it: the root window, cut to the web view (the bottom right of the browser
  // window, below whatever bar it has).
  const readScreen = async () => {
    const rect = await call('GET', `${s}/window/rect`);
    const [iw, ih] = await run('[innerWidth, innerHeight]');
    const [dw, dh] = [iw * scale, ih * scale];
    const crop = `${dw}x${dh}+${(rect.x + rect.width) * scale - dw}+${(rect.y + rect.height) * scale - dh}`;
    return output('import', ['-display', display, '-window', 'root', '-crop', crop, '+repage', '-depth', '8', 'png24:-'], display);
  };
  await setViewport();
  let wm = null;
  return {
    async open(url) {
      await enter(false);
      await call('POST', `${s}/url`, { url });
      await setViewport();
    },
    reload: () => call('POST', `${s}/refresh`, {}),
    eval: (expression) => run(expression),
    evalInFrame: (expression) => run(expression, true),
    async key(type, code) {
      await enter(keysInFrame);
      await call('POST', `${s}/actions`, { actions: [{ type: 'key', id: 'keyboard',
        actions: [{ type: type === 'down' ? 'keyDown' : 'keyUp', value: Keys[code] }] }] });
    },
    move: (px, py) => pointer([{ type: 'pointerMove', x: Math.round(px), y: Math.round(py), duration: 0 }]),
    click: (px, py) => pointer([{ type: 'pointerMove', x: Math.round(px), y: Math.round(py), duration: 0 },
      { type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }]),
    // Real keys go where the focus is; WebDriver's go to the context the test names.
    keysTo(frame) {
      keysInFrame = frame;
    },
    async setViewport(view) {
      ({ width, height } = view);
      await setViewport();
    },
    // The compositor puts a frame on the screen a moment after the page paints it: the screen is
    // read until two reads agree.
    async screenshot() {
      let last = await readScreen();
      for (let i = 0; i < 10; ++i) {
        const now = await readScreen();
        if (now.equals(last)) break;
        last = now;
      }
      return last;
    },
    // MiniBrowser's tabs are windows that leave this one visible, so the window is minimised
    // instead, which takes a window manager: one is started for the while, and is up once it has
    // claimed the screen.
    async hide() {
      wm = spawn('openbox', [], { env: { ...process.env, DISPLAY: display }, stdio: 'ignore' });
      await pollFor(async () => /window id/.test(await output('xprop', ['-root', '_NET_SUPPORTING_WM_CHECK'], display)),
        null, 10000, 'the window manager');
      await call('POST', `${s}/window/minimize`, {});
      return 'the window minimised';
    },
    async show() {
      if (!wm) return;
      await call('POST', `${s}/window/rect`, { x: 0, y: 0, width, height });
      await pollFor(run, "document.visibilityState === 'visible'", 10000, 'the window shown again');
      wm.kill();
      await new Promise((r) => (wm.exitCode !== null ? r() : wm.once('exit', r)));
      wm = null;
      await setViewport();
    },
    problems: () => run(PageErrors).catch(() => []),
    // The session's last window is left open: closing it would end the session.
    async close() {
      if ((await call('GET', `${s}/window/handles`)).length < 2) return;
      await call('DELETE', `${s}/window`);
      session.current = null;
    },
  };
}
