// Fingers on the touch screen as thumbs: a finger resting in the left or right quarter of the
// play area, or in the band beside it, holds Left or Right while it stays there; a finger going
// down in the middle of the stage, or anywhere while another finger steers, jumps (it holds Up
// until the next tick has polled it, so a quick tap is never lost); a tap on the title or the
// outcome picture, or on a finished stage, is a click. All of it through the game's held keys,
// with the touch screen as one source.
import { Source, TouchZone } from './game.js';
import { Key } from './game_numbers.js';

const Role = Object.freeze({ None: 0, Click: 1, Steer: 2, Jump: 3 });

export class Thumbs {
  constructor(game) {
    this.game = game;
    this.fingers = new Map();  // pointerId -> { role, zone }
    this.held = new Set();  // the codes the touch screen holds in the game
    this.jumping = false;
  }

  steering() {
    for (const finger of this.fingers.values()) {
      if (finger.role === Role.Steer) return true;
    }
    return false;
  }

  down(id, x, y) {
    const zone = this.game.touchZone(x, y);
    let role = Role.None;
    if (zone === TouchZone.Click) {
      role = Role.Click;
    } else if (this.steering()) {
      role = Role.Jump;
    } else if (zone === TouchZone.Left || zone === TouchZone.Right) {
      role = Role.Steer;
    } else if (zone === TouchZone.Middle) {
      role = Role.Jump;
    }
    this.fingers.set(id, { role, zone });
    if (role === Role.Jump) this.jumping = true;
    this.sync();
  }

  // A steering finger sliding between zones moves its hold; other fingers keep their role.
  move(id, x, y) {
    const finger = this.fingers.get(id);
    if (!finger || finger.role !== Role.Steer) return;
    finger.zone = this.game.touchZone(x, y);
    this.sync();
  }

  // Returns whether the finger's lift was a click, delivered to the game here.
  up(id, x, y) {
    const finger = this.fingers.get(id);
    if (!finger) return false;
    this.fingers.delete(id);
    this.sync();
    if (finger.role !== Role.Click || this.game.touchZone(x, y) !== TouchZone.Click) return false;
    this.game.mouseClick(x, y);
    return true;
  }

  cancel(id) {
    this.fingers.delete(id);
    this.sync();
  }

  // Called after every tick: a jump has been polled and lets go.
  ticked() {
    if (!this.jumping) return;
    this.jumping = false;
    this.sync();
  }

  // The page lost the focus or was hidden: every finger is forgotten.
  releaseAll() {
    this.fingers.clear();
    this.jumping = false;
    this.held.clear();
    this.game.releaseSource(Source.Touch);
  }

  sync() {
    const want = new Set();
    for (const finger of this.fingers.values()) {
      if (finger.role !== Role.Steer) continue;
      if (finger.zone === TouchZone.Left) want.add(Key.Left);
      if (finger.zone === TouchZone.Right) want.add(Key.Right);
    }
    if (this.jumping) want.add(Key.Up);
    for (const code of this.held) {
      if (!want.has(code)) this.game.keyUp(code, Source.Touch);
    }
    for (const code of want) {
      if (!this.held.has(code)) this.game.keyDown(code, Source.Touch);
    }
    this.held = want;
  }
}
