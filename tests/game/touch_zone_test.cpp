// The thumb zones of the touch screen over the play area and the bands beside it.
#include "game/touch_zone.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace skelvar {
namespace {

using testing::Harness;

TEST(TouchZone, QuartersBandsAndTheMiddleFollowThePlayArea) {
  // A wide client, as a phone held sideways gives: the play area (900 x 500) is centred with
  // bands of 150 on each side.
  Harness h(1200, 560);
  // At the menu the title covers the window: every tap is a click on it.
  EXPECT_EQ(TouchZoneAt(h.g(), 10, 10), TouchZone::Click);
  EXPECT_EQ(TouchZoneAt(h.g(), 600, 280), TouchZone::Click);

  h.StartRun();
  const Panel& stage = h.g().scene.pnlGame;
  ASSERT_EQ(stage.left, 150);
  ASSERT_EQ(stage.top, 30);
  const int32_t mid = stage.top + 250;
  // The left quarter ends strictly before 150 + 225, the right starts strictly after 150 + 675.
  EXPECT_EQ(TouchZoneAt(h.g(), 150, mid), TouchZone::Left);
  EXPECT_EQ(TouchZoneAt(h.g(), 374, mid), TouchZone::Left);
  EXPECT_EQ(TouchZoneAt(h.g(), 375, mid), TouchZone::Middle);
  EXPECT_EQ(TouchZoneAt(h.g(), 825, mid), TouchZone::Middle);
  EXPECT_EQ(TouchZoneAt(h.g(), 826, mid), TouchZone::Right);
  EXPECT_EQ(TouchZoneAt(h.g(), 1049, mid), TouchZone::Right);
  // The bands, at any height, even above and below the play area.
  for (int32_t y : {0, 5, mid, 545, 559}) {
    EXPECT_EQ(TouchZoneAt(h.g(), 0, y), TouchZone::Left) << y;
    EXPECT_EQ(TouchZoneAt(h.g(), 149, y), TouchZone::Left) << y;
    EXPECT_EQ(TouchZoneAt(h.g(), 1050, y), TouchZone::Right) << y;
    EXPECT_EQ(TouchZoneAt(h.g(), 1199, y), TouchZone::Right) << y;
  }
  // Above or below the middle of the play area there is nothing to do.
  EXPECT_EQ(TouchZoneAt(h.g(), 600, 10), TouchZone::None);
  EXPECT_EQ(TouchZoneAt(h.g(), 600, 540), TouchZone::None);
  // The outcome: the picture is a click target at once; the stage only once the sequence ends.
  h.g().PosX[0] = h.g().PosX[1];
  h.g().PosY[0] = h.g().PosY[1];
  for (int i = 0; i < 5 && h.g().GameState == StatePlaying; ++i) h.Tick();
  ASSERT_EQ(h.g().GameState, StateOutcome);
  for (int i = 0; i < 70 && h.g().GameState == StateOutcome; ++i) {
    h.Tick();
    const Picture& over = h.g().scene.imgOver;
    const int32_t ox = stage.left + over.left + over.width / 2;
    const int32_t oy = stage.top + over.top + over.height / 2;
    if (over.visible && over.width > 0 && oy >= stage.top && oy < stage.top + stage.height) {
      EXPECT_EQ(TouchZoneAt(h.g(), ox, oy), TouchZone::Click);
    }
    if (h.g().GameState == StateOutcome) {
      EXPECT_NE(TouchZoneAt(h.g(), 160, mid), TouchZone::Click);
    }
  }
  ASSERT_EQ(h.g().GameState, StateFinished);
  EXPECT_EQ(TouchZoneAt(h.g(), 160, stage.top + 5), TouchZone::Click);
  EXPECT_EQ(TouchZoneAt(h.g(), 100, mid), TouchZone::None) << "the band is not the stage";
}

}  // namespace
}  // namespace skelvar
