#include "ui/event_loop.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

#include "game/click_tracker.h"
#include "game/draw_list_blend.h"
#include "game/random.h"
#include "run/watch_session.h"
#include "tick/live_schedule.h"
#include "ui/gamepad.h"
#include "ui/keys.h"
#include "ui/render/screen_mapping.h"

namespace skelvar::ui {
namespace {

using tick::EventKind;
using tick::Happened;
using tick::TimerId;

class Loop {
 public:
  Loop(GameWindow& window, SceneRenderer& renderer, tick::RunningGame& run, Clock& clock,
       const LoopOptions& options, LatePictures* late)
      : window_(window),
        renderer_(renderer),
        run_(run),
        game_(run.game()),
        session_(run, *options.measurer),
        clock_(clock),
        options_(options),
        late_(late) {
    if (!options_.tickLogPath.empty()) tickLog_.reserve(1 << 16);
    if (!options_.stateTracePath.empty()) {
      stateTrace_ = std::fopen(options_.stateTracePath.c_str(), "w");
      if (stateTrace_ == nullptr) {
        std::fprintf(stderr, "skelvar: cannot write the state trace %s\n",
                     options_.stateTracePath.c_str());
      }
    }
    if (!options_.frameLogPath.empty()) {
      frameLog_ = std::fopen(options_.frameLogPath.c_str(), "a");
      if (frameLog_ == nullptr) {
        std::fprintf(stderr, "skelvar: cannot write the frame log %s\n",
                     options_.frameLogPath.c_str());
      }
    }
    int32_t width = 0, height = 0;
    window_.ClientSize(&width, &height);
    mapping_ = ScreenMapping::Identity(width, height);
    frameInterval_ = 1.0 / window_.RefreshRate();
    vsync_ = window_.VsyncPresents();
  }
  ~Loop() {
    if (stateTrace_ != nullptr) std::fclose(stateTrace_);
    if (frameLog_ != nullptr) std::fclose(frameLog_);
  }
  Loop(const Loop&) = delete;
  Loop& operator=(const Loop&) = delete;

  void Run() {
    run_.Follow(NowMs());
    if (options_.watch) {
      session_.Watch(*options_.watch, NowMs());
      needDraw_ = true;
    }
    while (!quit_) {
      TakeLatePictures(false);
      if (quit_) break;
      RunDueTimers();
      if (quit_) break;
      Redraw();
      WaitForEvents();
    }
    WriteTickLog();
  }

  // Why the loop ended early; empty when it did not.
  const std::string& error() const { return error_; }

 private:
  // Hands the late pictures to the renderer once they are decoded, or with `wait`, as soon as
  // they are. A damaged one ends the loop.
  void TakeLatePictures(bool wait) {
    if (late_ == nullptr || !late_->Pending() || (!wait && !late_->Ready())) return;
    std::vector<std::string> warnings;
    const bool taken = late_->Deliver(renderer_, &warnings, &error_);
    for (const std::string& w : warnings) std::fprintf(stderr, "skelvar: warning: %s\n", w.c_str());
    if (!taken) quit_ = true;
  }

  // The events that can start a run: every picture must be in before the game sees them.
  static bool MayStartRun(const SDL_Event& event) {
    switch (event.type) {
      case SDL_KEYDOWN:
      case SDL_MOUSEBUTTONUP:
      case SDL_CONTROLLERBUTTONDOWN:
      case SDL_CONTROLLERAXISMOTION:
        return true;
      default:
        return false;
    }
  }

  // The schedule counts in milliseconds, the scene's unit; the loop's own figures in seconds.
  double NowMs() const { return clock_.MonotonicSeconds() * 1000.0; }

  // The game on the screen: a run being watched, else the player's.
  const tick::RunningGame& Shown() const { return session_.Shown(); }

  // Runs the timers due now; the shown game's tick hands back its sounds and its picture. The
  // player's game goes on beside a watched run (at its menu, fading in), only unseen and unheard.
  void RunDueTimers() {
    const double nowMs = NowMs();
    const int64_t before = run_.ticks();
    const Happened h = session_.Advance(nowMs);
    if (run_.ticks() != before) {
      if (!options_.tickLogPath.empty()) tickLog_.push_back(nowMs / 1000.0);
      ++ticksRun_;
      TraceState();
    }
    if (h.ticked) {
      if (options_.audio != nullptr) options_.audio->Play(h.cues);
      // Motion that has just ended is shown at its end once; the last frame was on its way there.
      if (drawnPartway_ && !Shown().Moving()) needDraw_ = true;
    }
    Took(h);
  }

