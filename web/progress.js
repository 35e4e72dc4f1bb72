// The bar the canvas shows while the game's files arrive, in the page's black and white: on black
// until the window starts, then over the menu, drawn by the window's own paints, until the stage
// is in. It counts bytes: those expected are added as the loads start, those received as they
// come in.
import { sizeCanvas } from './viewport.js';

const BarWidth = 0.4;
const BarHeight = 6;

export class Progress {
  constructor(canvas) {
    this.canvas = canvas;
    // The same attributes as the game's painter, which takes the canvas over later.
    this.context = canvas.getContext('2d', { alpha: false });
    this.expected = 0;
    this.received = 0;
    this.frameRequested = false;
    this.active = true;
    this.waiting = [];
    // Set once the window paints the canvas: asks it for a paint.
    this.invalidate = null;
    canvas.style.opacity = '1';
    this.draw();
  }

  // From the window's start on, the bar is drawn over the game by the window's paints: returns
  // the painter that does so, around the game's own.
  over(painter, invalidate) {
    this.invalidate = invalidate;
    return {
      paint: (...args) => {
        painter.paint(...args);
        if (this.active) this.drawBar();
      },
    };
  }

  // A new try counts afresh: what arrived before is already in place.
  reset() {
    this.expected = 0;
    this.received = 0;
    this.active = true;
    this.requestFrame();
  }

  // Leaves the canvas black behind the message of a failed start, until a new try; over the
  // menu, the bar goes and the menu stays.
  clear() {
    this.active = false;
    if (this.invalidate) {
      this.invalidate();
      return;
    }
    const c = this.context;
    c.setTransform(1, 0, 0, 1, 0, 0);
    c.fillStyle = '#000';
    c.fillRect(0, 0, this.canvas.width, this.canvas.height);
  }

  expect(bytes) {
    this.expected += bytes;
    this.requestFrame();
  }

  // Bytes in (or taken back when a transfer broke off and starts again).
  add(bytes) {
    this.received += bytes;
    this.waiting = this.waiting.filter(({ bytes: left, resolve }) => {
      if (this.expected - this.received > left) return true;
      resolve();
      return false;
    });
    this.requestFrame();
  }

  // Resolves once no more than this many of the expected bytes are still to come.
  whenRemaining(bytes) {
    if (this.expected - this.received <= bytes) return Promise.resolve();
    return new Promise((resolve) => { this.waiting.push({ bytes, resolve }); });
  }

  // Everything is in: the game's picture alone from now on.
  stop() {
    this.active = false;
    this.invalidate?.();
  }

  get fraction() {
    return this.expected > 0 ? Math.min(1, Math.max(0, this.received / this.expected)) : 0;
  }

  requestFrame() {
    if (!this.active) return;
    if (this.invalidate) {
      this.invalidate();
      return;
    }
    if (this.frameRequested) return;
    this.frameRequested = true;
    requestAnimationFrame(() => {
      this.frameRequested = false;
      if (this.active && !this.invalidate) this.draw();
    });
  }

  draw() {
    const { canvas } = this;
    sizeCanvas(canvas);
    const c = this.context;
    c.setTransform(1, 0, 0, 1, 0, 0);
    c.fillStyle = '#000';
    c.fillRect(0, 0, canvas.width, canvas.height);
    this.drawBar();
  }

  // The bar at the canvas's middle, a white frame around the white part received.
  drawBar() {
    const { width, height } = this.canvas;
    const ratio = window.devicePixelRatio || 1;
    const c = this.context;
    c.setTransform(1, 0, 0, 1, 0, 0);
    const w = Math.round(width * BarWidth);
    const h = Math.max(2, Math.round(BarHeight * ratio));
    const x = Math.round((width - w) / 2);
    const y = Math.round((height - h) / 2);
    const line = Math.max(1, Math.round(ratio));
    c.fillStyle = '#fff';
    c.fillRect(x - 2 * line, y - 2 * line, w + 4 * line, h + 4 * line);
    c.fillStyle = '#000';
    c.fillRect(x - line, y - line, w + 2 * line, h + 2 * line);
    c.fillStyle = '#fff';
    c.fillRect(x, y, Math.round(w * this.fraction), h);
  }
}
