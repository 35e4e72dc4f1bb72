// Keys by KeyboardEvent.code as the game's virtual-key codes, and Pointer Events on the canvas in
// the logic's client coordinates: a click counts when the button goes up over the component it
// went down on, and a finger works like the mouse.
const Watched = new Map([
  ['Enter', 13], ['NumpadEnter', 13], ['Escape', 27], ['Space', 32],
  ['ArrowLeft', 37], ['ArrowUp', 38], ['ArrowRight', 39], ['ArrowDown', 40],
]);
const Others = new Map([
  ['Backspace', 8], ['Tab', 9], ['ShiftLeft', 16], ['ShiftRight', 16],
  ['ControlLeft', 17], ['ControlRight', 17], ['AltLeft', 18], ['AltRight', 18],
]);

// The seven watched keys get their codes, letters, digits and function keys theirs; every other
// key is 0, which the game ignores but which still switches mouse steering off.
export function virtualKeyCode(code) {
  if (Watched.has(code)) return Watched.get(code);
  if (Others.has(code)) return Others.get(code);
  let m = /^Key([A-Z])$/.exec(code);
  if (m) return m[1].charCodeAt(0);
  m = /^Digit([0-9])$/.exec(code);
  if (m) return 48 + Number(m[1]);
  m = /^F([1-9]|1[0-2])$/.exec(code);
  if (m) return 111 + Number(m[1]);
  return 0;
}

export class Input {
  // after() runs after every handler so the window follows the game.
  constructor(canvas, pageWindow, game, after) {
    this.game = game;
    this.after = after;
    this.enabled = true;

    window.addEventListener('keydown', (e) => {
      // The arrows, Space and Enter belong to the game, never to page scrolling.
      if (Watched.has(e.code)) e.preventDefault();
      if (!this.enabled) return;
      game.keyDown(virtualKeyCode(e.code));
      after();
    });
    window.addEventListener('keyup', (e) => {
      if (Watched.has(e.code)) e.preventDefault();
      if (!this.enabled) return;
      game.keyUp(virtualKeyCode(e.code));
      after();
    });

    canvas.addEventListener('pointerdown', (e) => {
      e.preventDefault();
      if (!this.enabled || !e.isPrimary || e.button !== 0) return;
      const [x, y] = pageWindow.toClient(e);
      game.mousePress(x, y);
      // The release comes here even off the canvas, as a window keeps the mouse while pressed.
      canvas.setPointerCapture(e.pointerId);
    });
    canvas.addEventListener('pointermove', (e) => {
      if (!this.enabled || !e.isPrimary) return;
      const [x, y] = pageWindow.toClient(e);
      game.mouseMove(x, y);
      after();
    });
    canvas.addEventListener('pointerup', (e) => {
      if (!this.enabled || !e.isPrimary || e.button !== 0) return;
      const [x, y] = pageWindow.toClient(e);
      if (game.mouseReleaseClicks(x, y)) {
        game.mouseClick(x, y);
        after();
      }
    });
    canvas.addEventListener('pointercancel', () => game.mouseCancel());
    // A long press on a phone would open a menu over the game.
    canvas.addEventListener('contextmenu', (e) => e.preventDefault());
  }

  disable() { this.enabled = false; }
}
