// Start-up, the fade-in, the layout of the panels and the scene's own rules.
#include <gtest/gtest.h>

#include <span>
#include <string>

#include "game/texts.h"
#include "test_support.h"

namespace skelvar {
namespace {

using testing::Harness;
using testing::ManualClock;
using testing::ScriptedRandom;

TEST(Startup, BindsEveryPictureAndSizesTheActorsFromTheirFirstFrames) {
  Harness h;
  auto& g = h.g();
  EXPECT_EQ(ImageName(g.Frame0Pictures[0]), "imgEm0000");
  EXPECT_EQ(ImageName(g.Frame0Pictures[11]), "imgEm0010");
  EXPECT_EQ(ImageName(g.Frame1Pictures[0]), "imgEm0001");
  EXPECT_EQ(ImageName(g.Frame1Pictures[11]), "imgEm0011");
  EXPECT_EQ(ImageName(g.Frame0Pictures[10]), "imgEm1000");
  EXPECT_EQ(ImageName(g.Frame0Pictures[21]), "imgEm1010");
  EXPECT_EQ(ImageName(g.Frame1Pictures[10]), "imgEm1001");
  EXPECT_EQ(ImageName(g.Frame1Pictures[21]), "imgEm1011");
  EXPECT_EQ(ImageName(g.Frame0Pictures[18]), "imgEm0710");
  EXPECT_EQ(g.FirstOutcomePictures[0], ImageId::None);
  EXPECT_EQ(ImageName(g.FirstOutcomePictures[1]), "imgOv0100");
  EXPECT_EQ(ImageName(g.SecondOutcomePictures[1]), "imgOv0101");
  EXPECT_EQ(ImageName(g.SecondOutcomePictures[10]), "imgOv1001");
  EXPECT_EQ(ImageByName("imgEm0710"), FrameImage(7, 1, 0));
  EXPECT_EQ(ImageByName("imgOv0901"), OutcomeImage(9, 1));
  EXPECT_EQ(ImageByName("imgEm11"), ImageId::None);

  const PixelSize sizes[ActorCount] = {{66, 116},  {204, 102}, {146, 49},  {96, 95},
                                       {258, 111}, {340, 180}, {104, 195}, {260, 230},
                                       {100, 62},  {80, 70},   {48, 8}};
  for (int i = 0; i < ActorCount; ++i) {
    EXPECT_EQ(g.scene.imgEm[i].width, sizes[i].width) << i;
    EXPECT_EQ(g.scene.imgEm[i].height, sizes[i].height) << i;
    EXPECT_EQ(g.scene.imgEm[i].image, FrameImage(i, 0, 0));
  }
  EXPECT_EQ(g.scene.window.caption, "Skelvar");
  EXPECT_EQ(g.scene.window.outerWidth, 960);
  EXPECT_EQ(g.scene.window.outerHeight, 580);
  EXPECT_TRUE(g.scene.window.opacityEnabled);
  EXPECT_EQ(g.scene.window.opacity, 0);
  EXPECT_EQ(g.GameState, StateMenu);
  EXPECT_TRUE(g.scene.pnlMenu.visible);
  EXPECT_FALSE(g.scene.pnlGame.visible);
  EXPECT_EQ(g.scene.pnlGame.width, 900);
  EXPECT_EQ(g.scene.pnlGame.height, 500);
}

TEST(Startup, SeedsTheGeneratorFromTheCounterOrElseTheTickCount) {
  FixedTextMeasurer measurer;
  ManualClock clock;
  ScriptedRandom random;
  clock.counter = 0x1234'5678'9ABC'DEF0ull;
  TGameMain a(clock, random, measurer);
  a.FormCreate();
  EXPECT_EQ(random.seededWith, 0x9ABC'DEF0u);
  clock.counter.reset();
  clock.ticks = 4242;
  TGameMain b(clock, random, measurer);
  b.FormCreate();
  EXPECT_EQ(random.seededWith, 4242u);
}

TEST(Startup, EmptyFramesShowNothingAndKeepTheSize) {
  Harness h;
  auto& g = h.g();
  h.StartRun();
  // The bench has no facing-1 picture: turning it would show nothing at its old size.
  g.Facing[4] = 1;
  ASSERT_FALSE(FrameHasImage(4, 1, 0));
  g.scene.pnlGame.visible = false;
  g.GameStep();  // the reveal shows frame 0 of the current facing
  EXPECT_EQ(g.scene.imgEm[4].image, FrameImage(4, 1, 0));
  EXPECT_EQ(g.scene.imgEm[4].width, 258);
  EXPECT_EQ(g.scene.imgEm[4].height, 111);
  EXPECT_EQ(ShippedCatalogue()[ImageIndex(FrameImage(4, 1, 0))], (PixelSize{0, 0}));
}

TEST(Fade, ClimbsByTwentyThenTurnsOpacityOffForGood) {
  Harness h;
  auto& g = h.g();
  for (int k = 1; k <= 12; ++k) {
    g.timOpenTimer();
    EXPECT_EQ(g.scene.window.opacity, 20 * k);
    EXPECT_TRUE(g.scene.window.opacityEnabled);
    EXPECT_TRUE(g.scene.timOpen.enabled);
  }
  g.timOpenTimer();
  EXPECT_EQ(g.scene.window.opacity, 255);
  EXPECT_FALSE(g.scene.window.opacityEnabled);
  EXPECT_FALSE(g.scene.timOpen.enabled);
}

TEST(Layout, CentresThePlayAreaTruncatingTowardZero) {
  for (const auto& [client, left] :
       {std::pair{1000, 50}, {901, 0}, {899, 0}, {897, -1}, {800, -50}, {944, 22}}) {
    Harness h(client, 542);
    EXPECT_EQ(h.g().scene.pnlGame.left, left) << client;
  }
  Harness h(944, 542);
  auto& g = h.g();
  EXPECT_EQ(g.scene.pnlGame.top, 21);
  g.scene.window.clientWidth = 1920;
  g.scene.window.clientHeight = 1001;
  g.FormResize();
  EXPECT_EQ(g.scene.pnlMenu.width, 1920);
  EXPECT_EQ(g.scene.pnlMenu.height, 1001);
  EXPECT_EQ(g.scene.imgMenu.width, 1920);
  EXPECT_EQ(g.scene.imgMenu.height, 1001);
  EXPECT_EQ(g.scene.pnlGame.left, 510);
  EXPECT_EQ(g.scene.pnlGame.top, 250);
  EXPECT_EQ(g.scene.pnlGame.width, 900);
  g.scene.window.clientHeight = 499;
  g.FormResize();
  EXPECT_EQ(g.scene.pnlGame.top, 0);
  g.scene.window.clientHeight = 497;
  g.FormResize();
  EXPECT_EQ(g.scene.pnlGame.top, -1);
}

TEST(Layout, MenuPictureIsCentredAndOnlyScaledDown) {
  EXPECT_EQ(CentredProportionalRect(1600, 800, 944, 542), (PixelRect{0, 35, 944, 472}));
  EXPECT_EQ(CentredProportionalRect(1600, 800, 1920, 1000), (PixelRect{160, 100, 1600, 800}));
  EXPECT_EQ(CentredProportionalRect(1600, 800, 1700, 900), (PixelRect{50, 50, 1600, 800}));
  // Too tall for the box: height decides.
  EXPECT_EQ(CentredProportionalRect(1600, 800, 1600, 500), (PixelRect{300, 0, 1000, 500}));
  // A tall picture.
  EXPECT_EQ(CentredProportionalRect(300, 600, 200, 1000), (PixelRect{0, 300, 200, 400}));
  EXPECT_EQ(CentredProportionalRect(300, 600, 500, 300), (PixelRect{175, 0, 150, 300}));
}

TEST(Scene, HitTestFollowsTheStackingOrder) {
  Harness h;
  auto& g = h.g();
  EXPECT_EQ(g.scene.HitTest(0, 0), ComponentId::imgMenu);
  EXPECT_EQ(g.scene.HitTest(-1, 0), ComponentId::None);
  EXPECT_EQ(g.scene.HitTest(944, 0), ComponentId::None);
  h.StartRun();
  EXPECT_EQ(g.scene.HitTest(5, 5), ComponentId::GameMain) << "the grey around the play area";
  // Put the goal over the girl, the label over both.
  g.scene.imgEm[0].left = 100;
  g.scene.imgEm[0].top = 100;
  g.scene.imgEm[9].left = 120;
  g.scene.imgEm[9].top = 120;
  g.scene.imgEm[8].left = 90;
  g.scene.imgEm[8].top = 90;
  g.scene.lblMsg.left = 100;
  g.scene.lblMsg.top = 100;
  g.scene.lblMsg.width = 10;
  g.scene.lblMsg.height = 10;
  const int32_t ox = g.scene.pnlGame.left, oy = g.scene.pnlGame.top;
  EXPECT_EQ(g.scene.HitTest(ox + 105, oy + 105), ComponentId::lblMsg);
  EXPECT_EQ(g.scene.HitTest(ox + 125, oy + 125), ComponentId::imgEm09);
  EXPECT_EQ(g.scene.HitTest(ox + 115, oy + 115), ComponentId::imgEm00);
  EXPECT_EQ(g.scene.HitTest(ox + 95, oy + 95), ComponentId::imgEm08);
  g.scene.imgOver.left = 80;
  g.scene.imgOver.top = 80;
  g.scene.imgOver.width = 400;
  g.scene.imgOver.height = 400;
  EXPECT_EQ(g.scene.HitTest(ox + 125, oy + 125), ComponentId::imgOver);
  EXPECT_EQ(ComponentName(ComponentId::imgEm09), "imgEm09");
  EXPECT_EQ(ComponentName(ComponentId::lblMsg), "lblMsg");
}

TEST(Label, TextIsReplacedWithoutCuttingCharactersAndSizesTheLabel) {
  LabelText t;
  t.assign("ゲーム");
  EXPECT_EQ(t.view(), "ゲーム");
  std::string longText;
  for (int k = 0; k < 100; ++k) longText += "あ";  // 300 bytes
  t.assign(longText);
  EXPECT_EQ(t.view().size(), 255u) << "85 whole characters";
  EXPECT_EQ(t.view(), longText.substr(0, 255));
  t.assign("abc");
  t.append("def");
  EXPECT_EQ(t.view(), "abcdef");

  const FixedTextMeasurer m;
  EXPECT_EQ(m.Measure("").width, 0);
  EXPECT_EQ(m.Measure("-").width, 11);
  EXPECT_EQ(m.Measure("ｺﾞﾌｩ").width, 44);
  EXPECT_EQ(m.Measure("ちょｗ").width, 63);
  EXPECT_EQ(m.Measure("あ").height, 21);
}

TEST(Texts, ListsHoldTheirEntriesInUtf8) {
  EXPECT_EQ(ChatterMessages.size(), 38u);
  EXPECT_EQ(ClearCries.size(), 15u);
  EXPECT_EQ(OverCries.size(), 17u);
  EXPECT_EQ(ChatterMessages[7], "ｺﾞﾌｩ");
  EXPECT_EQ(ChatterMessages[37], "テンションあがりっぱなしじゃ！！");
  EXPECT_EQ(ClearCries[0], "わんわーい！！！");
  EXPECT_EQ(OverCries[16], "ギャーーーーーーーーーーーーーー！！！");
  EXPECT_EQ(ResultTexts[1], "ゲームクリア！ （クリアタイム：%1%秒）");
  EXPECT_EQ(StartHint, "方向キーかマウスで操作しるお");
  for (auto list : {std::span<const std::string_view>(ChatterMessages),
                    std::span<const std::string_view>(ClearCries),
                    std::span<const std::string_view>(OverCries)}) {
    for (auto s : list) {
      EXPECT_FALSE(s.empty());
      EXPECT_LE(s.size(), LabelText::Capacity);
    }
  }
}

}  // namespace
}  // namespace skelvar
