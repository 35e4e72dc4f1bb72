// The drawing operations both frontends paint: what shows, in which order, and which part.
#include "game/draw_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace skelvar {
namespace {

using testing::Harness;

std::vector<DrawOp> Ops(const DrawList& list) {
  return {list.begin(), list.end()};
}

TEST(DrawList, MenuIsGreyThenBlackThenThePictureFittedOrAtItsOwnSize) {
  Harness h;  // a client of 944 x 542
  auto ops = Ops(BuildDrawList(h.g().scene));
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[0].kind, DrawKind::Fill);
  EXPECT_EQ(ops[0].colour, WindowGrey);
  EXPECT_EQ(ops[0].dest, (PixelRect{0, 0, 944, 542}));
  EXPECT_EQ(ops[1].colour, MenuBlack);
  EXPECT_EQ(ops[2].kind, DrawKind::Image);
  EXPECT_EQ(ops[2].image, ImageId::Menu);
  EXPECT_FALSE(ops[2].keyed);
  EXPECT_EQ(ops[2].dest, (PixelRect{0, 35, 944, 472}));  // scaled down
  EXPECT_EQ(ops[2].source, (PixelRect{0, 0, 1600, 800}));

  h.g().scene.window.clientWidth = 1920;
  h.g().scene.window.clientHeight = 1000;
  h.g().FormResize();
  ops = Ops(BuildDrawList(h.g().scene));
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[2].dest, (PixelRect{160, 100, 1600, 800}));  // fits: never enlarged
  EXPECT_EQ(ops[2].source, (PixelRect{0, 0, 1600, 800}));

  // Narrower than the picture but tall enough: the unscaled case never arises, the clip is the box.
  h.g().scene.window.clientWidth = 1599;
  h.g().FormResize();
  ops = Ops(BuildDrawList(h.g().scene));
  EXPECT_EQ(ops[2].dest.width, 1599);
  EXPECT_EQ(ops[2].clip, (PixelRect{0, 0, 1599, 1000}));
}

TEST(DrawList, PlayShowsTheVisibleSliceOfTheBackgroundAndTheActorsInStackingOrder) {
  Harness h;
  h.StartRun();
  TGameMain& g = h.g();
  ASSERT_EQ(g.CameraX, -253);
  DrawList list = BuildDrawList(g.scene);
  auto ops = Ops(list);
  // Grey, white play area, background, the glider (the only actor in view while the view still
  // slides from the left end toward the player), the label.
  ASSERT_EQ(ops.size(), 5u);
  const PixelRect panel{22, 21, 900, 500};
  EXPECT_EQ(ops[1].kind, DrawKind::Fill);
  EXPECT_EQ(ops[1].colour, PanelWhite);
  EXPECT_EQ(ops[1].dest, panel);
  // The background's left is round(-253 * 0.78) = -197: its pixels 197 to 1096 show.
  EXPECT_EQ(ops[2].image, ImageId::Back);
  EXPECT_EQ(ops[2].dest, panel);
  EXPECT_EQ(ops[2].source, (PixelRect{197, 0, 900, 500}));
  EXPECT_FALSE(ops[2].keyed);
  // The glider, 340 wide, has flown left from world x 0 to -20 and turned left: its right
  // 340 - 20 - 253 = 67 pixels show at the play area's left edge.
  EXPECT_EQ(ops[3].image, FrameImage(5, 1, 0));
  EXPECT_TRUE(ops[3].keyed);
  EXPECT_EQ(ops[3].dest.left, 22);
  EXPECT_EQ(ops[3].dest.width, 67);
  EXPECT_EQ(ops[3].source.left, 273);
  EXPECT_EQ(ops[4].kind, DrawKind::Text);
  EXPECT_EQ(list.text, g.scene.lblMsg.text.view());

  // Every actor brought into view: listed in stacking order, each with its own frame and size.
  for (int i = 0; i < ActorCount; ++i) {
    g.scene.imgEm[i].left = 60 * i;
    g.scene.imgEm[i].top = 10 * i;
  }
  list = BuildDrawList(g.scene);
  ops = Ops(list);
  ASSERT_EQ(ops.size(), 15u);
  std::vector<int> drawn;
  for (size_t k = 3; k + 1 < ops.size(); ++k) {
    ASSERT_EQ(ops[k].kind, DrawKind::Image);
    EXPECT_TRUE(ops[k].keyed);
    EXPECT_EQ(ops[k].clip, panel);
    for (int i = 0; i < ActorCount; ++i) {
      if (ops[k].image == g.scene.imgEm[i].image) drawn.push_back(i);
    }
  }
  std::vector<int> expected(ActorStacking.begin(), ActorStacking.end());
  EXPECT_EQ(drawn, expected);
  const DrawOp& player = ops[3 + 9];
  EXPECT_EQ(player.image, FrameImage(0, 0, 0));
  EXPECT_EQ(player.dest, (PixelRect{22, 21, 66, 116}));
  EXPECT_EQ(player.source, (PixelRect{0, 0, 66, 116}));
  const DrawOp& cat = ops[3 + 10];
  EXPECT_EQ(cat.dest, (PixelRect{22 + 540, 21 + 90, 80, 70}));
}

