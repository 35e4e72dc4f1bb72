#include "ui/render/texture_store.h"

#include <algorithm>
#include <cstdint>

namespace skelvar::ui {

TextureStore::TextureStore(SDL_Renderer* renderer, PictureSet pictures, int maxTileWidth)
    : renderer_(renderer),
      maxTileWidth_(maxTileWidth),
      pending_(std::move(pictures)),
      menuPixels_(pending_[ImageId::Menu].surface) {}

void TextureStore::Add(PictureSet more) {
  for (int i = 0; i < ImageCount; ++i) {
    StoredPicture& picture = more.pictures[static_cast<size_t>(i)];
    if (picture.surface && !textures_[static_cast<size_t>(i)]) {
      pending_.pictures[static_cast<size_t>(i)] = std::move(picture);
    }
  }
}

void TextureStore::Preload() {
  for (int i = 0; i < ImageCount; ++i) Texture(static_cast<ImageId>(i));
}

const TiledTexture* TextureStore::Texture(ImageId id) {
  const int i = ImageIndex(id);
  if (i < 0 || i >= ImageCount) return nullptr;
  if (!textures_[i]) {
    StoredPicture& picture = pending_.pictures[i];
    if (!picture.surface) return nullptr;
    textures_[i] = Upload(picture.surface.get(), picture.keyed);
    if (!textures_[i]) return nullptr;
    // Pictures with the same pixels share their textures too: those still waiting get it now,
    // while their pixels are held. (Pixels let go may leave their address to different ones.)
    for (int k = 0; k < ImageCount; ++k) {
      StoredPicture& other = pending_.pictures[k];
      if (k != i && !textures_[k] && other.surface == picture.surface) {
        textures_[k] = textures_[i];
        other.surface.reset();
      }
    }
    picture.surface.reset();
  }
  return textures_[i].get();
}

std::shared_ptr<TiledTexture> TextureStore::Upload(SDL_Surface* surface, bool keyed) {
  auto tiled = std::make_shared<TiledTexture>();
  tiled->width = surface->w;
  tiled->height = surface->h;
  for (int x = 0; x < surface->w; x += maxTileWidth_) {
    const int width = std::min(maxTileWidth_, surface->w - x);
    TexturePtr texture;
    if (keyed) {
      // The colour key becomes an alpha channel in the texture: key-coloured pixels vanish.
      texture.reset(SDL_CreateTextureFromSurface(renderer_, surface));
    } else {
      texture.reset(SDL_CreateTexture(renderer_, surface->format->format, SDL_TEXTUREACCESS_STATIC,
                                      width, surface->h));
      if (texture) {
        const auto* pixels =
            static_cast<const uint8_t*>(surface->pixels) + x * surface->format->BytesPerPixel;
        SDL_UpdateTexture(texture.get(), nullptr, pixels, surface->pitch);
        SDL_SetTextureBlendMode(texture.get(), SDL_BLENDMODE_NONE);
      }
    }
    if (!texture) {
      SDL_Log("skelvar: cannot create a texture: %s", SDL_GetError());
      return nullptr;
    }
    // Filtered when the view is scaled; drawn at their own size they are copied exactly.
    SDL_SetTextureScaleMode(texture.get(), SDL_ScaleModeLinear);
    tiled->tiles.push_back({std::move(texture), x, width});
    if (keyed) break;  // sprites are small enough for one texture
  }
  return tiled;
}

void DrawTiled(SDL_Renderer* renderer, const TiledTexture& texture, const SDL_Rect& source,
               const SDL_Rect& dest, uint8_t alpha) {
  // Where a column of the source lands, counted from the source's left edge; tiles that meet in
  // the source meet on the screen too.
  const auto along = [&](int columns) {
    return static_cast<int>((2 * int64_t{columns} * dest.w + source.w) / (2 * int64_t{source.w}));
  };
  const int from = source.x, to = source.x + source.w;
  for (const TiledTexture::Tile& tile : texture.tiles) {
    const int x0 = std::max(from, tile.x), x1 = std::min(to, tile.x + tile.width);
    if (x1 <= x0) continue;
    const SDL_Rect src{x0 - tile.x, source.y, x1 - x0, source.h};
    const int left = dest.x + along(x0 - from), right = dest.x + along(x1 - from);
    const SDL_Rect dst{left, dest.y, right - left, dest.h};
    if (alpha != 255) SDL_SetTextureAlphaMod(tile.texture.get(), alpha);
    SDL_RenderCopy(renderer, tile.texture.get(), &src, &dst);
    if (alpha != 255) SDL_SetTextureAlphaMod(tile.texture.get(), 255);
  }
}

}  // namespace skelvar::ui
