// The page's entry point: loads the play logic, the font and the pictures, then runs the game in
// the canvas, and tries again whatever could not be had. What runs it lives in its own modules:
// the session (timers, ticks, hidden, closing), the input sources, the window and its canvas.
import { boardAnswers } from './board_probe.js';
import { showFailure } from './failure.js';
import { InputSources } from './input_sources.js';
import { keepForOffline } from './offline.js';
import { Painter } from './painter.js';
import { Records } from './records.js';
import { Session } from './session.js';
import { ShareButton } from './share.js';
import { Sound } from './sound.js';
import { addSpeakerButton } from './speaker.js';
import { StartGate } from './start_gate.js';
import { StartUp } from './start_up.js';
import { watchViewport } from './viewport.js';
import { PageWindow } from './window.js';

let pageWindow = null;
// Runs once every picture is in: the page then asks whether a board serves it.
let picturesIn = () => {};
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
    picturesIn();
    picturesIn = () => {};
  }, (error) => {
    showFailure(error, () => loadOutcomes(entry));
  });
}

// What the page's tests read: the game's state, its window and draw list, and timings.
function entryPoint(session, sound) {
  const { game, pageWindow: view } = session;
  const entry = {
    stepped: session.stepped,
    menuDrawnAt: 0,
    stageLoadedAt: 0,
    picturesLoaded: false,
    picturesLoadedAt: 0,
    state: () => JSON.parse(game.stateJson(session.ticks)),
    window: () => game.window(),
    scale: () => view.scale,
    drawList: () => game.drawList(),
    stats: () => ({
      tickMs: [...session.tickTimes],
      paintMs: [...view.paintTimes],
      paints: view.paintLog.map((p) => [...p]),
    }),
    // The clock the clear time is measured on, which stands still while the page is hidden.
    seconds: () => game.seconds(),
    sound,
  };
  view.onPainted = () => {
    if (!entry.menuDrawnAt) entry.menuDrawnAt = performance.now();
  };
  return entry;
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
  const sound = addSpeakerButton(new Sound(game));

  const after = () => session.after();
  const inputs = new InputSources(canvas, pageWindow, game, after);
  const session = new Session({ game, pageWindow, inputs, sound, stepped, seed });
  const records = new Records(game, after);
  session.records = records;
  // The player's mute is kept beside the record, so a reload keeps the choice.
  const settings = records.settings();
  sound.setMuted(settings.muted);
  sound.onMuteToggled = (muted) => records.saveSettings({ muted });
  // G shows or hides a raced run's girl, and the page keeps the choice.
  game.showGhost(settings.ghost);
  window.addEventListener('keydown', (e) => {
    if (e.code !== 'KeyG' || e.repeat || e.ctrlKey || e.altKey || e.metaKey || !inputs.enabled) return;
    const shown = !game.report.ghostShown;
    game.showGhost(shown);
    records.saveSettings({ ghost: shown });
    after();
  });
  session.share = new ShareButton(game, document.getElementById('said'));
  // A page opened with a run's link plays that run back; so does a link followed in this page.
  const watchLink = () => {
    game.watchLink(location.href);
    after();
  };
  // A run the board's table gives is watched through the same call as a link's code.
  const watchRun = (code) => {
    game.watch(code);
    after();
  };
  watchLink();
  window.addEventListener('hashchange', watchLink);
  watchViewport(() => session.resized());
  const gate = new StartGate(game, inputs);
  session.onTicked = () => {
    inputs.ticked();
    gate.ticked();
  };
  session.watchFocus();
  // The board's controls, when a board serves the page: their code is fetched only once it has
  // answered, and the page plays on without them whatever goes wrong.
  picturesIn = () => {
    boardAnswers().then((answered) => answered && import('./board/board.js')).then((board) => {
      if (!board) return;
      session.board = board.addBoard({
        game,
        said: document.getElementById('said'),
        share: session.share.button,
        watch: watchRun,
        race: (code) => game.race(code),
        letGo: () => {
          inputs.releaseAll();
          after();
        },
        back: () => inputs.focusBack(),
      });
    }).catch((error) => console.warn(`Skelvar: no board controls (${error.message})`));
  };

  const entry = entryPoint(session, sound);
  loadStage(gate, entry, after);
  // The outcome pictures are asked for once the stage is nearly in, and waited for after it.
  startUp.rest().catch(() => {});

  if (stepped) {
    // Fetched only by a stepped page, so the page players get never loads it.
    const { addStepping } = await import('./stepper.js');
    addStepping(entry, session);
  }
  session.start();
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
