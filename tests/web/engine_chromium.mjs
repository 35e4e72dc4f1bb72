// Chromium for the driver (engine.mjs): Debian's chromium, headless, over the DevTools protocol
// through --remote-debugging-pipe.
import { spawn } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { AnswerMs, PageErrors } from './engine.mjs';

const KeyInfo = {
  ArrowLeft: ['ArrowLeft', 37], ArrowUp: ['ArrowUp', 38], ArrowRight: ['ArrowRight', 39],
  ArrowDown: ['ArrowDown', 40], Enter: ['Enter', 13], NumpadEnter: ['Enter', 13], Escape: ['Escape', 27],
  Space: [' ', 32], KeyA: ['a', 65], KeyM: ['m', 77], ShiftLeft: ['Shift', 16],
};

// The protocol's messages over the pipe, each call answered within AnswerMs or the browser is
// killed as hung; ended(reason) hears of an end nobody asked for.
function connect(child, ended) {
  let nextId = 1;
  let buffer = '';
  let gone = null;
  let hung = null;
  const pending = new Map();
  const listeners = new Set();
  child.stderr.resume();
  // A browser that dies breaks its pipes; its exit says so.
  for (const pipe of [child.stdio[3], child.stdio[4]]) pipe.on('error', () => {});
  child.stdio[4].on('data', (chunk) => {
    buffer += chunk.toString('utf8');
    for (let end; (end = buffer.indexOf('\0')) >= 0;) {
      const message = JSON.parse(buffer.slice(0, end));
      buffer = buffer.slice(end + 1);
      const waiter = pending.get(message.id);
      if (message.id === undefined) {
        for (const listener of listeners) listener(message);
      } else if (waiter) {
        pending.delete(message.id);
        clearTimeout(waiter.timer);
        if (message.error) waiter.reject(new Error(`${waiter.method}: ${message.error.message}`));
        else waiter.resolve(message.result);
      }
    }
  });
  const connection = {
    listeners,
    closing: false,
    send(method, params = {}, sessionId = undefined) {
      if (gone) return Promise.reject(new Error(`Chromium ended (${gone})`));
      const id = nextId++;
      return new Promise((resolve, reject) => {
        const timer = setTimeout(() => {
          hung = `no answer to ${method} in ${AnswerMs / 1000} s`;
          child.kill('SIGKILL');
        }, AnswerMs);
        pending.set(id, { resolve, reject, method, timer });
        child.stdio[3].write(`${JSON.stringify({ id, method, params, sessionId })}\0`);
      });
    },
  };
  child.on('exit', (code, signal) => {
    gone = hung ?? (signal ? `signal ${signal}` : `exit status ${code}`);
    if (!connection.closing) ended(gone);
    for (const { reject, timer } of pending.values()) {
      clearTimeout(timer);
      reject(new Error(`Chromium ended (${gone})`));
    }
    pending.clear();
  });
  return connection;
}

