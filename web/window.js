// The page as the game's window: the canvas covers the viewport, shows the game at the scale that
// fits the designed 960 x 580 window inside the notch-free part of the screen, fades in with the
// window's opacity and repaints only when the draw list changed or the canvas was resized, or,
// while anything moves between the last two game ticks, on every animation frame, with each
// picture where the game places it for the frame's time since the last tick's deadline.
import { LiveLabel } from './live_label.js';
import { TurnPictogram } from './pictogram.js';
import { sizeCanvas } from './viewport.js';

export class PageWindow {
  constructor(canvas, game, painter) {
    this.canvas = canvas;
    this.game = game;
    this.painter = painter;
    this.scale = 1;
    // Where the play area sits on the screen, in CSS pixels from the viewport's corner.
    this.playArea = { left: 0, top: 0, width: 0, height: 0 };
    this.safeArea = document.getElementById('safe-area');
    this.turn = new TurnPictogram(document.getElementById('turn'));
    this.liveLabel = new LiveLabel(document.getElementById('said'));
    this.unit = 1;
    this.painted = -1;
    this.dirty = true;
    this.frameRequested = false;
    this.closedShown = false;
    this.paintTimes = [];
    // When each recent paint happened, after how many game ticks, where the background was, and
    // whether it painted the draw list itself rather than a frame between ticks.
    this.paintLog = [];
    // How many game ticks have run, as the session counts them.
    this.tickCount = () => 0;
    this.onPainted = () => {};
  }

  // The screen's notch and rounded corners as CSS insets [top, right, bottom, left], read from an
  // invisible element padded by env(safe-area-inset-*).
  insets() {
    if (!this.safeArea) return [0, 0, 0, 0];
    const style = getComputedStyle(this.safeArea);
    return [style.paddingTop, style.paddingRight, style.paddingBottom, style.paddingLeft]
      .map((v) => Math.max(0, Number.parseFloat(v) || 0));
  }

  // Sizes the canvas to the viewport; returns the logic's client size. The scale is the one that
  // fits the design into the viewport less the insets on both sides, because the logic centres the
  // play area: it then stays clear of a notch while the grey around it runs under the notch.
  fit() {
    const { width, height, ratio } = sizeCanvas(this.canvas);
    const [top, right, bottom, left] = this.insets();
    const view = this.game.layout(width, height, 2 * Math.max(left, right), 2 * Math.max(top, bottom));
    this.scale = view.scale;
    this.unit = view.scale * ratio;
    // Where the logic puts the play area, on the screen.
    const area = view.playArea;
    this.playArea = {
      left: area.left * this.scale,
      top: area.top * this.scale,
      width: area.width * this.scale,
      height: area.height * this.scale,
    };
    this.turn.place(this.playArea, width, height, ratio, bottom);
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
    // A closed game is shown dimmed, the hint with it.
    this.turn.fade(w.closed ? '0.4' : this.canvas.style.opacity);
    this.liveLabel.show(this.game.drawList());
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

  // A frame for the display's moment `now`: the game first runs a tick due by then, so that no
  // frame shows a tick's places held past its time, and places every picture between the last two
  // ticks by the frame's time against the last tick's deadline, so that a timer callback that ran
  // late does not shift the frames of its tick and the steps between frames stay even.
  frame(now) {
    this.frameRequested = false;
    const start = performance.now();
    let report = this.game.frame(now);
    // What the tick handed back may have changed the game again (a held key delivered after it):
    // the frame is then placed afresh.
    if (this.game.report !== report) report = this.game.frame(now);
    const { closed } = report;
    if (report.blended) {
      this.paint(this.game.frameList(), closed, start, false);
      // Not the list itself: once nothing moves any more it is painted as it is, at its places.
      this.painted = -1;
      this.requestFrame();
      return;
    }
    const list = this.game.drawList();
    if (!this.dirty && list.generation === this.painted && closed === this.closedShown) return;
    this.paint(list, closed, start, true);
    this.painted = list.generation;
  }

  // exact: the draw list itself, not a frame between two ticks.
  paint(list, closed, start, exact) {
    // A watched run keeps the client size it was played at, stretched onto the canvas.
    const r = this.game.report;
    const unit = r.watching ? Math.min(this.canvas.width / r.clientWidth, this.canvas.height / r.clientHeight)
      : this.unit;
    this.painter.paint(list, unit, this.canvas.width, this.canvas.height, closed);
    this.closedShown = closed;
    this.dirty = false;
    this.paintTimes.push(performance.now() - start);
    if (this.paintTimes.length > 1000) this.paintTimes.shift();
    this.paintLog.push([start, this.tickCount(), list.backgroundLeft, exact]);
    if (this.paintLog.length > 1000) this.paintLog.shift();
    this.onPainted();
  }
}
