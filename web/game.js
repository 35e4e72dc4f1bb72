// The play logic compiled to WebAssembly, behind plain methods in the logic's own units.
import createSkelvar from './skelvar.js';
import { Layout, Source } from './game_numbers.js';
import { readDrawBuffer, readKeyEvents, readRecord } from './memory_records.js';

// Draw kinds, the sources of held keys (the keyboard, the touch screen, then one per controller
// slot) and what a finger does where it lands, as the game numbers them.
export { DrawKind, Source, TouchZone } from './game_numbers.js';

// A key event in the replay tool's words; the keyboard's source goes without saying.
function keyWords(name, code, source) {
  return source === Source.Keyboard ? `${name} ${code}` : `${name} ${code} ${source}`;
}

export class Game {
  // instantiate(imports), when given, fetches and instantiates the .wasm itself (with retries);
  // its failure fails the load instead of leaving it waiting.
  static async load(measureText, instantiate = null) {
    const options = { measureText };
    let failed = null;
    const failure = new Promise((resolve, reject) => { failed = reject; });
    if (instantiate) {
      options.instantiateWasm = (imports, receive) => {
        instantiate(imports).then(({ instance, module }) => receive(instance, module), failed);
        return {};
      };
    }
    const module = await Promise.race([createSkelvar(options), failure]);
    return new Game(module);
  }

  constructor(module) {
    this.m = module;
    this.generation = 0;
    this.list = { generation: 0, ops: [], text: '' };
    // Test runs note every input event here, in the replay tool's script words.
    this.journal = null;
    // Runs once a tick of the game timer is over: what it delivers belongs between this tick
    // and the next.
    this.onTicked = null;
    // While set, hold(name, args) may keep an input from the logic for now (it returns true).
    this.hold = null;
  }

  create(stepped, seed, width, height) {
    this.m._skelvar_create(stepped ? 1 : 0, seed >>> 0, width, height);
  }

  setTick(tick) { this.m._skelvar_set_tick(tick); }
  resize(width, height) {
    this.journal?.(`resize ${width} ${height}`);
    this.m._skelvar_resize(width, height);
  }
  openTimer() { this.m._skelvar_open_timer(); }
  // Each tick first takes the repeats of keys still held (see repeatKeys).
  gameTimer() {
    this.repeatKeys();
    this.m._skelvar_game_timer();
  }

  // Stepped runs: tick k's timers, then the clock on to the next tick.
  step(tick) {
    this.repeatKeys();
    this.m._skelvar_step(tick);
  }
  // The sounds the last tick called for, a bit for each cue.
  tickCues() { return this.m._skelvar_tick_cues(); }
  // One cue's sound at 48 kHz, as numbers from -1 to 1.
  cueSamples(cue) {
    const at = this.m._skelvar_render_cue(cue) >> 1;
    return Float32Array.from(this.m.HEAP16.subarray(at, at + this.m._skelvar_cue_samples()),
      (v) => v / 32768);
  }
  // A tick is over: whoever drives the timer calls this once the tick's handlers are done.
  ticked() {
    this.records?.follow();
    this.onTicked?.();
  }
  keyDown(code, source = Source.Keyboard) {
    if (this.hold?.('keyDown', [code, source])) return;
    this.journal?.(keyWords('keydown', code, source));
    if (source === Source.Keyboard) {
      this.m._skelvar_key_down(code);
    } else {
      this.m._skelvar_source_key_down(source, code);
    }
  }

  keyUp(code, source = Source.Keyboard) {
    if (this.hold?.('keyUp', [code, source])) return;
    this.journal?.(keyWords('keyup', code, source));
    if (source === Source.Keyboard) {
      this.m._skelvar_key_up(code);
    } else {
      this.m._skelvar_source_key_up(source, code);
    }
  }

  // Controllers and fingers press a key once; a key they still hold comes back as a keyboard's
  // held key does, half a second after the press and then every 33 ms. Before each game tick
  // every such key whose repeat has come is pressed again, through keyDown so the journal of a
  // stepped run holds the repeats as the events they are.
  repeatKeys() { this.deliver(this.m._skelvar_due_repeats()); }

  // Key events the game handed back (at byte address p), delivered as any other key event.
  deliver(p) {
    for (const e of readKeyEvents(this.m.HEAP32, p)) {
      if (e.down) this.keyDown(e.code, e.source); else this.keyUp(e.code, e.source);
    }
  }

  // A controller in a slot read whole (its buttons as bits of PadButton, its stick from -1 to 1);
  // one that left (its slot), or every one when the page lost the focus (slot -1), lets go.
  readPad(slot, buttons, x) { this.deliver(this.m._skelvar_pad_read(slot, buttons, x)); }
  padConnected(slot) { return this.m._skelvar_pad_connected(slot) !== 0; }
  padsLetGo(slot = -1) { this.deliver(this.m._skelvar_pads_let_go(slot)); }
  padsForget() { this.m._skelvar_pads_forget(); }

