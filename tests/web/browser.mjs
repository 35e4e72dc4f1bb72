// A static file server on 127.0.0.1 and headless Chromium driven over the DevTools protocol
// through --remote-debugging-pipe: enough to load the site and play it with real input events.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

// Serves dir with python3's http.server on a free port; resolves to { url, stop }.
export function serve(dir) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
      '--directory', dir], { stdio: ['ignore', 'pipe', 'pipe'] });
    let out = '';
    const timer = setTimeout(() => reject(new Error('the web server did not start')), 15000);
    server.stdout.on('data', (chunk) => {
      out += chunk;
      const m = /port (\d+)/.exec(out);
      if (m) {
        clearTimeout(timer);
        resolve({ url: `http://127.0.0.1:${m[1]}/`, stop: () => server.kill() });
      }
    });
    server.stderr.resume();
    server.on('error', reject);
    server.on('exit', (code) => reject(new Error(`the web server ended (${code})`)));
  });
}

export class Browser {
  static async launch(executable = process.env.CHROMIUM || '/usr/bin/chromium') {
    const profile = mkdtempSync(join(tmpdir(), 'skelvar-chromium-'));
    const args = ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic',
      '--no-first-run', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--disable-extensions', '--mute-audio', '--hide-scrollbars',
      `--user-data-dir=${profile}`, '--remote-debugging-pipe', 'about:blank'];
    const child = spawn(executable, args, { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    child.stderr.resume();
    const browser = new Browser(child, profile);
    await browser.send('Target.setDiscoverTargets', { discover: false });
    return browser;
  }

  constructor(child, profile) {
    this.child = child;
    this.profile = profile;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    this.buffer = '';
    this.exited = false;
    child.stdio[4].on('data', (chunk) => this.receive(chunk));
    child.on('exit', () => {
      this.exited = true;
      for (const { reject } of this.pending.values()) reject(new Error('Chromium ended'));
      this.pending.clear();
    });
  }

  receive(chunk) {
    this.buffer += chunk.toString('utf8');
    let end;
    while ((end = this.buffer.indexOf('\0')) >= 0) {
      const message = JSON.parse(this.buffer.slice(0, end));
      this.buffer = this.buffer.slice(end + 1);
      if (message.id !== undefined) {
        const waiter = this.pending.get(message.id);
        this.pending.delete(message.id);
        if (!waiter) continue;
        if (message.error) {
          waiter.reject(new Error(`${waiter.method}: ${message.error.message}`));
        } else {
          waiter.resolve(message.result);
        }
      } else {
        for (const listener of this.listeners) listener(message);
      }
    }
  }

  send(method, params = {}, sessionId = undefined) {
    if (this.exited) return Promise.reject(new Error('Chromium ended'));
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.child.stdio[3].write(`${JSON.stringify(message)}\0`);
    });
  }

  async newPage() {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    return new Page(this, targetId, sessionId);
  }

  async close() {
    if (!this.exited) {
      try {
        await Promise.race([this.send('Browser.close'), new Promise((r) => setTimeout(r, 3000))]);
      } catch {
        // Already gone.
      }
      if (!this.exited) this.child.kill('SIGKILL');
    }
    try {
      rmSync(this.profile, { recursive: true, force: true });
    } catch {
      // A leftover profile in the temporary directory harms nothing.
    }
  }
}

export class Page {
  constructor(browser, targetId, sessionId) {
    this.browser = browser;
    this.targetId = targetId;
    this.sessionId = sessionId;
    this.problems = [];
    this.warnings = [];
    this.handlers = new Map();
    this.requests = new Map();
    browser.listeners.push((m) => {
      if (m.sessionId !== sessionId) return;
      this.handlers.get(m.method)?.forEach((h) => h(m.params));
      this.watch(m.method, m.params);
    });
  }

  on(method, handler) {
    if (!this.handlers.has(method)) this.handlers.set(method, []);
    this.handlers.get(method).push(handler);
  }

