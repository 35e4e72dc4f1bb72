// The one browser driver every check of the page goes through, over the three engines: Chromium
// (DevTools protocol), Firefox ESR (WebDriver BiDi through puppeteer-core) and WebKit
// (WebKitWebDriver and its MiniBrowser, under a private Xvfb). launchEngine(name) gives null for
// a browser that is not installed, else an engine: name, version, limits (what its driver cannot
// do, each with the reason), ended (why its browser ended, or null), newPage(view) and close(). A
// view is { width, height, scale, mobile, touch, fresh }: the CSS size, device pixels per CSS
// pixel (WebKit's is the launch's), a phone's viewport, a touch screen, and a profile of the
// page's own, with no cache, storage or service worker yet (not in WebKit). A browser that ends or
// stops answering is named in the error of every call that meets it, and the next newPage()
// starts it again. A page has:
//   open(url), reload()                 navigate and wait for the load event
//   eval(expression)                    evaluate (awaiting a promise), giving back the JSON value
//   evalInFrame(expression)             the same in the page's first iframe
//   waitFor(expression, ms, what, { frame })   poll until truthy, giving back the value
//   key('down'|'up', code, { repeat })  a key by its DOM code
//   keysTo(frame)                       where the focus now is (true: the iframe), for a driver
//                                       that sends keys to a named document, not to the focus
//   move(x, y), click(x, y)             the mouse, in CSS pixels of the viewport
//   touch(points)                       the fingers now down on the touch screen, [{ id, x, y }]
//   setViewport(view)                   a new view (scale and mobile as given, or as they were)
//   screenshot()                        PNG, in device pixels, of what the screen shows now
//   hide(), show()                      hide the page (another tab in front, or the window
//                                       minimised: hide() says which) and show it again
//   problems()                          console errors, uncaught errors and failed requests (but
//                                       the board's probe on a host without one)
//   close()
// and, in Chromium only (limits.chromium elsewhere), the player's surroundings and Chromium's tools:
//   link('slow'|'offline'|'full')       a phone's poor link with a slow CPU, no network, or neither
//   safeArea(insets)                    a notch: the safe area's insets in CSS pixels
//   protocol(method, params)            a DevTools call (the accessibility tree, installability)
//   heard(method)                       that DevTools event's parameters since the first ask
import { existsSync, readdirSync } from 'node:fs';
import { spawn } from 'node:child_process';
import { join } from 'node:path';

export const Engines = ['chromium', 'firefox', 'webkit'];

// A call a browser has not answered in this long means it hangs: it is ended, and named so.
export const AnswerMs = 60000;

// The page asks once whether a board serves it; a host without one answers 404 or nothing at
// all, which is expected and never one of a page's problems.
export const BoardProbe = '/api/health';

const Modules = { chromium: './engine_chromium.mjs', firefox: './engine_firefox.mjs', webkit: './engine_webkit.mjs' };
const ChromiumOnly = ['link', 'safeArea', 'protocol', 'heard'];

// A backend's launch(options, ended) gives null when its browser is not installed, or { version,
// limits, newPage(view), close() }, with failed(error) if only a failed call can tell that the
// browser has gone (giving why, or null); it calls ended(reason) when the browser ends unasked.
export async function launchEngine(name, options = {}) {
  if (!Modules[name]) throw new Error(`no such engine: ${name} (one of ${Engines.join(', ')})`);
  const { launch } = await import(Modules[name]);
  let browser = null;
  let generation = 0;
  const engine = { name, version: name, limits: {}, ended: null };
  const start = async () => {
    const mine = ++generation;
    engine.ended = null;
    browser = await launch(options, (reason) => {
      if (mine === generation) engine.ended ??= `${engine.version} ended (${reason})`;
    });
    if (browser) Object.assign(engine, { version: browser.version, limits: browser.limits });
    return browser;
  };
  // Every call of a page: a page of a browser since ended says so, naming the browser.
  const wrap = (raw, mine) => {
    const gone = () => (mine !== generation ? `${engine.version} ended and was started again` : engine.ended);
    const page = {};
    for (const method of new Set([...Object.keys(raw), ...ChromiumOnly])) {
      page[method] = async (...args) => {
        if (gone()) throw new Error(`${gone()}; ${method} is for a page it had`);
        if (!raw[method]) throw new Error(`${engine.version} cannot ${method}: ${engine.limits.chromium}`);
        try {
          return await raw[method](...args);
        } catch (error) {
          // A browser's end may be heard just after the call it broke.
          await new Promise((r) => setImmediate(r));
          const reason = mine === generation && browser.failed?.(error);
          if (reason) engine.ended ??= `${engine.version} ended (${reason})`;
          throw gone() ? new Error(`${gone()}, in ${method}: ${error.message}`) : error;
        }
      };
    }
    const problems = page.problems;
    page.problems = async () => (await problems()).filter((p) => !p.includes(BoardProbe));
    page.waitFor = (expression, ms, what = expression, { frame = false } = {}) =>
      pollFor((e) => (frame ? page.evalInFrame(e) : page.eval(e)), expression, ms, what, gone);
    return page;
  };
  engine.newPage = async (view) => {
    if (engine.ended) {
      console.log(`note: ${engine.ended}; started again`);
      await browser.close().catch(() => {});
      await start();
    }
    const page = wrap(await browser.newPage(view), generation);
    engine.version = browser.version;
    return page;
  };
  engine.close = () => browser?.close();
  return (await start()) ? engine : null;
}

