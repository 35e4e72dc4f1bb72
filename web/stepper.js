// For tests only: the page steps its ticks by hand on the virtual clock, in the order every
// headless run keeps (the events of tick k, then its timers, run by the play library's one step),
// so its state can be compared with the native replay tick by tick.
export class Stepper {
  constructor(game, gamepads, after) {
    this.game = game;
    this.gamepads = gamepads;
    this.after = after;
    this.tick = 1;
    // Every event delivered, stamped with its tick: a script the replay tool can run.
    this.script = [];
    game.journal = (event) => {
      if (!game.window().closed) this.script.push(`${this.tick} ${event}`);
    };
    // Start-up ran at tick 0; events from now on belong to tick 1.
    game.setTick(this.tick);
  }

  // Runs the timers of the current tick and returns the state after it as a JSON line.
  step() {
    const k = this.tick;
    // The controllers' presses are events of this tick, delivered before its timers.
    this.gamepads.poll();
    this.game.step(k);
    this.after();
    const line = this.game.stateJson(k);
    this.tick = k + 1;
    // What the end of a tick lets go of is an event of the next one.
    this.game.ticked();
    return line;
  }
}
