// The bounds the run state keeps whatever the player does, for the long random sessions, the
// replay fuzzer and the soak run alike.
#pragma once

#include <string>

#include "game/game_main.h"

namespace skelvar::testing {

// Follows a session from the window's start: how many fade steps it has had and whether a run
// has begun, which is what the bounds depend on.
struct RunWatch {
  int fadeTicks = 0;
  bool runStarted = false;
};

// Empty when every bound holds, else the first one broken, with the values involved.
inline std::string BrokenInvariant(const TGameMain& g, const RunWatch& watch) {
  const auto broken = [](const char* what, int64_t a, int64_t b = 0) {
    return std::string(what) + " (" + std::to_string(a) + ", " + std::to_string(b) + ")";
  };
  if (g.GameState < -1 || g.GameState > 2) return broken("GameState out of range", g.GameState);
  if ((g.GameState == StateOutcome || g.GameState == StateFinished) &&
      (g.HitIndex < 1 || g.HitIndex > 10)) {
    return broken("HitIndex out of range after a contact", g.HitIndex);
  }
  if (watch.fadeTicks >= 13) {
    if (g.scene.window.opacityEnabled || g.scene.timOpen.enabled || g.scene.window.opacity != 255) {
      return broken("the fade has not ended", g.scene.window.opacity, watch.fadeTicks);
    }
  } else if (g.scene.window.opacity != 20 * watch.fadeTicks) {
    return broken("the opacity does not follow the fade", g.scene.window.opacity, watch.fadeTicks);
  }
  if (!watch.runStarted) return {};
  const int32_t W = g.scene.pnlGame.width;
  if (g.CameraX < W - WorldWidth || g.CameraX > 0) return broken("CameraX out of range", g.CameraX);
  if (g.CameraY != 0) return broken("CameraY is not 0", g.CameraY);
  for (int i = 0; i < ActorCount; ++i) {
    const Picture& p = g.scene.imgEm[i];
    if (Behaviour[i] == Glider) {
      if (g.PosX[i] < -p.width || g.PosX[i] > WorldWidth) {
        return broken("a glider's PosX out of range", i, g.PosX[i]);
      }
    } else if (g.PosX[i] < 0 || g.PosX[i] > WorldWidth - p.width) {
      return broken("PosX out of range", i, g.PosX[i]);
    }
    if (g.PosY[i] > WorldHeight - p.height - GroundMargin) {
      return broken("PosY below the ground", i, g.PosY[i]);
    }
    if (g.Facing[i] != 0 && g.Facing[i] != 1) return broken("Facing is neither 0 nor 1", i);
  }
  if (g.GameState == StatePlaying && g.TickCount >= 100) {
    return broken("TickCount too high while playing", g.TickCount);
  }
  if (g.GameState == StateOutcome && g.TickCount >= 60) {
    return broken("TickCount too high in the outcome", g.TickCount);
  }
  return {};
}

}  // namespace skelvar::testing
