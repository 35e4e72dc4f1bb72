// The page as the game's window: the canvas covers the viewport, shows the game at the scale that
// fits the designed 960 x 580 window, fades in with the window's opacity and repaints only when
// the draw list changed or the canvas was resized, or, while anything moves between the last two
// game ticks, on every animation frame, placing each picture by the time since the last tick.
const TickMs = 50;
const BackImage = 65;

// Where a paint put the background's left edge, in client units; null when it has none.
function backgroundLeft(list) {
  const back = list.ops.find((op) => op.image === BackImage);
  return back ? back.dest[0] - back.source[0] * (back.dest[2] / back.source[2]) : null;
}

export class PageWindow {
  constructor(canvas, game, painter) {
    this.canvas = canvas;
    this.game = game;
    this.painter = painter;
    this.scale = 1;
    this.unit = 1;
    this.painted = -1;
    this.dirty = true;
    this.frameRequested = false;
    this.closedShown = false;
    this.paintTimes = [];
    // When each recent paint happened, after how many game ticks, where the background was, and
    // whether it painted the draw list itself rather than a frame between ticks.
    this.paintLog = [];
    this.ticks = 0;
    this.tickTime = 0;
    this.glides = false;
    this.onPainted = () => {};
  }

  // A game tick ran at `now`: frames from here on glide from the last tick's places to its own.
  ticked(now) {
    this.ticks += 1;
    this.tickTime = now;
    this.glides = true;
    this.requestFrame();
  }

  viewport() {
    return [document.documentElement.clientWidth || window.innerWidth,
      document.documentElement.clientHeight || window.innerHeight];
  }

  // Sizes the canvas to the viewport; returns the logic's client size.
  fit() {
    const [width, height] = this.viewport();
    const view = this.game.fit(width, height);
    const ratio = window.devicePixelRatio || 1;
    this.scale = view.scale;
    this.canvas.style.width = `${width}px`;
    this.canvas.style.height = `${height}px`;
    const backingWidth = Math.max(1, Math.round(width * ratio));
    const backingHeight = Math.max(1, Math.round(height * ratio));
    if (this.canvas.width !== backingWidth) this.canvas.width = backingWidth;
    if (this.canvas.height !== backingHeight) this.canvas.height = backingHeight;
    this.unit = view.scale * ratio;
    this.invalidate();
    return [view.clientWidth, view.clientHeight];
  }

  // A point in CSS pixels on the canvas, in the logic's client coordinates.
  toClient(event) {
    const rect = this.canvas.getBoundingClientRect();
    return [Math.floor((event.clientX - rect.left) / this.scale),
      Math.floor((event.clientY - rect.top) / this.scale)];
  }

  // Follows the window's opacity and asks for a frame when anything drawn has changed.
  update() {
    const w = this.game.window();
    this.canvas.style.opacity = w.opacityEnabled ? String(w.opacity / 255) : '1';
    if (w.closed !== this.closedShown) this.dirty = true;
    if (this.dirty || this.game.drawList().generation !== this.painted) this.requestFrame();
    return w;
  }

  invalidate() {
    this.dirty = true;
    this.requestFrame();
  }

  requestFrame() {
    if (this.frameRequested) return;
    this.frameRequested = true;
    requestAnimationFrame((now) => this.frame(now));
  }

  frame(now) {
    this.frameRequested = false;
    const start = performance.now();
    const list = this.game.drawList();
    const closed = this.game.window().closed;
    if (this.glides && !closed && this.game.moving()) {
      const a = Math.min(1, Math.max(0, (now - this.tickTime) / TickMs));
      this.paint(this.game.blendedList(a), closed, start, false);
      // Not the list itself: once nothing moves any more it is painted as it is, at its places.
      this.painted = -1;
      this.requestFrame();
      return;
    }
    if (!this.dirty && list.generation === this.painted && closed === this.closedShown) return;
    this.paint(list, closed, start, true);
    this.painted = list.generation;
  }

  // exact: the draw list itself, not a frame between two ticks.
  paint(list, closed, start, exact) {
    this.painter.paint(list, this.unit, this.canvas.width, this.canvas.height, closed);
    this.closedShown = closed;
    this.dirty = false;
    this.paintTimes.push(performance.now() - start);
    if (this.paintTimes.length > 1000) this.paintTimes.shift();
    this.paintLog.push([start, this.ticks, backgroundLeft(list), exact]);
    if (this.paintLog.length > 1000) this.paintLog.shift();
    this.onPainted();
  }
}
