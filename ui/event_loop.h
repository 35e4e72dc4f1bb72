// The one-thread event loop: the game's two timers, input, resizing and redrawing.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "run/run_code.h"
#include "tick/running_game.h"
#include "ui/audio_output.h"
#include "ui/game_window.h"
#include "ui/late_pictures.h"
#include "ui/render/scene_renderer.h"

namespace skelvar::ui {

struct LoopOptions {
  // When set, the monotonic time of every game tick is written there, one per line, at the end.
  std::string tickLogPath;
  // When set, the run state after every game tick is written there, a line a tick, as it happens.
  std::string stateTracePath;
  // When set, a line is appended there for every frame presented: monotonic milliseconds, game
  // ticks run so far, and the screen x of the background's left edge as drawn.
  std::string frameLogPath;
  // When set, the moment the first frame is shown is printed on stderr.
  bool traceStartup = false;
  double startSeconds = 0.0;  // monotonic time the program started, for the start-up trace
  // Where each tick's sounds go; without it the game plays silently.
  AudioOutput* audio = nullptr;
  // Called when the player switches the sound off or on (M), with the new choice.
  std::function<void(bool muted)> muteToggled;
  // Called when the player shows or hides the raced run's ghost (G), with the new choice.
  std::function<void(bool shown)> ghostToggled;
  // The label's measure, for a watched run's game and its notes.
  const TextMeasurer* measurer = nullptr;
  // A run to watch from the start: played back in the window, then raced with any key.
  std::optional<tick::CodedRun> watch;
  // Called with what each input event and each timer handed back, once the loop has taken its own
  // part (the picture, the sound, the opacity): the record and the last run are kept from there.
  std::function<void(const tick::Happened&)> handedBack;
  // Called once, right after the first frame is presented and before any event is handled (the
  // sound device opens then, off the first frame's path).
  std::function<void()> firstFramePresented;
};

// Runs the game until it closes its window or the window is closed from outside: SDL's events are
// fed to the running game as its input, its timers run when due, and what they hand back is
// painted, played and kept. While anything on
// screen moves, frames placed between the last two game ticks are presented at the display's
// refresh rate; at rest it sleeps in SDL's event wait until the next timer deadline and redraws
// only when the picture changed or the window needs repainting. Windowed as in fullscreen (F11),
// the game's client area is the pixels' size scaled by FitToScreen and the picture is stretched
// back onto the pixels.
// With `late`, the pictures still being decoded are handed to the renderer once they are in, and
// before any key, click or controller button reaches the game, so that no run starts without
// them; a damaged one ends the loop early: false, and one line naming it in *error.
bool RunEventLoop(GameWindow& window, SceneRenderer& renderer, tick::RunningGame& run, Clock& clock,
                  const LoopOptions& options, LatePictures* late = nullptr,
                  std::string* error = nullptr);

}  // namespace skelvar::ui
