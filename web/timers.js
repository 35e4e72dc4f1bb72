// The window's two timers, run with setTimeout on the play library's live schedule, which says
// which timer is due and in what order, when the next one is, and where a frame falls between two
// game ticks. While the page is hidden no timer runs; shown again, both start afresh.
export class Timers {
  // onOpen and onGame run the handlers, onGame told the deadline its tick was due at (on
  // performance.now()'s clock); state() gives the window's timer switches; game is the library.
  constructor(state, onOpen, onGame, game) {
    Object.assign(this, { state, handlers: [onOpen, onGame], m: game.m, stopped: false });
    Object.assign(this, { paused: false, timeout: 0 });
    this.m._skelvar_schedule_reset();
  }

  pause() {
    this.paused = true;
    clearTimeout(this.timeout);
    this.m._skelvar_schedule_pause();
  }

  resume() {
    if (!this.paused) return;
    this.paused = false;
    this.follow();
  }

  start() { this.follow(); }
  stop() { this.stopped = true; clearTimeout(this.timeout); }

  follow() { // takes in the window's switches, then waits for the next deadline
    if (this.stopped || this.paused) return;
    const w = this.state();
    const now = performance.now();
    this.m._skelvar_schedule_follow(w.openEnabled, w.openInterval, w.gameEnabled, w.gameInterval,
      now);
    const next = this.m._skelvar_schedule_next();
    if (next >= 0) this.timeout = setTimeout(() => this.run(), Math.max(0, next - now));
  }

  // A frame is about to be painted for the display's moment `time`: a game tick due by then whose
  // timeout has not fired yet runs first, so no frame shows a tick's place held past its time.
  catchUp(time) {
    if (this.stopped || this.paused || !this.m._skelvar_schedule_game_due(time)) return;
    clearTimeout(this.timeout);
    this.run();
  }

  // Where a frame at `time` falls from the last game tick's deadline to the next, from 0 to 1.
  fraction(time) { return this.m._skelvar_schedule_fraction(time); }

  run() {
    for (let id = -1; !this.stopped && !this.paused;) {
      const now = performance.now();
      id = this.m._skelvar_schedule_next_due(id, now);
      if (id < 0) break;
      this.handlers[id](this.m._skelvar_schedule_deadline(id));
      this.m._skelvar_schedule_fired(id, now);
    }
    this.follow();
  }
}
