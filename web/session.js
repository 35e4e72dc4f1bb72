// The game's run in the page: what every call into the game hands back (a tick's sounds, a record
// to keep, a run that ended, kept as a script, the window to follow), the one timeout that waits
// for the next deadline, the count of ticks, the page hidden, the end of the game after the exit
// command and a new launch after it.
import { watchFocus } from './focus.js';
import { Timers } from './timers.js';

// How many recent tick durations the page keeps for its statistics.
const Samples = 1000;

export class Session {
  // stepped: ticks run only when a test steps them, never by the clock.
  constructor({ game, pageWindow, inputs, sound, stepped, seed }) {
    Object.assign(this, { game, pageWindow, inputs, sound, stepped, seed });
    this.ticks = 0;
    this.tickTimes = [];
    this.timers = null;
    this.hidden = false;
    // The player's record and the last run, kept in the page's storage.
    this.records = null;
    // Runs once a game tick's report is handled: what it delivers belongs to the next tick.
    this.onTicked = null;
    // The button that shares a run once it has ended.
    this.share = null;
    this.wasShareable = false;
    // The board's controls, when a board serves the page: told every report.
    this.board = null;
    // A player's run is on: its end keeps it, once.
    this.runOn = false;
    pageWindow.tickCount = () => this.ticks;
    game.handedBack = (report) => this.took(report);
  }

  // What a call into the game handed back.
  took(r) {
    if (r.ticked) {
      this.sound.play(r.cues);
      if (!this.stepped) this.ticks += 1;
    }
    if (r.recordChanged) this.records?.store();
    // A run that has just ended can be shared until the next one starts.
    if (r.runStarted || r.watching || r.closed) this.share?.withdraw();
    if (r.shareable && !this.wasShareable) this.share?.offer();
    this.wasShareable = r.shareable;
    this.board?.took(r);
    // Every run is kept once, where it ends: back at the menu, or the game's end while it was on.
    this.runOn ||= r.runStarted;
    if (this.runOn && (r.backAtMenu || (r.closed && this.inputs.enabled))) {
      this.runOn = false;
      this.records?.keepRun(this.game.lastRun());
    }
    if (r.ticked) this.onTicked?.();
    // Each game tick glides the frames after it.
    if (r.pictureChanged && !this.stepped) this.pageWindow.requestFrame();
    this.after();
    this.timers?.follow(this.game.report.deadline);
  }

  // The window follows the game. The exit command ends the game in the page: no more ticks, and
  // no input but the key, click or tap that starts it afresh.
  after() {
    const w = this.pageWindow.update();
    if (w.closed && this.inputs.enabled) {
      this.timers?.stop();
      this.inputs.disable(this.stepped ? null : () => this.relaunch());
    }
  }

  // The game's timers drive the ticks, through one timeout to the next deadline.
  start() {
    if (!this.stepped) {
      this.timers = new Timers(() => this.fire());
      this.timers.follow(this.game.report.deadline);
    }
    this.setHidden(document.visibilityState === 'hidden');
    this.after();
  }

  fire() {
    const t0 = performance.now();
    const ticked = this.game.advance(t0, () => this.game.report.ticked);
    if (!ticked) return;
    this.tickTimes.push(performance.now() - t0);
    if (this.tickTimes.length > Samples) this.tickTimes.shift();
  }

  // A stepped page's tick k, by hand; seen() looks at the game right after it, before what the
  // tick hands back is handled, and its value is returned.
  step(k, seen) {
    this.ticks = k;
    return this.game.advance(k, seen);
  }

  // While the page is hidden no tick runs and the game's clock stands still.
  setHidden(hidden) {
    if (hidden === this.hidden) return;
    this.hidden = hidden;
    this.game.setHidden(hidden);
  }

  // The focus leaving lets go of every input; the page hidden also pauses the game.
  watchFocus() {
    watchFocus({
      leave: () => {
        this.inputs.releaseAll();
        this.after();
      },
      back: () => this.inputs.focusBack(),
      hide: () => this.setHidden(true),
      show: () => {
        this.inputs.focusBack();
        this.setHidden(false);
      },
    });
  }

  // A new size for the canvas and the logic's client area.
  resized() {
    const [w, h] = this.pageWindow.fit();
    this.game.resize(w, h);
  }

  // After the exit command: the game starts afresh, as a new launch.
  relaunch() {
    const [w, h] = this.pageWindow.fit();
    this.ticks = 0;
    this.timers = new Timers(() => this.fire());
    this.game.create(false, this.seed, w, h);
    this.inputs.relaunched();
    this.after();
  }
}
