// The game's run in the page: its timers, the one body every game tick runs (by the clock, or by
// hand in a stepped test page), the count of ticks, the page hidden, the end of the game after the
// exit command and a new launch after it.
import { watchFocus } from './focus.js';
import { Timers } from './timers.js';

// How many recent tick durations the page keeps for its statistics.
const Samples = 1000;

export class Session {
  // stepped: ticks run only when a test steps them, never by the clock.
  constructor({ game, pageWindow, inputs, sound, stepped }) {
    this.game = game;
    this.pageWindow = pageWindow;
    this.inputs = inputs;
    this.sound = sound;
    this.stepped = stepped;
    this.ticks = 0;
    this.tickTimes = [];
    this.timers = null;
    this.hidden = false;
    pageWindow.tickCount = () => this.ticks;
  }

  // After every handler: the window follows the game. The exit command ends the game in the page:
  // no more ticks, and no input but the key, click or tap that starts it afresh.
  after() {
    this.game.listsFollow();
    const w = this.pageWindow.update();
    if (w.closed && this.inputs.enabled) {
      this.timers?.stop();
      this.inputs.disable(this.stepped ? null : () => this.relaunch());
    }
  }

  // One game tick: the controllers' presses (events of this tick), the timers (fire), its sounds,
  // then what the end of a tick lets go of, which belongs to the next one. seen() looks at the
  // game between the two; its value is returned.
  tick(fire, seen = () => null) {
    const t0 = performance.now();
    this.inputs.poll();
    fire();
    this.sound.ticked();
    this.ticks += 1;
    const result = seen();
    this.game.ticked();
    this.after();
    this.tickTimes.push(performance.now() - t0);
    if (this.tickTimes.length > Samples) this.tickTimes.shift();
    return result;
  }

  // The window's timers drive the ticks; each game tick glides the frames after it.
  startTimers() {
    const { game, pageWindow } = this;
    this.timers = new Timers(
      () => game.window(),
      () => {
        game.openTimer();
        this.after();
      },
      () => this.tick(() => {
        game.gameTimer();
        game.listsAfterTick();
        pageWindow.ticked();
      }),
      game);
    this.timers.start();
    pageWindow.beforeFrame = (time) => this.timers.catchUp(time);
    pageWindow.fraction = (time) => this.timers.fraction(time);
    if (this.hidden) this.timers.pause();
  }

  // While the page is hidden no tick runs and the game's clock stands still.
  setHidden(hidden) {
    if (hidden === this.hidden) return;
    this.hidden = hidden;
    this.game.setHidden(hidden);
    if (hidden) {
      this.timers?.pause();
    } else {
      this.timers?.resume();
    }
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
    this.after();
  }

  // After the exit command: the game starts afresh, as a new launch.
  relaunch() {
    const [w, h] = this.pageWindow.fit();
    this.game.relaunch(w, h);
    this.inputs.relaunched();
    this.ticks = 0;
    this.startTimers();
    this.after();
  }
}
