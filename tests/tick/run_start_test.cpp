// A run's start: every field the walk names is counted, a start taken from a game that has played
// comes back whole on a fresh game, and values no game takes are refused.
#include "tick/run_start.h"

#include <gtest/gtest.h>

#include "game/start_fields.h"
#include "test_support.h"

namespace skelvar::tick {
namespace {

using testing::Harness;

TEST(RunStart, ATakenStartComesBackWholeOnAFreshGame) {
  Harness played(1000, 700);
  int walked = 0;
  start_fields::Visit(*played.game, [&](auto&) { ++walked; });
  EXPECT_EQ(walked, StartFieldCount);

  // A first run left by a contact's outcome, a resize, a key held by a controller and the mouse
  // armed: then a click on the outcome picture starts the next run.
  TGameMain& g = *played.game;
  g.FormKeyDown(VK_UP);
  g.timGameTimer();
  g.FormKeyUp(VK_UP);
  for (int k = 0; k < 400 && g.GameState == StatePlaying; ++k) {
    g.FormKeyDown(VK_RIGHT);
    g.timGameTimer();
  }
  for (int k = 0; k < 30; ++k) g.timGameTimer();
  ASSERT_EQ(g.GameState, StateOutcome);
  g.scene.window.clientWidth = 1100;
  g.FormResize();
  g.SourceKeyDown(3, VK_LEFT);
  g.MouseMove(500, 300);
  g.MouseMove(520, 300);
  const Picture over = g.scene.imgOver;
  g.MouseClick(over.left + g.scene.pnlGame.left + 5, over.top + g.scene.pnlGame.top + 5);
  ASSERT_EQ(g.GameState, StatePlaying);

  const RunStart start = CaptureRunStart(g, played.measurer, ShippedCatalogue(), 1100, 700);
  EXPECT_GT(start.fieldCount, 5) << "the outcome picture, the layout and the keys carry over";
  EXPECT_EQ(RunStartOutOfRange(start), "");
  Harness fresh(1100, 700);
  Mt19937Random random;
  random.Seed(1);
  ApplyRunStart(*fresh.game, random, start);
  EXPECT_EQ(ReadStartFields(*fresh.game), ReadStartFields(g));
  EXPECT_EQ(fresh.game->heldKeys.Mask(3), g.heldKeys.Mask(3));
}

TEST(RunStart, ValuesNoGameTakesAreRefused) {
  const auto refused = [](uint16_t index, int32_t value) {
    RunStart start;
    start.fields[0] = {index, value};
    start.fieldCount = 1;
    return !RunStartOutOfRange(start).empty();
  };
  EXPECT_TRUE(refused(2, 11)) << "an eleventh actor touched";
  EXPECT_FALSE(refused(2, 10));
  EXPECT_TRUE(refused(0, 2'000'000)) << "a place beyond any range";
  EXPECT_TRUE(refused(48, 2)) << "a flag that is neither on nor off";
  // The menu picture's id, the fifth field of its picture after the window's and panels'.
  EXPECT_TRUE(refused(72, ImageCount)) << "a picture the game does not have";
  EXPECT_FALSE(refused(72, ImageCount - 1));
  EXPECT_TRUE(refused(StartFieldCount, 0));
}

}  // namespace
}  // namespace skelvar::tick
