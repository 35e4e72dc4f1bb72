#include "ui/render/screen_mapping.h"

#include <gtest/gtest.h>

#include "game/draw_list.h"

namespace skelvar::ui {
namespace {

TEST(ScreenMapping, UnscaledIsTheIdentity) {
  const ScreenMapping m = ScreenMapping::Identity(944, 542);
  EXPECT_TRUE(m.IsIdentity());
  for (int32_t v : {-900, -1, 0, 1, 29, 471, 943, 944, 5000}) {
    EXPECT_EQ(m.ToScreenX(v), v);
    EXPECT_EQ(m.ToScreenY(v), v);
    EXPECT_EQ(m.ToLogicalX(v), v);
    EXPECT_EQ(m.ToLogicalY(v), v);
  }
  const PixelRect r{-30, 40, 900, 500};
  EXPECT_EQ(m.ToScreen(r), r);
  EXPECT_DOUBLE_EQ(m.Scale(), 1.0);
}

TEST(ScreenMapping, FullHdShowsTheGameAtItsFittedScale) {
  const ViewScale view = FitToScreen(1920, 1080);
  const ScreenMapping m{view.clientWidth, view.clientHeight, 1920, 1080};
  EXPECT_FALSE(m.IsIdentity());
  // The client area's edges are the screen's.
  EXPECT_EQ(m.ToScreen({0, 0, 1031, 580}), (PixelRect{0, 0, 1920, 1080}));
  // The 900 x 500 play area centred at 65, 40: 121..1797 by 74..1006 (540 * 1080 / 580 =
  // 1005.52 rounds up).
  EXPECT_EQ(m.ToScreen({65, 40, 900, 500}), (PixelRect{121, 74, 1676, 932}));
  EXPECT_NEAR(m.Scale(), view.scale, 0.001);
  EXPECT_NEAR(static_cast<double>(m.screenWidth) / m.logicalWidth, view.scale, 0.001);
  // A label's 21-pixel font is set at 39 pixels.
  EXPECT_EQ(static_cast<int>(21 * m.Scale() + 0.5), 39);
}

// For screens larger and smaller than the design, wide and tall: rectangles that touch in the
// game touch on the screen; every screen pixel goes back to the unit whose pixels hold it; edges
// never move backwards.
TEST(ScreenMapping, EdgesAndPixelsAgreeAtEveryScale) {
  for (auto [w, h] : {std::pair{1920, 1080},
                      {3840, 2160},
                      {1366, 768},
                      {800, 480},
                      {480, 290},
                      {7680, 600},
                      {600, 7680},
                      {1031, 580},
                      {2560, 1600}}) {
    const ViewScale view = FitToScreen(w, h);
    const ScreenMapping m{view.clientWidth, view.clientHeight, w, h};
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    for (int32_t x = -50; x <= m.logicalWidth + 50; ++x) {
      ASSERT_LE(m.ToScreenX(x), m.ToScreenX(x + 1));
      const PixelRect left = m.ToScreen({x - 7, 3, 7, 9}), right = m.ToScreen({x, 3, 11, 9});
      ASSERT_EQ(left.left + left.width, right.left) << x;
    }
    for (int32_t y = -50; y <= m.logicalHeight + 50; ++y) {
      ASSERT_LE(m.ToScreenY(y), m.ToScreenY(y + 1));
      const PixelRect above = m.ToScreen({3, y - 5, 9, 5}), below = m.ToScreen({3, y, 9, 13});
      ASSERT_EQ(above.top + above.height, below.top) << y;
    }
    for (int32_t p = -20; p < w + 20; ++p) {
      const int32_t u = m.ToLogicalX(p);
      ASSERT_LE(m.ToScreenX(u), p) << p;
      ASSERT_LT(p, m.ToScreenX(u + 1)) << p;
    }
    for (int32_t p = -20; p < h + 20; ++p) {
      const int32_t u = m.ToLogicalY(p);
      ASSERT_LE(m.ToScreenY(u), p) << p;
      ASSERT_LT(p, m.ToScreenY(u + 1)) << p;
    }
    EXPECT_EQ(m.ToScreenX(m.logicalWidth), w);
    EXPECT_EQ(m.ToScreenY(m.logicalHeight), h);
  }
}

}  // namespace
}  // namespace skelvar::ui
