#include "ui/event_loop.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "game/click_tracker.h"
#include "game/draw_list.h"
#include "ui/gamepad.h"
#include "ui/keys.h"
#include "ui/scene_snapshot.h"
#include "ui/screen_mapping.h"
#include "ui/tick_schedule.h"

namespace skelvar::ui {
namespace {

// Keeps one timer's schedule in step with its enabled flag: a timer switched on starts a fresh
// period, one switched off stops.
struct TimerClock {
  bool running = false;
  TickSchedule schedule;

  void Follow(const Timer& timer, double now) {
    if (timer.enabled && !running) schedule = TickSchedule(now, timer.intervalMs / 1000.0);
    running = timer.enabled;
  }
};

class Loop {
 public:
  Loop(GameWindow& window, SceneRenderer& renderer, TGameMain& game, Clock& clock,
       const LoopOptions& options)
      : window_(window), renderer_(renderer), game_(game), clock_(clock), options_(options) {
    if (!options_.tickLogPath.empty()) tickLog_.reserve(1 << 16);
    if (!options_.stateTracePath.empty()) {
      stateTrace_ = std::fopen(options_.stateTracePath.c_str(), "w");
      if (stateTrace_ == nullptr) {
        std::fprintf(stderr, "skelvar: cannot write the state trace %s\n",
                     options_.stateTracePath.c_str());
      }
    }
    int32_t width = 0, height = 0;
    window_.ClientSize(&width, &height);
    mapping_ = ScreenMapping::Identity(width, height);
  }
  ~Loop() {
    if (stateTrace_ != nullptr) std::fclose(stateTrace_);
  }
  Loop(const Loop&) = delete;
  Loop& operator=(const Loop&) = delete;

  void Run() {
    const double start = clock_.MonotonicSeconds();
    open_.Follow(game_.scene.timOpen, start);
    tick_.Follow(game_.scene.timGame, start);
    while (!quit_) {
      RunDueTimers();
      if (quit_) break;
      Redraw();
      WaitForEvents();
    }
    WriteTickLog();
  }

 private:
  void RunDueTimers() {
    const double now = clock_.MonotonicSeconds();
    if (open_.running && open_.schedule.Due(now)) {
      game_.timOpenTimer();
      open_.schedule.Advance(now);
      AfterHandler();
    }
    if (tick_.running && tick_.schedule.Due(now)) {
      if (!options_.tickLogPath.empty()) tickLog_.push_back(now);
      game_.timGameTimer();
      tick_.schedule.Advance(now);
      AfterHandler();
      TraceState();
    }
    const double after = clock_.MonotonicSeconds();
    open_.Follow(game_.scene.timOpen, after);
    tick_.Follow(game_.scene.timGame, after);
  }

  void WaitForEvents() {
    double next = -1.0;
    if (open_.running) next = open_.schedule.next();
    if (tick_.running && (next < 0 || tick_.schedule.next() < next)) next = tick_.schedule.next();
    int timeoutMs = -1;  // no timer: wait for an event
    if (next >= 0) {
      const double wait = next - clock_.MonotonicSeconds();
      // Rounded up so that the loop wakes at or just after the deadline, never spins before it.
      timeoutMs = wait <= 0 ? 0 : static_cast<int>(std::ceil(wait * 1000.0));
    }
    SDL_Event event;
    if (timeoutMs == 0) {
      while (!quit_ && SDL_PollEvent(&event)) Handle(event);
      return;
    }
    if (SDL_WaitEventTimeout(&event, timeoutMs) == 0) return;
    Handle(event);
    while (!quit_ && SDL_PollEvent(&event)) Handle(event);
  }

  void Handle(const SDL_Event& event) {
    switch (event.type) {
      case SDL_QUIT:
        quit_ = true;
        return;
      case SDL_WINDOWEVENT:
        // The frame's size arrives with the first window events after the window is shown.
        if (framePending_ > 0 && !window_.Fullscreen()) {
          framePending_ = window_.FitFrame(game_.scene.window) ? 0 : framePending_ - 1;
        }
        switch (event.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            quit_ = true;
            return;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            FollowWindowSize();
            break;
          case SDL_WINDOWEVENT_EXPOSED:
            needDraw_ = true;
            break;
          default:
            break;
        }
        break;
      case SDL_RENDER_TARGETS_RESET:
      case SDL_RENDER_DEVICE_RESET:
        // A hardware renderer lost what it had drawn into textures.
        renderer_.ForgetScaledCopies();
        needDraw_ = true;
        break;
      case SDL_KEYDOWN:
        game_.FormKeyDown(VirtualKeyCode(event.key.keysym.sym));
        AfterHandler();
        break;
      case SDL_KEYUP:
        game_.FormKeyUp(VirtualKeyCode(event.key.keysym.sym));
        AfterHandler();
        break;
      case SDL_MOUSEMOTION:
        game_.MouseMove(mapping_.ToLogicalX(event.motion.x), mapping_.ToLogicalY(event.motion.y));
        AfterHandler();
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT) {
          clicks_.Press(game_.scene, mapping_.ToLogicalX(event.button.x),
                        mapping_.ToLogicalY(event.button.y));
        }
        break;
      case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT) {
          const int32_t x = mapping_.ToLogicalX(event.button.x);
          const int32_t y = mapping_.ToLogicalY(event.button.y);
          if (clicks_.Release(game_.scene, x, y)) {
            game_.MouseClick(x, y);
            AfterHandler();
          }
        }
        break;
      default:
        break;
    }
    if (!quit_ && TogglesFullscreen(event)) {
      window_.ToggleFullscreen();
      FollowWindowSize();
    }
    std::array<KeyTransition, 16> keys;
    const int count = gamepads_.Handle(event, keys);
    for (int i = 0; i < count && !quit_; ++i) {
      if (keys[i].down) {
        game_.FormKeyDown(keys[i].code);
      } else {
        game_.FormKeyUp(keys[i].code);
      }
      AfterHandler();
    }
  }

