// One tick of a replay, shared by the replay tool and the programs that test it at length.
#pragma once

#include <cstdint>

#include "game/game_main.h"
#include "replay_script.h"

namespace skelvar::replay {

inline void Deliver(TGameMain& game, const ScriptEvent& e) {
  switch (e.kind) {
    case EventKind::KeyDown:
      game.SourceKeyDown(e.b, e.a);
      break;
    case EventKind::KeyUp:
      game.SourceKeyUp(e.b, e.a);
      break;
    case EventKind::MouseMove:
      game.MouseMove(e.a, e.b);
      break;
    case EventKind::Click:
      game.MouseClick(e.a, e.b);
      break;
    case EventKind::Resize:
      game.scene.window.clientWidth = e.a;
      game.scene.window.clientHeight = e.b;
      game.FormResize();
      break;
  }
}

// The window's timers after tick k's events: the fade every other tick, then the game's step.
// Returns whether the fade moved on.
inline bool RunTimers(TGameMain& game, int64_t k) {
  bool faded = false;
  if (!game.Closed() && k % 2 == 0 && game.scene.timOpen.enabled) {
    game.timOpenTimer();
    faded = true;
  }
  if (!game.Closed() && game.scene.timGame.enabled) game.timGameTimer();
  return faded;
}

}  // namespace skelvar::replay
