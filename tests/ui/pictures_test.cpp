#include "ui/render/pictures.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstring>

#include "ui/render/jpeg.h"

namespace skelvar::ui {
namespace {

struct Colour {
  uint8_t r, g, b;
};

// A device-independent bitmap of 4 bits per pixel, rows bottom-up, as the frame pictures are
// stored. `rows` are top-down palette indices.
std::vector<unsigned char> FourBitBmp(const std::vector<Colour>& palette,
                                      const std::vector<std::vector<int>>& rows) {
  const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
  const int stride = ((w + 1) / 2 + 3) / 4 * 4;
  const int offset = 14 + 40 + 16 * 4;
  const int size = offset + stride * h;
  std::vector<unsigned char> b(size, 0);
  auto put16 = [&](int at, int v) { b[at] = v & 0xff, b[at + 1] = (v >> 8) & 0xff; };
  auto put32 = [&](int at, int v) { put16(at, v), put16(at + 2, (v >> 16) & 0xffff); };
  b[0] = 'B', b[1] = 'M';
  put32(2, size);
  put32(10, offset);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  put16(26, 1);
  put16(28, 4);
  put32(34, stride * h);
  put32(46, 16);
  for (size_t i = 0; i < 16; ++i) {
    const Colour c = i < palette.size() ? palette[i] : Colour{0, 0, 0};
    b[54 + i * 4] = c.b, b[55 + i * 4] = c.g, b[56 + i * 4] = c.r;
  }
  for (int y = 0; y < h; ++y) {
    unsigned char* row = &b[offset + (h - 1 - y) * stride];
    for (int x = 0; x < w; ++x) row[x / 2] |= rows[y][x] << (x % 2 == 0 ? 4 : 0);
  }
  return b;
}

std::vector<unsigned char> SolidJpeg(int w, int h, Colour c) {
  std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = c.r, rgb[i + 1] = c.g, rgb[i + 2] = c.b;
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, TJSAMP_444, 95, 0), 0);
  std::vector<unsigned char> bytes(out, out + size);
  tjFree(out);
  tjDestroy(tj);
  return bytes;
}

Colour PixelAt(SDL_Surface* s, int x, int y) {
  uint32_t pixel;
  std::memcpy(&pixel, static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * 4, 4);
  Colour c;
  SDL_GetRGB(pixel, s->format, &c.r, &c.g, &c.b);
  return c;
}

