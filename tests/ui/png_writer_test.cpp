#include "ui/render/png_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "png_test_support.h"
#include "ui/render/sdl_handles.h"

namespace skelvar::ui {
namespace {

using testing::Rgb;

TEST(PngWriter, WritesTheTopLeftAreaPixelForPixel) {
  // A 5 x 4 surface of which only the top-left 3 x 2 is written.
  SurfacePtr s(SDL_CreateRGBSurfaceWithFormat(0, 5, 4, 32, SDL_PIXELFORMAT_XRGB8888));
  SDL_FillRect(s.get(), nullptr, SDL_MapRGB(s->format, 9, 9, 9));
  const Rgb colours[2][3] = {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}},
                             {{128, 128, 128}, {255, 240, 255}, {1, 2, 3}}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const SDL_Rect r{x, y, 1, 1};
      const Rgb c = colours[y][x];
      SDL_FillRect(s.get(), &r, SDL_MapRGB(s->format, c.r, c.g, c.b));
    }
  }
  const std::string path =
      (std::filesystem::temp_directory_path() / "skelvar-png-writer-test.png").string();
  std::string error;
  ASSERT_TRUE(WritePngFile(s.get(), 3, 2, path, &error)) << error;
  auto image = testing::ReadPng(path, &error);
  std::filesystem::remove(path);
  ASSERT_TRUE(image) << error;
  ASSERT_EQ(image->width, 3);
  ASSERT_EQ(image->height, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image->at(x, y), colours[y][x]) << x << "," << y;
  }
  EXPECT_FALSE(WritePngFile(s.get(), 3, 2, "/nonexistent-dir/x.png", &error));
  EXPECT_NE(error.find("/nonexistent-dir/x.png"), std::string::npos);

  // zlib refuses a level outside 0-9: the failure is reported and no file is left behind.
  error.clear();
  EXPECT_FALSE(WritePngFile(s.get(), 3, 2, path, &error, 42));
  EXPECT_NE(error.find("cannot write " + path + ": cannot compress the pixels"), std::string::npos)
      << error;
  EXPECT_FALSE(std::filesystem::exists(path));
  std::vector<uint8_t> png = {1, 2, 3};
  error.clear();
  EXPECT_FALSE(EncodePng(s.get(), 3, 2, -7, &png, &error));
  EXPECT_FALSE(error.empty());
  // Level 0 stores the pixels unpacked and still makes a readable picture.
  ASSERT_TRUE(WritePngFile(s.get(), 3, 2, path, &error, 0)) << error;
  image = testing::ReadPng(path, &error);
  std::filesystem::remove(path);
  ASSERT_TRUE(image) << error;
  EXPECT_EQ(image->at(2, 1), colours[1][2]);
}

}  // namespace
}  // namespace skelvar::ui
