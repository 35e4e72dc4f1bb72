// Game controllers as more keyboards, polled once per tick: the D-pad and the left stick past
// half its travel hold the arrows, south holds Space, east Up, Start Enter and Back Esc. Each pad
// is its own source of the game's held keys, so a key stays held while any pad or the keyboard
// holds it; an unplugged pad lets go of everything.
import { Source } from './game.js';

const VK = { Enter: 13, Escape: 27, Space: 32, Left: 37, Up: 38, Right: 39, Down: 40 };
const StickThreshold = 16384 / 32767;

// Standard-mapping button index and the code it holds.
const Buttons = [
  [14, VK.Left], [15, VK.Right], [12, VK.Up], [13, VK.Down],
  [0, VK.Space], [1, VK.Up], [9, VK.Enter], [8, VK.Escape],
];
// Controls: the buttons above, then the stick's left and right.
const StickLeft = Buttons.length;
const StickRight = Buttons.length + 1;
const ControlCount = Buttons.length + 2;

// One pad: which of its controls are held and how many of them hold each code.
class Pad {
  constructor(source) {
    this.source = source;
    this.held = new Array(ControlCount).fill(false);
    this.holders = new Map();
  }
}

export class Gamepads {
  constructor(game) {
    this.game = game;
    this.pads = new Map();  // gamepad index -> Pad
    this.suspended = false;
    // A host may deny the Gamepad API (a permissions policy in a frame): then there are no pads.
    this.denied = typeof navigator.getGamepads !== 'function';
  }

  set(pad, control, code, down) {
    if (pad.held[control] === down) return;
    pad.held[control] = down;
    const n = (pad.holders.get(code) ?? 0) + (down ? 1 : -1);
    pad.holders.set(code, n);
    if (down && n === 1) this.game.keyDown(code, pad.source);
    if (!down && n === 0) this.game.keyUp(code, pad.source);
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
      let pad = this.pads.get(gamepad.index);
      if (!pad) {
        pad = new Pad(Source.FirstController + gamepad.index);
        this.pads.set(gamepad.index, pad);
      }
      Buttons.forEach(([button, code], control) => {
        this.set(pad, control, code, Boolean(gamepad.buttons[button]?.pressed));
      });
      const x = gamepad.axes[0] ?? 0;
      // Release before press, so a stick flicked across never holds both sides.
      if (x >= -StickThreshold) this.set(pad, StickLeft, VK.Left, false);
      if (x <= StickThreshold) this.set(pad, StickRight, VK.Right, false);
      if (x < -StickThreshold) this.set(pad, StickLeft, VK.Left, true);
      if (x > StickThreshold) this.set(pad, StickRight, VK.Right, true);
    }
    for (const [index, pad] of this.pads) {
      if (present.has(index)) continue;
      this.game.releaseSource(pad.source);
      this.pads.delete(index);
    }
  }

  // The page lost the focus: every pad lets go and is not read until the focus comes back, when
  // buttons still down hold their keys again.
  suspend() {
    this.suspended = true;
    for (const pad of this.pads.values()) this.game.releaseSource(pad.source);
    this.pads.clear();
  }

  resume() { this.suspended = false; }

  // A new launch of the game holds nothing: the pads are read afresh at the next poll.
  forget() { this.pads.clear(); }
}
