// Stand-ins the test server puts into the page before the page's own scripts, inert until a check
// takes them up, so they need nothing from any engine's driver.
//
// StandInPad: navigator.getGamepads gives one standard-mapping pad once a check plugs it in:
//   testPad.plugged = true; testPad.button(15, true)     // D-pad → held
//
// HeldClock: performance.now, setTimeout and requestAnimationFrame pass through to the browser's
// own until __heldClock.hold({ late, seed }) stops the page's time. From then on time moves only in
// __heldClock.run(ms): the display's frames come exactly every 1000 / 60 ms, and every timer fires
// at its due time plus a delay of up to `late` ms (seeded, so each run is the same), the way a busy
// page's timers run late. Timers and frames already waiting when the clock is held move onto it.
// __heldClock.stall(ms) moves the held time on with nothing run, as a page busy for that long;
// __heldClock.release() gives the page the browser's time again, going on from the held time.

export const StandInPad = `(() => {
  const pad = { id: 'stand-in pad', index: 0, connected: true, mapping: 'standard', timestamp: 0,
    buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })), axes: [0, 0, 0, 0] };
  globalThis.testPad = { pad, plugged: false,
    button(i, down) { pad.buttons[i] = { pressed: down, value: down ? 1 : 0 }; } };
  const own = typeof navigator.getGamepads === 'function' ? navigator.getGamepads.bind(navigator) : () => [];
  Object.defineProperty(navigator, 'getGamepads', { configurable: true,
    value: () => (testPad.plugged ? [pad] : own()) });
})();`;

export const HeldClock = `(() => {
  const real = {
    now: performance.now.bind(performance),
    setTimeout: setTimeout.bind(globalThis),
    clearTimeout: clearTimeout.bind(globalThis),
    frame: requestAnimationFrame.bind(globalThis),
    cancelFrame: cancelAnimationFrame.bind(globalThis),
  };
  let held = false;
  let now = 0;
  // The held time's lead over the browser's, once released.
  let offset = 0;
  let late = 0;
  let seed = 1;
  let ids = 1;
  const timers = new Map();
  const frames = new Map();
  const random = () => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed / 2147483648;
  };
  const clock = () => (held ? now : real.now() + offset);
  Object.defineProperty(performance, 'now', { configurable: true, value: clock });
  globalThis.setTimeout = (fn, ms = 0, ...args) => {
    const id = ids++;
    const timer = { due: clock() + Math.max(0, Number(ms) || 0), fn, args, real: 0, late: 0 };
    if (held) {
      timer.late = random() * late;
    } else {
      timer.real = real.setTimeout(() => { timers.delete(id); fn(...args); }, ms);
    }
    timers.set(id, timer);
    return id;
  };
  globalThis.clearTimeout = (id) => {
    const timer = timers.get(id);
    if (!timer) return;
    if (timer.real) real.clearTimeout(timer.real);
    timers.delete(id);
  };
  globalThis.requestAnimationFrame = (fn) => {
    const id = ids++;
    const frame = { fn, real: 0 };
    if (!held) frame.real = real.frame((t) => { frames.delete(id); fn(t + offset); });
    frames.set(id, frame);
    return id;
  };
  globalThis.cancelAnimationFrame = (id) => {
    const frame = frames.get(id);
    if (!frame) return;
    if (frame.real) real.cancelFrame(frame.real);
    frames.delete(id);
  };
  globalThis.__heldClock = {
    hold(options = {}) {
      if (held) return;
      now = clock();
      held = true;
      late = options.late ?? 0;
      seed = options.seed ?? 1;
      for (const timer of timers.values()) {
        real.clearTimeout(timer.real);
        timer.real = 0;
        timer.late = random() * late;
      }
      for (const frame of frames.values()) {
        real.cancelFrame(frame.real);
        frame.real = 0;
      }
    },
    stall(ms) {
      if (held) now += ms;
    },
    release() {
      if (!held) return;
      held = false;
      offset = now - real.now();
      for (const [id, timer] of timers) {
        timer.real = real.setTimeout(() => { timers.delete(id); timer.fn(...timer.args); }, timer.due + timer.late - now);
      }
      for (const [id, frame] of frames) frame.real = real.frame((t) => { frames.delete(id); frame.fn(t + offset); });
    },
    run(ms, frameMs = 1000 / 60) {
      const end = now + ms;
      let nextFrame = Math.ceil(now / frameMs) * frameMs;
      for (;;) {
        let first = null;
        for (const [id, timer] of timers) {
          if (!first || timer.due + timer.late < first[1].due + first[1].late) first = [id, timer];
        }
        const timerAt = first ? first[1].due + first[1].late : Infinity;
        const at = Math.min(timerAt, nextFrame);
        if (at > end) break;
        now = Math.max(now, at);
        if (timerAt < nextFrame) {
          timers.delete(first[0]);
          first[1].fn(...first[1].args);
        } else {
          const due = [...frames.values()];
          frames.clear();
          for (const frame of due) frame.fn(nextFrame);
          nextFrame += frameMs;
        }
      }
      now = end;
    },
  };
})();`;

// The steps of the background between consecutive paints of a steady run, from the page's paint
// log ([time, ticks, background left, exact]), up to where it stops (she reached an obstacle;
// the step into the stop is only as long as her last move); how many step more than 30 % off
// their median.
export function unevenSteps(paints) {
  const steps = [];
  for (let i = 1; i < paints.length; ++i) {
    const [a, b] = [paints[i - 1][2], paints[i][2]];
    if (a === null || b === null) continue;
    steps.push(Math.abs(b - a));
  }
  if (steps.length > 0 && steps.at(-1) < 0.01) {
    while (steps.length > 0 && steps.at(-1) < 0.01) steps.pop();
    steps.pop();
  }
  const sorted = [...steps].sort((x, y) => x - y);
  const median = sorted.length ? sorted[Math.floor(sorted.length / 2)] : 0;
  const uneven = steps.filter((s) => Math.abs(s - median) > 0.3 * median).length;
  return { steps, median, uneven };
}
