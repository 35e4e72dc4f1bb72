#include <cstdlib>

#include "arith.h"
#include "game_main.h"

namespace skelvar {
namespace {

void FaceMotion(double velX, int32_t& facing) {
  if (velX > 0) {
    facing = 0;
  } else if (velX < 0) {
    facing = 1;
  }
}

// For an actor that backs away but keeps its eyes on the player.
void FaceAgainstMotion(double velX, int32_t& facing) {
  if (velX < 0) {
    facing = 0;
  } else if (velX > 0) {
    facing = 1;
  }
}

void FacePlayer(int32_t side, int32_t& facing) {
  if (side > 0) {
    facing = 0;
  } else if (side < 0) {
    facing = 1;
  }
}

}  // namespace

void TGameMain::ApplyBehaviour(int i, int32_t distance, int32_t side) {
  const int32_t D = distance;
  const int32_t K = side;
  double& vx = VelX[i];
  double& vy = VelY[i];
  int32_t& facing = Facing[i];
  const bool onGround = vy == 0.0;
  const auto hop = [&] { vy = -Trunc(Jump[i] / 2.0); };

  switch (Behaviour[i]) {
    case PlayerControlled:
      FaceMotion(vx, facing);
      break;

    case Stalker: {
      const double mid0 = PosX[0] + ActorImage(0).width / 2.0;
      const double mid = PosX[i] + ActorImage(i).width / 2.0;
      const bool watched = (mid - mid0) * (2 * Facing[0] - 1) < 0;
      if (watched) {
        if (2 * D <= Range[i] && onGround) {
          vx = -K * Speed[i] * 0.5;
          FaceAgainstMotion(vx, facing);
        }
      } else if (D <= Range[i] && onGround) {
        vx = K * Speed[i];
        if (TickCount % 45 == 0 || D < 2 * Jump[i]) {
          hop();
          happened.Note(Happening::StalkerHopped);
          happened.hopper = static_cast<int8_t>(i);
        }
        FaceMotion(vx, facing);
      }
      break;
    }

    case Evader: {
      if (D > Range[i] || !onGround) break;
      const bool comesAtIt =
          (PosX[i] > PosX[0] && VelX[0] > 0) || (PosX[i] < PosX[0] && VelX[0] < 0);
      if (D < Jump[i] && comesAtIt) {
        if (VelY[0] != 0.0) {
          // The player is in the air: dash underneath, against her direction of travel.
          vx = VelX[0] > 0 ? -Speed[i] : Speed[i];
        } else {
          vx = K * Speed[i];
          hop();
        }
        FaceMotion(vx, facing);
      } else {
        vx = -K * Speed[i];
        if (vx != 0.0) {
          if (D <= 0.6 * Range[i]) {
            FaceMotion(vx, facing);
          } else {
            FaceAgainstMotion(vx, facing);
          }
        }
      }
      break;
    }

    case Glider: {
      vx = 0.0;
      if (D <= Range[i]) {
        vx = Speed[i];
        FaceMotion(vx, facing);
      }
      // A triangle wave: sinks for ten steps, rises the same amount for ten.
      const int32_t r = TickCount % 20;
      if (r < 10) {
        vy = RoundEven((5 - std::abs(5 - r)) * Jump[i] / 5.0);
      } else {
        vy = -RoundEven((5 - std::abs(15 - r)) * Jump[i] / 5.0);
      }
      break;
    }

    case Swooper: {
      const int32_t r = TickCount % 50;
      const int32_t dir = 1 - 2 * facing;
      vx = 0.0;
      if (D <= Range[i]) {
        if (r <= 24) {
          vx = dir * Speed[i] * 0.7;
          FacePlayer(K, facing);
        } else if (r <= 34) {
          FacePlayer(K, facing);
        } else if (r <= 44) {
          vx = dir * Speed[i];
        } else {
          vx = dir * Speed[i] * 0.3;
        }
      }
      vy = 0.0;
      if (r >= 35 && r <= 39) {
        vy = Jump[i];
        if (r == 35) {
          happened.Note(Happening::SwooperDived);
          happened.diver = static_cast<int8_t>(i);
        }
      } else if (r >= 45) {
        vy = -Jump[i];
      }
      break;
    }

    default:
      break;
  }
}

}  // namespace skelvar