  watch(method, p) {
    if (method === 'Runtime.consoleAPICalled' && (p.type === 'error' || p.type === 'assert')) {
      this.problems.push(`console ${p.type}: ${p.args.map((a) => a.value ?? a.description).join(' ')}`);
    } else if (method === 'Runtime.exceptionThrown') {
      this.problems.push(`exception: ${p.exceptionDetails.exception?.description ?? p.exceptionDetails.text}`);
    } else if (method === 'Log.entryAdded' && p.entry.level === 'error') {
      this.problems.push(`log: ${p.entry.text} ${p.entry.url ?? ''}`);
    } else if (method === 'Log.entryAdded' && p.entry.level === 'warning') {
      this.warnings.push(`log: ${p.entry.text} ${p.entry.url ?? ''}`);
    } else if (method === 'Runtime.consoleAPICalled' && p.type === 'warning') {
      this.warnings.push(`console: ${p.args.map((a) => a.value ?? a.description).join(' ')}`);
    } else if (method === 'Network.requestWillBeSent') {
      this.requests.set(p.requestId, p.request.url);
    } else if (method === 'Network.loadingFailed' && !p.canceled) {
      this.problems.push(`failed request: ${this.requests.get(p.requestId)} ${p.errorText}`);
    } else if (method === 'Network.responseReceived' && p.response.status >= 400) {
      this.problems.push(`failed request: ${p.response.url} ${p.response.status}`);
    }
  }

  send(method, params = {}) { return this.browser.send(method, params, this.sessionId); }

  async open(url, metrics, { touch = false, noCache = false } = {}) {
    await this.send('Runtime.enable');
    await this.send('Log.enable');
    await this.send('Network.enable');
    await this.send('Page.enable');
    if (noCache) await this.send('Network.setCacheDisabled', { cacheDisabled: true });
    await this.setViewport(metrics);
    if (touch) await this.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
    await this.send('Page.navigate', { url });
  }

  // A phone on a poor 4G link: 150 ms each way, 1.6 Mbit/s down, the CPU four times slower.
  // Call before open(); off = true takes the link and the CPU back to full speed.
  async emulateSlowLink(off = false) {
    await this.send('Network.enable');
    await this.send('Network.emulateNetworkConditions', off
      ? { offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1 }
      : { offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 750e3 / 8 });
    await this.send('Emulation.setCPUThrottlingRate', { rate: off ? 1 : 4 });
  }

  setViewport({ width, height, deviceScaleFactor = 1, mobile = false }) {
    return this.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor, mobile });
  }

  // Evaluates an expression in the page (awaiting a promise) and returns its value.
  async eval(expression) {
    const r = await this.send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
    if (r.exceptionDetails) {
      throw new Error(`in the page: ${r.exceptionDetails.exception?.description ?? r.exceptionDetails.text}`);
    }
    return r.result.value;
  }

  // Polls an expression until it is truthy.
  async waitFor(expression, timeoutMs = 15000, what = expression) {
    const until = Date.now() + timeoutMs;
    for (;;) {
      const value = await this.eval(expression).catch(() => undefined);
      if (value) return value;
      if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
      await new Promise((r) => setTimeout(r, 20));
    }
  }

  async screenshot() {
    const { data } = await this.send('Page.captureScreenshot', { format: 'png' });
    return Buffer.from(data, 'base64');
  }

  // A key with its DOM code, as a real key press or release (auto-repeat too).
  async key(type, code, { repeat = false } = {}) {
    const k = KeyInfo[code];
    await this.send('Input.dispatchKeyEvent', {
      type: type === 'down' ? 'rawKeyDown' : 'keyUp', code, key: k.key,
      windowsVirtualKeyCode: k.vk, nativeVirtualKeyCode: k.vk, autoRepeat: repeat,
    });
  }

  async mouse(type, x, y, button = 'none') {
    await this.send('Input.dispatchMouseEvent', {
      type, x, y, button, buttons: button === 'left' && type !== 'mouseReleased' ? 1 : 0, clickCount: button === 'left' ? 1 : 0,
    });
  }

  async click(x, y) {
    await this.mouse('mouseMoved', x, y);
    await this.mouse('mousePressed', x, y, 'left');
    await this.mouse('mouseReleased', x, y, 'left');
  }

  async touch(type, x, y) {
    await this.send('Input.dispatchTouchEvent', { type, touchPoints: type === 'touchEnd' ? [] : [{ x, y }] });
  }

  async tap(x, y) {
    await this.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y }] });
    await this.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  }
}

const KeyInfo = {
  ArrowLeft: { key: 'ArrowLeft', vk: 37 },
  ArrowUp: { key: 'ArrowUp', vk: 38 },
  ArrowRight: { key: 'ArrowRight', vk: 39 },
  ArrowDown: { key: 'ArrowDown', vk: 40 },
  Enter: { key: 'Enter', vk: 13 },
  NumpadEnter: { key: 'Enter', vk: 13 },
  Escape: { key: 'Escape', vk: 27 },
  Space: { key: ' ', vk: 32 },
  KeyA: { key: 'a', vk: 65 },
  KeyM: { key: 'm', vk: 77 },
  ShiftLeft: { key: 'Shift', vk: 16 },
};