export async function launch({ scale = 1 } = {}, ended = () => {}) {
  // Debian's browser itself, not the script before it, so that its end is this process's.
  const executable = [process.env.CHROMIUM, '/usr/lib/chromium/chromium', '/usr/bin/chromium'].find((e) => e && existsSync(e));
  if (!executable) return null;
  const profile = mkdtempSync(join(tmpdir(), 'skelvar-chromium-'));
  const child = spawn(executable, ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic',
    '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--disable-extensions', '--mute-audio', '--hide-scrollbars', `--user-data-dir=${profile}`,
    '--remote-debugging-pipe', 'about:blank'], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'], detached: true });
  const cdp = connect(child, ended);
  await cdp.send('Target.setDiscoverTargets', { discover: false });
  const { product } = await cdp.send('Browser.getVersion');
  return {
    version: product.replace(/^(Headless)?Chrome\//, 'Chromium '),
    limits: {},
    newPage: (view) => newPage(cdp, { scale, ...view }),
    async close() {
      cdp.closing = true;
      if (child.exitCode === null && child.signalCode === null) {
        const exited = new Promise((r) => child.once('exit', r));
        await Promise.race([cdp.send('Browser.close').catch(() => {}), new Promise((r) => setTimeout(r, 3000))]);
        if (child.exitCode === null && child.signalCode === null) child.kill('SIGKILL');
        await exited;
      }
      // Its helper processes may outlive the browser and still write to the profile: the whole
      // group goes before the profile does.
      try { process.kill(-child.pid, 'SIGKILL'); } catch { /* the group has gone */ }
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

async function newPage(cdp, view) {
  const context = view.fresh ? (await cdp.send('Target.createBrowserContext', { disposeOnDetach: true })).browserContextId : undefined;
  const { targetId } = await cdp.send('Target.createTarget', { url: 'about:blank', browserContextId: context });
  const { sessionId } = await cdp.send('Target.attachToTarget', { targetId, flatten: true });
  const send = (method, params = {}) => cdp.send(method, params, sessionId);
  const problems = [];
  const requests = new Map();
  const contexts = [];
  const waiters = [];
  // The events a check asked to hear, by method.
  const heard = new Map();
  const listener = ({ sessionId: from, method, params: p }) => {
    if (from !== sessionId) return;
    for (const w of waiters.filter((x) => x.method === method)) w.resolve(p);
    heard.get(method)?.push(p);
    if (method === 'Runtime.consoleAPICalled' && (p.type === 'error' || p.type === 'assert')) {
      problems.push(`console ${p.type}: ${p.args.map((a) => a.value ?? a.description).join(' ')}`);
    } else if (method === 'Runtime.exceptionThrown') {
      problems.push(`exception: ${p.exceptionDetails.exception?.description ?? p.exceptionDetails.text}`);
    } else if (method === 'Log.entryAdded' && p.entry.level === 'error') {
      problems.push(`log: ${p.entry.text} ${p.entry.url ?? ''}`);
    } else if (method === 'Network.requestWillBeSent') {
      requests.set(p.requestId, p.request.url);
    } else if (method === 'Network.loadingFailed' && !p.canceled) {
      problems.push(`failed request: ${requests.get(p.requestId)} ${p.errorText}`);
    } else if (method === 'Network.responseReceived' && p.response.status >= 400) {
      problems.push(`failed request: ${p.response.url} ${p.response.status}`);
    } else if (method === 'Runtime.executionContextCreated' && p.context.auxData?.isDefault) {
      // Each frame's own JavaScript world, so that a check can reach into an iframe.
      contexts.push(p.context);
    } else if (method === 'Runtime.executionContextsCleared') {
      contexts.splice(0);
    }
  };
  cdp.listeners.add(listener);
  const next = (method) => new Promise((resolve) => {
    const w = { method, resolve: (p) => { waiters.splice(waiters.indexOf(w), 1); resolve(p); } };
    waiters.push(w);
  });
  const evaluate = async (expression, contextId) => {
    const r = await send('Runtime.evaluate', { expression, contextId, awaitPromise: true, returnByValue: true });
    if (r.exceptionDetails) {
      throw new Error(`in the page: ${r.exceptionDetails.exception?.description ?? r.exceptionDetails.text}`);
    }
    return r.result.value;
  };
  const setViewport = async (v) => {
    Object.assign(view, v);
    await send('Emulation.setDeviceMetricsOverride',
      { width: view.width, height: view.height, deviceScaleFactor: view.scale, mobile: Boolean(view.mobile) });
    if (view.touch) await send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
  };
  const mouse = (type, x, y, pressed = false) => send('Input.dispatchMouseEvent',
    { type, x, y, button: type === 'mouseMoved' ? 'none' : 'left', buttons: pressed ? 1 : 0, clickCount: type === 'mouseMoved' ? 0 : 1 });
  const navigated = async (navigate) => {
    const loaded = next('Page.loadEventFired');
    const { errorText } = (await navigate()) ?? {};
    if (errorText) throw new Error(`the page did not load: ${errorText}`);
    await loaded;
  };
  for (const domain of ['Runtime', 'Log', 'Network', 'Page']) await send(`${domain}.enable`);
  await setViewport(view);
  let fingers = [];
  let other = null;
  return {
    open: (url) => navigated(() => send('Page.navigate', { url })),
    reload: () => navigated(() => send('Page.reload')),
    eval: (expression) => evaluate(expression),
    async evalInFrame(expression) {
      const { frameTree } = await send('Page.getFrameTree');
      const child = frameTree.childFrames?.[0]?.frame.id;
      const world = contexts.find((c) => c.auxData.frameId === child);
      if (!world) throw new Error('the page has no iframe with a script world yet');
      return evaluate(expression, world.id);
    },
    key(type, code, { repeat = false } = {}) {
      const [key, vk] = KeyInfo[code];
      return send('Input.dispatchKeyEvent', { type: type === 'down' ? 'rawKeyDown' : 'keyUp', code, key,
        windowsVirtualKeyCode: vk, nativeVirtualKeyCode: vk, autoRepeat: repeat });
    },
    // Real key events go where the focus is, iframe or not.
    keysTo: () => {},
    move: (x, y) => mouse('mouseMoved', x, y),
    async click(x, y) {
      await mouse('mouseMoved', x, y);
      await mouse('mousePressed', x, y, true);
      await mouse('mouseReleased', x, y);
    },
    async touch(points) {
      const type = points.length === 0 ? 'touchEnd'
        : points.some((p) => !fingers.some((f) => f.id === p.id)) ? 'touchStart' : 'touchMove';
      fingers = points;
      await send('Input.dispatchTouchEvent', { type, touchPoints: points.map(({ id, x, y }) => ({ id, x, y })) });
    },
    setViewport,
    screenshot: async () => Buffer.from((await send('Page.captureScreenshot', { format: 'png' })).data, 'base64'),
    async hide() {
      other ??= (await cdp.send('Target.createTarget', { url: 'about:blank', browserContextId: context })).targetId;
      await cdp.send('Target.activateTarget', { targetId: other });
      return 'another tab in front';
    },
    show: () => cdp.send('Target.activateTarget', { targetId }),
    problems: async () => [...problems, ...(await evaluate(PageErrors).catch(() => []))],
    async close() {
      cdp.listeners.delete(listener);
      for (const id of [other, targetId]) if (id) await cdp.send('Target.closeTarget', { targetId: id });
      if (context) await cdp.send('Target.disposeBrowserContext', { browserContextId: context });
    },
    // A phone on a poor 4G link: 150 ms each way, 1.6 Mbit/s down, the CPU four times slower.
    async link(kind) {
      const slow = kind === 'slow';
      await send('Network.emulateNetworkConditions', { offline: kind === 'offline', latency: slow ? 150 : 0,
        downloadThroughput: slow ? 1.6e6 / 8 : -1, uploadThroughput: slow ? 750e3 / 8 : -1 });
      await send('Emulation.setCPUThrottlingRate', { rate: slow ? 4 : 1 });
      if (slow) await send('Network.setCacheDisabled', { cacheDisabled: true });
    },
    safeArea: (insets) => send('Emulation.setSafeAreaInsetsOverride', { insets }),
    protocol: send,
    heard(method) {
      if (!heard.has(method)) heard.set(method, []);
      return heard.get(method);
    },
  };
}
