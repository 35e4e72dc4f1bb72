// The menu, a run, the outcome sequence and the way back, driven through the game timer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "game/texts.h"
#include "test_support.h"

namespace skelvar {
namespace {

using testing::Harness;

// Runs the girl into actor i (a still obstacle unless told otherwise) and returns after the
// contact step.
void Collide(Harness& h, int i) {
  h.StartRun();
  h.Isolate({i});
  auto& g = h.g();
  g.PosX[i] = 4000;
  g.PosY[i] = WorldHeight - g.scene.imgEm[i].height - GroundMargin;
  g.PosX[0] = 4000;
  h.Tick();
  ASSERT_EQ(g.GameState, StateOutcome);
  ASSERT_EQ(g.HitIndex, i);
}

TEST(Outcome, PicturesSlideInAndOutOnTheirTicks) {
  Harness h;
  Collide(h, 4);
  auto& g = h.g();
  const Picture& over = g.scene.imgOver;
  const Shape& frame = g.scene.shpOver;
  const Label& label = g.scene.lblMsg;
  const int32_t frozenTop = over.top;
  for (int k = 1; k <= 4; ++k) {
    h.Tick();
    EXPECT_EQ(g.TickCount, k);
    EXPECT_EQ(over.top, frozenTop);
  }
  h.Tick();  // 5
  EXPECT_EQ(over.image, OutcomeImage(4, 0));
  EXPECT_TRUE(over.visible);
  EXPECT_EQ(over.left, 250);
  EXPECT_EQ(over.top, 500);
  EXPECT_EQ(frame.left, 249);
  EXPECT_EQ(frame.width, 402);
  EXPECT_EQ(frame.height, 402);
  EXPECT_EQ(frame.top, 499);
  bool isOverCry = false;
  for (auto c : OverCries) isOverCry = isOverCry || label.text == c;
  EXPECT_TRUE(isOverCry) << label.text.view();
  EXPECT_EQ(label.left, static_cast<int32_t>(450 - label.width / 2.0));
  for (int k = 6; k <= 15; ++k) {
    h.Tick();
    EXPECT_EQ(over.top, 500 - 45 * (k - 5)) << k;
    EXPECT_EQ(frame.top, over.top - 1);
    EXPECT_EQ(label.top, over.top + 400 - 2 * label.height);
  }
  for (int k = 16; k <= 34; ++k) {
    h.Tick();
    EXPECT_EQ(over.top, 50) << k;
  }
  for (int k = 35; k <= 44; ++k) {
    h.Tick();
    EXPECT_EQ(over.top, 50 - 45 * (k - 35)) << k;
  }
  h.Tick();  // 45
  EXPECT_EQ(over.image, OutcomeImage(4, 1));
  EXPECT_EQ(over.top, -400);
  EXPECT_EQ(label.text.view(), ResultTexts[0]);
  for (int k = 46; k <= 55; ++k) {
    h.Tick();
    EXPECT_EQ(over.top, 500 - 45 * (k - 45)) << k;
  }
  for (int k = 56; k <= 59; ++k) {
    h.Tick();
    EXPECT_EQ(over.top, 50);
    EXPECT_EQ(g.GameState, StateOutcome);
  }
  h.Tick();
  EXPECT_EQ(g.TickCount, 60);
  EXPECT_EQ(g.GameState, StateFinished);
  h.Tick();
  EXPECT_EQ(g.TickCount, 60) << "nothing runs once finished";
}

TEST(Outcome, CatchingTheCatShowsTheClearTimeInWholeSeconds) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  // About 80 s of play, then the girl lands right on the cat.
  h.clock.Advance(80.0);
  g.PosX[9] = 6000;
  g.PosY[9] = 425;
  g.PosX[0] = 6000;
  g.VelX[0] = 0;
  g.VelY[0] = 0;
  h.Tick();
  ASSERT_EQ(g.GameState, StateOutcome);
  ASSERT_EQ(g.HitIndex, 9);
  for (int k = 1; k <= 5; ++k) h.Tick();
  bool isClearCry = false;
  for (auto c : ClearCries) isClearCry = isClearCry || g.scene.lblMsg.text == c;
  EXPECT_TRUE(isClearCry);
  for (int k = 6; k <= 45; ++k) h.Tick();
  EXPECT_EQ(g.scene.lblMsg.text.view(), "ゲームクリア！ （クリアタイム：82秒）");
  EXPECT_EQ(g.scene.lblMsg.left, static_cast<int32_t>(450 - g.scene.lblMsg.width / 2.0));
}

TEST(Outcome, TheClearTimeIgnoresWallClockJumps) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  h.clock.Advance(10.0);
  h.clock.days += 1.0 / 24;  // summer time begins mid-run
  g.PosX[9] = 6000;
  g.PosY[9] = 425;
  g.PosX[0] = 6000;
  h.Tick();
  ASSERT_EQ(g.HitIndex, 9);
  h.clock.days -= 2.0 / 24;  // and the clock is then set back two hours
  for (int k = 1; k <= 45; ++k) h.Tick();
  EXPECT_EQ(g.scene.lblMsg.text.view(), "ゲームクリア！ （クリアタイム：12秒）");
}