TEST(DrawList, PicturesAreCutToThePlayAreaAndTheOutcomeFrameSitsUnderItsPicture) {
  Harness h(800, 400);  // smaller than the play area: it overhangs on every side
  h.StartRun();
  TGameMain& g = h.g();
  g.scene.shpOver = {249, 49, 402, 402};
  g.scene.imgOver = {true, 250, 50, 400, 400, OutcomeImage(3, 0)};
  g.scene.lblMsg.text.assign("");
  const auto ops = Ops(BuildDrawList(g.scene));
  const PixelRect panel{0, 0, 800, 400};  // the play area's left and top are -50
  for (const DrawOp& op : ops) {
    EXPECT_GE(op.clip.left, 0);
    EXPECT_LE(op.clip.left + op.clip.width, 800);
    if (op.kind == DrawKind::Image && op.image != ImageId::Back) {
      EXPECT_GE(op.dest.left, panel.left);
      EXPECT_LE(op.dest.left + op.dest.width, 800);
      EXPECT_EQ(op.dest.width, op.source.width);
    }
  }
  ASSERT_GE(ops.size(), 3u);
  const DrawOp& fill = ops[ops.size() - 3];
  const DrawOp& outline = ops[ops.size() - 2];
  const DrawOp& picture = ops.back();  // no text: the label is empty
  EXPECT_EQ(fill.kind, DrawKind::Fill);
  EXPECT_EQ(fill.dest, (PixelRect{199, -1, 402, 402}));
  EXPECT_EQ(outline.kind, DrawKind::Outline);
  EXPECT_EQ(outline.clip, (PixelRect{199, 0, 402, 400}));
  EXPECT_EQ(picture.image, OutcomeImage(3, 0));
  EXPECT_FALSE(picture.keyed);
  // Centred in the play area, the picture exactly fills the client area's height.
  EXPECT_EQ(picture.dest, (PixelRect{200, 0, 400, 400}));
  EXPECT_EQ(picture.source, (PixelRect{0, 0, 400, 400}));

  // Empty frames draw nothing; a hidden play area draws nothing at all.
  g.scene.imgEm[0].image = FrameImage(1, 1, 0);
  for (const DrawOp& op : BuildDrawList(g.scene)) EXPECT_NE(op.image, FrameImage(1, 1, 0));
  g.ReturnToMenu();
  for (const DrawOp& op : BuildDrawList(g.scene)) EXPECT_NE(op.colour, PanelWhite);
}

