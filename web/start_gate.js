// Holds back a command that would start a run while the stage's pictures are still on their way,
// so no run is ever played on a half-drawn stage and no press is lost: the held command reaches
// the game the moment the stage is in, as if it had been given then. Anything given after it is
// held too and follows one game tick later, so a key pressed and let go while waiting still
// counts as a press when the game polls its keys. The controllers, which the game reads itself
// before its ticks, are not read meanwhile; a button pressed while waiting is held at the first
// reading after.
import { TouchZone } from './game.js';
import { Key } from './game_numbers.js';

// Enter, Space and the arrows start a run at the menu; Esc does not.
const StartKeys = new Set([Key.Return, Key.Space, Key.Left, Key.Up, Key.Right, Key.Down]);
// A generous bound on what a player does while waiting; older moves make room for the rest.
const MostHeld = 4096;

export class StartGate {
  constructor(game, inputs) {
    this.game = game;
    this.inputs = inputs;
    this.held = [];
    // 'holding' while the stage loads, 'released' from the moment it is in until the tick after,
    // then 'open' for good.
    this.phase = 'holding';
    game.hold = (name, args) => this.take(name, args);
    inputs.holdPads(true);
  }

  get holding() { return this.phase === 'holding'; }

  // Before the stage is in, only the game's menu can be on screen, so any start key and any
  // click on the title picture is a start.
  startsRun(name, [a, b]) {
    if (name === 'keyDown') return StartKeys.has(a);
    if (name === 'mouseClick') return this.game.touchZone(a, b) === TouchZone.Click;
    return false;
  }

  // Whether the game must not see this input yet.
  take(name, args) {
    if (this.held.length === 0 && (this.phase !== 'holding' || !this.startsRun(name, args))) {
      return false;
    }
    if (this.held.length >= MostHeld) {
      const move = this.held.findIndex(([n], i) => i > 0 && n === 'mouseMove');
      if (move < 0) return true;
      this.held.splice(move, 1);
    }
    this.held.push([name, args]);
    return true;
  }

  // The stage is in: the held start reaches the game now.
  release() {
    if (this.phase !== 'holding') return;
    this.phase = 'released';
    this.inputs.holdPads(false);
    const first = this.held.shift();
    if (first) this.deliver(first);
  }

  // A game tick is over: what was given after the start follows, and nothing is held any more.
  ticked() {
    if (this.phase !== 'released') return;
    this.phase = 'open';
    this.game.hold = null;
    for (const input of this.held) this.deliver(input);
    this.held = [];
  }

  deliver([name, args]) {
    const hold = this.game.hold;
    this.game.hold = null;
    this.game[name](...args);
    this.game.hold = hold;
  }
}
