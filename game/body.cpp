#include <cmath>

#include "game_main.h"

namespace skelvar {

void TGameMain::ApplyBody(int i, int32_t distance) {
  const bool inAnimationRange = distance <= scene.pnlGame.width + ActorImage(i).width;
  switch (AnimMode[i]) {
    case TwoFrameCycle:
      if (inAnimationRange) {
        if (TickCount % 10 == 0) {
          ShowFrame(i, 0);
        } else if (TickCount % 10 == 5) {
          ShowFrame(i, 1);
        }
      }
      break;

    case Walker: {
      double& vy = VelY[i];
      double& vx = VelX[i];
      if (vy == 0.0) {
        // On the ground.
      } else if (vy > -10.0 && vy < 0.0) {
        vy = -vy;  // the top of the arc: fall as fast as it last rose
      } else if (vy > 0.0 && PosY[i] >= GroundLine(i)) {
        vy = 0.0;  // landed
        if (i == 0) happened.Note(Happening::Landed);
      } else if (vy < 0.0) {
        vy = vy * 0.7;
      } else {
        vy = vy / 0.7;
      }
      if (vy == 0.0) vx = std::trunc(vx * 0.9);
      if (inAnimationRange) {
        if (vy != 0.0) {
          ShowFrame(i, 1);
        } else if (vx == 0.0) {
          ShowFrame(i, 0);
        } else {
          ShowFrame(i, TickCount % 2 == 0 ? 0 : 1);
        }
      }
      break;
    }

    default:
      break;
  }
}

}  // namespace skelvar
