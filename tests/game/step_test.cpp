// One step of play: moving and bounding the actors, the view, placement, chatter and contact.
#include <gtest/gtest.h>

#include "game/texts.h"
#include "test_support.h"

namespace skelvar {
namespace {

using testing::Harness;

TEST(StartOfRun, ActorsStandOnTheirGroundLinesAndTheFirstStepFramesTheGirl) {
  Harness h;
  auto& g = h.g();
  g.MenuCommand('u');
  EXPECT_EQ(g.PosX[0], 1500);
  EXPECT_EQ(g.PosY[0], 379);
  EXPECT_EQ(g.PosY[5], 25) << "the glider floats 290 above its ground";
  EXPECT_EQ(g.PosY[7], 5);
  EXPECT_EQ(g.PosX[5], 0);
  EXPECT_FALSE(g.scene.pnlGame.visible) << "starting a run does not show the stage yet";
  EXPECT_EQ(g.scene.lblMsg.text.view(), StartHint);

  g.GameStep();
  EXPECT_EQ(g.TickCount, 1);
  EXPECT_EQ(g.CameraX, -253) << "target -180 + 417 - 1500 = -1263, a fifth of it";
  EXPECT_EQ(g.CameraY, 0);
  EXPECT_EQ(g.scene.imgBack.left, -197);
  EXPECT_TRUE(g.scene.pnlGame.visible);
  // The label sits centred over the girl, its bottom on her head.
  const Label& l = g.scene.lblMsg;
  EXPECT_EQ(l.top, 379 - l.height);
  EXPECT_EQ(l.left, 1500 - 253 + static_cast<int>((66 / 2.0 - l.width / 2.0)));
  for (int i = 0; i < ActorCount; ++i) {
    EXPECT_EQ(g.scene.imgEm[i].left, g.PosX[i] + g.CameraX);
    EXPECT_EQ(g.scene.imgEm[i].top, g.PosY[i] + g.CameraY);
  }
}

TEST(StartOfRun, TheRevealShowsFrameZeroEvenWhereAWalkerChoseFrameOne) {
  Harness h;
  auto& g = h.g();
  g.MenuCommand('u');
  g.VelX[0] = 30;  // walking on an odd tick would pick frame 1
  g.GameStep();
  EXPECT_EQ(g.scene.imgEm[0].image, FrameImage(0, 0, 0));
  g.GameStep();  // tick 2, even: frame 0 again; tick 3: frame 1
  g.GameStep();
  EXPECT_EQ(g.scene.imgEm[0].image, FrameImage(0, 0, 1));
}

TEST(Integration, TheGliderWrapsAroundTheStage) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  // The glider (340 wide) leaves at one edge and comes back at the other.
  g.PosX[5] = -1;
  g.TickCount = 0;
  g.VelY[5] = 0;
  g.GameStep();  // flies left at 20: -21 >= -340, stays
  EXPECT_EQ(g.PosX[5], -21);
  EXPECT_EQ(g.VelX[5], -20.0);
  g.PosX[5] = -321;  // next -341
  g.GameStep();
  EXPECT_EQ(g.PosX[5], 10000);
  g.PosX[5] = -320;  // next exactly -340: stays
  g.GameStep();
  EXPECT_EQ(g.PosX[5], -340);
  EXPECT_EQ(g.VelX[5], -20.0) << "wrapping never touches the velocity";
}

TEST(Integration, StepsClampTheGirlAtBothEdgesAndRoundHalvesToEven) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  // On the ground a step first applies friction (x0.9, truncated), then moves.
  g.PosX[0] = 10;
  g.VelX[0] = -15;  // friction: -13, next X -3 -> 0 with VelX 0
  g.GameStep();
  EXPECT_EQ(g.PosX[0], 0);
  EXPECT_EQ(g.VelX[0], 0.0);
  g.PosX[0] = 10;
  g.VelX[0] = -11;  // friction: -9, next X 1
  g.GameStep();
  EXPECT_EQ(g.PosX[0], 1);
  EXPECT_EQ(g.VelX[0], -9.0);
  g.PosX[0] = 10;
  g.VelX[0] = -12;  // friction: -10, next X exactly 0: VelX kept
  g.GameStep();
  EXPECT_EQ(g.PosX[0], 0);
  EXPECT_EQ(g.VelX[0], -10.0);
  g.PosX[0] = 9900;
  g.VelX[0] = 40;  // friction: 36, next 9936 -> 9934 with VelX 0
  g.GameStep();
  EXPECT_EQ(g.PosX[0], 9934);
  EXPECT_EQ(g.VelX[0], 0.0);
  g.PosX[0] = 9900;
  g.VelX[0] = 38;  // friction: 34, next exactly 9934: VelX kept
  g.GameStep();
  EXPECT_EQ(g.PosX[0], 9934);
  EXPECT_EQ(g.VelX[0], 34.0);

  // In the air (no friction) halves round to the even neighbour.
  g.PosY[0] = 100;
  for (const auto& [vx, want] : {std::pair{2.5, 102}, {3.5, 104}, {-2.5, 98}}) {
    g.PosX[0] = 100;
    g.VelX[0] = vx;
    g.VelY[0] = 0.5;  // falling slowly: 0.5 / 0.7, y stays clear of the floor
    g.PosY[0] = 100;
    g.GameStep();
    EXPECT_EQ(g.PosX[0], want) << vx;
  }
  // The floor: a girl whose next Y passes 379 is put on it, her VelY untouched.
  g.PosY[0] = 370;
  g.VelY[0] = 20;
  g.VelX[0] = 0;
  g.GameStep();
  EXPECT_EQ(g.PosY[0], 379);
  EXPECT_NEAR(g.VelY[0], 20 / 0.7, 1e-9);
}

