// The page's entry point: loads the play logic, the font and the pictures, then runs the game in
// the canvas with the window's timers, the keyboard, the pointer, fingers and game controllers.
import { showFailure } from './failure.js';
import { watchFocus } from './focus.js';
import { Source } from './game.js';
import { Gamepads } from './gamepad.js';
import { Input } from './input.js';
import { keepForOffline } from './offline.js';
import { Painter } from './painter.js';
import { Sound } from './sound.js';
import { addSpeakerButton } from './speaker.js';
import { Records, loadSettings, saveSettings } from './records.js';
import { Timers } from './timers.js';
import { Thumbs } from './touch.js';
import { PageWindow } from './window.js';
import { StartGate } from './start_gate.js';
import { StartUp } from './start_up.js';

const Samples = 1000;

function remember(samples, value) {
  samples.push(value);
  if (samples.length > Samples) samples.shift();
}

let pageWindow = null;
const startUp = new StartUp(document.getElementById('game'), () => pageWindow?.invalidate());

// The stage's pictures: a start given before they are in waits for them. A picture that cannot be
// had shows the message, whose button tries again while the menu stays.
function loadStage(gate, entry, after, retry = false) {
  startUp.stage(retry).then(() => {
    entry.stageLoadedAt = performance.now();
    gate.release();
    after();
    loadOutcomes(entry);
  }, (error) => {
    startUp.progress.clear();
    showFailure(error, () => loadStage(gate, entry, after, true));
  });
}

// Waits for the outcome pictures; they are drawn as they arrive. A picture that cannot be had
// shows the message, whose button tries again while the game plays on.
function loadOutcomes(entry) {
  startUp.rest().then(() => {
    entry.picturesLoadedAt = performance.now();
    entry.picturesLoaded = true;
    keepForOffline();
  }, (error) => {
    showFailure(error, () => loadOutcomes(entry));
  });
}

async function start() {
  const params = new URLSearchParams(location.search);
  // Test-only: ?step&seed=N steps ticks by hand on a virtual clock.
  const stepped = params.has('step');
  const seed = Number.parseInt(params.get('seed') ?? '1', 10) >>> 0;
  const canvas = document.getElementById('game');

  // The window starts (the fade-in, then the menu) once the menu can be drawn; the bar stays over
  // it while the stage loads.
  const { game, pictures, font } = await startUp.menu(() => pageWindow?.invalidate());
  const painter = startUp.progress.over(new Painter(canvas, pictures, font),
    () => pageWindow.invalidate());
  pageWindow = new PageWindow(canvas, game, painter);
  const [width, height] = pageWindow.fit();
  game.create(stepped, seed, width, height);
  // The player's mute is kept beside the record, so a reload keeps the choice.
  const sound = addSpeakerButton(new Sound(game));
  sound.setMuted(loadSettings().muted);
  sound.onMuteToggled = (muted) => saveSettings({ muted });

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
  const gate = new StartGate(game);
  game.onTicked = () => {
    thumbs.ticked();
    gate.ticked();
  };
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
    stageLoadedAt: 0,
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
    sound,
  };
  pageWindow.onPainted = () => {
    if (!entry.menuDrawnAt) entry.menuDrawnAt = performance.now();
  };
  loadStage(gate, entry, after);
  // The outcome pictures are asked for once the stage is nearly in, and waited for after it.
  startUp.rest().catch(() => {});

  if (stepped) {
    const { Stepper } = await import('./stepper.js');
    const stepper = new Stepper(game, gamepads, after);
    entry.step = (n = 1) => {
      const lines = [];
      for (let i = 0; i < n; ++i) {
        const t0 = performance.now();
        lines.push(stepper.step());
        sound.ticked();
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
        (deadline) => {
          const t0 = performance.now();
          gamepads.poll();
          game.gameTimer();
          sound.ticked();
          game.listsAfterTick();
          pageWindow.ticked(deadline);
          ++ticks;
          game.ticked();
          after();
          remember(tickTimes, performance.now() - t0);
        },
        game);
      timers.start();
      pageWindow.beforeFrame = (time) => timers.catchUp(time);
      pageWindow.fraction = (time) => timers.fraction(time);
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
    startUp.progress?.clear();
    showFailure(error, run);
  });
}
run();