// Polls an evaluation until it gives something truthy; an evaluation that throws counts as not yet
// (a page between documents), unless the browser has gone.
export async function pollFor(evaluate, expression, timeoutMs, what, gone = () => false) {
  const until = Date.now() + timeoutMs;
  for (;;) {
    const value = await evaluate(expression).catch((error) => {
      if (gone()) throw error;
    });
    if (value) return value;
    if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 20));
  }
}

// Installed before the page's own scripts in every engine (the test server puts it into the page,
// so it needs nothing from a driver): uncaught errors and console errors for problems(), the audio
// contexts made and the length of every sound started, and the canvas's opacity each time it
// changes, so a slow machine misses no step of the fade.
export const PageWatch = `(() => {
  const errors = globalThis.__skelvarErrors = [];
  addEventListener('error', (e) => {
    const t = e.target;
    errors.push(t && t !== window && (t.src || t.href) ? \`failed to load \${t.src || t.href}\` : \`error: \${e.message}\`);
  }, true);
  addEventListener('unhandledrejection', (e) => errors.push(\`unhandled rejection: \${e.reason}\`));
  const consoleError = console.error.bind(console);
  console.error = (...args) => { errors.push(\`console error: \${args.join(' ')}\`); consoleError(...args); };
  globalThis.opacityLog = [];
  const audioLog = globalThis.audioLog = { contexts: [], starts: [] };
  const Context = globalThis.AudioContext;
  if (Context) {
    globalThis.AudioContext = class extends Context {
      constructor(...args) {
        super(...args);
        audioLog.contexts.push(this);
      }
    };
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function (...args) {
      audioLog.starts.push(this.buffer.length / this.buffer.sampleRate);
      return start.apply(this, args);
    };
  }
  document.addEventListener('DOMContentLoaded', () => {
    const canvas = document.getElementById('game');
    if (!canvas) return;
    new MutationObserver((records) => {
      for (const r of records) {
        const old = /opacity:\\s*([^;]*)/.exec(r.oldValue ?? '');
        if (old) opacityLog.push(old[1].trim());
      }
      opacityLog.push(canvas.style.opacity);
    }).observe(canvas, { attributes: true, attributeFilter: ['style'], attributeOldValue: true });
  });
})();`;

// The page's own record of errors, which the watch above keeps.
export const PageErrors = 'globalThis.__skelvarErrors ?? []';

export function findExecutable(names) {
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

// WebKitGTK's MiniBrowser, which Debian installs under the library's own folder.
export function findMiniBrowser() {
  const root = '/usr/lib';
  for (const arch of readdirSync(root).filter((d) => d.endsWith('-linux-gnu')).concat([''])) {
    for (const api of ['webkit2gtk-4.1', 'webkit2gtk-4.0', 'webkitgtk-6.0']) {
      const path = join(root, arch, api, 'MiniBrowser');
      if (existsSync(path)) return path;
    }
  }
  return null;
}

// A private X server for a browser that needs one; resolves to { display, stop }.
export async function startXvfb(size = '1280x900x24') {
  const xvfb = findExecutable(['Xvfb']);
  if (!xvfb) throw new Error('needs Xvfb (Debian package xvfb)');
  const child = spawn(xvfb, ['-displayfd', '3', '-screen', '0', size, '-nolisten', 'tcp'],
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
