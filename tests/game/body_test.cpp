// Jump arcs, landing, ground friction and frame choice of the walking characters.
#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace skelvar {
namespace {

using testing::Harness;

TEST(JumpArc, PlayerJumpFromTheGroundRisesSlowsTurnsAndLandsOnTheFifteenthStep) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  ASSERT_EQ(g.PosY[0], 379);
  g.PlayCommand('u');
  EXPECT_EQ(g.VelY[0], -100.0);

  const std::vector<double> vel = {-70,     -49,     -34.3,  -24.01, -16.807, -11.7649, -8.23543,
                                   8.23543, 11.7649, 16.807, 24.01,  34.3,    49,       70};
  const std::vector<int> pos = {309, 260, 226, 202, 185, 173, 165,
                                173, 185, 202, 226, 260, 309, 379};
  for (size_t k = 0; k < vel.size(); ++k) {
    g.GameStep();
    EXPECT_NEAR(g.VelY[0], vel[k], 1e-9) << "step " << k + 1;
    EXPECT_EQ(g.PosY[0], pos[k]) << "step " << k + 1;
    // Airborne the whole way: frame 1, and no jump can be commanded in the air.
    EXPECT_EQ(g.scene.imgEm[0].image, FrameImage(0, 0, 1));
    const double before = g.VelY[0];
    g.PlayCommand('u');
    EXPECT_EQ(g.VelY[0], before);
  }
  g.GameStep();
  EXPECT_EQ(g.VelY[0], 0.0);
  EXPECT_EQ(g.PosY[0], 379);
  EXPECT_EQ(g.scene.imgEm[0].image, FrameImage(0, 0, 0));
}

TEST(JumpArc, HopsOfTheStalkerAndTheEvaderFollowTheSameShape) {
  Harness h;
  h.StartRun();
  auto& g = h.g();

  // Stalker: hop of -50 from its ground line 433.
  g.PosY[8] = 433;
  g.VelY[8] = -50;
  std::vector<int> stalker;
  for (int k = 0; k < 11 && g.VelY[8] != 0.0; ++k) {
    g.ApplyBody(8, 100000);
    g.PosY[8] = static_cast<int32_t>(std::nearbyint(g.PosY[8] + g.VelY[8]));
    if (g.PosY[8] > 433) g.PosY[8] = 433;
    stalker.push_back(g.PosY[8]);
  }
  EXPECT_EQ(stalker, (std::vector<int>{398, 374, 357, 345, 337, 345, 357, 374, 398, 433, 433}));
  EXPECT_EQ(g.VelY[8], 0.0) << "lands at the 11th step";

  // Evader: hop of -105 from 425.
  g.PosY[9] = 425;
  g.VelY[9] = -105;
  std::vector<int> evader;
  for (int k = 0; k < 14; ++k) {
    g.ApplyBody(9, 100000);
    g.PosY[9] = static_cast<int32_t>(std::nearbyint(g.PosY[9] + g.VelY[9]));
    if (g.PosY[9] > 425) g.PosY[9] = 425;
    evader.push_back(g.PosY[9]);
  }
  EXPECT_EQ(evader, (std::vector<int>{352, 301, 265, 240, 222, 210, 201, 210, 222, 240, 265, 301,
                                      352, 425}));
}

TEST(JumpArc, MinusTenIsStillRisingAndAboveItTurns) {
  Harness h;
  h.StartRun();
  auto& g = h.g();
  g.PosY[0] = 200;
  g.VelY[0] = -10;
  g.ApplyBody(0, 0);
  EXPECT_DOUBLE_EQ(g.VelY[0], -7.0);
  g.ApplyBody(0, 0);
  EXPECT_DOUBLE_EQ(g.VelY[0], 7.0);
}

