#include "ui/render/pictures.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>

#include "ui/render/jpeg.h"

namespace skelvar::ui {

const EmbeddedFile* FindFile(std::span<const EmbeddedFile> files, std::string_view name) {
  for (const EmbeddedFile& file : files) {
    if (file.name == name) return &file;
  }
  return nullptr;
}

namespace {

bool IsFrame(ImageId id) {
  return ImageIndex(id) < ImageIndex(ImageId::FirstOutcome);
}

uint32_t ReadPixel(SDL_Surface* s, int x, int y) {
  const auto* row = static_cast<const uint8_t*>(s->pixels) + static_cast<ptrdiff_t>(y) * s->pitch;
  uint32_t value = 0;
  std::memcpy(&value, row + x * 4, 4);
  return value;
}

void FillRect(SDL_Surface* s, int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  const SDL_Rect rect{x, y, w, h};
  SDL_FillRect(s, &rect, SDL_MapRGB(s->format, r, g, b));
}

// A stand-in drawn at the catalogue size while the artwork is still being made: frames are a pink
// box with a black outline on the white key colour, the JPEG pictures a plain tinted plate.
SurfacePtr Placeholder(ImageId id, PixelSize size) {
  SurfacePtr s(
      SDL_CreateRGBSurfaceWithFormat(0, size.width, size.height, 32, SDL_PIXELFORMAT_XRGB8888));
  if (!s) return nullptr;
  const int w = size.width, h = size.height;
  if (IsFrame(id)) {
    FillRect(s.get(), 0, 0, w, h, 255, 255, 255);
    FillRect(s.get(), 1, 0, w - 2, h - 1, 0, 0, 0);
    FillRect(s.get(), 2, 1, w - 4, h - 3, 255, 240, 255);
  } else if (id == ImageId::Back) {
    FillRect(s.get(), 0, 0, w, h, 255, 248, 255);
    FillRect(s.get(), 0, h - 20, w, 1, 0, 0, 0);
    for (int x = 0; x < w; x += 250) FillRect(s.get(), x, h - 60, 1, 40, 0, 0, 0);
  } else if (id == ImageId::Menu) {
    FillRect(s.get(), 0, 0, w, h, 60, 10, 20);
    FillRect(s.get(), 0, 0, w, h / 3, 150, 90, 130);
  } else {
    FillRect(s.get(), 0, 0, w, h, 200, 0, 0);
    FillRect(s.get(), 3, 3, w - 6, h - 6, 255, 255, 255);
  }
  return s;
}

SurfacePtr DecodeBitmap(std::span<const unsigned char> bytes, std::string* error) {
  SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  SurfacePtr loaded(SDL_LoadBMP_RW(rw, 1));
  if (!loaded) {
    *error = std::string("not a readable bitmap: ") + SDL_GetError();
    return nullptr;
  }
  // Expanding the palette to true colour makes the key a colour, not a palette slot: every pixel
  // of that exact colour is see-through, whichever entry it uses.
  SurfacePtr converted(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_XRGB8888, 0));
  if (!converted) *error = std::string("cannot convert the bitmap: ") + SDL_GetError();
  return converted;
}

// Wraps decoded pixels in a surface that owns them.
SharedSurface WrapRaw(RawImage image) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      image.pixels.get(), image.width, image.height, 32, image.width * 4, SDL_PIXELFORMAT_XRGB8888);
  if (surface == nullptr) return nullptr;
  // The deleter owns the pixels, so they live exactly as long as the surface.
  std::shared_ptr<uint8_t[]> pixels = std::move(image.pixels);
  return SharedSurface(surface, [pixels](SDL_Surface* s) { SDL_FreeSurface(s); });
}

bool SameBytes(const EmbeddedFile& a, const EmbeddedFile& b) {
  return a.bytes.size() == b.bytes.size() &&
         std::memcmp(a.bytes.data(), b.bytes.data(), a.bytes.size()) == 0;
}

}  // namespace

bool InGroup(ImageId id, PictureGroup group) {
  // The outcome pictures, the menu picture and the background follow the frames.
  const bool rest = id != ImageId::Menu && ImageIndex(id) >= ImageIndex(ImageId::FirstOutcome);
  switch (group) {
    case PictureGroup::Menu:
      return !rest;
    case PictureGroup::Rest:
      return rest;
    default:
      return true;
  }
}

