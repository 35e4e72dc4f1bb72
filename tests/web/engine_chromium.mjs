// Chromium for the engine interface (engine.mjs): Debian's chromium, headless, over the DevTools
// protocol through browser.mjs.
import { existsSync } from 'node:fs';

import { Browser } from './browser.mjs';
import { PageErrors } from './engine.mjs';

export async function launch({ scale = 1 } = {}) {
  const executable = process.env.CHROMIUM || '/usr/bin/chromium';
  if (!existsSync(executable)) return null;
  const browser = await Browser.launch(executable);
  const { product } = await browser.send('Browser.getVersion');
  return {
    name: 'chromium',
    version: product.replace('HeadlessChrome/', 'Chromium '),
    limits: {},
    newPage: (viewport) => newPage(browser, viewport, scale),
    close: () => browser.close(),
  };
}

async function newPage(browser, { width, height }, scale) {
  const page = await browser.newPage();
  // Each frame's own JavaScript world, so that a check can reach into an iframe.
  const contexts = [];
  page.on('Runtime.executionContextCreated', ({ context }) => {
    if (context.auxData?.isDefault) contexts.push(context);
  });
  page.on('Runtime.executionContextsCleared', () => contexts.splice(0));
  let fingers = [];
  const evaluate = (expression, contextId) => page.send('Runtime.evaluate',
    { expression, contextId, awaitPromise: true, returnByValue: true }).then((r) => {
    if (r.exceptionDetails) {
      throw new Error(`in the page: ${r.exceptionDetails.exception?.description ?? r.exceptionDetails.text}`);
    }
    return r.result.value;
  });
  let other = null;
  return {
    open: (url) => page.open(url, { width, height, deviceScaleFactor: scale }),
    reload: () => page.send('Page.reload'),
    eval: (expression) => page.eval(expression),
    async evalInFrame(expression) {
      const { frameTree } = await page.send('Page.getFrameTree');
      const child = frameTree.childFrames?.[0]?.frame.id;
      const context = contexts.find((c) => c.auxData.frameId === child);
      if (!context) throw new Error('the page has no iframe with a script world yet');
      return evaluate(expression, context.id);
    },
    waitFor: (expression, ms, what) => page.waitFor(expression, ms, what),
    key: (type, code, { repeat = false } = {}) => page.key(type, code, { repeat }),
    // Real key events go where the focus is, iframe or not.
    keysTo: () => {},
    move: (x, y) => page.mouse('mouseMoved', x, y),
    click: (x, y) => page.click(x, y),
    async touch(points) {
      const type = points.length === 0 ? 'touchEnd'
        : points.some((p) => !fingers.some((f) => f.id === p.id)) ? 'touchStart' : 'touchMove';
      fingers = points;
      await page.send('Input.dispatchTouchEvent', { type, touchPoints: points.map((p) => ({ x: p.x, y: p.y, id: p.id })) });
    },
    async enableTouch() {
      await page.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
    },
    setViewport: (w, h) => page.setViewport({ width: w, height: h, deviceScaleFactor: scale }),
    screenshot: () => page.screenshot(),
    async hide() {
      other ??= await browser.newPage();
      await browser.send('Target.activateTarget', { targetId: other.targetId });
      return 'another tab in front';
    },
    show: () => browser.send('Target.activateTarget', { targetId: page.targetId }),
    async problems() {
      return [...page.problems, ...(await page.eval(PageErrors).catch(() => []))];
    },
  };
}
