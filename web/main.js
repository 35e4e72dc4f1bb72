// The page's entry point: loads the play logic, the font and the pictures, then runs the game in
// the canvas with the window's timers, the keyboard, the pointer, fingers and game controllers.
import { watchFocus } from './focus.js';
import { Game, Source } from './game.js';
import { Gamepads } from './gamepad.js';
import { Input } from './input.js';
import { Painter } from './painter.js';
import { Pictures } from './pictures.js';
import { Stepper } from './stepper.js';
import { LabelFont } from './text.js';
import { Timers } from './timers.js';
import { Thumbs } from './touch.js';
import { PageWindow } from './window.js';

const MenuPicture = 64;
const Samples = 1000;

function remember(samples, value) {
  samples.push(value);
  if (samples.length > Samples) samples.shift();
}

async function start() {
  const params = new URLSearchParams(location.search);
  // Test-only: ?step&seed=N steps ticks by hand on a virtual clock.
  const stepped = params.has('step');
  const seed = Number.parseInt(params.get('seed') ?? '1', 10) >>> 0;
  const canvas = document.getElementById('game');

  let font = null;
  let pageWindow = null;
  // The font and the logic load side by side; the pictures start as soon as their names are known.
  const face = LabelFont.fetchFace();
  const game = await Game.load((text) => (font ? font.measure(text) : [0, 0]));
  const pictures = new Pictures(game.pictures(), () => pageWindow?.invalidate());
  font = await LabelFont.load(game.labelFontPixels(), face);
  await pictures.whenLoaded(MenuPicture);

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
  pictures.whenAllLoaded().then(() => {
    entry.picturesLoaded = true;
  });

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

start().catch((error) => {
  console.error('Skelvar cannot start:', error);
  const message = document.createElement('p');
  message.className = 'message';
  message.textContent = `Skelvar cannot start: ${error.message}`;
  document.body.append(message);
});
