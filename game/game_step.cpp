#include <cstdlib>

#include "arith.h"
#include "game_main.h"
#include "texts.h"

namespace skelvar {
namespace {

// One axis of the view: it closes a fifth of its distance to the target once that is beyond the
// dead zone, and never shows anything outside the stage (0 wins if the panel is the wider).
int32_t FollowAxis(int32_t camera, int32_t target, int32_t slack, int32_t lowest) {
  const int32_t gap = target - camera;
  int32_t c = camera;
  if (gap < -slack || gap > slack) c = camera + RoundEven(gap / 5.0);
  if (c < lowest) c = lowest;
  if (c > 0) c = 0;
  return c;
}

// The actors that move by themselves or change their frames, in order: the others have nothing
// to decide, so the step does not work out how far from the girl they stand.
constexpr bool Decides(int i) {
  return Behaviour[i] != Still || AnimMode[i] != NoAnimation;
}
constexpr int DecidingCount = [] {
  int n = 0;
  for (int i = 0; i < ActorCount; ++i) n += Decides(i) ? 1 : 0;
  return n;
}();
constexpr std::array<int, DecidingCount> DecidingActors = [] {
  std::array<int, DecidingCount> actors{};
  int n = 0;
  for (int i = 0; i < ActorCount; ++i) {
    if (Decides(i)) actors[static_cast<size_t>(n++)] = i;
  }
  return actors;
}();

}  // namespace

void TGameMain::GameStep() {
  TickCount = (TickCount + 1) % 100;
  happened.Note(Happening::Stepped);

  // Every actor decides on the positions the previous step left; only then does anyone move.
  for (const int i : DecidingActors) {
    // The middles PosX + width / 2.0 are whole or halves, so they are compared doubled, in
    // integers, and rounded to the even neighbour by RoundEvenHalfSum, as the doubles would be.
    const int32_t w0 = ActorImage(0).width, w = ActorImage(i).width;
    const int32_t distance = std::abs(RoundEvenHalfSum(PosX[i], w) - RoundEvenHalfSum(PosX[0], w0));
    const int64_t mid0Doubled = 2 * int64_t{PosX[0]} + w0;
    int32_t side = 0;
    if (mid0Doubled < 2 * int64_t{PosX[i]}) {
      side = -1;
    } else if (mid0Doubled > 2 * (int64_t{PosX[i]} + w)) {
      side = 1;
    }
    ApplyBehaviour(i, distance, side);
    ApplyBody(i, distance);
  }

  for (int i = 0; i < ActorCount; ++i) {
    const int32_t w = ActorImage(i).width;
    int32_t x = RoundEven(PosX[i] + VelX[i]);
    int32_t y = RoundEven(PosY[i] + VelY[i]);
    if (Behaviour[i] == Glider) {
      // Fliers leave one edge of the stage and come back at the other.
      if (x < -w) x = WorldWidth;
      if (x > WorldWidth) x = -w;
    } else {
      if (x < 0) {
        x = 0;
        VelX[i] = 0.0;
      }
      if (x > WorldWidth - w) {
        x = WorldWidth - w;
        VelX[i] = 0.0;
      }
    }
    const int32_t floor = FloorLine(i);
    if (y >= floor) y = floor;
    PosX[i] = x;
    PosY[i] = y;
  }

  if (TickCount == 90) {
    SetLabelText("");
  } else if (TickCount == 60) {
    SetLabelText(ChatterMessages[random_.Below(static_cast<int32_t>(ChatterMessages.size()))]);
    happened.Note(Happening::RemarkShown);
  }

  const int32_t W = scene.pnlGame.width;
  const int32_t H = scene.pnlGame.height;
  const Picture& player = ActorImage(0);
  // The view leads the player so that more of the stage ahead of her is visible.
  const int32_t lead = RoundEven(0.2 * W) * (2 * Facing[0] - 1);
  const int32_t targetX = lead + Trunc(W / 2.0 - player.width / 2.0) - PosX[0];
  CameraX = FollowAxis(CameraX, targetX, CameraSlackX, W - WorldWidth);
  const int32_t targetY = Trunc(H / 2.0 - player.height / 2.0) - PosY[0];
  CameraY = FollowAxis(CameraY, targetY, CameraSlackY, H - WorldHeight);

  // The background is farther away and scrolls slower than the stage.
  scene.imgBack.left = RoundEven(CameraX * 0.78);
  scene.imgBack.top = CameraY;

  Label& label = scene.lblMsg;
  label.left = PosX[0] + CameraX + Trunc(player.width / 2.0 - label.width / 2.0);
  label.top = PosY[0] + CameraY - label.height;

  for (int i = 0; i < ActorCount; ++i) {
    ActorImage(i).left = PosX[i] + CameraX;
    ActorImage(i).top = PosY[i] + CameraY;
  }

  const double w0 = player.width, h0 = player.height;
  for (int i = FirstEnemy; i < ActorCount; ++i) {
    const double wi = ActorImage(i).width, hi = ActorImage(i).height;
    const bool touch = PosX[0] + w0 >= PosX[i] + 0.1 * wi && PosY[0] + h0 >= PosY[i] + 0.1 * hi &&
                       PosX[0] <= PosX[i] + wi - 0.1 * wi && PosY[0] <= PosY[i] + hi - 0.1 * hi;
    if (touch) {
      HitIndex = i;
      GameState = StateOutcome;
      TickCount = 0;
      happened.Note(Happening::Contact);
    }
  }

  // The first step shows the stage only once everything on it has been placed.
  if (!scene.pnlGame.visible) {
    for (int i = 0; i < ActorCount; ++i) ShowFrame(i, 0);
    scene.pnlGame.visible = true;
  }
}

}  // namespace skelvar
