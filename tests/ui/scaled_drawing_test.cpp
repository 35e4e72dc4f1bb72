// The scene drawn stretched onto a screen, as fullscreen shows it: the same drawing code as the
// window, into PNG files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "game/draw_list.h"
#include "rendered_frame_test.h"
#include "ui/render/area_scale.h"
#include "ui/render/font.h"
#include "ui/render/offscreen_renderer.h"
#include "ui/render/pictures.h"
#include "ui/render/screen_mapping.h"

namespace skelvar::ui {
namespace {

using testing::Rgb;
using testing::RgbImage;

const Rgb Grey{128, 128, 128};
const Rgb Black{0, 0, 0};
const Rgb White{255, 255, 255};

class ScaledDrawingTest : public testing::RenderedFrameTest {
 protected:
  // The mean colour of a block of the stored picture and of a block of a drawn frame.
  std::array<double, 3> StoredMean(ImageId id, int x, int y, int w, int h) {
    std::array<double, 3> sum{};
    for (int j = y; j < y + h; ++j) {
      for (int i = x; i < x + w; ++i) {
        const Rgb c = Stored(id, i, j);
        sum[0] += c.r, sum[1] += c.g, sum[2] += c.b;
      }
    }
    for (double& v : sum) v /= w * h;
    return sum;
  }
  static std::array<double, 3> DrawnMean(const RgbImage& image, int x, int y, int w, int h) {
    std::array<double, 3> sum{};
    for (int j = y; j < y + h; ++j) {
      for (int i = x; i < x + w; ++i) {
        const Rgb c = image.at(i, j);
        sum[0] += c.r, sum[1] += c.g, sum[2] += c.b;
      }
    }
    for (double& v : sum) v /= w * h;
    return sum;
  }

  // The play area as fullscreen lays it out on 1920 x 1080: 1031 x 580 units, the 900 x 500
  // panel centred at 65, 40.
  static Scene GameScene(int backLeft) {
    Scene scene = DesignedScene();
    scene.window.clientWidth = 1031;
    scene.window.clientHeight = 580;
    scene.pnlMenu.visible = false;
    scene.pnlGame = {true, 65, 40, 900, 500};
    scene.imgBack = {true, backLeft, 0, 8000, 500, ImageId::Back};
    for (Picture& p : scene.imgEm) p.visible = false;
    scene.shpOver = {-500, -500, 0, 0};
    scene.imgOver.visible = false;
    scene.lblMsg.text.assign("");
    return scene;
  }

