// Game controllers, read whole when the game asks for them, before each of its ticks: which key
// each button and the left stick hold, the counting per pad and letting go of a pad that is gone
// are the game's. Each pad is its own source of the game's held keys.
import { Source, StandardPadButtons } from './game_numbers.js';

export class Gamepads {
  constructor(game) {
    this.game = game;
    this.suspended = false;
    // While held (the stage is still on its way) the game is given no pad; a button pressed
    // meanwhile, or the stick pushed, is given as held at the first reading after.
    this.holding = false;
    this.latched = new Map();
    // A host may deny the Gamepad API (a permissions policy in a frame): then there are no pads.
    this.denied = typeof navigator.getGamepads !== 'function';
    game.readPads = () => this.read();
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

  // The pads present now, [{ slot, buttons, x }] with the buttons as bits of PadButton and the
  // stick from -1 to 1; null while the game is not to read them.
  read() {
    if (this.suspended) return null;
    const pads = [];
    for (const gamepad of this.list()) {
      if (!gamepad || !gamepad.connected) continue;
      if (gamepad.index < 0 || gamepad.index >= Source.Controllers) continue;
      let buttons = 0;
      for (const [index, bit] of StandardPadButtons) {
        if (gamepad.buttons[index]?.pressed) buttons |= 1 << bit;
      }
      pads.push({ slot: gamepad.index, buttons, x: gamepad.axes[0] ?? 0 });
    }
    if (this.holding) {
      for (const pad of pads) {
        const seen = this.latched.get(pad.slot) ?? { buttons: 0, x: 0 };
        seen.buttons |= pad.buttons;
        if (Math.abs(pad.x) > Math.abs(seen.x)) seen.x = pad.x;
        this.latched.set(pad.slot, seen);
      }
      return null;
    }
    for (const pad of pads) {
      const seen = this.latched.get(pad.slot);
      if (!seen) continue;
      pad.buttons |= seen.buttons;
      if (Math.abs(seen.x) > Math.abs(pad.x)) pad.x = seen.x;
    }
    this.latched.clear();
    return pads;
  }

  hold(holding) { this.holding = holding; }

  // The page lost the focus: every pad lets go and is not read until the focus comes back, when
  // buttons still down hold their keys again.
  suspend() {
    this.suspended = true;
    this.game.padsLetGo();
  }

  resume() { this.suspended = false; }
}