TEST(Pictures, ShippedPicturesHaveTheirCatalogueSizes) {
  std::vector<std::string> warnings;
  std::string error;
  auto set = DecodePictures(EmbeddedFiles(), ShippedCatalogue(), &warnings, &error);
  ASSERT_TRUE(set) << error;
  int withImage = 0;
  for (int i = 0; i < ImageCount; ++i) {
    const auto id = static_cast<ImageId>(i);
    const PixelSize size = ShippedCatalogue()[i];
    const StoredPicture& p = (*set)[id];
    if (size.width == 0) {
      EXPECT_FALSE(p.surface) << ImageName(id);
      continue;
    }
    ++withImage;
    ASSERT_TRUE(p.surface) << ImageName(id);
    EXPECT_EQ(p.surface->w, size.width) << ImageName(id);
    EXPECT_EQ(p.surface->h, size.height) << ImageName(id);
    EXPECT_EQ(p.placeholder, FindFile(EmbeddedFiles(), PictureFileName(id)) == nullptr);
    const bool frame = i < ImageIndex(ImageId::FirstOutcome);
    EXPECT_EQ(p.keyed, frame) << ImageName(id);
    uint32_t key = 0;
    if (frame) {
      // The key is the bottom-left pixel's colour; in every frame that is white.
      ASSERT_EQ(SDL_GetColorKey(p.surface.get(), &key), 0) << ImageName(id);
      uint8_t r, g, b;
      SDL_GetRGB(key, p.surface->format, &r, &g, &b);
      const uint32_t rgb = (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
      EXPECT_EQ(rgb, BottomLeftColour(p.surface.get())) << ImageName(id);
      EXPECT_EQ(rgb, 0xFFFFFFu) << ImageName(id);
    } else {
      EXPECT_NE(SDL_GetColorKey(p.surface.get(), &key), 0) << ImageName(id) << " must be opaque";
    }
  }
  EXPECT_EQ(withImage, 24 + 20 + 2);
  EXPECT_EQ(set->icon != nullptr, FindFile(EmbeddedFiles(), "icon/skelvar-64.bmp") != nullptr);
}

TEST(Pictures, DecodesBitmapsWithTheirBottomLeftColourAsKey) {
  const std::vector<Colour> palette = {{0, 0, 0},   {255, 240, 255}, {255, 255, 255},
                                       {255, 0, 0}, {64, 0, 255},    {255, 255, 255}};
  // Index 5 is a second white entry: white pixels vanish whichever entry they use.
  const auto whiteKeyed = FourBitBmp(palette, {{2, 0, 1, 5}, {0, 1, 3, 4}, {2, 2, 2, 2}});
  const auto pinkKeyed = FourBitBmp(palette, {{2, 0, 1, 2}, {0, 1, 3, 4}, {1, 2, 2, 2}});
  const auto menu = SolidJpeg(32, 16, {50, 100, 150});
  const auto outcome = SolidJpeg(8, 8, {250, 250, 250});
  const auto sameOutcome = outcome;
  const std::vector<EmbeddedFile> files = {
      {"imgEm0000.bmp", whiteKeyed}, {"imgEm0010.bmp", pinkKeyed},   {"imgMenu.jpg", menu},
      {"imgOv0101.jpg", outcome},    {"imgOv0301.jpg", sameOutcome},
  };
  ImageCatalogue catalogue{};
  catalogue[ImageIndex(FrameImage(0, 0, 0))] = {4, 3};
  catalogue[ImageIndex(FrameImage(0, 1, 0))] = {4, 3};
  catalogue[ImageIndex(ImageId::Menu)] = {32, 16};
  catalogue[ImageIndex(OutcomeImage(1, 1))] = {8, 8};
  catalogue[ImageIndex(OutcomeImage(3, 1))] = {8, 8};
  catalogue[ImageIndex(ImageId::Back)] = {100, 50};

  std::vector<std::string> warnings;
  std::string error;
  auto set = DecodePictures(files, catalogue, &warnings, &error);
  ASSERT_TRUE(set) << error;

  // Drawn over red, the key-coloured pixels leave the red showing.
  auto blitOverRed = [](SDL_Surface* sprite) {
    SurfacePtr target(
        SDL_CreateRGBSurfaceWithFormat(0, sprite->w, sprite->h, 32, SDL_PIXELFORMAT_XRGB8888));
    SDL_FillRect(target.get(), nullptr, SDL_MapRGB(target->format, 255, 0, 0));
    SDL_BlitSurface(sprite, nullptr, target.get(), nullptr);
    return target;
  };
  auto white = blitOverRed((*set)[FrameImage(0, 0, 0)].surface.get());
  EXPECT_EQ(BottomLeftColour((*set)[FrameImage(0, 0, 0)].surface.get()), 0xFFFFFFu);
  const Colour expected[3][4] = {{{255, 0, 0}, {0, 0, 0}, {255, 240, 255}, {255, 0, 0}},
                                 {{0, 0, 0}, {255, 240, 255}, {255, 0, 0}, {64, 0, 255}},
                                 {{255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {255, 0, 0}}};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      const Colour c = PixelAt(white.get(), x, y), e = expected[y][x];
      EXPECT_TRUE(c.r == e.r && c.g == e.g && c.b == e.b) << x << "," << y;
    }
  }
  // With a pink bottom-left pixel, pink is see-through and white is drawn.
  auto pink = blitOverRed((*set)[FrameImage(0, 1, 0)].surface.get());
  EXPECT_EQ(BottomLeftColour((*set)[FrameImage(0, 1, 0)].surface.get()), 0xFFF0FFu);
  const Colour whiteDrawn = PixelAt(pink.get(), 0, 0), pinkGone = PixelAt(pink.get(), 2, 0);
  EXPECT_TRUE(whiteDrawn.r == 255 && whiteDrawn.g == 255 && whiteDrawn.b == 255);
  EXPECT_TRUE(pinkGone.r == 255 && pinkGone.g == 0 && pinkGone.b == 0);

  // The JPEG decodes to its colour (within JPEG's rounding) and is not keyed.
  SDL_Surface* m = (*set)[ImageId::Menu].surface.get();
  ASSERT_EQ(m->w, 32);
  const Colour c = PixelAt(m, 10, 10);
  EXPECT_NEAR(c.r, 50, 3);
  EXPECT_NEAR(c.g, 100, 3);
  EXPECT_NEAR(c.b, 150, 3);
  EXPECT_FALSE((*set)[ImageId::Menu].keyed);

  // Identical files share one decoded picture.
  EXPECT_EQ((*set)[OutcomeImage(1, 1)].surface, (*set)[OutcomeImage(3, 1)].surface);
  // The missing background is a placeholder of its size, and says so.
  EXPECT_TRUE((*set)[ImageId::Back].placeholder);
  EXPECT_EQ((*set)[ImageId::Back].surface->w, 100);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("imgBack.jpg"), std::string::npos);
}

