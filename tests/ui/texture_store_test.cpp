#include "ui/render/texture_store.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace skelvar::ui {
namespace {

// The colour of the target's top-left pixel as 0xRRGGBB.
uint32_t TopLeft(SDL_Surface* target) {
  return *static_cast<const uint32_t*>(target->pixels) & 0xffffff;
}

TEST(TextureStore, PicturesAddedLaterNeverTakeTheTextureOfPixelsLetGo) {
  SurfacePtr target(SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_XRGB8888));
  ASSERT_TRUE(target);
  RendererPtr renderer(SDL_CreateSoftwareRenderer(target.get()));
  ASSERT_TRUE(renderer) << SDL_GetError();
  // One surface object stands for pixels let go after their upload whose address a later,
  // different picture gets: the allocator may hand it out again.
  SurfacePtr pixels(SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_XRGB8888));
  ASSERT_TRUE(pixels);
  const auto borrowed = [&] { return SharedSurface(pixels.get(), [](SDL_Surface*) {}); };
  const auto draw = [&](TextureStore& store, ImageId id) {
    const TiledTexture* texture = store.Texture(id);
    if (texture == nullptr) return uint32_t{0};
    DrawTiled(renderer.get(), *texture, {0, 0, 8, 8}, {0, 0, 8, 8});
    return TopLeft(target.get());
  };

  SDL_FillRect(pixels.get(), nullptr, 0xff0000);
  PictureSet first;
  first.pictures[ImageIndex(OutcomeImage(1, 0))].surface = borrowed();
  TextureStore store(renderer.get(), std::move(first), 2048);
  EXPECT_EQ(draw(store, OutcomeImage(1, 0)), 0xff0000u);

  SDL_FillRect(pixels.get(), nullptr, 0x0000ff);
  PictureSet later;
  later.pictures[ImageIndex(OutcomeImage(1, 1))].surface = borrowed();
  // Two pictures of the very same pixels, both still held, do share one texture.
  later.pictures[ImageIndex(OutcomeImage(2, 0))].surface =
      later.pictures[ImageIndex(OutcomeImage(1, 1))].surface;
  store.Add(std::move(later));
  EXPECT_EQ(draw(store, OutcomeImage(1, 1)), 0x0000ffu);
  EXPECT_EQ(store.Texture(OutcomeImage(2, 0)), store.Texture(OutcomeImage(1, 1)));
  EXPECT_NE(store.Texture(OutcomeImage(1, 0)), store.Texture(OutcomeImage(1, 1)));
}

}  // namespace
}  // namespace skelvar::ui