TEST(Integration, FliersAreBoundByTheFloorLineNotTheirGroundLine) {
  Harness h;
  h.StartRun();
  h.Isolate({5});
  auto& g = h.g();
  // The glider's floor is 500 - 180 - 5 = 315, far below its ground line 25.
  g.PosY[5] = 310;
  g.TickCount = 4;  // the next step has r = 5, the deepest dive (+40)
  g.GameStep();
  EXPECT_EQ(g.PosY[5], 315);
  EXPECT_EQ(g.VelY[5], 40.0);
}

TEST(View, DeadZoneFifthSteps) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  // Girl at 1500 facing right: target = -180 + 417 - 1500 = -1263.
  const auto stepWithGap = [&](int32_t gap) {
    g.CameraX = -1263 - gap;
    g.PosX[0] = 1500;
    g.VelX[0] = 0;
    g.Facing[0] = 0;
    g.GameStep();
    return g.CameraX - (-1263 - gap);
  };
  EXPECT_EQ(stepWithGap(10), 0);
  EXPECT_EQ(stepWithGap(-10), 0);
  EXPECT_EQ(stepWithGap(11), 2);
  EXPECT_EQ(stepWithGap(-13), -3);
  EXPECT_EQ(stepWithGap(-1263), -253);
}

TEST(View, StageEndsHoldTheViewAndTheBackgroundStillFills) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  g.PosX[0] = 0;
  g.CameraX = 0;
  g.GameStep();
  EXPECT_EQ(g.CameraX, 0);
  g.PosX[0] = 9934;
  g.CameraX = -9100;
  g.GameStep();
  EXPECT_EQ(g.CameraX, -9100);
  EXPECT_EQ(g.scene.imgBack.left, -7098);
  EXPECT_GE(g.scene.imgBack.left + 8000, 900);
  // Facing left puts the girl 180 right of centre.
  g.PosX[0] = 5000;
  g.Facing[0] = 1;
  g.VelX[0] = -1;  // keeps facing left through her own behaviour
  g.CameraX = -4000;
  for (int k = 0; k < 60; ++k) {
    g.VelX[0] = -1e-9;
    g.GameStep();
  }
  EXPECT_NEAR(g.CameraX, 180 + 417 - 5000, 10);
  EXPECT_EQ(g.CameraY, 0);
}

TEST(Chatter, RemarksComeAtSixtyAndGoAtNinety) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  for (int t = 2; t < 60; ++t) g.GameStep();
  EXPECT_EQ(g.TickCount, 59);
  EXPECT_EQ(g.scene.lblMsg.text.view(), StartHint);
  g.GameStep();
  const std::string_view remark = g.scene.lblMsg.text.view();
  bool known = false;
  for (auto m : ChatterMessages) known = known || m == remark;
  EXPECT_TRUE(known) << remark;
  EXPECT_EQ(g.scene.lblMsg.width, FixedTextMeasurer().Measure(remark).width);
  for (int t = 61; t < 90; ++t) g.GameStep();
  EXPECT_EQ(g.scene.lblMsg.text.view(), remark);
  g.GameStep();
  EXPECT_EQ(g.TickCount, 90);
  EXPECT_TRUE(g.scene.lblMsg.text.view().empty());
  for (int t = 91; t < 100; ++t) g.GameStep();
  g.GameStep();
  EXPECT_EQ(g.TickCount, 0) << "the counter wraps at 100";
}

TEST(Contact, InsetBoxesAndTheHighestIndexWins) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  // The cat (80 x 70) resting at 5000, 425: the girl's right edge must reach 5008.
  g.PosX[4] = 3000;
  g.PosY[4] = 384;  // the bench, 258 x 111: insets 25.8 and 11.1
  g.PosY[0] = 379;
  g.VelX[0] = 0;
  g.PosX[0] = 3000 + 26 - 66;  // right edge 3026 >= 3025.8: touch
  g.GameStep();
  EXPECT_EQ(g.GameState, StateOutcome);
  EXPECT_EQ(g.HitIndex, 4);
  EXPECT_EQ(g.TickCount, 0);

  Harness h2;
  h2.StartRun();
  h2.Isolate({});
  auto& g2 = h2.g();
  g2.PosX[4] = 3000;
  g2.PosY[4] = 384;
  g2.PosX[0] = 3000 + 25 - 66;  // right edge 3025 < 3025.8: no touch
  g2.GameStep();
  EXPECT_EQ(g2.GameState, StatePlaying);

  // Two touched in one step: the higher index wins.
  Harness h3;
  h3.StartRun();
  h3.Isolate({});
  auto& g3 = h3.g();
  g3.PosX[3] = 4000;
  g3.PosY[3] = 400;
  g3.PosX[6] = 4000;
  g3.PosY[6] = 300;
  g3.PosX[0] = 4000;
  g3.GameStep();
  EXPECT_EQ(g3.GameState, StateOutcome);
  EXPECT_EQ(g3.HitIndex, 6);
}

TEST(Contact, ExactEdgeValuesOfTheInsetBox) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  // A brick pillar 104 x 195 at 4000, 300: inset 10.4 sideways and 19.5 vertically.
  g.PosX[6] = 4000;
  g.PosY[6] = 300;
  g.PosX[0] = 4000 + 104 - 10;  // left edge 4094 > 4093.6: no touch from the right
  g.GameStep();
  EXPECT_EQ(g.GameState, StatePlaying);
  g.PosX[0] = 4000 + 93;  // 4093 <= 4093.6: touch
  g.GameStep();
  EXPECT_EQ(g.GameState, StateOutcome);
  EXPECT_EQ(g.HitIndex, 6);
}

}  // namespace
}  // namespace skelvar