TEST(Pictures, WrongSizesAndBrokenFilesAreErrors) {
  const auto menu = SolidJpeg(32, 16, {50, 100, 150});
  ImageCatalogue catalogue{};
  catalogue[ImageIndex(ImageId::Menu)] = {1600, 800};
  std::vector<std::string> warnings;
  std::string error;
  const std::vector<EmbeddedFile> wrongSize = {{"imgMenu.jpg", menu}};
  EXPECT_FALSE(DecodePictures(wrongSize, catalogue, &warnings, &error));
  EXPECT_NE(error.find("imgMenu.jpg is 32x16 but the game needs 1600x800"), std::string::npos)
      << error;

  const std::vector<unsigned char> junk = {'B', 'M', 1, 2, 3};
  const std::vector<EmbeddedFile> broken = {{"imgEm0300.bmp", junk}};
  ImageCatalogue frames{};
  frames[ImageIndex(FrameImage(3, 0, 0))] = {96, 95};
  error.clear();
  EXPECT_FALSE(DecodePictures(broken, frames, &warnings, &error));
  EXPECT_NE(error.find("imgEm0300.bmp"), std::string::npos) << error;

  // A JPEG cut short inside its picture data: the decoder only warns, and the picture is refused
  // all the same, never shown with made-up blocks.
  const auto whole = SolidJpeg(32, 16, {50, 100, 150});
  size_t scan = 0;
  while (scan + 1 < whole.size() && !(whole[scan] == 0xFF && whole[scan + 1] == 0xDA)) ++scan;
  ASSERT_LT(scan + 24, whole.size());
  const std::vector<unsigned char> cut(whole.begin(), whole.begin() + scan + 24);
  JpegDecoder decoder;
  error.clear();
  EXPECT_TRUE(decoder.Decode(whole, &error)) << error;
  EXPECT_FALSE(decoder.Decode(cut, &error));
  EXPECT_NE(error.find("damaged JPEG"), std::string::npos) << error;
  catalogue[ImageIndex(ImageId::Menu)] = {32, 16};
  const std::vector<EmbeddedFile> truncated = {{"imgMenu.jpg", cut}};
  error.clear();
  warnings.clear();
  EXPECT_FALSE(DecodePictures(truncated, catalogue, &warnings, &error));
  EXPECT_NE(error.find("picture imgMenu.jpg: damaged JPEG"), std::string::npos) << error;
  const std::vector<EmbeddedFile> intact = {{"imgMenu.jpg", whole}};
  EXPECT_TRUE(DecodePictures(intact, catalogue, &warnings, &error)) << error;
}

TEST(Pictures, DecodingOnSeveralThreadsGivesThePixelsOfOne) {
  // The shipped pictures, with one outcome picture damaged: every thread count decodes the same
  // pixels into the same slots, shares twins the same way and reports the damaged file in its own.
  std::vector<EmbeddedFile> files(EmbeddedFiles().begin(), EmbeddedFiles().end());
  const std::string damagedName = PictureFileName(OutcomeImage(2, 1));
  std::vector<unsigned char> damaged;
  for (EmbeddedFile& file : files) {
    if (file.name != damagedName) continue;
    damaged.assign(file.bytes.begin(),
                   file.bytes.begin() + static_cast<ptrdiff_t>(file.bytes.size() / 2));
    file.bytes = damaged;
  }
  ASSERT_FALSE(damaged.empty());
  const DecodedJpegs one = DecodeJpegs(files, ShippedCatalogue(), 1);
  const int damagedIndex = ImageIndex(OutcomeImage(2, 1));
  EXPECT_FALSE(one.images[damagedIndex]);
  EXPECT_NE(one.errors[damagedIndex].find("damaged JPEG"), std::string::npos)
      << one.errors[damagedIndex];
  int decoded = 0;
  for (const auto& image : one.images) decoded += image ? 1 : 0;
  EXPECT_GE(decoded, 10);
  for (int threads : {0, 2, 3, 4, 64}) {
    const DecodedJpegs many = DecodeJpegs(files, ShippedCatalogue(), threads);
    for (int i = 0; i < ImageCount; ++i) {
      const std::string_view name = ImageName(static_cast<ImageId>(i));
      ASSERT_EQ(bool(many.images[i]), bool(one.images[i])) << name << " on " << threads;
      EXPECT_EQ(many.errors[i], one.errors[i]) << name << " on " << threads;
      if (!one.images[i]) continue;
      const RawImage& a = *one.images[i];
      const RawImage& b = *many.images[i];
      ASSERT_EQ(a.width, b.width) << name;
      ASSERT_EQ(a.height, b.height) << name;
      EXPECT_EQ(
          std::memcmp(a.pixels.get(), b.pixels.get(), static_cast<size_t>(a.width) * a.height * 4),
          0)
          << name << " on " << threads;
    }
  }
  // The damaged picture stops start-up with one line naming it.
  std::vector<std::string> warnings;
  std::string error;
  EXPECT_FALSE(DecodePictures(files, ShippedCatalogue(), DecodeJpegs(files, ShippedCatalogue(), 0),
                              &warnings, &error));
  EXPECT_NE(error.find("picture " + damagedName + ": damaged JPEG"), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

}  // namespace
}  // namespace skelvar::ui
