// A drawn hint for a phone held upright: in the free space below the play area, a phone standing
// up, a red arrow turning it and the same phone lying on its side, in the thin black pen of the
// game's pictures with the pale pink of its bodies. It carries no words, so it needs no language.

const Ink = '#000000';
const Body = '#fff0ff';
const Paper = '#ffffff';
const Red = '#ff0000';

// The drawing's own units: a box of 160 x 100.
const BoxWidth = 160;
const BoxHeight = 100;
// The pictogram shows only where the free space is at least this tall, in CSS pixels.
const MinimumHeight = 60;
const MaximumWidth = 320;

// A small seeded generator, so the hand's wobble is the same on every page load.
function wobble(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296 - 0.5;
  };
}

// Points around a rectangle with rounded corners, a few per side, so the wobble can bend it.
function roundedRect(x, y, w, h, r) {
  const points = [];
  const corner = (cx, cy, from) => {
    for (let i = 0; i <= 4; ++i) {
      const a = from + (i / 4) * (Math.PI / 2);
      points.push([cx + r * Math.cos(a), cy + r * Math.sin(a)]);
    }
  };
  const side = (x0, y0, x1, y1) => {
    for (let i = 1; i < 4; ++i) points.push([x0 + ((x1 - x0) * i) / 4, y0 + ((y1 - y0) * i) / 4]);
  };
  corner(x + w - r, y + r, -Math.PI / 2);
  side(x + w, y + r, x + w, y + h - r);
  corner(x + w - r, y + h - r, 0);
  side(x + w - r, y + h, x + r, y + h);
  corner(x + r, y + h - r, Math.PI / 2);
  side(x, y + h - r, x, y + r);
  corner(x + r, y + r, Math.PI);
  side(x + r, y, x + w - r, y);
  return points;
}

// Traces points as one smooth line through their midpoints, each point nudged by the hand.
function trace(c, points, closed, nudge, amount) {
  const p = points.map(([x, y]) => [x + nudge() * amount, y + nudge() * amount]);
  const mid = (a, b) => [(a[0] + b[0]) / 2, (a[1] + b[1]) / 2];
  c.beginPath();
  if (closed) {
    const start = mid(p[p.length - 1], p[0]);
    c.moveTo(...start);
    for (let i = 0; i < p.length; ++i) c.quadraticCurveTo(...p[i], ...mid(p[i], p[(i + 1) % p.length]));
    c.closePath();
  } else {
    c.moveTo(...p[0]);
    for (let i = 1; i < p.length - 1; ++i) c.quadraticCurveTo(...p[i], ...mid(p[i], p[i + 1]));
    c.lineTo(...p[p.length - 1]);
  }
}

function phone(c, x, y, w, h, nudge, pen) {
  const r = Math.min(w, h) * 0.2;
  c.lineWidth = pen;
  c.strokeStyle = Ink;
  trace(c, roundedRect(x, y, w, h, r), true, nudge, 0.7);
  c.fillStyle = Body;
  c.fill();
  c.stroke();
  const inset = Math.min(w, h) * 0.14;
  const ear = Math.min(w, h) * 0.2;
  // The screen leaves a wider rim at the short ends, where the speaker and the button sit.
  const [sx, sy, sw, sh] = w < h
    ? [x + inset, y + ear, w - 2 * inset, h - 2 * ear]
    : [x + ear, y + inset, w - 2 * ear, h - 2 * inset];
  trace(c, roundedRect(sx, sy, sw, sh, r * 0.35), true, nudge, 0.5);
  c.fillStyle = Paper;
  c.fill();
  c.stroke();
  c.beginPath();
  const dot = pen * 0.9;
  if (w < h) c.arc(x + w / 2, y + h - ear / 2, dot, 0, 2 * Math.PI);
  else c.arc(x + w - ear / 2, y + h / 2, dot, 0, 2 * Math.PI);
  c.fillStyle = Ink;
  c.fill();
}

function arrow(c, nudge, pen) {
  const cx = 84;
  const cy = 74;
  const r = 60;
  const from = -2.02;
  const to = -0.62;
  const points = [];
  for (let i = 0; i <= 10; ++i) {
    const a = from + ((to - from) * i) / 10;
    points.push([cx + r * Math.cos(a), cy + r * Math.sin(a)]);
  }
  c.strokeStyle = Red;
  c.lineWidth = pen * 1.3;
  c.lineCap = 'round';
  c.lineJoin = 'round';
  trace(c, points, false, nudge, 0.6);
  c.stroke();
  // The head points along the arc's end, turning clockwise.
  const [ex, ey] = points[points.length - 1];
  const along = to + Math.PI / 2;
  const head = 9;
  c.beginPath();
  c.moveTo(ex + head * Math.cos(along + 2.6), ey + head * Math.sin(along + 2.6));
  c.lineTo(ex + nudge() * 0.4, ey + nudge() * 0.4);
  c.lineTo(ex + head * Math.cos(along - 2.6), ey + head * Math.sin(along - 2.6));
  c.stroke();
}

// Draws the whole pictogram into a context whose units are the drawing's own.
export function drawTurnPictogram(c, pen) {
  const nudge = wobble(20260);
  c.lineCap = 'round';
  c.lineJoin = 'round';
  phone(c, 14, 30, 36, 64, nudge, pen);
  phone(c, 98, 58, 56, 32, nudge, pen);
  arrow(c, nudge, pen);
}

export class TurnPictogram {
  constructor(canvas) {
    this.canvas = canvas;
    this.shown = false;
    this.box = null;
  }

  // Shows the pictogram below the play area, clear of the screen's bottom inset, when a touch
  // screen stands upright and has room for it; a tall window on a desktop gets no such hint.
  place(playArea, width, height, ratio, bottomInset = 0) {
    if (!this.canvas) return;
    const top = Math.ceil(playArea.top + playArea.height);
    const free = height - bottomInset - top;
    const touch = matchMedia('(pointer: coarse)').matches;
    this.shown = touch && height > width && free >= MinimumHeight;
    this.canvas.hidden = !this.shown;
    if (!this.shown) {
      this.box = null;
      return;
    }
    const boxWidth = Math.min(MaximumWidth, width * 0.6, ((free * 0.6) * BoxWidth) / BoxHeight);
    const boxHeight = (boxWidth * BoxHeight) / BoxWidth;
    const left = Math.round((width - boxWidth) / 2);
    const boxTop = Math.round(top + (free - boxHeight) / 2);
    this.box = { left, top: boxTop, width: boxWidth, height: boxHeight };
    const style = this.canvas.style;
    style.left = `${left}px`;
    style.top = `${boxTop}px`;
    style.width = `${boxWidth}px`;
    style.height = `${boxHeight}px`;
    this.canvas.width = Math.max(1, Math.round(boxWidth * ratio));
    this.canvas.height = Math.max(1, Math.round(boxHeight * ratio));
    const c = this.canvas.getContext('2d');
    const unit = this.canvas.width / BoxWidth;
    c.setTransform(1, 0, 0, 1, 0, 0);
    c.clearRect(0, 0, this.canvas.width, this.canvas.height);
    c.setTransform(unit, 0, 0, unit, 0, 0);
    // A thin pen whatever the size: about 2 CSS pixels.
    drawTurnPictogram(c, (2 * ratio) / unit);
  }

  // Fades in and out with the game's window.
  fade(opacity) {
    if (this.canvas && this.shown) this.canvas.style.opacity = opacity;
  }
}
