#include "ui/late_pictures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ui/render/font.h"
#include "ui/render/pictures.h"
#include "ui/render/scene_renderer.h"
#include "ui/render/sdl_handles.h"

namespace skelvar::ui {
namespace {

// The shipped files with one picture cut to half its bytes.
std::vector<EmbeddedFile> WithDamaged(const std::string& name, std::vector<unsigned char>* kept) {
  std::vector<EmbeddedFile> files(EmbeddedFiles().begin(), EmbeddedFiles().end());
  for (EmbeddedFile& file : files) {
    if (file.name != name) continue;
    kept->assign(file.bytes.begin(),
                 file.bytes.begin() + static_cast<ptrdiff_t>(file.bytes.size() / 2));
    file.bytes = *kept;
  }
  return files;
}

TEST(Pictures, TheMenusAndTheRestArePartsOfTheWhole) {
  // Every picture is in exactly one of the two groups, decoded to the same pixels as when all
  // are decoded at once; the menu's group holds what the menu shows, not the background.
  std::vector<std::string> warnings;
  std::string error;
  auto all = DecodePictures(EmbeddedFiles(), ShippedCatalogue(), &warnings, &error);
  ASSERT_TRUE(all) << error;
  auto menu =
      DecodePictures(EmbeddedFiles(), ShippedCatalogue(),
                     DecodeJpegs(EmbeddedFiles(), ShippedCatalogue(), 1, PictureGroup::Menu),
                     &warnings, &error, PictureGroup::Menu);
  ASSERT_TRUE(menu) << error;
  auto rest =
      DecodePictures(EmbeddedFiles(), ShippedCatalogue(),
                     DecodeJpegs(EmbeddedFiles(), ShippedCatalogue(), 0, PictureGroup::Rest),
                     &warnings, &error, PictureGroup::Rest);
  ASSERT_TRUE(rest) << error;
  EXPECT_TRUE((*menu)[ImageId::Menu].surface);
  EXPECT_TRUE((*menu)[FrameImage(0, 0, 0)].surface);
  EXPECT_FALSE((*menu)[ImageId::Back].surface);
  EXPECT_TRUE((*rest)[ImageId::Back].surface);
  EXPECT_TRUE((*rest)[OutcomeImage(1, 0)].surface);
  EXPECT_FALSE((*rest)[ImageId::Menu].surface);
  EXPECT_EQ(menu->icon != nullptr, all->icon != nullptr);
  EXPECT_FALSE(rest->icon);
  for (int i = 0; i < ImageCount; ++i) {
    const auto id = static_cast<ImageId>(i);
    SDL_Surface* whole = (*all)[id].surface.get();
    SDL_Surface* a = (*menu)[id].surface.get();
    SDL_Surface* b = (*rest)[id].surface.get();
    ASSERT_FALSE(a != nullptr && b != nullptr) << ImageName(id) << " is in both groups";
    SDL_Surface* part = a != nullptr ? a : b;
    ASSERT_EQ(part != nullptr, whole != nullptr) << ImageName(id);
    if (whole == nullptr) continue;
    ASSERT_EQ(part->w, whole->w);
    ASSERT_EQ(part->h, whole->h);
    bool same = true;
    for (int y = 0; y < whole->h && same; ++y) {
      same = std::memcmp(static_cast<uint8_t*>(part->pixels) + y * part->pitch,
                         static_cast<uint8_t*>(whole->pixels) + y * whole->pitch,
                         static_cast<size_t>(whole->w) * 4) == 0;
    }
    EXPECT_TRUE(same) << ImageName(id);
  }
}

class LatePicturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    target_.reset(SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 32, SDL_PIXELFORMAT_XRGB8888));
    ASSERT_TRUE(target_);
    renderer_.reset(SDL_CreateSoftwareRenderer(target_.get()));
    ASSERT_TRUE(renderer_) << SDL_GetError();
    std::string warning;
    font_ = LabelFont::Open(&warning);
    ASSERT_TRUE(font_);
  }

  // A renderer holding the menu's pictures of `files`, as the window starts with.
  std::unique_ptr<SceneRenderer> MenuRenderer(std::span<const EmbeddedFile> files) {
    std::vector<std::string> warnings;
    std::string error;
    auto menu = DecodePictures(files, ShippedCatalogue(),
                               DecodeJpegs(files, ShippedCatalogue(), 1, PictureGroup::Menu),
                               &warnings, &error, PictureGroup::Menu);
    EXPECT_TRUE(menu) << error;
    if (!menu) return nullptr;
    return SceneRenderer::Create(renderer_.get(), std::move(*menu), *font_, &error);
  }

  SurfacePtr target_;
  RendererPtr renderer_;
  std::unique_ptr<LabelFont> font_;
};

TEST_F(LatePicturesTest, HandedOverOnceAndADamagedOneNamed) {
  auto renderer = MenuRenderer(EmbeddedFiles());
  ASSERT_TRUE(renderer);
  {
    LatePictures late(EmbeddedFiles(), ShippedCatalogue());
    EXPECT_TRUE(late.Pending());
    std::vector<std::string> warnings;
    std::string error;
    EXPECT_TRUE(late.Deliver(*renderer, &warnings, &error)) << error;
    EXPECT_FALSE(late.Pending());
    EXPECT_TRUE(late.Ready());
    EXPECT_TRUE(warnings.empty());
    // A second hand-over has nothing left to give.
    EXPECT_TRUE(late.Deliver(*renderer, &warnings, &error));
  }
  // A damaged background does not keep the menu from showing, but stops the program at the
  // hand-over with one line naming it.
  std::vector<unsigned char> kept;
  const auto files = WithDamaged("imgBack.jpg", &kept);
  ASSERT_FALSE(kept.empty());
  auto menuOnly = MenuRenderer(files);
  ASSERT_TRUE(menuOnly);
  LatePictures late(files, ShippedCatalogue());
  std::vector<std::string> warnings;
  std::string error;
  EXPECT_FALSE(late.Deliver(*menuOnly, &warnings, &error));
  EXPECT_NE(error.find("picture imgBack.jpg: damaged JPEG"), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

}  // namespace
}  // namespace skelvar::ui
