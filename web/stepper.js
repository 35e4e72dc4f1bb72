// For tests only, loaded by a page opened with ?step: the page's ticks are stepped by hand on the
// virtual clock, in the order every headless run keeps (the events of tick k, then its timers, run
// by the play library's one tick), so its state can be compared with the native replay tick by
// tick. Adds step(n) and script() to the page's entry point.
export function addStepping(entry, session) {
  const { game } = session;
  // Runs the next n ticks; returns the state after each as a JSON line.
  entry.step = (n = 1) => {
    const lines = [];
    for (let i = 0; i < n; ++i) {
      const k = session.ticks + 1;
      lines.push(session.step(k, () => game.stateJson(k)));
    }
    return lines;
  };
  // Every event the game was given, stamped with the tick it belongs to: the replay tool's script.
  entry.script = () => game.journal().trimEnd();
}
