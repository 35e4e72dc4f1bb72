// The page's entry point: loads the play logic, the font and the pictures, then runs the game in
// the canvas with the window's timers, the keyboard, the pointer, fingers and game controllers.
import { showFailure } from './failure.js';
import { watchFocus } from './focus.js';
import { Game, Source } from './game.js';
import { Gamepads } from './gamepad.js';
import { Input } from './input.js';
import { instantiateWasm } from './loader.js';
import { keepForOffline } from './offline.js';
import { Painter } from './painter.js';
import { Pictures } from './pictures.js';
import { Progress } from './progress.js';
import { Stepper } from './stepper.js';
import { LabelFont } from './text.js';
import { Records } from './records.js';
import { Timers } from './timers.js';
import { Thumbs } from './touch.js';
import { PageWindow } from './window.js';

const MenuPicture = 64;
const BackPicture = 65;
const Samples = 1000;
// What the slow link carries in about one round trip: when no more than this is left of the
// stage's bytes, the outcome pictures are asked for, so their first bytes follow without a gap.
const OutcomeHeadStart = 32 * 1024;

function remember(samples, value) {
  samples.push(value);
  if (samples.length > Samples) samples.shift();
}

// What has arrived stays when a start fails, so trying again fetches only what is missing.
const loaded = { game: null, face: null, font: null, pictures: null, progress: null, outcomes: null };
let pageWindow = null;

// The menu picture, the font and the code first; then everything the stage shows (the
// background and every character's frames). The outcome pictures come later, in the background.
async function loadEssentials(canvas) {
  loaded.progress ??= new Progress(canvas);
  const progress = loaded.progress;
  progress.reset();
  const count = (bytes) => progress.add(bytes);
  loaded.pictures ??= new Pictures(() => pageWindow?.invalidate());
  const pictures = loaded.pictures;
  if (!loaded.font) {
    loaded.face ??= LabelFont.fetchFace((bytes) => {
      // The font's size is only known once it streams in, so it joins the bar as it arrives.
      progress.expect(bytes);
      count(bytes);
    });
  }
  const gameLoad = loaded.game ? Promise.resolve(loaded.game)
    : Game.load((text) => (loaded.font ? loaded.font.measure(text) : [0, 0]),
      (imports) => instantiateWasm('skelvar.wasm', imports, (bytes) => {
        progress.expect(bytes);
        count(bytes);
      }));
  gameLoad.catch(() => {});
  // The stage's pictures are named before the code that lists them has arrived, so that the
  // link is busy from the first moment; the higher priority keeps the menu, font and code first.
  progress.expect(pictures.prefetch(['imgMenu'], false, count, 'high'));
  progress.expect(pictures.prefetch(['imgBack'], false, count, 'auto'));
  progress.expect(pictures.prefetch(Pictures.frameNames(), true, count, 'auto'));
  if (!loaded.game) {
    loaded.game = await gameLoad;
    pictures.catalogue(loaded.game.pictures());
  }
  const game = loaded.game;
  const stage = [MenuPicture, BackPicture,
    ...pictures.ids((e) => e.keyed && !pictures.get(e.id))];
  progress.expect(pictures.bytes(stage));
  const stagePictures = pictures.load(stage, count);
  pictures.decodeLowAfter(stagePictures);
  progress.whenRemaining(OutcomeHeadStart).then(() => { startOutcomes(pictures); });
  // Its failure is taken up below, after the font; until then it must not count as unhandled.
  stagePictures.catch(() => {});
  loaded.font ??= await LabelFont.load(game.labelFontPixels(), loaded.face);
  await stagePictures;
  progress.stop();
  return { game, pictures, font: loaded.font };
}

// The outcome pictures (with every other picture not in yet), at the lowest priority.
function startOutcomes(pictures) {
  if (!loaded.outcomes) {
    loaded.outcomes = pictures.load(pictures.ids(), () => {}, 'low');
    // A load that failed is started afresh next time.
    loaded.outcomes.catch(() => { loaded.outcomes = null; });
  }
  return loaded.outcomes;
}

// Waits for the outcome pictures; they are drawn as they arrive. A picture that cannot be had
// shows the message, whose button tries again while the game plays on.
function loadOutcomes(pictures, entry) {
  startOutcomes(pictures).then(() => {
    entry.picturesLoadedAt = performance.now();
    entry.picturesLoaded = true;
    keepForOffline();
  }, (error) => {
    loaded.outcomes = null;
    showFailure(error, () => loadOutcomes(pictures, entry));
  });
}

