#include "ui/render/offscreen_renderer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "game/texts.h"
#include "rendered_frame_test.h"
#include "ui/render/pictures.h"

namespace skelvar::ui {
namespace {

using testing::Rgb;
using testing::RgbImage;

class OffscreenRendererTest : public testing::RenderedFrameTest {
 protected:
  static Scene GameScene() {
    Scene scene = DesignedScene();
    scene.window.clientWidth = 960;
    scene.window.clientHeight = 580;
    scene.pnlMenu.visible = false;
    scene.pnlGame = {true, 30, 40, 900, 500};
    scene.imgBack = {true, -100, 0, 8000, 500, ImageId::Back};
    for (Picture& p : scene.imgEm) p.visible = false;
    scene.shpOver = {-500, -500, 0, 0};
    scene.imgOver.visible = false;
    scene.lblMsg.text.assign("");
    return scene;
  }
};

const Rgb Grey{128, 128, 128};
const Rgb Black{0, 0, 0};

TEST_F(OffscreenRendererTest, MenuIsLetterboxedInBlack) {
  Scene scene = DesignedScene();
  scene.window.clientWidth = 944;
  scene.window.clientHeight = 542;
  scene.pnlMenu = {true, 0, 0, 944, 542};
  scene.imgMenu = {true, 0, 0, 944, 542, ImageId::Menu};
  scene.pnlGame.visible = false;
  const RgbImage frame = Render(scene);
  ASSERT_EQ(frame.width, 944);
  ASSERT_EQ(frame.height, 542);
  // 1600 x 800 shrinks to 944 x 472 at top 35: black bars of 35 rows above and below.
  for (auto [x, y] : {std::pair{0, 0}, {472, 10}, {943, 34}, {472, 507}, {0, 541}, {943, 520}}) {
    EXPECT_EQ(frame.at(x, y), Black) << x << "," << y;
  }
  // The picture area carries the menu picture: its mean colour is the stored picture's.
  SDL_Surface* menu = (*pictures_)[ImageId::Menu].surface.get();
  double stored[3] = {0, 0, 0}, drawn[3] = {0, 0, 0};
  for (int y = 0; y < menu->h; ++y) {
    for (int x = 0; x < menu->w; ++x) {
      const Rgb c = Stored(ImageId::Menu, x, y);
      stored[0] += c.r, stored[1] += c.g, stored[2] += c.b;
    }
  }
  for (int y = 35; y < 35 + 472; ++y) {
    for (int x = 0; x < 944; ++x) {
      const Rgb c = frame.at(x, y);
      drawn[0] += c.r, drawn[1] += c.g, drawn[2] += c.b;
    }
  }
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(drawn[k] / (944.0 * 472), stored[k] / (1600.0 * 800), 2.0) << "channel " << k;
  }
}

TEST_F(OffscreenRendererTest, PlayAreaStacksPicturesShapeAndLabel) {
  Scene empty = GameScene();
  const RgbImage a = Render(empty);
  ASSERT_EQ(a.width, 960);
  // Grey around the panel, the background inside it at its offset.
  for (auto [x, y] : {std::pair{5, 5}, {29, 300}, {930, 300}, {959, 579}, {500, 39}, {500, 540}}) {
    EXPECT_EQ(a.at(x, y), Grey) << x << "," << y;
  }
  for (auto [x, y] : {std::pair{0, 0}, {50, 10}, {899, 499}, {450, 480}}) {
    EXPECT_EQ(a.at(30 + x, 40 + y), Stored(ImageId::Back, x + 100, y)) << x << "," << y;
  }

  // The player under the goal, one actor hanging over the panel's left edge, the outcome picture
  // in its frame and the label over everything.
  Scene scene = empty;
  scene.imgEm[0] = {true, 200, 300, 66, 116, FrameImage(0, 0, 0)};
  scene.imgEm[9] = {true, 230, 340, 80, 70, FrameImage(9, 0, 0)};
  scene.imgEm[8] = {true, -40, 100, 100, 62, FrameImage(8, 0, 0)};
  const RgbImage b = Render(scene);
  int covered = 0, shownThrough = 0;
  for (int y = 280; y < 430; ++y) {
    for (int x = 180; x < 330; ++x) {
      Rgb expected = a.at(30 + x, 40 + y);
      bool through = true;
      for (int actor : {0, 9}) {  // the goal is drawn last, on top
        const Picture& p = scene.imgEm[actor];
        if (x < p.left || y < p.top || x >= p.left + p.width || y >= p.top + p.height) continue;
        bool see = false;
        const Rgb c = Stored(p.image, x - p.left, y - p.top, &see);
        if (!see) expected = c, through = false;
      }
      covered += through ? 0 : 1;
      shownThrough += through ? 1 : 0;
      ASSERT_EQ(b.at(30 + x, 40 + y), expected) << x << "," << y;
    }
  }
  EXPECT_GT(covered, 100);
  EXPECT_GT(shownThrough, 100);
  for (int y = 100; y < 162; ++y) {
    for (int x = 0; x < 30; ++x) ASSERT_EQ(b.at(x, 40 + y), Grey) << x << "," << y;
  }

  scene.shpOver = {400, 50, 402, 402};
  scene.imgOver = {true, 401, 51, 400, 400, OutcomeImage(1, 0)};
  scene.lblMsg.left = 20;
  scene.lblMsg.top = 20;
  scene.lblMsg.text.assign(StartHint);
  const RgbImage c = Render(scene);
  for (auto [x, y] :
       {std::pair{400, 50}, {801, 50}, {400, 451}, {801, 451}, {600, 50}, {400, 300}}) {
    EXPECT_EQ(c.at(30 + x, 40 + y), Black) << "outline at " << x << "," << y;
  }
  for (auto [x, y] : {std::pair{0, 0}, {399, 399}, {200, 200}, {17, 333}}) {
    EXPECT_EQ(c.at(30 + 401 + x, 40 + 51 + y), Stored(OutcomeImage(1, 0), x, y)) << x << "," << y;
  }
  int dark = 0, changedOutside = 0;
  const TextSize size = renderer_->Measurer().Measure(StartHint);
  for (int y = 0; y < 500; ++y) {
    for (int x = 0; x < 400; ++x) {
      const bool inLabel = x >= 20 && y >= 20 && x < 20 + size.width && y < 20 + size.height;
      const Rgb p = c.at(30 + x, 40 + y);
      if (inLabel && p.r < 80 && p.g < 80 && p.b < 80 && !(b.at(30 + x, 40 + y) == p)) ++dark;
      if (!inLabel && !(b.at(30 + x, 40 + y) == p)) ++changedOutside;
    }
  }
  EXPECT_GT(size.width, 200);
  EXPECT_GT(dark, 100) << "the label's black letters";
  EXPECT_EQ(changedOutside, 0);
}

TEST_F(OffscreenRendererTest, FollowsTheClientSize) {
  Scene scene = GameScene();
  scene.window.clientWidth = 1500;
  scene.window.clientHeight = 900;
  scene.pnlGame.left = 300;
  scene.pnlGame.top = 200;
  const RgbImage big = Render(scene);
  ASSERT_EQ(big.width, 1500);
  ASSERT_EQ(big.height, 900);
  EXPECT_EQ(big.at(1499, 899), Grey);
  EXPECT_EQ(big.at(299, 450), Grey);
  EXPECT_EQ(big.at(300, 200), Stored(ImageId::Back, 100, 0));
  scene.window.clientWidth = 300;
  scene.window.clientHeight = 200;
  const RgbImage small = Render(scene);
  ASSERT_EQ(small.width, 300);
  ASSERT_EQ(small.height, 200);
  EXPECT_EQ(small.at(299, 199), Grey);
}

TEST_F(OffscreenRendererTest, RendersUpToTheLimitAndRefusesLargerFrames) {
  // The largest frame, as wide as any may be and as many pixels as any may have.
  Scene scene = GameScene();
  scene.window.clientWidth = OffscreenRenderer::MaxFrameSide;
  scene.window.clientHeight =
      static_cast<int>(OffscreenRenderer::MaxFramePixels / OffscreenRenderer::MaxFrameSide);
  scene.pnlGame.left = 15000;
  scene.pnlGame.top = 3500;
  const RgbImage frame = Render(scene);
  ASSERT_EQ(frame.width, 16384);
  ASSERT_EQ(frame.height, 4096);
  for (auto [x, y] : {std::pair{0, 0}, {16383, 0}, {0, 4095}, {16383, 4095}, {14999, 3600}}) {
    EXPECT_EQ(frame.at(x, y), Grey) << x << "," << y;
  }
  for (auto [x, y] : {std::pair{0, 0}, {899, 499}, {450, 250}}) {
    EXPECT_EQ(frame.at(15000 + x, 3500 + y), Stored(ImageId::Back, x + 100, y)) << x << "," << y;
  }
  // The tallest, narrow frame.
  scene.window.clientWidth = 40;
  scene.window.clientHeight = OffscreenRenderer::MaxFrameSide;
  scene.pnlGame.left = 10;
  scene.pnlGame.top = 16000;
  const RgbImage tall = Render(scene);
  ASSERT_EQ(tall.height, 16384);
  EXPECT_EQ(tall.at(9, 16383), Grey);
  EXPECT_EQ(tall.at(39, 15999), Grey);
  EXPECT_EQ(tall.at(39, 16383), Stored(ImageId::Back, 129, 383));
  EXPECT_EQ(tall.at(10, 16000), Stored(ImageId::Back, 100, 0));

  // One pixel more on a side, or in all, is refused with the reason.
  const std::string path =
      (std::filesystem::temp_directory_path() / "skelvar-too-large.png").string();
  for (auto [w, h] : {std::pair{16385, 1}, {1, 16385}, {8193, 8192}, {32767, 32767}}) {
    scene.window.clientWidth = w;
    scene.window.clientHeight = h;
    std::string error;
    EXPECT_FALSE(OffscreenRenderer::FrameFits(w, h));
    EXPECT_FALSE(renderer_->WritePng(scene, path, &error));
    EXPECT_NE(error.find("too large to render"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  EXPECT_TRUE(OffscreenRenderer::FrameFits(8192, 8192));
}

}  // namespace
}  // namespace skelvar::ui
