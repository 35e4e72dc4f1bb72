// Skelvar: a small side-scrolling arcade game. Opens the window, runs the game until it closes.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "game/game_main.h"
#include "game/images.h"
#include "game/random.h"
#include "records/last_run.h"
#include "records/record_store.h"
#include "run/run_code.h"
#include "tick/journal.h"
#include "tick/running_game.h"
#include "ui/audio_output.h"
#include "ui/event_loop.h"
#include "ui/game_window.h"
#include "ui/gl_driver.h"
#include "ui/late_pictures.h"
#include "ui/render/embedded_files.h"
#include "ui/render/font.h"
#include "ui/render/pictures.h"
#include "ui/render/scene_renderer.h"
#include "ui/system_clock.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "skelvar: %s\n", message.c_str());
  return 1;
}

// The run the command line names: a run code, a link holding one, or a file holding either.
std::optional<skelvar::tick::CodedRun> RunToWatch(const char* arg, std::string* why) {
  std::string text = arg;
  struct stat st {};
  if (stat(arg, &st) == 0 && S_ISREG(st.st_mode)) {
    std::ifstream file(arg, std::ios::binary);
    // A little more than the longest link, so that a longer file is refused as too long.
    text.assign(skelvar::MaxRunCodeChars + skelvar::tick::MaxRunLinkPrefixChars + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.bad()) {
      *why = std::string("cannot read ") + arg;
      return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(file.gcount()));
  }
  return skelvar::tick::DecodeRun(text, why);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace skelvar;
  using namespace skelvar::ui;
  SystemClock clock;
  LoopOptions options;
  if (argc > 2) {
    std::fputs("skelvar: usage: skelvar [RUN CODE, LINK OR FILE]\n", stderr);
    return 2;
  }
  if (argc == 2) {
    std::string why;
    options.watch = RunToWatch(argv[1], &why);
    if (!options.watch) {
      std::fprintf(stderr, "skelvar: %s\n", why.c_str());
      return 2;
    }
  }
  options.startSeconds = clock.MonotonicSeconds();
  if (const char* trace = std::getenv("SKELVAR_TRACE_STARTUP")) {
    options.traceStartup = std::string(trace) == "1";
  }
  if (const char* log = std::getenv("SKELVAR_TICK_LOG")) options.tickLogPath = log;
  if (const char* trace = std::getenv("SKELVAR_STATE_TRACE")) options.stateTracePath = trace;
  if (const char* log = std::getenv("SKELVAR_FRAME_LOG")) options.frameLogPath = log;
  // With the start-up trace on, how long each start-up step took.
  const auto mark = [&](const char* step) {
    if (options.traceStartup) {
      std::fprintf(stderr, "skelvar: %-9s done at %6.1f ms\n", step,
                   (clock.MonotonicSeconds() - options.startSeconds) * 1000.0);
    }
  };

  // Which OpenGL driver the display has is read in a child process while SDL starts, before any
  // thread is started: where it is a graphics card's, the window draws with SDL's accelerated
  // renderer; where it would rasterise on the processor (Mesa's llvmpipe under Xvfb, say), SDL's
  // software renderer presenting straight through the X server's shared memory is cheaper, and
  // the game does not load that driver at all. SDL_RENDER_DRIVER and SDL_FRAMEBUFFER_ACCELERATION
  // still choose otherwise.
  GlDriverProbe probe;
  if (const char* asked = std::getenv("SDL_RENDER_DRIVER"); asked == nullptr || *asked == '\0') {
    probe = GlDriverProbe::Start();
  }
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // SDL draws in batches unless a program names the renderer; this one never mixes in OpenGL
  // calls of its own, so it batches even when SDL_RENDER_DRIVER names one.
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");

  // Decoding the JPEG pictures takes longer than opening the display, the font and the window
  // together, the background alone most of it. The menu's picture is decoded on a helper thread
  // while SDL starts, touching no SDL state (SDL is not ready for other threads while it starts);
  // the background and the outcome pictures, which no frame needs before a run starts, on more
  // helpers once the window is about to show its first frame (on two cores they would slow its
  // start-up even at a lower priority), while it fades in; they are in before any input reaches
  // the game.
  std::future<DecodedJpegs> decoding = std::async(std::launch::async, [] {
    return DecodeJpegs(EmbeddedFiles(), ShippedCatalogue(), 1, PictureGroup::Menu);
  });

  // The sounds are rendered meanwhile too, by the game's synthesizer alone.
  auto audio = std::make_unique<AudioOutput>();

  std::string error;
  if (!StartVideo(&error)) return Fail(error);
  // Game controllers are optional: the keyboard and mouse work without them.
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
  mark("SDL");

  std::string warning;
  const std::unique_ptr<LabelFont> font = LabelFont::Open(&warning);
  options.measurer = font.get();
  if (!warning.empty()) std::fprintf(stderr, "skelvar: %s\n", warning.c_str());
  mark("font");

  auto window = GameWindow::Create(&error);
  if (!window) return Fail(error);
  mark("window");

  std::vector<std::string> warnings;
  auto pictures = DecodePictures(EmbeddedFiles(), ShippedCatalogue(), decoding.get(), &warnings,
                                 &error, PictureGroup::Menu);
  for (const std::string& w : warnings) std::fprintf(stderr, "skelvar: warning: %s\n", w.c_str());
  if (!pictures) return Fail(error);
  if (pictures->icon) SDL_SetWindowIcon(window->window(), pictures->icon.get());
  pictures->icon.reset();
  mark("pictures");

  const auto warn = [](const std::string& m) { std::fprintf(stderr, "skelvar: %s\n", m.c_str()); };
  records::RecordBook records(records::RecordsFolder(), warn);
  Mt19937Random random;
  tick::RunningGame::Options start;
  window->ClientSize(&start.clientWidth, &start.clientHeight);
  start.kept = records.loaded();
  tick::RunningGame run(clock, random, *font, start);
  TGameMain& game = run.game();
  // What needs no renderer is done while the OpenGL driver may still be being asked for its
  // name: the game laid out, and the menu picture shrunk for the first frame.
  SurfacePtr shrunkMenu = SceneRenderer::ShrinkMenuFor(game.scene, *pictures);
  mark("game");

  if (!window->MakeRenderer(probe, &error)) return Fail(error);
  mark("renderer");
  if (options.traceStartup) {
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(window->renderer(), &info);
    std::fprintf(stderr, "skelvar: renderer %s (%s)\n", info.name != nullptr ? info.name : "?",
                 window->RendererReason().c_str());
    std::fprintf(stderr, "skelvar: video driver %s, frames in motion at %.0f Hz%s\n",
                 SDL_GetCurrentVideoDriver(), window->RefreshRate(),
                 window->VsyncPresents() ? " with vsync" : ", paced by a timer");
  }
  auto renderer = SceneRenderer::Create(window->renderer(), std::move(*pictures), *font, &error,
                                        std::move(shrunkMenu));
  if (!renderer) return Fail(error);
  mark("textures");
  pictures.reset();

  window->Show(game.scene.window);
  // The client area may differ from what start-up laid out once the window has its real size.
  int32_t width = 0, height = 0;
  window->ClientSize(&width, &height);
  if (width != game.scene.window.clientWidth || height != game.scene.window.clientHeight) {
    run.Feed(tick::EventKind::Resize, width, height, clock.MonotonicSeconds() * 1000.0);
  }
  if (game.Closed()) return 0;

  // Every run is kept as its code, which the replay tool and the game play again, once, where it
  // ends: back at the menu, or the window closed while it was on.
  records::LastRunFile lastRun(records::RecordsFolder(), warn);
  bool runOn = false;
  const auto keepLastRun = [&] {
    if (const std::optional<std::string> code = run.LastRunCode()) lastRun.Keep(*code + "\n");
    runOn = false;
  };
  options.handedBack = [&](const tick::Happened& h) {
    records.Follow(run.records(), h.recordChanged, h.backAtMenu);
    runOn = runOn || h.runStarted;
    if (runOn && (h.backAtMenu || h.closed)) keepLastRun();
  };
  // The sound device opens once the first frame is on screen, never before it; nothing sounds
  // before a run starts anyway. Without a device the game plays silently.
  records::SettingsStore settings(warn);
  records::Settings chosen = settings.Load();
  options.audio = audio.get();
  options.firstFramePresented = [&] {
    std::string soundError;
    if (!audio->Open(&soundError)) {
      std::fprintf(stderr, "skelvar: warning: playing without sound: %s\n", soundError.c_str());
    } else {
      // The player's mute lasts from one start to the next.
      audio->SetMuted(chosen.muted);
    }
    mark("sound");
  };
  options.muteToggled = [&](bool muted) {
    if (!audio->IsOpen()) return;
    chosen.muted = muted;
    settings.Save(chosen);
  };
  run.ShowGhost(chosen.ghost);
  options.ghostToggled = [&](bool shown) {
    chosen.ghost = shown;
    settings.Save(chosen);
  };

  LatePictures late(EmbeddedFiles(), ShippedCatalogue());
  const bool ran = RunEventLoop(*window, *renderer, run, clock, options, &late, &error);
  // Closed from outside, the game's end still keeps the run it was in.
  if (runOn && !game.Closed()) keepLastRun();
  audio.reset();
  renderer.reset();
  window.reset();
  SDL_Quit();
  return ran ? 0 : Fail(error);
}
