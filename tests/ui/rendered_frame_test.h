// A fixture for tests that look at frames drawn off-screen: the renderer, the stored pictures,
// and a frame read back from the PNG file the renderer writes.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/images.h"
#include "png_test_support.h"
#include "ui/render/embedded_files.h"
#include "ui/render/offscreen_renderer.h"
#include "ui/render/pictures.h"

namespace skelvar::ui::testing {

class RenderedFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    renderer_ = OffscreenRenderer::Create(&error);
    ASSERT_TRUE(renderer_) << error;
    std::vector<std::string> warnings;
    pictures_ = DecodePictures(EmbeddedFiles(), ShippedCatalogue(), &warnings, &error);
    ASSERT_TRUE(pictures_) << error;
  }

  // The scene drawn at its client size, or scaled onto a screen of width x height.
  RgbImage Render(const Scene& scene, int width = 0, int height = 0) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("skelvar-frame-test-" + std::to_string(getpid()) + ".png"))
                                 .string();
    std::string error;
    const bool written = width > 0 ? renderer_->WritePng(scene, width, height, path, &error)
                                   : renderer_->WritePng(scene, path, &error);
    EXPECT_TRUE(written) << error;
    auto image = ReadPng(path, &error);
    std::filesystem::remove(path);
    EXPECT_TRUE(image) << error;
    return image.value_or(RgbImage{});
  }

  // A stored picture's pixel and whether it is see-through there.
  Rgb Stored(ImageId id, int x, int y, bool* seeThrough = nullptr) {
    SDL_Surface* s = (*pictures_)[id].surface.get();
    uint32_t pixel;
    std::memcpy(&pixel, static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * 4, 4);
    Rgb c;
    SDL_GetRGB(pixel, s->format, &c.r, &c.g, &c.b);
    if (seeThrough != nullptr) {
      uint32_t key = 0;
      *seeThrough = SDL_GetColorKey(s, &key) == 0 && (key & 0xFFFFFF) == (pixel & 0xFFFFFF);
    }
    return c;
  }

  std::unique_ptr<OffscreenRenderer> renderer_;
  std::optional<PictureSet> pictures_;
};

}  // namespace skelvar::ui::testing