  // Ctrl+C after a run: its code to the clipboard. Ctrl+V at the menu: the clipboard's run
  // watched. Whether the key was one of these.
  bool HandleClipboard(const SDL_KeyboardEvent& key) {
    if ((key.keysym.mod & KMOD_CTRL) == 0 || key.repeat != 0) return false;
    if (key.keysym.sym == SDLK_c && session_.MayShare()) {
      if (const std::optional<std::string> code = session_.Share()) {
        if (SDL_SetClipboardText(code->c_str()) == 0) {
          session_.Copied();
        } else {
          std::fprintf(stderr, "skelvar: the clipboard took no run code: %s\n", SDL_GetError());
        }
      }
      needDraw_ = true;
      return true;
    }
    if (key.keysym.sym == SDLK_v && session_.MayWatch()) {
      char* text = SDL_GetClipboardText();
      std::string why;
      const bool watched = session_.Watch(
          text != nullptr ? std::string_view(text) : std::string_view(), NowMs(), &why);
      SDL_free(text);
      if (!watched) std::fprintf(stderr, "skelvar: %s\n", why.c_str());
      needDraw_ = true;
      return true;
    }
    return false;
  }

  // What a call into the running game handed back, besides a tick's own: the window's opacity,
  // a changed picture, the record and the last run to keep, and the end of the game.
  void Took(const Happened& h) {
    if (!h.ticked && h.pictureChanged) needDraw_ = true;
    if (h.closed) quit_ = true;
    window_.ApplyOpacity(Shown().game().scene.window);
    if (options_.handedBack) options_.handedBack(h);
  }

  // Input for the player's game, which the session keeps from it while a run is watched.
  void Feed(EventKind kind, int32_t a, int32_t b) {
    if (quit_) return;
    Took(session_.Feed(kind, a, b, NowMs()));
  }

  void WaitForEvents() {
    const std::optional<double> deadline = session_.NextDeadline();
    double next = deadline ? *deadline / 1000.0 : -1.0;
    if (Shown().Moving() && (next < 0 || FrameDue() < next)) next = FrameDue();
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
    if (MayStartRun(event)) {
      TakeLatePictures(true);
      if (quit_) return;
    }
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
          case SDL_WINDOWEVENT_FOCUS_LOST:
            // A key or button released while another window has the focus never reaches us: let
            // go of everything now rather than run on into the next obstacle.
            if (!quit_) Took(session_.ReleaseSource(KeyboardSource, NowMs()));
            {
              // The controllers too, or a button held when the focus left would repeat forever.
              std::array<KeyTransition, 8 * Gamepads::kMaxTransitionsPerEvent> released;
              const int count = gamepads_.LetGoAll(released);
              for (int i = 0; i < count; ++i) FeedPadKey(released[static_cast<std::size_t>(i)]);
            }
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
        if (HandleClipboard(event.key)) break;
        if (event.key.keysym.sym == SDLK_m && event.key.repeat == 0 && options_.audio != nullptr) {
          ToggleSound(*options_.audio);
          if (options_.muteToggled) options_.muteToggled(options_.audio->Muted());
        }
        if (event.key.keysym.sym == SDLK_g && event.key.repeat == 0) {
          run_.ShowGhost(!run_.GhostShown());
          needDraw_ = true;
          if (options_.ghostToggled) options_.ghostToggled(run_.GhostShown());
        }
        Feed(EventKind::KeyDown, VirtualKeyCode(event.key.keysym.sym), KeyboardSource);
        break;
      case SDL_KEYUP:
        Feed(EventKind::KeyUp, VirtualKeyCode(event.key.keysym.sym), KeyboardSource);
        break;
      case SDL_MOUSEMOTION:
        Feed(EventKind::MouseMove, mapping_.ToLogicalX(event.motion.x),
             mapping_.ToLogicalY(event.motion.y));
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
          if (clicks_.Release(game_.scene, x, y)) Feed(EventKind::Click, x, y);
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
    for (int i = 0; i < count && !quit_; ++i) FeedPadKey(keys[static_cast<std::size_t>(i)]);
  }

  // A controller's key goes down or up in its own source; the running game repeats it while held.
  void FeedPadKey(const KeyTransition& key) {
    Feed(key.down ? EventKind::KeyDown : EventKind::KeyUp, key.code, key.source);
  }

