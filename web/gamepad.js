// Game controllers as a second keyboard, polled once per tick: the D-pad and the left stick past
// half its travel hold the arrows, south holds Space, east Up, Start Enter and Back Esc. A code
// stays held while any control of any pad holds it; an unplugged pad lets go of everything.
const VK = { Enter: 13, Escape: 27, Space: 32, Left: 37, Up: 38, Right: 39, Down: 40 };
const StickThreshold = 16384 / 32767;

// Standard-mapping button index and the code it holds.
const Buttons = [
  [14, VK.Left], [15, VK.Right], [12, VK.Up], [13, VK.Down],
  [0, VK.Space], [1, VK.Up], [9, VK.Enter], [8, VK.Escape],
];
// Sources: the buttons above, then the stick's left and right.
const StickLeft = Buttons.length;
const StickRight = Buttons.length + 1;
const SourceCount = Buttons.length + 2;

export class Gamepads {
  constructor(game) {
    this.game = game;
    this.pads = new Map();  // gamepad index -> held flags per source
    this.holders = new Map();  // code -> how many sources hold it
  }

  set(held, source, code, down) {
    if (held[source] === down) return;
    held[source] = down;
    const n = (this.holders.get(code) ?? 0) + (down ? 1 : -1);
    this.holders.set(code, n);
    if (down && n === 1) this.game.keyDown(code);
    if (!down && n === 0) this.game.keyUp(code);
  }

  release(held) {
    Buttons.forEach(([, code], s) => this.set(held, s, code, false));
    this.set(held, StickLeft, VK.Left, false);
    this.set(held, StickRight, VK.Right, false);
  }

  poll() {
    if (typeof navigator.getGamepads !== 'function') return;
    const present = new Set();
    for (const pad of navigator.getGamepads()) {
      if (!pad || !pad.connected) continue;
      present.add(pad.index);
      let held = this.pads.get(pad.index);
      if (!held) {
        held = new Array(SourceCount).fill(false);
        this.pads.set(pad.index, held);
      }
      Buttons.forEach(([button, code], s) => {
        this.set(held, s, code, Boolean(pad.buttons[button]?.pressed));
      });
      const x = pad.axes[0] ?? 0;
      // Release before press, so a stick flicked across never holds both sides.
      if (x >= -StickThreshold) this.set(held, StickLeft, VK.Left, false);
      if (x <= StickThreshold) this.set(held, StickRight, VK.Right, false);
      if (x < -StickThreshold) this.set(held, StickLeft, VK.Left, true);
      if (x > StickThreshold) this.set(held, StickRight, VK.Right, true);
    }
    for (const [index, held] of this.pads) {
      if (present.has(index)) continue;
      this.release(held);
      this.pads.delete(index);
    }
  }
}
