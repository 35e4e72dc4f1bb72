// The stage, its eleven characters and the fixed numbers the play logic is built on.
#pragma once

#include <array>
#include <cstdint>

namespace skelvar {

inline constexpr int32_t WorldWidth = 10000;
inline constexpr int32_t WorldHeight = 500;
inline constexpr int32_t CameraSlackX = 10;
inline constexpr int32_t CameraSlackY = 10;
inline constexpr int32_t GroundMargin = 5;
inline constexpr int32_t FirstEnemy = 1;
inline constexpr int32_t ActorCount = 11;

using ActorRow = std::array<int32_t, ActorCount>;

// One column per actor: 0 is the girl, 9 the cat she chases, the rest end the run when touched.
inline constexpr ActorRow StartX = {1500, 3100, 9750, 2500, 5800, 0, 4200, 8000, 5400, 9900, 9000};
inline constexpr ActorRow StartHeight = {0, 0, 0, 0, 0, 290, 0, 260, 0, 0, 0};
inline constexpr ActorRow Speed = {30, 0, 0, 0, 0, -20, 0, 50, 22, 28, 0};
inline constexpr ActorRow Jump = {200, 0, 0, 0, 0, 40, 0, 40, 100, 210, 0};
inline constexpr ActorRow Behaviour = {1, 0, 0, 0, 0, 4, 0, 5, 2, 3, 0};
inline constexpr ActorRow AnimMode = {2, 0, 0, 0, 0, 0, 0, 1, 2, 2, 0};
inline constexpr ActorRow Outcome = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
inline constexpr ActorRow Range = {0, 0, 0, 0, 0, 10000, 0, 1000, 800, 400, 0};

enum BehaviourKind : int32_t {
  Still = 0,
  PlayerControlled = 1,
  Stalker = 2,
  Evader = 3,
  Glider = 4,
  Swooper = 5,
};

enum AnimModeKind : int32_t {
  NoAnimation = 0,
  TwoFrameCycle = 1,
  Walker = 2,
};

// Windows virtual-key codes of the seven keys the game watches.
inline constexpr int VK_RETURN = 13;
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_SPACE = 32;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
// Keys the game does not watch but that still switch mouse steering off: Backspace, Tab, Shift,
// Ctrl and Alt; letters and digits are their upper-case character, F1 to F12 run on from VK_F1.
inline constexpr int VK_BACK = 8;
inline constexpr int VK_TAB = 9;
inline constexpr int VK_SHIFT = 16;
inline constexpr int VK_CONTROL = 17;
inline constexpr int VK_MENU = 18;
inline constexpr int VK_F1 = 112;
inline constexpr std::array<int, 7> WatchedKeys = {VK_RETURN, VK_ESCAPE, VK_SPACE, VK_LEFT,
                                                   VK_UP,     VK_RIGHT,  VK_DOWN};

constexpr bool IsWatchedKey(int code) {
  for (int k : WatchedKeys) {
    if (k == code) return true;
  }
  return false;
}

}  // namespace skelvar
