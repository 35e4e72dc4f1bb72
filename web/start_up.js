// What the page loads, in what order: the code, the menu picture and the font for the menu; then
// the stage's background and its frames; last the outcome pictures. Each group is asked for when
// the one before has about one round trip's worth of bytes left, so the link is never idle and the
// menu's files never share it with the stage's. What has arrived stays when a load fails, so
// trying again fetches only what is missing.
import { Game } from './game.js';
import { instantiateWasm } from './loader.js';
import { Pictures } from './pictures.js';
import { Progress } from './progress.js';
import { LabelFont } from './text.js';
import { Picture } from './game_numbers.js';

// What the slow link carries in about one round trip.
const HeadStart = 32 * 1024;

// Counts down the bytes of a group as they arrive and calls next() once no more than HeadStart of
// them are still to come (at once when there are no more than that from the start).
function nearlyIn(size, next) {
  let left = size;
  let started = false;
  const check = () => {
    if (started || left > HeadStart) return;
    started = true;
    next();
  };
  check();
  return (bytes) => {
    left -= bytes;
    check();
  };
}

function deferred() {
  let resolve = null;
  const promise = new Promise((r) => { resolve = r; });
  return { promise, resolve };
}

export class StartUp {
  // onPicture(id) after each picture is in.
  constructor(canvas, onPicture) {
    this.canvas = canvas;
    this.pictures = new Pictures(onPicture);
    this.progress = null;
    this.game = null;
    this.face = null;
    this.font = null;
    this.outcomes = null;
    // Steps of the order, reached once each, whichever try reaches them.
    this.stageAsked = deferred();
    this.outcomesDue = deferred();
  }

  // The game, the menu picture and the label's font, once the menu can be drawn: with the font if
  // it is in by then, else with the fallback face until it is (onFont() then).
  async menu(onFont) {
    this.progress ??= new Progress(this.canvas);
    const { progress, pictures } = this;
    progress.reset();
    const count = (bytes) => progress.add(bytes);
    // The font's and the code's sizes are only known once they stream in, so they join the bar as
    // they arrive; the pictures' sizes are known from the start.
    const counted = (bytes) => {
      progress.expect(bytes);
      count(bytes);
    };
    // The stage's pictures are decoded once the menu's are, so that the menu is not kept waiting
    // for the main thread.
    const menuIn = deferred();
    pictures.decodeAfter('auto', menuIn.promise);
    this.face ??= LabelFont.fetchFace(counted);
    const gameLoad = this.game ? Promise.resolve(this.game)
      : Game.load((text) => (this.font ? this.font.measure(text) : [0, 0]),
        (imports) => instantiateWasm('skelvar.wasm', imports, counted));
    gameLoad.catch(() => {});
    const frames = Pictures.frameNames();
    progress.expect(pictures.bytesToCome(['imgMenu', 'imgBack', ...frames]));
    // The stage, then the outcome pictures, each when the group before is nearly in; a group that
    // settles without its bytes (it failed, or its files were already on their way) lets the next
    // one start all the same.
    const group = (names, keyed, priority, next) => {
      const tally = nearlyIn(pictures.bytesToCome(names), next);
      pictures.prefetch(names, keyed, (bytes) => { count(bytes); tally(bytes); }, priority)
        .then(() => tally(Infinity));
    };
    // The frames are few bytes but take a while to key out: asked for right behind the
    // background, they are ready by the time it is in.
    const startStage = () => {
      group(['imgBack'], false, 'auto', this.outcomesDue.resolve);
      group(frames, true, 'auto', () => {});
      this.stageAsked.resolve();
    };
    group(['imgMenu'], false, 'high', startStage);

    if (!this.game) {
      this.game = await gameLoad;
      pictures.catalogue(this.game.pictures());
    }
    const { game } = this;
    const menu = pictures.load(pictures.ids((e) => e.name === 'imgMenu'), count);
    menu.then(menuIn.resolve, menuIn.resolve);
    await menu;
    if (!this.font) {
      const face = this.face;
      const settled = await Promise.race([face.then(() => true), Promise.resolve(false)]);
      this.font = new LabelFont(game.labelFontPixels());
      if (!settled) {
        face.then((ok) => {
          if (!ok) return;
          this.font.refresh();
          onFont();
        });
      }
    }
    return { game, pictures, font: this.font };
  }

  // The background and every frame: resolves once all are decoded. On the first try their files
  // are already on their way, in their order; on a new one the bar counts afresh what is missing.
  async stage(retry = false) {
    const { progress, pictures } = this;
    if (retry) {
      progress.reset();
      progress.expect(pictures.bytesToCome(['imgBack', ...Pictures.frameNames()]));
    } else {
      await this.stageAsked.promise;
    }
    const ids = [Picture.Back, ...pictures.ids((e) => e.keyed)];
    const stage = pictures.load(ids, (bytes) => progress.add(bytes));
    pictures.decodeAfter('low', stage);
    // A stage that cannot be had lets the outcome pictures come anyway.
    stage.catch(() => this.outcomesDue.resolve());
    await stage;
    this.outcomesDue.resolve();
    progress.stop();
  }

  // Every picture not in yet (the outcome pictures), at the lowest priority, once the stage is
  // nearly in; resolves when all are in. A load that failed is started afresh next time.
  rest() {
    if (!this.outcomes) {
      const { pictures } = this;
      this.outcomes = this.outcomesDue.promise.then(() => pictures.load(pictures.ids(), () => {}, 'low'));
      this.outcomes.catch(() => { this.outcomes = null; });
    }
    return this.outcomes;
  }
}
