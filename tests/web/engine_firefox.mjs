// Firefox for the driver (engine.mjs): Debian's firefox-esr, headless, over WebDriver
// BiDi through puppeteer-core, which is pinned in puppeteer/package-lock.json, installed with
// PUPPETEER_SKIP_DOWNLOAD=1 and given Debian's browser: it never downloads one.
import { mkdtempSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { AnswerMs, findExecutable, PageErrors } from './engine.mjs';

const here = dirname(fileURLToPath(import.meta.url));

async function loadPuppeteer() {
  const require = createRequire(join(here, 'puppeteer', 'package.json'));
  let entry;
  try {
    entry = require.resolve('puppeteer-core');
  } catch {
    throw new Error('puppeteer-core is not installed: run PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts in tests/web/puppeteer (tools/setup.sh test does)');
  }
  const module = await import(pathToFileURL(entry).href);
  return module.default ?? module;
}

export async function launch({ scale = 1 } = {}, ended = () => {}) {
  const executablePath = findExecutable(['firefox-esr', 'firefox']);
  if (!executablePath) return null;
  const puppeteer = await loadPuppeteer();
  const profile = mkdtempSync(join(tmpdir(), 'skelvar-firefox-'));
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath,
    headless: true,
    userDataDir: profile,
    protocolTimeout: AnswerMs,
    // Quiet on this loopback-only run: no first-run pages, reports or updates.
    extraPrefsFirefox: {
      'browser.shell.checkDefaultBrowser': false,
      'datareporting.policy.dataSubmissionEnabled': false,
      'toolkit.telemetry.reportingpolicy.firstRun': false,
      'app.update.disabledForTesting': true,
    },
    env: { ...process.env, MOZ_CRASHREPORTER_DISABLE: '1' },
  });
  let closing = false;
  browser.process()?.once('exit', (code, signal) => {
    if (!closing) ended(signal ? `signal ${signal}` : `exit status ${code}`);
  });
  browser.once('disconnected', () => {
    if (!closing) ended('the connection closed');
  });
  return {
    version: (await browser.version()).replace('/', ' '),
    limits: { chromium: 'the player\'s link, a notch and the DevTools calls are emulated in Chromium only' },
    newPage: (view) => newPage(browser, { scale, ...view }),
    // After a failed call: a call left unanswered means the browser hangs, so it is ended.
    failed(error) {
      if (!/timed out. Increase the 'protocolTimeout'/.test(error.message)) return browser.connected ? null : 'its connection closed';
      closing = true;
      browser.process()?.kill('SIGKILL');
      return `no answer in ${AnswerMs / 1000} s`;
    },
    async close() {
      closing = true;
      await browser.close().catch(() => browser.process()?.kill('SIGKILL'));
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Evaluates in a frame and brings the value back as JSON, which survives any protocol.
async function evaluateIn(frame, expression) {
  const text = await frame.evaluate(`(async () => {
    try { return JSON.stringify({ value: await (${expression}) }); }
    catch (e) { return JSON.stringify({ error: String(e && e.stack || e) }); } })()`);
  const result = JSON.parse(text);
  if (result.error) throw new Error(`in the page: ${result.error}`);
  return result.value;
}

async function newPage(browser, view) {
  const context = view.fresh ? await browser.createBrowserContext() : null;
  const page = await (context ?? browser).newPage();
  const setViewport = (v) => {
    Object.assign(view, v);
    return page.setViewport({ width: view.width, height: view.height, deviceScaleFactor: view.scale });
  };
  await setViewport(view);
  const problems = [];
  page.on('console', (m) => {
    if (m.type() === 'error') problems.push(`console error: ${m.text()}`);
  });
  page.on('pageerror', (e) => problems.push(`exception: ${e.message}`));
  page.on('requestfailed', (r) => problems.push(`failed request: ${r.url()} ${r.failure()?.errorText ?? ''}`));
  page.on('response', (r) => {
    if (r.status() >= 400) problems.push(`failed request: ${r.url()} ${r.status()}`);
  });
  const fingers = new Map();
  let other = null;
  return {
    open: (url) => page.goto(url, { waitUntil: 'load' }),
    reload: () => page.reload({ waitUntil: 'load' }),
    eval: (expression) => evaluateIn(page.mainFrame(), expression),
    async evalInFrame(expression) {
      const frame = page.frames().find((f) => f !== page.mainFrame());
      if (!frame) throw new Error('the page has no iframe');
      return evaluateIn(frame, expression);
    },
    // A key already down is sent down again as WebDriver's repeat. Puppeteer names keys by their
    // DOM code, except Space, which goes by its character.
    key: (type, code) => {
      const key = code === 'Space' ? ' ' : code;
      return type === 'down' ? page.keyboard.down(key) : page.keyboard.up(key);
    },
    // Real key events go where the focus is, iframe or not.
    keysTo: () => {},
    move: (x, y) => page.mouse.move(x, y),
    click: (x, y) => page.mouse.click(x, y),
    async touch(points) {
      // Each finger is a pointer of its own: only the one that left ends, only the ones that
      // moved move, so the page sees every other finger stay where it is.
      for (const [id, { handle, x, y }] of fingers) {
        const p = points.find((q) => q.id === id);
        if (!p) {
          await handle.end();
          fingers.delete(id);
        } else if (p.x !== x || p.y !== y) {
          await handle.move(p.x, p.y);
          fingers.set(id, { handle, x: p.x, y: p.y });
        }
      }
      for (const p of points) {
        if (!fingers.has(p.id)) fingers.set(p.id, { handle: await page.touchscreen.touchStart(p.x, p.y), x: p.x, y: p.y });
      }
    },
    setViewport,
    screenshot: async () => Buffer.from(await page.screenshot({ type: 'png' })),
    async hide() {
      other ??= await (context ?? browser).newPage();
      await other.bringToFront();
      return 'another tab in front';
    },
    show: () => page.bringToFront(),
    problems: async () => [...problems, ...(await evaluateIn(page.mainFrame(), PageErrors).catch(() => []))],
    async close() {
      await other?.close();
      await page.close();
      await context?.close();
    },
  };
}