TEST(Friction, WalkersSlowOnTheGroundOnlyAndTruncateTowardZero) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  g.KeyState[VK_RIGHT] = 1;
  h.Tick();
  EXPECT_EQ(g.VelX[0], 27.0) << "held right: 30 from the command, 27 after friction";
  const int x = g.PosX[0];
  h.Tick();
  EXPECT_EQ(g.PosX[0], x + 27);
  g.KeyState[VK_RIGHT] = 0;
  std::vector<double> decay;
  while (g.VelX[0] != 0.0) {
    h.Tick();
    decay.push_back(g.VelX[0]);
  }
  EXPECT_EQ(decay, (std::vector<double>{24, 21, 18, 16, 14, 12, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));

  // Negative velocities decay symmetrically.
  g.VelX[0] = -27;
  g.ApplyBody(0, 0);
  EXPECT_EQ(g.VelX[0], -24.0);

  // In the air nothing slows the run: 30 per step, until the landing step.
  g.PosY[0] = 300;
  g.VelX[0] = 30;
  g.VelY[0] = 20;
  g.ApplyBody(0, 0);
  EXPECT_EQ(g.VelX[0], 30.0);
  g.PosY[0] = 379;
  g.ApplyBody(0, 0);
  EXPECT_EQ(g.VelY[0], 0.0);
  EXPECT_EQ(g.VelX[0], 27.0) << "friction applies on the landing step";
}

TEST(Frames, WalkersStandWalkAndFlyWithTheRightPicture) {
  Harness h;
  h.StartRun();
  auto& g = h.g();
  g.VelY[0] = 0;
  g.VelX[0] = 0;
  g.TickCount = 7;
  g.ApplyBody(0, 0);
  EXPECT_EQ(g.scene.imgEm[0].image, FrameImage(0, 0, 0)) << "standing";
  g.VelX[0] = -30;
  g.Facing[0] = 1;
  g.TickCount = 8;
  g.ApplyBody(0, 0);
  EXPECT_EQ(g.scene.imgEm[0].image, FrameImage(0, 1, 0)) << "walking, even tick";
  g.VelX[0] = -30;
  g.TickCount = 9;
  g.ApplyBody(0, 0);
  EXPECT_EQ(g.scene.imgEm[0].image, FrameImage(0, 1, 1)) << "walking, odd tick";
  g.VelY[0] = -100;
  g.TickCount = 10;
  g.ApplyBody(0, 0);
  EXPECT_EQ(g.scene.imgEm[0].image, FrameImage(0, 1, 1)) << "airborne";

  // Out of animation range (farther than 900 + w) the picture stays as it is, physics still run.
  g.VelY[8] = 0;
  g.VelX[8] = 20;
  g.TickCount = 1;
  g.scene.imgEm[8].image = FrameImage(8, 0, 0);
  g.ApplyBody(8, 1001);
  EXPECT_EQ(g.scene.imgEm[8].image, FrameImage(8, 0, 0));
  EXPECT_EQ(g.VelX[8], 18.0);
  g.ApplyBody(8, 1000);
  EXPECT_EQ(g.scene.imgEm[8].image, FrameImage(8, 0, 1));
}

TEST(Frames, TheSwooperFlapsEveryFiveStepsWithinRange) {
  Harness h;
  h.StartRun();
  auto& g = h.g();
  const int32_t reach = 900 + 260;
  for (int t = 0; t < 40; ++t) {
    g.TickCount = t;
    const ImageId before = g.scene.imgEm[7].image;
    g.ApplyBody(7, reach);
    if (t % 10 == 0) {
      EXPECT_EQ(g.scene.imgEm[7].image, FrameImage(7, 0, 0)) << t;
    } else if (t % 10 == 5) {
      EXPECT_EQ(g.scene.imgEm[7].image, FrameImage(7, 0, 1)) << t;
    } else {
      EXPECT_EQ(g.scene.imgEm[7].image, before) << t;
    }
  }
  g.TickCount = 5;
  g.scene.imgEm[7].image = FrameImage(7, 0, 0);
  g.ApplyBody(7, reach + 1);
  EXPECT_EQ(g.scene.imgEm[7].image, FrameImage(7, 0, 0)) << "out of range: unchanged";
  // A turn shows at the next of the two moments, with the new facing's picture.
  g.Facing[7] = 1;
  g.TickCount = 10;
  g.ApplyBody(7, 0);
  EXPECT_EQ(g.scene.imgEm[7].image, FrameImage(7, 1, 0));
}

}  // namespace
}  // namespace skelvar