  // The game's client area follows the window, windowed as in fullscreen: the pixels it has,
  // scaled by FitToScreen so that the designed window fills their tighter side; the picture is
  // stretched back onto the pixels.
  void FollowWindowSize() {
    int32_t width = 0, height = 0;
    window_.ScreenSize(&width, &height);
    const ViewScale view = FitToScreen(width, height);
    mapping_ = {view.clientWidth, view.clientHeight, std::max(width, 1), std::max(height, 1)};
    Feed(EventKind::Resize, view.clientWidth, view.clientHeight);
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

  // When the next frame between ticks is drawn: a display refresh after the last one, but not
  // so close before a tick that drawing it would hold the tick up; that frame waits for the tick.
  double FrameDue() const {
    double due = nextFrame_;
    if (Shown().schedule().Running(TimerId::Game)) {
      const double tick = Shown().schedule().Deadline(TimerId::Game) / 1000.0;
      // Half a refresh at most: a frame that the machine was slow to draw once does not make
      // every later frame near a tick wait.
      const double guard = std::min(1.5 * drawSeconds_ + 0.001, frameInterval_ / 2);
      if (due > tick - guard) due = std::max(due, tick);
    }
    return due;
  }

  // Draws a frame when the picture changed, the window needs one, or, while anything moves
  // between the last two ticks, when a display refresh is due. At rest nothing is drawn.
  void Redraw() {
    const bool moving = Shown().Moving();
    if (!needDraw_ && !moving) return;
    const double start = clock_.MonotonicSeconds();
    if (!needDraw_ && start < FrameDue()) return;
    if (needDraw_) renderer_.RepaintAll();
    const double a = Shown().schedule().Fraction(start * 1000.0);
    const BlendedList frame = Shown().Frame(start * 1000.0);
    // A watched run is drawn at its own client size, stretched onto the window.
    const Window& shownWindow = Shown().game().scene.window;
    const bool watching = session_.Watching();
    renderer_.Draw(frame, watching ? shownWindow.clientWidth : mapping_.logicalWidth,
                   watching ? shownWindow.clientHeight : mapping_.logicalHeight,
                   mapping_.screenWidth, mapping_.screenHeight);
    const double drawn = clock_.MonotonicSeconds();
    SDL_RenderPresent(window_.renderer());
    // How long drawing a frame takes, on average over the last frames; the present's wait for
    // the display's refresh is not drawing.
    drawSeconds_ = 0.9 * drawSeconds_ + 0.1 * (drawn - start);
    const double now = clock_.MonotonicSeconds();
    // Paced by the display's refresh: with vsync the present waits for it and the timer only
    // keeps a present that does not wait from spinning.
    nextFrame_ += vsync_ ? frameInterval_ / 2 : frameInterval_;
    if (nextFrame_ < now - frameInterval_ || nextFrame_ > now + frameInterval_) {
      nextFrame_ = now + (vsync_ ? frameInterval_ / 2 : frameInterval_);
    }
    LogFrame(now, frame);
    drawnPartway_ = moving && a < 1.0;
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
      if (options_.firstFramePresented) options_.firstFramePresented();
      renderer_.Preload();
    }
  }

  // One line per presented frame: when, after how many ticks, and where the background's left
  // edge was drawn on the screen ("-" when it was not).
  void LogFrame(double now, const BlendedList& frame) {
    if (frameLog_ == nullptr) return;
    const std::optional<double> back = BackgroundLeft(frame);
    if (back) {
      std::fprintf(frameLog_, "%.3f %lld %d\n", now * 1000.0, ticksRun_,
                   mapping_.EdgeToScreenX(*back / frame.scale));
    } else {
      std::fprintf(frameLog_, "%.3f %lld -\n", now * 1000.0, ticksRun_);
    }
    // Read while the game runs: a line a frame is one small write.
    std::fflush(frameLog_);
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
  tick::RunningGame& run_;
  TGameMain& game_;
  tick::WatchSession session_;
  Clock& clock_;
  const LoopOptions& options_;
  LatePictures* late_;
  std::string error_;
  long long ticksRun_ = 0;
  double frameInterval_ = 1.0 / 60.0;
  bool vsync_ = false;
  double nextFrame_ = 0.0;
  double drawSeconds_ = 0.0;
  std::FILE* frameLog_ = nullptr;
  bool drawnPartway_ = false;  // the last frame showed pictures between two ticks' places
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

bool RunEventLoop(GameWindow& window, SceneRenderer& renderer, tick::RunningGame& run, Clock& clock,
                  const LoopOptions& options, LatePictures* late, std::string* error) {
  Loop loop(window, renderer, run, clock, options, late);
  loop.Run();
  if (loop.error().empty()) return true;
  if (error != nullptr) *error = loop.error();
  return false;
}

}  // namespace skelvar::ui
