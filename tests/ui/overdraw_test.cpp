#include "ui/render/overdraw.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace skelvar::ui {
namespace {

bool Inside(const PixelRect& r, int x, int y) {
  return x >= r.left && y >= r.top && x < r.left + r.width && y < r.top + r.height;
}

TEST(Uncovered, TheWindowGreyAroundThePlayArea) {
  std::array<PixelRect, 4> parts;
  ASSERT_EQ(Uncovered({0, 0, 960, 580}, {30, 40, 900, 500}, parts), 4);
  EXPECT_EQ(parts[0], (PixelRect{0, 0, 960, 40}));
  EXPECT_EQ(parts[1], (PixelRect{0, 540, 960, 40}));
  EXPECT_EQ(parts[2], (PixelRect{0, 40, 30, 500}));
  EXPECT_EQ(parts[3], (PixelRect{930, 40, 30, 500}));
  // Covered whole: nothing left; not covered at all: the area itself.
  EXPECT_EQ(Uncovered({30, 40, 900, 500}, {-100, 40, 8000, 500}, parts), 0);
  ASSERT_EQ(Uncovered({0, 0, 10, 10}, {20, 0, 5, 5}, parts), 1);
  EXPECT_EQ(parts[0], (PixelRect{0, 0, 10, 10}));
  EXPECT_EQ(Uncovered({0, 0, 0, 10}, {20, 0, 5, 5}, parts), 0);
}

// Over random rectangles every pixel of the area is in exactly one part or in the cover, and no
// part reaches outside the area or into the cover.
TEST(Uncovered, PartsAndCoverTileTheArea) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> pos(-20, 40), size(0, 40);
  for (int round = 0; round < 2000; ++round) {
    const PixelRect area{pos(random), pos(random), size(random), size(random)};
    const PixelRect cover{pos(random), pos(random), size(random), size(random)};
    std::array<PixelRect, 4> parts;
    const int n = Uncovered(area, cover, parts);
    ASSERT_GE(n, 0);
    ASSERT_LE(n, 4);
    for (int y = -25; y < 85; ++y) {
      for (int x = -25; x < 85; ++x) {
        int in = 0;
        for (int i = 0; i < n; ++i) in += Inside(parts[i], x, y) ? 1 : 0;
        const bool wanted = Inside(area, x, y) && !Inside(cover, x, y);
        ASSERT_EQ(in, wanted ? 1 : 0) << "round " << round << " at " << x << "," << y;
      }
    }
  }
}

TEST(IntersectRects, OverlapOrNothing) {
  EXPECT_EQ(IntersectRects({0, 0, 960, 580}, {30, 40, 900, 600}), (PixelRect{30, 40, 900, 540}));
  EXPECT_EQ(IntersectRects({0, 0, 10, 10}, {10, 0, 5, 5}), PixelRect{});
  EXPECT_EQ(IntersectRects({-5, -5, 10, 10}, {-100, 2, 8000, 1}), (PixelRect{-5, 2, 10, 1}));
}

}  // namespace
}  // namespace skelvar::ui