async function start() {
  const params = new URLSearchParams(location.search);
  // Test-only: ?step&seed=N steps ticks by hand on a virtual clock.
  const stepped = params.has('step');
  const seed = Number.parseInt(params.get('seed') ?? '1', 10) >>> 0;
  const canvas = document.getElementById('game');

  // The fade-in (the window's start) waits for the menu and the whole stage, so a run can never
  // start on a stage with something missing.
  const { game, pictures, font } = await loadEssentials(canvas);
  pageWindow = new PageWindow(canvas, game, new Painter(canvas, pictures, font));
  const [width, height] = pageWindow.fit();
  game.create(stepped, seed, width, height);

  const tickTimes = [];
  let ticks = 0;
  let timers = null;
  let input = null;
  let relaunch = null;
  const after = () => {
    game.listsFollow();
    const w = pageWindow.update();
    // The exit command ends the game in the page: no more ticks, and no input but the key, click
    // or tap that starts it afresh.
    if (w.closed && input?.enabled) {
      timers?.stop();
      input.disable(relaunch);
    }
  };

  game.records = new Records(game, after);

  const refit = () => {
    const [w, h] = pageWindow.fit();
    game.resize(w, h);
    after();
  };
  window.addEventListener('resize', refit);
  const watchRatio = () => {
    matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', () => {
      refit();
      watchRatio();
    }, { once: true });
  };
  watchRatio();

  const gamepads = new Gamepads(game);
  const thumbs = new Thumbs(game);
  game.onTicked = () => thumbs.ticked();
  input = new Input(canvas, pageWindow, game, thumbs, after);
  let hidden = false;
  watchFocus({
    leave: () => {
      game.releaseSource(Source.Keyboard);
      thumbs.releaseAll();
      gamepads.suspend();
      after();
    },
    back: () => gamepads.resume(),
    hide: () => {
      if (hidden) return;
      hidden = true;
      game.setHidden(true);
      timers?.pause();
    },
    show: () => {
      gamepads.resume();
      if (!hidden) return;
      hidden = false;
      game.setHidden(false);
      timers?.resume();
    },
  });

  const entry = {
    stepped,
    menuDrawnAt: 0,
    picturesLoaded: false,
    picturesLoadedAt: 0,
    state: () => JSON.parse(game.stateJson(ticks)),
    window: () => game.window(),
    scale: () => pageWindow.scale,
    drawList: () => game.drawList(),
    stats: () => ({
      tickMs: [...tickTimes],
      paintMs: [...pageWindow.paintTimes],
      paints: pageWindow.paintLog.map((p) => [...p]),
    }),
    // The clock the clear time is measured on, which stands still while the page is hidden.
    seconds: () => game.monotonicSeconds(),
  };
  pageWindow.onPainted = () => {
    if (!entry.menuDrawnAt) entry.menuDrawnAt = performance.now();
  };
  loadOutcomes(pictures, entry);

  if (stepped) {
    const stepper = new Stepper(game, gamepads, after);
    entry.step = (n = 1) => {
      const lines = [];
      for (let i = 0; i < n; ++i) {
        const t0 = performance.now();
        lines.push(stepper.step());
        remember(tickTimes, performance.now() - t0);
        ticks = stepper.tick - 1;
      }
      return lines;
    };
    entry.script = () => stepper.script.join('\n');
  } else {
    const startTimers = () => {
      timers = new Timers(
        () => game.window(),
        () => {
          game.openTimer();
          after();
        },
        () => {
          const t0 = performance.now();
          gamepads.poll();
          game.gameTimer();
          game.listsAfterTick();
          pageWindow.ticked(performance.now());
          ++ticks;
          game.ticked();
          after();
          remember(tickTimes, performance.now() - t0);
        });
      timers.start();
      if (hidden) timers.pause();
    };
    startTimers();
    relaunch = () => {
      const [w, h] = pageWindow.fit();
      game.relaunch(w, h);
      thumbs.releaseAll();
      gamepads.forget();
      ticks = 0;
      input.enable();
      startTimers();
      after();
    };
  }
  if (document.visibilityState === 'hidden') {
    hidden = true;
    game.setHidden(true);
    timers?.pause();
  }
  after();
  globalThis.skelvar = entry;
}

// A start that fails shows the message; its button tries again with what is still missing.
function run() {
  start().catch((error) => {
    loaded.progress?.clear();
    showFailure(error, run);
  });
}
run();