TEST(DrawList, ListsCompareByWhatTheyDraw) {
  Harness a, b;
  a.StartRun();
  b.StartRun();
  EXPECT_EQ(BuildDrawList(a.g().scene), BuildDrawList(b.g().scene));
  b.g().scene.lblMsg.text.assign("x");
  EXPECT_FALSE(BuildDrawList(a.g().scene) == BuildDrawList(b.g().scene));
  b.g().scene.lblMsg.text.assign(a.g().scene.lblMsg.text.view());
  b.g().scene.imgEm[5].left += 1;  // the glider is in view
  EXPECT_FALSE(BuildDrawList(a.g().scene) == BuildDrawList(b.g().scene));
}

TEST(FitToScreen, FillsTheTighterSideAndGivesTheLogicalClientArea) {
  const ViewScale hd = FitToScreen(1920, 1080);
  EXPECT_NEAR(hd.scale, 1.862, 0.001);
  EXPECT_EQ(hd.clientWidth, 1031);
  EXPECT_EQ(hd.clientHeight, 580);
  const ViewScale uhd = FitToScreen(3840, 2160);
  EXPECT_NEAR(uhd.scale, 3.724, 0.001);
  EXPECT_EQ(uhd.clientWidth, 1031);
  EXPECT_EQ(uhd.clientHeight, 580);
  EXPECT_EQ(FitToScreen(960, 580), (ViewScale{1.0, 960, 580}));
  // A window whose frame takes a little of the design keeps the game at its own size: the play
  // area still fits.
  EXPECT_EQ(FitToScreen(958, 555), (ViewScale{1.0, 958, 555}));
  EXPECT_EQ(FitToScreen(900, 500), (ViewScale{1.0, 900, 500}));
  // Smaller than the play area: the play area fills the tighter side.
  const ViewScale phone = FitToScreen(844, 390);
  EXPECT_NEAR(phone.scale, 390.0 / 500.0, 1e-12);
  EXPECT_EQ(phone.clientWidth, 1082);
  EXPECT_EQ(phone.clientHeight, 500);
  const ViewScale small = FitToScreen(640, 400);
  EXPECT_NEAR(small.scale, 640.0 / 900.0, 1e-12);
  EXPECT_EQ(small.clientWidth, 900);
  EXPECT_EQ(small.clientHeight, 563);
  // Extreme aspect ratios: the tighter side decides.
  const ViewScale wide = FitToScreen(7680, 600);
  EXPECT_EQ(wide.clientHeight, 580);
  EXPECT_EQ(wide.clientWidth, 7424);
  const ViewScale tall = FitToScreen(600, 7680);
  EXPECT_NEAR(tall.scale, 600.0 / 900.0, 1e-12);
  EXPECT_EQ(tall.clientWidth, 900);
  EXPECT_EQ(tall.clientHeight, 11520);
  EXPECT_EQ(FitToScreen(0, 0), (ViewScale{1.0, 1, 1}));
}

TEST(FitToScreen, ThePlayAreaAlwaysFitsAndTheScaleNeverDropsAsTheScreenGrows) {
  for (int32_t h = 100; h <= 1300; h += 7) {
    double last = 0.0;
    for (int32_t w = 100; w <= 2100; w += 3) {
      const ViewScale v = FitToScreen(w, h);
      // The whole play area is on the screen, and the logic's client area holds it.
      EXPECT_LE(PlayAreaWidth * v.scale, w + 1e-9) << w << " x " << h;
      EXPECT_LE(PlayAreaHeight * v.scale, h + 1e-9) << w << " x " << h;
      EXPECT_GE(v.clientWidth, PlayAreaWidth - 1) << w << " x " << h;
      EXPECT_GE(v.clientHeight, PlayAreaHeight - 1) << w << " x " << h;
      // Never smaller than filling the designed window, and no jump as the window is dragged.
      EXPECT_GE(v.scale, std::min(w / 960.0, h / 580.0) - 1e-12) << w << " x " << h;
      EXPECT_GE(v.scale, last) << w << " x " << h;
      last = v.scale;
    }
  }
}

}  // namespace
}  // namespace skelvar
