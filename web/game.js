// The play logic compiled to WebAssembly, behind plain methods in the logic's own units. Every call
// that can change the game hands back one report, read here whole and given to handedBack: what
// the call made happen (a tick, its sounds, a record to keep, the end of a run), then the window
// as it stands after it, the draw list's generation and when the next timer is due.
import createSkelvar from './skelvar.js';
import {
  Input, LabelFontPixels, Layout, Pictures, RecordUse, Source,
} from './game_numbers.js';
import { readDrawBuffer, readRecord } from './memory_records.js';

// Draw kinds, the sources of held keys (the keyboard, the touch screen, then one per controller
// slot) and what a finger does where it lands, as the game numbers them.
export { DrawKind, Source, TouchZone } from './game_numbers.js';

const Flags = ['ticked', 'faded', 'pictureChanged', 'recordChanged', 'backAtMenu', 'clicked',
  'blended', 'closed', 'opacityEnabled', 'openEnabled', 'gameEnabled', 'moving', 'runStarted',
  'watching', 'playedBack', 'shareable', 'ghostShown'];
const encoder = new TextEncoder();

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
    // The last report, and where the game writes it.
    this.report = null;
    this.reportAt = 0;
    this.list = { generation: 0, ops: [], text: '', lineText: '', noteText: '', backgroundLeft: null };
    // Told every report of a call that can make something happen (start, input, timers, frames).
    this.handedBack = null;
    // While set, hold(name, args) may keep an input from the logic for now (it returns true).
    this.hold = null;
    // Gives the controllers when a game tick is due: [{ slot, buttons, x }], or null when they
    // are not to be read now.
    this.readPads = () => null;
    module.readPads = () => this.readPads();
  }

  // Reads the report at byte address p; told to handedBack unless quiet.
  took(p, quiet = false) {
    this.reportAt = p;
    const r = readRecord(this.m.HEAPF64, p >> 3, Layout.report);
    for (const flag of Flags) r[flag] = r[flag] !== 0;
    this.report = r;
    if (!quiet) this.handedBack?.(r);
    return r;
  }

  // Starts the game, or after the exit command starts it afresh as a new launch.
  create(stepped, seed, width, height) {
    return this.took(this.m._skelvar_create(stepped ? 1 : 0, seed >>> 0, width, height));
  }

  input(kind, a = 0, b = 0) { return this.took(this.m._skelvar_input(kind, a, b)); }

  // The timers due at `now` (performance.now()), or in a stepped page tick `now`. seen() looks at
  // the game before the report is handed back; its value is returned.
  advance(now, seen = () => null) {
    this.took(this.m._skelvar_advance(now), true);
    const result = seen();
    this.handedBack?.(this.report);
    return result;
  }

  // The frame for the display's moment `now`: a tick due by then runs first. The frame between
  // the last two ticks, when the report says there is one, is frameList().
  frame(now) { return this.took(this.m._skelvar_frame(now)); }
  frameList() { return readDrawBuffer(this.m, this.report.frame, this.m.HEAPF64); }

  // The scene's draw list; the same object comes back while the list is unchanged.
  drawList() {
    if (this.report.generation !== this.list.generation) {
      this.list = readDrawBuffer(this.m, this.report.drawList, this.m.HEAP32);
    }
    return this.list;
  }

  // Opacity, closing, the timers' switches and intervals and the client size, as they are now.
  window() {
    const r = this.report;
    return {
      opacityEnabled: r.opacityEnabled, opacity: r.opacity, closed: r.closed,
      openEnabled: r.openEnabled, gameEnabled: r.gameEnabled, openInterval: r.openInterval,
      gameInterval: r.gameInterval, clientWidth: r.clientWidth, clientHeight: r.clientHeight,
    };
  }

  keyDown(code, source = Source.Keyboard) {
    if (this.hold?.('keyDown', [code, source])) return;
    this.input(Input.KeyDown, code, source);
  }

  keyUp(code, source = Source.Keyboard) {
    if (this.hold?.('keyUp', [code, source])) return;
    this.input(Input.KeyUp, code, source);
  }

  // A source lets go of every key it holds at once.
  releaseSource(source) {
    if (this.hold?.('releaseSource', [source])) return;
    this.input(Input.ReleaseSource, source);
  }

  // Every controller lets go of what it holds (the page lost the focus).
  padsLetGo() { this.input(Input.PadsLetGo); }

  mouseMove(x, y) {
    if (this.hold?.('mouseMove', [x, y])) return;
    this.input(Input.MouseMove, x, y);
  }

  mouseClick(x, y) {
    if (this.hold?.('mouseClick', [x, y])) return;
    this.input(Input.Click, x, y);
  }

  // A click counts when the button goes up over the component it went down on.
  mousePress(x, y) { this.input(Input.MousePress, x, y); }
  mouseReleaseClicks(x, y) { return this.input(Input.MouseRelease, x, y).clicked; }
  mouseCancel() { this.input(Input.MouseCancel); }

  resize(width, height) { this.input(Input.Resize, width, height); }
  // While the page is hidden the game's clock stands still and no timer runs.
  setHidden(hidden) { this.input(hidden ? Input.Hidden : Input.Shown); }

  // A run code, or a link holding run=CODE in its fragment, watched in place of the player's
  // game; the report says whether it is (watching), or the game refused it with a note.
  watch(code) {
    this.m.textIn = encoder.encode(code);
    return this.took(this.m._skelvar_watch(0));
  }

  // The page's address: its run watched as watch() does, when its fragment holds one.
  watchLink(url) {
    this.m.textIn = encoder.encode(url);
    return this.took(this.m._skelvar_watch(1));
  }

  // The code of the player's run that has just ended ('' when none has, or it is too long).
  shareCode() { return this.text(this.m._skelvar_share()); }

  // A run code raced from the player's next run on; false when it is no run this game plays.
  race(code) {
    this.m.textIn = encoder.encode(code);
    return this.m._skelvar_race() === 1;
  }

  // Whether a raced run's girl is drawn.
  showGhost(shown) { return this.took(this.m._skelvar_ghost(shown ? 1 : 0)); }

  touchZone(x, y) { return this.m._skelvar_touch_zone(x, y); }
  seconds() { return this.m._skelvar_seconds(); }

  // One cue's sound at 48 kHz, as numbers from -1 to 1.
  cueSamples(cue) {
    const [at, length] = this.span(this.m._skelvar_render_cue(cue));
    return Float32Array.from(this.m.HEAP16.subarray(at >> 1, (at >> 1) + length), (v) => v / 32768);
  }

  // The journal of the launch so far as the replay tool's script ('' once it is not whole).
  journal() { return this.text(this.m._skelvar_journal()); }
  // The code of the last run, to keep ('' before any run).
  lastRun() { return this.text(this.m._skelvar_last_run()); }
  stateJson(tick) { return this.text(this.m._skelvar_state_json(tick)); }

  // The scale and the logic's client size for a viewport in CSS pixels less the margins to keep
  // clear, and the play area in that client: { scale, clientWidth, clientHeight, playArea }.
  layout(width, height, marginX = 0, marginY = 0) {
    const l = readRecord(this.m.HEAPF64, this.m._skelvar_layout(width, height, marginX, marginY) >> 3,
      Layout.layout);
    return {
      scale: l.scale, clientWidth: l.clientWidth, clientHeight: l.clientHeight,
      playArea: { left: l.playLeft, top: l.playTop, width: l.playWidth, height: l.playHeight },
    };
  }

  // The player's record ({ best: seconds or null, runs, clears, bestRun: the best run's code or
  // '' }) between the storage and the game, whose rules decide what a record is and how two come
  // together.
  validRecord(r) { return this.record(RecordUse.Check, r) !== null; }
  keptRecord(r) { return this.record(RecordUse.Kept, r); }
  mergedRecord(r) { return this.record(RecordUse.Merge, r); }
  recordSaved(r) { return this.record(RecordUse.Saved, r); }
  record(use, r) {
    this.m.textIn = encoder.encode(r.bestRun ?? '');
    const p = this.m._skelvar_record(use, r.best ?? NaN, r.runs, r.clears);
    const out = readRecord(this.m.HEAPF64, p >> 3, Layout.player);
    // The menu's record line may have changed with it.
    if (this.reportAt) this.took(this.reportAt, true);
    if (out.valid === 0) return null;
    const bestRun = out.bestRunLength > 0 ? this.m.UTF8ToString(out.bestRunPointer, out.bestRunLength) : '';
    return { best: Number.isNaN(out.best) ? null : out.best, runs: out.runs, clears: out.clears, bestRun };
  }

  span(p) {
    const at = p >> 2;
    return [this.m.HEAP32[at + Layout.span.pointer], this.m.HEAP32[at + Layout.span.length]];
  }

  text(p) {
    const [at, length] = this.span(p);
    return length > 0 ? this.m.UTF8ToString(at, length) : '';
  }

  labelFontPixels() { return LabelFontPixels; }

  // Every stored picture that has pixels: its id, component name and whether it is keyed.
  pictures() { return Pictures; }
}