  // The game's client area follows the window: its own size in a window, the screen's scaled
  // down to fit the designed window in fullscreen, where the picture is stretched back up.
  void FollowWindowSize() {
    auto& w = game_.scene.window;
    if (window_.Fullscreen()) {
      int32_t width = 0, height = 0;
      window_.ScreenSize(&width, &height);
      const ViewScale view = FitToScreen(width, height);
      w.clientWidth = view.clientWidth;
      w.clientHeight = view.clientHeight;
      mapping_ = {view.clientWidth, view.clientHeight, std::max(width, 1), std::max(height, 1)};
    } else {
      window_.ClientSize(&w.clientWidth, &w.clientHeight);
      mapping_ = ScreenMapping::Identity(w.clientWidth, w.clientHeight);
    }
    game_.FormResize();
    AfterHandler();
    needDraw_ = true;
  }

  void TraceState() {
    if (stateTrace_ == nullptr) return;
    const Window& w = game_.scene.window;
    std::fprintf(stateTrace_,
                 "tick %d state %d x %d y %d vx %.1f vy %.1f mouse %d client %dx%d game %d,%d "
                 "screen %dx%d\n",
                 game_.TickCount, game_.GameState, game_.PosX[0], game_.PosY[0], game_.VelX[0],
                 game_.VelY[0], game_.MouseMoved ? 1 : 0, w.clientWidth, w.clientHeight,
                 game_.scene.pnlGame.left, game_.scene.pnlGame.top, mapping_.screenWidth,
                 mapping_.screenHeight);
    std::fflush(stateTrace_);
  }

  void AfterHandler() {
    if (game_.Closed()) quit_ = true;
    window_.ApplyOpacity(game_.scene.window);
  }

  void Redraw() {
    if (!needDraw_ && SameDrawing(drawn_, game_.scene)) return;
    if (needDraw_) renderer_.RepaintAll();
    if (mapping_.IsIdentity()) {
      renderer_.Draw(game_.scene);
    } else {
      renderer_.Draw(game_.scene, mapping_.screenWidth, mapping_.screenHeight);
    }
    SDL_RenderPresent(window_.renderer());
    drawn_ = game_.scene;
    needDraw_ = false;
    if (options_.traceStartup && !traced_) {
      traced_ = true;
      timespec wall{};
      clock_gettime(CLOCK_REALTIME, &wall);
      std::fprintf(stderr,
                   "skelvar: first frame presented %.1f ms after start (unix time %ld.%06ld)\n",
                   (clock_.MonotonicSeconds() - options_.startSeconds) * 1000.0,
                   static_cast<long>(wall.tv_sec), static_cast<long>(wall.tv_nsec / 1000));
    }
    if (!preloaded_) {
      // The first frame is on screen: now upload the pictures it did not need.
      preloaded_ = true;
      renderer_.Preload();
    }
  }

  void WriteTickLog() {
    if (options_.tickLogPath.empty()) return;
    std::FILE* file = std::fopen(options_.tickLogPath.c_str(), "w");
    if (file == nullptr) {
      std::fprintf(stderr, "skelvar: cannot write the tick log %s\n", options_.tickLogPath.c_str());
      return;
    }
    for (double t : tickLog_) std::fprintf(file, "%.6f\n", t);
    std::fclose(file);
  }

  GameWindow& window_;
  SceneRenderer& renderer_;
  TGameMain& game_;
  Clock& clock_;
  const LoopOptions& options_;
  TimerClock open_;
  TimerClock tick_;
  Scene drawn_;
  bool needDraw_ = true;
  bool quit_ = false;
  bool traced_ = false;
  bool preloaded_ = false;
  ClickTracker clicks_;
  ScreenMapping mapping_;
  std::FILE* stateTrace_ = nullptr;
  int framePending_ = 20;  // window events to wait for the frame's size before giving up
  std::vector<double> tickLog_;
  Gamepads gamepads_;
};

}  // namespace

void RunEventLoop(GameWindow& window, SceneRenderer& renderer, TGameMain& game, Clock& clock,
                  const LoopOptions& options) {
  Loop(window, renderer, game, clock, options).Run();
}

}  // namespace skelvar::ui
