#include "ui/render/area_scale.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace skelvar::ui {
namespace {

SurfacePtr Grey(const std::vector<std::vector<uint8_t>>& rows) {
  const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
  SurfacePtr s(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_XRGB8888));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const SDL_Rect r{x, y, 1, 1};
      SDL_FillRect(s.get(), &r, SDL_MapRGB(s->format, rows[y][x], rows[y][x], rows[y][x]));
    }
  }
  return s;
}

uint8_t GreyAt(SDL_Surface* s, int x, int y) {
  uint32_t pixel;
  std::memcpy(&pixel, static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * 4, 4);
  uint8_t r, g, b;
  SDL_GetRGB(pixel, s->format, &r, &g, &b);
  EXPECT_EQ(r, g);
  EXPECT_EQ(g, b);
  return r;
}

TEST(AreaDownscale, AveragesTheCoveredArea) {
  // Halving stripes of 0 and 255 gives their mean, 127.5 rounded to 128.
  auto stripes = Grey({{0, 255, 0, 255}, {0, 255, 0, 255}});
  auto half = AreaDownscale(stripes.get(), 2, 1);
  ASSERT_TRUE(half);
  ASSERT_EQ(half->w, 2);
  ASSERT_EQ(half->h, 1);
  EXPECT_EQ(GreyAt(half.get(), 0, 0), 128);
  EXPECT_EQ(GreyAt(half.get(), 1, 0), 128);

  // Three columns into two: each output covers one and a half columns, so a lone bright middle
  // column lends a third of its brightness to both sides: 255 * 0.5 / 1.5 = 85.
  auto middle = Grey({{0, 255, 0}});
  auto two = AreaDownscale(middle.get(), 2, 1);
  EXPECT_EQ(GreyAt(two.get(), 0, 0), 85);
  EXPECT_EQ(GreyAt(two.get(), 1, 0), 85);

  // Vertically too: rows 30, 60, 90, 120 into one row average to 75.
  auto column = Grey({{30}, {60}, {90}, {120}});
  auto one = AreaDownscale(column.get(), 1, 1);
  EXPECT_EQ(GreyAt(one.get(), 0, 0), 75);
}

TEST(AreaDownscale, KeepsAPlainColourExactAtAnyRatio) {
  SurfacePtr s(SDL_CreateRGBSurfaceWithFormat(0, 1600, 800, 32, SDL_PIXELFORMAT_XRGB8888));
  SDL_FillRect(s.get(), nullptr, SDL_MapRGB(s->format, 90, 20, 40));
  auto small = AreaDownscale(s.get(), 944, 472);
  ASSERT_TRUE(small);
  for (auto [x, y] : {std::pair{0, 0}, {943, 471}, {500, 200}, {1, 470}}) {
    uint32_t pixel;
    std::memcpy(&pixel, static_cast<uint8_t*>(small->pixels) + y * small->pitch + x * 4, 4);
    uint8_t r, g, b;
    SDL_GetRGB(pixel, small->format, &r, &g, &b);
    EXPECT_EQ(r, 90);
    EXPECT_EQ(g, 20);
    EXPECT_EQ(b, 40);
  }
}

}  // namespace
}  // namespace skelvar::ui