DecodedJpegs DecodeJpegs(std::span<const EmbeddedFile> files, const ImageCatalogue& catalogue,
                         int threads, PictureGroup group) {
  static_assert(SDL_BYTEORDER == SDL_LIL_ENDIAN, "pixel layout assumes a little-endian machine");
  // Each distinct file once, by image index.
  std::vector<std::pair<int, const EmbeddedFile*>> work;
  for (int i = ImageIndex(ImageId::FirstOutcome); i < ImageCount; ++i) {
    const auto id = static_cast<ImageId>(i);
    if (catalogue[i].width <= 0 || catalogue[i].height <= 0 || !InGroup(id, group)) continue;
    const EmbeddedFile* file = FindFile(files, PictureFileName(id));
    if (file == nullptr) continue;
    // A picture with the bytes of one decoded before shares that one's pixels.
    bool twin = false;
    for (const auto& [index, other] : work) twin = twin || SameBytes(*other, *file);
    if (!twin) work.emplace_back(i, file);
  }
  if (threads <= 0) {
    threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()) - 1, 1, 4);
  }
  threads = std::clamp(threads, 1, std::max(1, static_cast<int>(work.size())));
  // Decoding time follows the file's size closely: the largest first, each to the thread with
  // the least bytes so far, so that the threads finish together.
  std::stable_sort(work.begin(), work.end(), [](const auto& a, const auto& b) {
    return a.second->bytes.size() > b.second->bytes.size();
  });
  std::vector<std::vector<int>> shares(static_cast<size_t>(threads));
  std::vector<size_t> load(static_cast<size_t>(threads), 0);
  for (size_t w = 0; w < work.size(); ++w) {
    const auto least =
        static_cast<size_t>(std::min_element(load.begin(), load.end()) - load.begin());
    shares[least].push_back(static_cast<int>(w));
    load[least] += work[w].second->bytes.size();
  }
  DecodedJpegs out;
  // Every thread writes only its own pictures' slots.
  const auto decodeShare = [&](const std::vector<int>& share) {
    JpegDecoder jpeg;
    for (int w : share) {
      const auto& [index, file] = work[static_cast<size_t>(w)];
      out.images[static_cast<size_t>(index)] =
          jpeg.Decode(file->bytes, &out.errors[static_cast<size_t>(index)]);
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (size_t t = 1; t < shares.size(); ++t) {
      try {
        helpers.emplace_back(decodeShare, std::cref(shares[t]));
      } catch (const std::system_error&) {
        // No thread to be had: this one decodes that share as well.
        decodeShare(shares[t]);
      }
    }
    decodeShare(shares[0]);
  }
  return out;
}

std::string PictureFileName(ImageId id) {
  return std::string(ImageName(id)) + (IsFrame(id) ? ".bmp" : ".jpg");
}

uint32_t BottomLeftColour(SDL_Surface* surface) {
  uint8_t r = 0, g = 0, b = 0;
  SDL_GetRGB(ReadPixel(surface, 0, surface->h - 1), surface->format, &r, &g, &b);
  return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

std::optional<PictureSet> DecodePictures(std::span<const EmbeddedFile> files,
                                         const ImageCatalogue& catalogue,
                                         std::vector<std::string>* warnings, std::string* error) {
  return DecodePictures(files, catalogue, DecodeJpegs(files, catalogue), warnings, error);
}

std::optional<PictureSet> DecodePictures(std::span<const EmbeddedFile> files,
                                         const ImageCatalogue& catalogue, DecodedJpegs jpegs,
                                         std::vector<std::string>* warnings, std::string* error,
                                         PictureGroup group) {
  PictureSet set;
  // Files already decoded, so that identical pictures share their pixels.
  std::vector<std::pair<const EmbeddedFile*, SharedSurface>> decoded;
  for (int i = 0; i < ImageCount; ++i) {
    const auto id = static_cast<ImageId>(i);
    const PixelSize size = catalogue[i];
    if (size.width <= 0 || size.height <= 0) continue;  // a frame component without an image
    if (!InGroup(id, group)) continue;
    StoredPicture& picture = set.pictures[i];
    picture.keyed = IsFrame(id);
    const std::string name = PictureFileName(id);
    const EmbeddedFile* file = FindFile(files, name);
    if (file == nullptr) {
      warnings->push_back("picture " + name + " is missing; drawing a placeholder of " +
                          std::to_string(size.width) + "x" + std::to_string(size.height));
      picture.surface = Share(Placeholder(id, size));
      picture.placeholder = true;
      if (!picture.surface) {
        *error = "out of memory for the placeholder of " + name;
        return std::nullopt;
      }
    } else {
      for (const auto& [other, surface] : decoded) {
        if (SameBytes(*other, *file)) {
          picture.surface = surface;
          break;
        }
      }
      if (!picture.surface) {
        std::string why;
        SharedSurface surface;
        if (picture.keyed) {
          surface = Share(DecodeBitmap(file->bytes, &why));
        } else if (jpegs.images[i]) {
          surface = WrapRaw(std::move(*jpegs.images[i]));
          if (!surface) why = std::string("out of memory: ") + SDL_GetError();
        } else {
          why = jpegs.errors[i].empty() ? "not decoded" : jpegs.errors[i];
        }
        if (!surface) {
          *error = "picture " + name + ": " + why;
          return std::nullopt;
        }
        if (surface->w != size.width || surface->h != size.height) {
          *error = "picture " + name + " is " + std::to_string(surface->w) + "x" +
                   std::to_string(surface->h) + " but the game needs " +
                   std::to_string(size.width) + "x" + std::to_string(size.height);
          return std::nullopt;
        }
        picture.surface = std::move(surface);
        decoded.emplace_back(file, picture.surface);
      }
    }
    if (picture.keyed) {
      const uint32_t key = BottomLeftColour(picture.surface.get());
      SDL_SetColorKey(
          picture.surface.get(), SDL_TRUE,
          SDL_MapRGB(picture.surface->format, key >> 16, (key >> 8) & 0xff, key & 0xff));
    }
  }
  const EmbeddedFile* icon =
      group == PictureGroup::Rest ? nullptr : FindFile(files, "icon/skelvar-64.bmp");
  if (icon != nullptr) {
    set.icon.reset(SDL_LoadBMP_RW(
        SDL_RWFromConstMem(icon->bytes.data(), static_cast<int>(icon->bytes.size())), 1));
    if (!set.icon) warnings->push_back(std::string("window icon unreadable: ") + SDL_GetError());
  }
  return set;
}

}  // namespace skelvar::ui