TEST(Flow, EscapeDependsOnTheState) {
  Harness h;
  auto& g = h.g();
  g.FormKeyDown(VK_ESCAPE);
  g.timGameTimer();
  EXPECT_TRUE(g.Closed()) << "Esc at the menu closes the window";

  Harness h2;
  auto& g2 = h2.g();
  h2.StartRun();
  const int32_t tc = g2.TickCount;
  g2.FormKeyDown(VK_ESCAPE);
  h2.Tick();
  EXPECT_EQ(g2.GameState, StateMenu);
  EXPECT_EQ(g2.TickCount, tc) << "no step in the tick that returned to the menu";
  EXPECT_TRUE(g2.scene.pnlMenu.visible);
  EXPECT_FALSE(g2.scene.pnlGame.visible);
  EXPECT_FALSE(g2.Closed());

  Harness h3;
  Collide(h3, 3);
  auto& g3 = h3.g();
  g3.FormKeyDown(VK_ESCAPE);
  h3.Tick();
  EXPECT_EQ(g3.GameState, StateOutcome) << "ignored during the sequence";
  EXPECT_EQ(g3.KeyState[VK_ESCAPE], 1);
  for (int k = 2; k <= 60; ++k) h3.Tick();
  EXPECT_EQ(g3.GameState, StateFinished);
  h3.Tick();
  EXPECT_EQ(g3.GameState, StateMenu) << "the key still held returns to the menu once finished";
}

TEST(Flow, UpAndRightAtTheMenuStartOneRunAndStepItAtOnce) {
  Harness h;
  auto& g = h.g();
  g.FormKeyDown(VK_UP);
  g.FormKeyDown(VK_RIGHT);
  h.Tick();
  EXPECT_EQ(g.GameState, StatePlaying);
  EXPECT_EQ(g.TickCount, 1);
  EXPECT_EQ(g.VelX[0], 0.0) << "the cleared table silenced Right";
  EXPECT_EQ(std::count(g.KeyState.begin(), g.KeyState.end(), 1), 0);
  g.FormKeyDown(VK_RIGHT);  // the key repeat
  h.Tick();
  EXPECT_EQ(g.VelX[0], 27.0);
}

TEST(Flow, PollingOrderAndCommandEffects) {
  Harness h;
  h.StartRun();
  h.Isolate({});
  auto& g = h.g();
  g.FormKeyDown(VK_LEFT);
  g.FormKeyDown(VK_RIGHT);
  h.Tick();
  EXPECT_EQ(g.VelX[0], 27.0) << "Right wins over Left";
  g.FormKeyUp(VK_RIGHT);
  h.Tick();
  EXPECT_EQ(g.VelX[0], -27.0);
  g.FormKeyUp(VK_LEFT);
  g.FormKeyDown(VK_SPACE);
  g.FormKeyDown(VK_RETURN);
  h.Tick();
  EXPECT_DOUBLE_EQ(g.VelY[0], -70.0) << "a single jump however many jump keys";
  // Unknown commands and commands in the wrong state do nothing.
  const auto before = g.VelX;
  g.PlayCommand('x');
  g.MenuCommand('x');
  EXPECT_EQ(g.VelX, before);
  EXPECT_EQ(g.GameState, StatePlaying);
  // Key-up of an unwatched key and key-down of one leave the table alone.
  g.FormKeyDown(65);
  g.FormKeyUp(65);
  EXPECT_EQ(g.KeyState[65], 0);
}

