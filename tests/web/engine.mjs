// One small driver interface over the three browser engines, so that each browser check is
// written once and run in Chromium (DevTools protocol), Firefox ESR (WebDriver BiDi through
// puppeteer-core) and WebKit (WebKitWebDriver and its MiniBrowser, under a private Xvfb).
//
//   const engine = await launchEngine('firefox', { scale: 2 });   // null: not installed
//   const page = await engine.newPage({ width, height });
//   await page.open(url); await page.eval('skelvar.state()'); await page.key('down', 'ArrowRight');
//
// An engine has: name, version, limits (what its driver cannot express, each with the reason, or
// absent), newPage(viewport) and close(). A page has:
//   open(url), reload()                 navigate and wait for the load event
//   eval(expression)                    evaluate (awaiting a promise) and give back the JSON value
//   evalInFrame(expression)             the same in the page's first iframe
//   waitFor(expression, ms, what)       poll until truthy
//   key('down'|'up', code, { repeat })  a key by its DOM code
//   keysTo(frame)                       where the focus now is (true: the iframe), for a driver
//                                       that sends keys to a named document, not to the focus
//   move(x, y), click(x, y)             the mouse, in CSS pixels of the viewport
//   enableTouch(), touch(points)        a touch screen; the fingers now down, [{ id, x, y }]
//   setViewport(width, height)          the viewport's CSS size
//   screenshot()                        PNG of the viewport in device pixels
//   hide(), show()                      hide the page (another tab in front, or the window
//                                       minimised: hide() says which) and show it again
//   problems()                          console errors, uncaught errors and failed requests
import { existsSync, readdirSync } from 'node:fs';
import { spawn } from 'node:child_process';
import { join } from 'node:path';

export const Engines = ['chromium', 'firefox', 'webkit'];

// Installed before the page's own scripts in every engine (the test server puts it into the
// page, so it needs nothing from a driver): uncaught errors and console errors for problems(),
// the audio contexts made and sounds started, and the canvas's opacity each time it changes, so a slow machine misses no step of the fade.
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
  // Every audio context the page makes and every sound it starts, from the browser's own API.
  const audioLog = globalThis.audioLog = { contexts: [], starts: 0 };
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
      audioLog.starts += 1;
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

export async function launchEngine(name, options = {}) {
  const modules = {
    chromium: './engine_chromium.mjs',
    firefox: './engine_firefox.mjs',
    webkit: './engine_webkit.mjs',
  };
  if (!modules[name]) throw new Error(`no such engine: ${name} (one of ${Engines.join(', ')})`);
  const { launch } = await import(modules[name]);
  return launch(options);
}

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

// Polls an evaluation until it gives something truthy.
export async function pollFor(evaluate, expression, timeoutMs, what) {
  const until = Date.now() + timeoutMs;
  for (;;) {
    const value = await evaluate(expression).catch(() => undefined);
    if (value) return value;
    if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 30));
  }
}

// The page's own record of errors, which the watch above keeps.
export const PageErrors = 'globalThis.__skelvarErrors ?? []';
