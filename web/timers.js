// The window's two timers on one monotonic schedule: deadlines are whole periods from the start,
// so nothing drifts, and a timer that is late (a stall) fires once and then waits for its next
// boundary instead of catching up in a burst. While the page is hidden the timers are paused.
class Schedule {
  constructor(start, period) {
    this.start = start;
    this.period = period;
    this.ticks = 1;
  }

  next() { return this.start + this.ticks * this.period; }
  due(now) { return now >= this.next(); }

  advance(now) {
    ++this.ticks;
    if (this.next() <= now) {
      this.ticks = Math.floor((now - this.start) / this.period) + 1;
      while (this.next() <= now) ++this.ticks;
    }
  }
}

// Keeps one timer's schedule in step with its enabled flag.
class TimerClock {
  constructor(fire) {
    this.fire = fire;
    this.schedule = null;
  }

  follow(enabled, interval, now) {
    if (enabled && !this.schedule) this.schedule = new Schedule(now, interval);
    if (!enabled) this.schedule = null;
  }
}

export class Timers {
  // onOpen and onGame run the handlers; state() gives the window's timer switches.
  constructor(state, onOpen, onGame) {
    this.state = state;
    this.open = new TimerClock(onOpen);
    this.tick = new TimerClock(onGame);
    this.timeout = 0;
    this.stopped = false;
    this.paused = false;
  }

  // No ticks at all while paused; resumed, both timers start a fresh schedule from that moment.
  pause() {
    this.paused = true;
    clearTimeout(this.timeout);
    this.open.schedule = null;
    this.tick.schedule = null;
  }

  resume() {
    if (!this.paused) return;
    this.paused = false;
    if (this.stopped) return;
    this.follow(performance.now());
    this.arm();
  }

  start() {
    this.follow(performance.now());
    this.arm();
  }

  stop() {
    this.stopped = true;
    clearTimeout(this.timeout);
  }

  follow(now) {
    const w = this.state();
    if (w.closed) {
      this.stop();
      return;
    }
    this.open.follow(w.openEnabled, w.openInterval, now);
    this.tick.follow(w.gameEnabled, w.gameInterval, now);
  }

  arm() {
    if (this.stopped || this.paused) return;
    const running = [this.open, this.tick].filter((t) => t.schedule);
    const deadlines = running.map((t) => t.schedule.next());
    if (deadlines.length === 0) return;
    const wait = Math.max(0, Math.min(...deadlines) - performance.now());
    this.timeout = setTimeout(() => this.run(), wait);
  }

  // A frame is about to be painted for the display's moment `time`: a game tick due by then whose
  // timeout has not fired yet (it runs late behind other work) runs first, so every frame is placed
  // after all the ticks due before it and none shows a tick's place held past its time.
  catchUp(time) {
    if (this.stopped || this.paused || !this.tick.schedule?.due(time)) return;
    clearTimeout(this.timeout);
    this.run();
  }

  run() {
    for (const timer of [this.open, this.tick]) {
      if (this.stopped || this.paused) return;
      const now = performance.now();
      if (timer.schedule && timer.schedule.due(now)) {
        // The handler is told the deadline it was due at, on performance.now()'s clock.
        timer.fire(timer.schedule.next());
        if (timer.schedule) timer.schedule.advance(now);
      }
    }
    if (this.stopped || this.paused) return;
    this.follow(performance.now());
    this.arm();
  }
}
