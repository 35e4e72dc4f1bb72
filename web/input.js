// Keys by KeyboardEvent.code as the game's virtual-key codes, and Pointer Events on the canvas in
// the logic's client coordinates: a click of the mouse or pen counts when the button goes up over
// the component it went down on; fingers go to the thumb controls.
import { Key } from './game_numbers.js';

const Watched = new Map([
  ['Enter', Key.Return], ['NumpadEnter', Key.Return], ['Escape', Key.Escape], ['Space', Key.Space],
  ['ArrowLeft', Key.Left], ['ArrowUp', Key.Up], ['ArrowRight', Key.Right], ['ArrowDown', Key.Down],
]);
const Others = new Map([
  ['Backspace', Key.Backspace], ['Tab', Key.Tab], ['ShiftLeft', Key.Shift],
  ['ShiftRight', Key.Shift], ['ControlLeft', Key.Control], ['ControlRight', Key.Control],
  ['AltLeft', Key.Alt], ['AltRight', Key.Alt],
]);

// The seven watched keys get their codes, letters, digits and function keys theirs; every other
// key is 0, which the game ignores but which still switches mouse steering off.
export function virtualKeyCode(code) {
  if (Watched.has(code)) return Watched.get(code);
  if (Others.has(code)) return Others.get(code);
  let m = /^Key([A-Z])$/.exec(code);
  if (m) return m[1].charCodeAt(0);
  m = /^Digit([0-9])$/.exec(code);
  if (m) return Key.Digit0 + Number(m[1]);
  m = /^F([1-9]|1[0-2])$/.exec(code);
  if (m) return Key.F1 + Number(m[1]) - 1;
  return 0;
}

export class Input {
  // after() runs after every handler so the window follows the game; thumbs take the fingers.
  constructor(canvas, pageWindow, game, thumbs, after) {
    this.game = game;
    this.thumbs = thumbs;
    this.after = after;
    this.enabled = true;
    // Set while the game is closed: a key, click or tap then starts it afresh.
    this.wake = null;

    window.addEventListener('keydown', (e) => {
      // The arrows, Space and Enter belong to the game, never to scrolling this page or the page
      // around it.
      if (Watched.has(e.code)) e.preventDefault();
      if (!this.enabled) {
        if (!e.repeat) this.wakeUp();
        return;
      }
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
      // A click or tap on the game gives it the keyboard, inside a portal's frame too.
      window.focus();
      if (!this.enabled) return;
      const [x, y] = pageWindow.toClient(e);
      if (e.pointerType === 'touch') {
        thumbs.down(e.pointerId, x, y);
        after();
        return;
      }
      if (!e.isPrimary || e.button !== 0) return;
      game.mousePress(x, y);
      // The release comes here even off the canvas, as a window keeps the mouse while pressed.
      canvas.setPointerCapture(e.pointerId);
    });
    canvas.addEventListener('pointermove', (e) => {
      if (!this.enabled) return;
      const [x, y] = pageWindow.toClient(e);
      if (e.pointerType === 'touch') {
        thumbs.move(e.pointerId, x, y);
        after();
        return;
      }
      if (!e.isPrimary) return;
      game.mouseMove(x, y);
      after();
    });
    canvas.addEventListener('pointerup', (e) => {
      if (!this.enabled) {
        if (e.isPrimary) this.wakeUp();
        return;
      }
      const [x, y] = pageWindow.toClient(e);
      if (e.pointerType === 'touch') {
        thumbs.up(e.pointerId, x, y);
        after();
        return;
      }
      if (!e.isPrimary || e.button !== 0) return;
      if (game.mouseReleaseClicks(x, y)) {
        game.mouseClick(x, y);
        after();
      }
    });
    canvas.addEventListener('pointercancel', (e) => {
      if (e.pointerType === 'touch') {
        thumbs.cancel(e.pointerId);
        if (this.enabled) after();
      } else {
        game.mouseCancel();
      }
    });
    // A long press on a phone would open a menu over the game.
    canvas.addEventListener('contextmenu', (e) => e.preventDefault());
  }

  // The game closed: input is ignored until a key, click or tap calls wake.
  disable(wake = null) {
    this.enabled = false;
    this.wake = wake;
  }

  enable() {
    this.enabled = true;
    this.wake = null;
  }

  wakeUp() {
    const wake = this.wake;
    this.wake = null;
    wake?.();
  }
}