  // Compares a 9 x 5 grid of blocks of the drawn play area with the same blocks of the
  // background picture's visible slice, which starts at column `first`.
  void ExpectBackgroundScaled(const RgbImage& frame, int first) {
    const ScreenMapping m{1031, 580, 1920, 1080};
    for (int by = 0; by < 5; ++by) {
      for (int bx = 0; bx < 9; ++bx) {
        // A block of 100 x 100 units, and the pixels inside its scaled edges, one pixel in.
        const PixelRect unit{65 + bx * 100, 40 + by * 100, 100, 100};
        const PixelRect px = m.ToScreen(unit);
        const auto drawn = DrawnMean(frame, px.left + 1, px.top + 1, px.width - 2, px.height - 2);
        const auto stored = StoredMean(ImageId::Back, first + bx * 100, by * 100, 100, 100);
        for (int k = 0; k < 3; ++k) {
          ASSERT_NEAR(drawn[k], stored[k], 3.0) << "block " << bx << "," << by << " channel " << k;
        }
      }
    }
  }
};

TEST_F(ScaledDrawingTest, PlayAreaFillsTheScreenCentredWithGreyEdgesThatMeet) {
  const RgbImage frame = Render(GameScene(-100), 1920, 1080);
  ASSERT_EQ(frame.width, 1920);
  ASSERT_EQ(frame.height, 1080);
  // The panel's edges land at 121, 74 and 1797, 1006: grey right up to them, picture right from
  // them, no gap and no seam.
  for (int y : {74, 300, 540, 1005}) {
    EXPECT_EQ(frame.at(120, y), Grey) << y;
    EXPECT_NE(frame.at(121, y), Grey) << y;
    EXPECT_NE(frame.at(1796, y), Grey) << y;
    EXPECT_EQ(frame.at(1797, y), Grey) << y;
  }
  for (int x : {121, 960, 1796}) {
    EXPECT_EQ(frame.at(x, 73), Grey) << x;
    EXPECT_NE(frame.at(x, 74), Grey) << x;
    EXPECT_NE(frame.at(x, 1005), Grey) << x;
    EXPECT_EQ(frame.at(x, 1006), Grey) << x;
  }
  for (auto [x, y] : {std::pair{0, 0}, {1919, 0}, {0, 1079}, {1919, 1079}, {60, 540}}) {
    EXPECT_EQ(frame.at(x, y), Grey) << x << "," << y;
  }
  ExpectBackgroundScaled(frame, 100);

  // Frame after frame on the same pixels, the grey is painted again wherever the play area was.
  Scene moved = GameScene(-100);
  moved.pnlGame.left = 0;
  const RgbImage left = Render(moved, 1920, 1080);
  for (int x = 1676; x < 1920; x += 3) ASSERT_EQ(left.at(x, 540), Grey) << x;
  EXPECT_NE(left.at(1675, 540), Grey);
  const RgbImage back = Render(GameScene(-100), 1920, 1080);
  for (int x = 0; x < 121; x += 3) ASSERT_EQ(back.at(x, 540), Grey) << x;
  for (int y : {74, 540, 1005}) {
    EXPECT_EQ(back.at(120, y), Grey) << y;
    EXPECT_NE(back.at(121, y), Grey) << y;
  }
  ExpectBackgroundScaled(back, 100);
}

// The background is stored in tiles no wider than the renderer allows (2048 columns here) and
// kept scaled between frames: slices across a tile's edge, scrolled a little and scrolled far,
// still show the picture's columns in place.
TEST_F(ScaledDrawingTest, ScrollingBackgroundAcrossTilesStaysInPlace) {
  for (int first : {1600, 1624, 1648, 1900, 4000, 7100}) {
    SCOPED_TRACE(first);
    ExpectBackgroundScaled(Render(GameScene(-first), 1920, 1080), first);
  }
}

TEST_F(ScaledDrawingTest, SpritesOutlineAndLabelAreScaled) {
  Scene scene = GameScene(-100);
  scene.imgBack.visible = false;  // a white panel shows the label's letters plainly
  scene.shpOver = {400, 50, 402, 402};
  scene.lblMsg.left = 20;
  scene.lblMsg.top = 20;
  scene.lblMsg.text.assign("あいう");
  scene.imgEm[0] = {true, 200, 300, 66, 116, FrameImage(0, 0, 0)};
  const RgbImage frame = Render(scene, 1920, 1080);
  const ScreenMapping m{1031, 580, 1920, 1080};

  // The outcome frame's outline is one unit thick, each side mapped edge by edge (one or two
  // pixels here), black, with white inside.
  const PixelRect outline = m.ToScreen({65 + 400, 40 + 50, 402, 402});
  const int right = outline.left + outline.width, bottom = outline.top + outline.height;
  const int leftThick = m.ToScreenX(65 + 401) - outline.left;
  const int rightThick = right - m.ToScreenX(65 + 801);
  const int topThick = m.ToScreenY(40 + 51) - outline.top;
  const int bottomThick = bottom - m.ToScreenY(40 + 451);
  for (int t : {leftThick, rightThick, topThick, bottomThick}) {
    EXPECT_GE(t, 1);
    EXPECT_LE(t, 2);
  }
  const int midX = outline.left + 200, midY = outline.top + 200;
  for (int d = 0; d < 2; ++d) {
    EXPECT_EQ(frame.at(outline.left + d, midY), d < leftThick ? Black : White) << d;
    EXPECT_EQ(frame.at(right - 1 - d, midY), d < rightThick ? Black : White) << d;
    EXPECT_EQ(frame.at(midX, outline.top + d), d < topThick ? Black : White) << d;
    EXPECT_EQ(frame.at(midX, bottom - 1 - d), d < bottomThick ? Black : White) << d;
  }
  EXPECT_EQ(frame.at(outline.left + 2, midY), White);
  EXPECT_EQ(frame.at(midX, bottom - 3), White);
  EXPECT_EQ(frame.at(outline.left - 1, midY), White) << "the panel outside the frame";

  // The label's letters are set in the font at the scaled size (39 pixels), not stretched:
  // the frame shows exactly that rendering, blended onto white, at the label's scaled place.
  std::string warning;
  auto font = LabelFont::Open(&warning);
  ASSERT_NE(font->font(), nullptr) << warning;
  FontPtr big = font->OpenAtPixels(39);
  ASSERT_NE(big, nullptr);
  SurfacePtr text(TTF_RenderUTF8_Blended(big.get(), "あいう", SDL_Color{0, 0, 0, 255}));
  ASSERT_NE(text, nullptr);
  SurfacePtr argb(SDL_ConvertSurfaceFormat(text.get(), SDL_PIXELFORMAT_ARGB8888, 0));
  const int x0 = m.ToScreenX(65 + 20), y0 = m.ToScreenY(40 + 20);
  int ink = 0;
  for (int y = 0; y < argb->h; ++y) {
    for (int x = 0; x < argb->w; ++x) {
      uint32_t pixel;
      std::memcpy(&pixel, static_cast<uint8_t*>(argb->pixels) + y * argb->pitch + x * 4, 4);
      const int alpha = static_cast<int>(pixel >> 24);
      const int expected = 255 - alpha;
      ASSERT_NEAR(frame.at(x0 + x, y0 + y).g, expected, 2) << x << "," << y;
      ink += alpha > 128 ? 1 : 0;
    }
  }
  EXPECT_GT(argb->w, 100);  // three 39-pixel kana
  EXPECT_GT(ink, 300);

  // The girl's picture, filtered up: the inside of her body keeps its pale pink, over about
  // 1.86 x 1.86 times as many pixels as the unscaled picture has.
  int pinkStored = 0;
  for (int y = 0; y < 116; ++y) {
    for (int x = 0; x < 66; ++x)
      pinkStored += Stored(FrameImage(0, 0, 0), x, y) == Rgb{255, 240, 255};
  }
  const PixelRect girl = m.ToScreen({65 + 200, 40 + 300, 66, 116});
  int pinkDrawn = 0;
  for (int y = girl.top; y < girl.top + girl.height; ++y) {
    for (int x = girl.left; x < girl.left + girl.width; ++x) {
      pinkDrawn += frame.at(x, y) == Rgb{255, 240, 255};
    }
  }
  ASSERT_GT(pinkStored, 100);
  const double ratio = static_cast<double>(pinkDrawn) / pinkStored;
  EXPECT_GT(ratio, 2.5);
  EXPECT_LT(ratio, 4.0);
}

// The menu picture is drawn at its size on the screen: shrunk by area averaging once for that
// size when the screen is smaller than the picture, filtered up when it is larger.
TEST_F(ScaledDrawingTest, MenuPictureAtTheScreensSize) {
  Scene scene = DesignedScene();
  scene.pnlGame.visible = false;
  const ViewScale view = FitToScreen(1366, 768);
  ASSERT_EQ(view.clientWidth, 1032);
  ASSERT_EQ(view.clientHeight, 580);
  scene.window.clientWidth = view.clientWidth;
  scene.window.clientHeight = view.clientHeight;
  scene.pnlMenu = {true, 0, 0, 1032, 580};
  scene.imgMenu = {true, 0, 0, 1032, 580, ImageId::Menu};
  const RgbImage small = Render(scene, 1366, 768);
  const ScreenMapping m{1032, 580, 1366, 768};
  // The picture at 1032 x 516 units, top 32: on the screen 1366 x 684 at top 42.
  const PixelRect place = m.ToScreen({0, 32, 1032, 516});
  ASSERT_EQ(place, (PixelRect{0, 42, 1366, 684}));
  SurfacePtr shrunk = AreaDownscale((*pictures_)[ImageId::Menu].surface.get(), 1366, 684);
  ASSERT_NE(shrunk, nullptr);
  for (auto [x, y] : {std::pair{0, 0}, {683, 341}, {1365, 682}, {100, 600}, {1200, 30}}) {
    uint32_t pixel;
    std::memcpy(&pixel, static_cast<uint8_t*>(shrunk->pixels) + y * shrunk->pitch + x * 4, 4);
    Rgb c;
    SDL_GetRGB(pixel, shrunk->format, &c.r, &c.g, &c.b);
    EXPECT_EQ(small.at(x, 42 + y), c) << x << "," << y;
  }
  EXPECT_EQ(small.at(683, 41), Black);
  EXPECT_EQ(small.at(683, 42 + 684), Black);

  // On 1920 x 1080 it is 1920 x 959 pixels, larger than the picture: the same picture filtered
  // up, block for block.
  scene.window.clientWidth = 1031;
  scene.pnlMenu = {true, 0, 0, 1031, 580};
  scene.imgMenu = {true, 0, 0, 1031, 580, ImageId::Menu};
  const RgbImage big = Render(scene, 1920, 1080);
  const PixelRect up = ScreenMapping{1031, 580, 1920, 1080}.ToScreen({0, 32, 1031, 515});
  EXPECT_EQ(big.at(960, up.top - 1), Black);
  EXPECT_EQ(big.at(960, up.top + up.height), Black);
  for (int by = 0; by < 4; ++by) {
    for (int bx = 0; bx < 8; ++bx) {
      const auto stored = StoredMean(ImageId::Menu, bx * 200, by * 200, 200, 200);
      const int x = up.left + static_cast<int>(std::lround(bx * 200 * up.width / 1600.0));
      const int y = up.top + static_cast<int>(std::lround(by * 200 * up.height / 800.0));
      const int w = static_cast<int>(200 * up.width / 1600.0) - 2;
      const int h = static_cast<int>(200 * up.height / 800.0) - 2;
      const auto drawn = DrawnMean(big, x + 1, y + 1, w, h);
      for (int k = 0; k < 3; ++k) {
        ASSERT_NEAR(drawn[k], stored[k], 3.0) << "block " << bx << "," << by << " channel " << k;
      }
    }
  }
}

}  // namespace
}  // namespace skelvar::ui
