// The window's timers in the page: one timeout, to the deadline the game gave last. Which timer
// is due, in what order they run, and when the next one is, are the game's to say; a timeout that
// fires only asks it to run what is due.
export class Timers {
  // fire() runs when the deadline has come.
  constructor(fire) {
    this.fire = fire;
    this.timeout = 0;
    this.deadline = -1;
    this.stopped = false;
  }

  // Waits for `deadline` (performance.now()'s milliseconds; -1: nothing to wait for).
  follow(deadline) {
    if (this.stopped || deadline === this.deadline) return;
    clearTimeout(this.timeout);
    this.deadline = deadline;
    if (deadline < 0) return;
    this.timeout = setTimeout(() => {
      this.deadline = -1;
      this.fire();
    }, Math.max(0, deadline - performance.now()));
  }

  stop() {
    this.stopped = true;
    clearTimeout(this.timeout);
  }
}
