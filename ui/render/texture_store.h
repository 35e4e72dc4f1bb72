// The stored pictures as textures of one renderer, uploaded once each when first drawn.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "game/images.h"
#include "ui/render/pictures.h"
#include "ui/render/sdl_handles.h"

namespace skelvar::ui {

// A picture as one or more textures side by side: the background is wider than a renderer's
// largest texture.
struct TiledTexture {
  struct Tile {
    TexturePtr texture;
    int x = 0;
    int width = 0;
  };
  std::vector<Tile> tiles;
  int width = 0;
  int height = 0;
};

// The source part of a tiled texture into dest (screen pixels), each tile its share, as opaque as
// alpha says (255 for fully).
void DrawTiled(SDL_Renderer* renderer, const TiledTexture& texture, const SDL_Rect& source,
               const SDL_Rect& dest, uint8_t alpha = 255);

class TextureStore {
 public:
  // Takes the stored pictures; each becomes textures of `renderer` when first drawn or at
  // Preload, after which its pixels are let go (the menu picture's are kept for shrinking it).
  TextureStore(SDL_Renderer* renderer, PictureSet pictures, int maxTileWidth);

  // The textures of a stored picture, uploading it on first use; null if it has none.
  const TiledTexture* Texture(ImageId id);
  // Uploads every picture not drawn yet, so that no later frame waits for one.
  void Preload();
  // Takes pictures decoded after the store was made (those it has no pixels or textures for).
  void Add(PictureSet more);

  const SharedSurface& menuPixels() const { return menuPixels_; }
  int maxTileWidth() const { return maxTileWidth_; }

 private:
  std::shared_ptr<TiledTexture> Upload(SDL_Surface* surface, bool keyed);

  SDL_Renderer* renderer_;
  int maxTileWidth_;
  std::array<std::shared_ptr<TiledTexture>, ImageCount> textures_;
  PictureSet pending_;  // pictures not uploaded yet
  SharedSurface menuPixels_;
};

}  // namespace skelvar::ui
