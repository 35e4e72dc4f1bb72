// Game controllers, polled once per tick and handed to the game whole: which key each button and
// the left stick hold, and the counting per pad, are the game's. Each pad is its own source of
// the game's held keys; an unplugged pad lets go of everything.
import { Source, StandardPadButtons } from './game_numbers.js';

export class Gamepads {
  constructor(game) {
    this.game = game;
    this.suspended = false;
    // A host may deny the Gamepad API (a permissions policy in a frame): then there are no pads.
    this.denied = typeof navigator.getGamepads !== 'function';
  }

  list() {
    if (this.denied) return [];
    try {
      return Array.from(navigator.getGamepads() ?? []);
    } catch {
      this.denied = true;
      return [];
    }
  }

  poll() {
    if (this.suspended) return;
    const present = new Set();
    for (const gamepad of this.list()) {
      if (!gamepad || !gamepad.connected) continue;
      if (gamepad.index < 0 || gamepad.index >= Source.Controllers) continue;
      present.add(gamepad.index);
      let buttons = 0;
      for (const [index, bit] of StandardPadButtons) {
        if (gamepad.buttons[index]?.pressed) buttons |= 1 << bit;
      }
      this.game.readPad(gamepad.index, buttons, gamepad.axes[0] ?? 0);
    }
    for (let slot = 0; slot < Source.Controllers; ++slot) {
      if (!present.has(slot) && this.game.padConnected(slot)) this.game.padsLetGo(slot);
    }
  }

  // The page lost the focus: every pad lets go and is not read until the focus comes back, when
  // buttons still down hold their keys again.
  suspend() {
    this.suspended = true;
    this.game.padsLetGo();
  }

  resume() { this.suspended = false; }

  // A new launch of the game holds nothing: the pads are read afresh at the next poll.
  forget() { this.game.padsForget(); }
}