  // The watched keys one source holds now.
  heldBy(source) {
    const mask = this.m._skelvar_source_mask(source);
    const codes = [];
    for (let bit = 0; (mask >> bit) !== 0; ++bit) {
      if (mask & (1 << bit)) codes.push(this.m._skelvar_watched_key(bit));
    }
    return codes;
  }

  // A source lets go of every key it holds at once (the journal gets one release per key).
  releaseSource(source) {
    if (this.hold?.('releaseSource', [source])) return;
    if (this.journal) {
      for (const code of this.heldBy(source)) this.journal(keyWords('keyup', code, source));
    }
    this.m._skelvar_release_source(source);
  }

  touchZone(x, y) { return this.m._skelvar_touch_zone(x, y); }
  // While the page is hidden the game's clock stands still.
  setHidden(hidden) { this.m._skelvar_set_hidden(hidden ? 1 : 0); }
  monotonicSeconds() { return this.m._skelvar_monotonic_seconds(); }
  // After the exit command: the game starts afresh, as a new launch.
  relaunch(width, height) { this.m._skelvar_relaunch(width, height); }

  mouseMove(x, y) {
    if (this.hold?.('mouseMove', [x, y])) return;
    this.journal?.(`mousemove ${x} ${y}`);
    this.m._skelvar_mouse_move(x, y);
  }

  mouseClick(x, y) {
    if (this.hold?.('mouseClick', [x, y])) return;
    this.journal?.(`click ${x} ${y}`);
    this.m._skelvar_mouse_click(x, y);
  }

  // A click counts when the button goes up over the component it went down on.
  mousePress(x, y) { this.m._skelvar_mouse_press(x, y); }
  mouseReleaseClicks(x, y) { return this.m._skelvar_mouse_release(x, y) !== 0; }
  mouseCancel() { this.m._skelvar_mouse_cancel(); }
  labelFontPixels() { return this.m._skelvar_label_font_pixels(); }

  // The player's record ({ best: seconds or null, runs, clears }) between the game and storage.
  refreshRecord(r) { this.m._skelvar_records_refresh(r.best ?? -1, r.runs, r.clears); }
  // Whether a run started or a clear showed since the last look: something to save.
  followRecord() { return this.m._skelvar_records_follow() !== 0; }
  unsavedRecord() {
    const r = readRecord(this.m.HEAPF64, this.m._skelvar_records_unsaved() >> 3, Layout.player);
    return { best: r.best >= 0 ? r.best : null, runs: r.runs, clears: r.clears };
  }
  recordSaved(r) { this.m._skelvar_records_saved(r.best ?? -1, r.runs, r.clears); }

  // Opacity, closing and the timers' switches and intervals, as the window holds them now.
  window() {
    const w = readRecord(this.m.HEAP32, this.m._skelvar_window() >> 2, Layout.window);
    for (const flag of ['opacityEnabled', 'closed', 'openEnabled', 'gameEnabled']) {
      w[flag] = w[flag] !== 0;
    }
    return w;
  }

  // The scene's draw list; the same object comes back while the list is unchanged.
  drawList() {
    const p = this.m._skelvar_draw_list();
    if (this.m.HEAP32[(p + Layout.draw.generation) >> 2] === this.list.generation) return this.list;
    this.list = readDrawBuffer(this.m, p, this.m.HEAP32);
    return this.list;
  }

  // Frames between ticks: after a game tick its draw list becomes the current one; after any other
  // handler a changed scene replaces both lists, so it shows at once.
  listsAfterTick() { this.m._skelvar_lists_tick(); }
  listsFollow() { return this.m._skelvar_lists_follow() !== 0; }
  // Whether anything moves between the last two ticks.
  moving() { return this.m._skelvar_lists_moving() !== 0; }

  // The frame a fraction a (0 to 1) of the way from the previous tick to the current one, in the
  // draw list's shape with places between units.
  blendedList(a) {
    return readDrawBuffer(this.m, this.m._skelvar_blended_list(a), this.m.HEAPF64);
  }

  // The scale and the logic's client size for a viewport in CSS pixels.
  fit(width, height) {
    return readRecord(this.m.HEAPF64, this.m._skelvar_fit(width, height) >> 3, Layout.fit);
  }

  // Where the logic puts the play area in a client area of that size: { left, top, width, height }.
  playArea(clientWidth, clientHeight) {
    const p = this.m._skelvar_play_area(clientWidth, clientHeight);
    return readRecord(this.m.HEAP32, p >> 2, Layout.rect);
  }

  // Every stored picture that has pixels: its id, component name and whether it is keyed.
  pictures() {
    const list = [];
    const count = this.m._skelvar_image_count();
    for (let id = 0; id < count; ++id) {
      const name = this.m.UTF8ToString(this.m._skelvar_image_name(id));
      if (name === '') continue;
      const keyed = this.m._skelvar_image_keyed(id) !== 0;
      list.push({ id, name, keyed });
    }
    return list;
  }

  stateJson(tick) { return this.m.UTF8ToString(this.m._skelvar_state_json(tick)); }
}