TEST(Flow, ClicksAndMouseSteering) {
  Harness h;  // client 944 x 542: play area at 22, 21
  auto& g = h.g();
  g.MouseClick(5, 5);  // the menu picture fills the menu panel
  EXPECT_EQ(g.GameState, StatePlaying);
  h.Tick();
  h.Isolate({});
  h.Tick();  // the pictures move to where the isolated actors now are
  ASSERT_EQ(g.scene.HitTest(100, 100), ComponentId::imgBack);
  g.MouseClick(100, 100);
  EXPECT_EQ(g.VelY[0], -100.0) << "a click on the stage jumps";

  // Steering needs arming by a horizontal move first.
  EXPECT_FALSE(g.MouseMoved);
  g.MouseMove(30, 100);
  EXPECT_TRUE(g.MouseMoved);
  EXPECT_EQ(g.VelX[0], 0.0) << "the arming move does not steer";
  g.MouseMove(30, 120);  // purely vertical, but now armed: steers
  EXPECT_EQ(g.VelX[0], -30.0);
  // Zones: left of 22 + 225, right of 22 + 675, strictly.
  g.MouseMove(22 + 225, 100);
  g.VelX[0] = 0;
  g.MouseMove(22 + 225, 100);
  EXPECT_EQ(g.VelX[0], 0.0);
  g.MouseMove(22 + 675, 100);
  EXPECT_EQ(g.VelX[0], 0.0);
  g.MouseMove(22 + 676, 100);
  EXPECT_EQ(g.VelX[0], 30.0);
  g.MouseMove(22 + 224, 100);
  EXPECT_EQ(g.VelX[0], -30.0);

  // Any key disarms; a vertical move does not re-arm; a horizontal one does without steering.
  g.FormKeyDown(16);
  EXPECT_FALSE(g.MouseMoved);
  g.VelX[0] = 0;
  g.MouseMove(22 + 224, 130);
  EXPECT_FALSE(g.MouseMoved);
  g.MouseMove(30, 130);
  EXPECT_TRUE(g.MouseMoved);
  EXPECT_EQ(g.VelX[0], 0.0);
  EXPECT_EQ(g.LastMouseX, 30);

  // Over an actor's picture or the label the mouse does nothing. Let the view settle on her.
  for (int k = 0; k < 40; ++k) h.Tick();
  const Picture& girl = g.scene.imgEm[0];
  const int32_t gx = g.scene.pnlGame.left + girl.left + 5;
  const int32_t gy = g.scene.pnlGame.top + girl.top + 60;
  EXPECT_EQ(g.scene.HitTest(gx, gy), ComponentId::imgEm00);
  g.VelY[0] = 0;
  g.MouseClick(gx, gy);
  EXPECT_EQ(g.VelY[0], 0.0);
}

TEST(Flow, TheMouseAfterTheOutcome) {
  Harness h;
  Collide(h, 1);
  auto& g = h.g();
  g.MouseClick(100, 100);  // the stage during the sequence: nothing
  EXPECT_EQ(g.GameState, StateOutcome);
  for (int k = 0; k < 60; ++k) h.Tick();
  ASSERT_EQ(g.GameState, StateFinished);
  // A click on the outcome picture starts a new run at once, without the menu.
  const int32_t x = g.scene.pnlGame.left + g.scene.imgOver.left + 200;
  const int32_t y = g.scene.pnlGame.top + g.scene.imgOver.top + 10;
  ASSERT_EQ(g.scene.HitTest(x, y), ComponentId::imgOver);
  g.MouseClick(x, y);
  EXPECT_EQ(g.GameState, StatePlaying);
  EXPECT_FALSE(g.scene.pnlMenu.visible);
  EXPECT_TRUE(g.scene.pnlGame.visible);
  EXPECT_EQ(g.scene.imgOver.top, 500);

  // A steering move when finished returns to the menu.
  Harness h2;
  Collide(h2, 1);
  auto& g2 = h2.g();
  for (int k = 0; k < 60; ++k) h2.Tick();
  g2.MouseMove(40, 100);
  g2.MouseMove(30, 100);
  EXPECT_EQ(g2.GameState, StateMenu);
}

TEST(Flow, SteeringZonesFollowThePlayAreaAndAStageClickEndsAFinishedRun) {
  Harness h(1200, 700);  // play area at 150, 100
  h.StartRun();
  h.Isolate({});
  h.Tick();
  auto& g = h.g();
  ASSERT_EQ(g.scene.pnlGame.left, 150);
  g.MouseMove(500, 300);  // arms
  g.VelX[0] = 0;
  g.MouseMove(150 + 225, 300);
  EXPECT_EQ(g.VelX[0], 0.0);
  g.MouseMove(150 + 224, 300);
  EXPECT_EQ(g.VelX[0], -30.0);
  g.scene.window.clientWidth = 900;
  g.FormResize();
  ASSERT_EQ(g.scene.pnlGame.left, 0);
  g.VelX[0] = 0;
  g.MouseMove(230, 300);
  EXPECT_EQ(g.VelX[0], 0.0) << "225 and beyond is the calm middle now";
  g.MouseMove(680, 300);
  EXPECT_EQ(g.VelX[0], 30.0);

  Harness h2;
  Collide(h2, 2);
  auto& g2 = h2.g();
  for (int k = 0; k < 60; ++k) h2.Tick();
  ASSERT_EQ(g2.GameState, StateFinished);
  ASSERT_EQ(g2.scene.HitTest(30, 30), ComponentId::imgBack);
  g2.MouseClick(30, 30);
  EXPECT_EQ(g2.GameState, StateMenu);
  EXPECT_TRUE(g2.scene.pnlMenu.visible);
  EXPECT_FALSE(g2.scene.pnlGame.visible);
}

}  // namespace
}  // namespace skelvar
