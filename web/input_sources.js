// Every way the player holds the game's keys, together: the keyboard and the mouse or pen, the
// fingers' thumb controls and the game controllers. Whatever makes the page lose them (the focus
// gone, the page hidden or left, a new launch) lets go of all of them here, at once.
import { Source } from './game.js';
import { Gamepads } from './gamepad.js';
import { Input } from './input.js';
import { Thumbs } from './touch.js';

export class InputSources {
  // after() runs after every handler so the window follows the game.
  constructor(canvas, pageWindow, game, after) {
    this.game = game;
    this.gamepads = new Gamepads(game);
    this.thumbs = new Thumbs(game);
    this.keys = new Input(canvas, pageWindow, game, this.thumbs, after);
  }

  get enabled() { return this.keys.enabled; }

  // While the stage loads the game reads no controller (see StartGate).
  holdPads(holding) { this.gamepads.hold(holding); }

  // A tick is over: a finger's jump has been polled and lets go.
  ticked() { this.thumbs.ticked(); }

  // A key, finger or button let go while the focus is elsewhere never reaches the page, so
  // everything held lets go now; the controllers are not read again until the focus is back.
  releaseAll() {
    this.game.releaseSource(Source.Keyboard);
    this.thumbs.releaseAll();
    this.gamepads.suspend();
  }

  // The focus is back: buttons still down hold their keys again at the next poll.
  focusBack() { this.gamepads.resume(); }

  // The game ended: input is ignored until a key, click or tap calls wake.
  disable(wake) { this.keys.disable(wake); }

  // A new launch holds nothing: fingers are forgotten, and the new game reads the pads afresh.
  relaunched() {
    this.thumbs.releaseAll();
    this.keys.enable();
  }
}
