// For tests only, loaded by a page opened with ?step: the page's ticks are stepped by hand on the
// virtual clock, in the order every headless run keeps (the events of tick k, then its timers, run
// by the play library's one step), so its state can be compared with the native replay tick by
// tick. Adds step(n) and script() to the page's entry point.
export function addStepping(entry, session) {
  const { game } = session;
  // Every event delivered, stamped with the tick it belongs to: a script the replay tool can run.
  const script = [];
  game.journal = (event) => {
    if (!game.window().closed) script.push(`${session.ticks + 1} ${event}`);
  };
  // Start-up ran at tick 0; events from now on belong to tick 1.
  game.setTick(session.ticks + 1);

  // Runs the timers of the next n ticks; returns the state after each as a JSON line.
  entry.step = (n = 1) => {
    const lines = [];
    for (let i = 0; i < n; ++i) {
      const k = session.ticks + 1;
      lines.push(session.tick(() => game.step(k), () => game.stateJson(k)));
    }
    return lines;
  };
  entry.script = () => script.join('\n');
}
