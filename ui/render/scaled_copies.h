// Pictures kept filtered to the screen's scale, so that a scaled view does not filter every
// picture again in every frame: characters' frames and the background's columns near the view,
// and the menu picture shrunk once per size.
#pragma once

#include <array>
#include <cstdint>

#include "game/images.h"
#include "game/scene.h"
#include "ui/render/screen_mapping.h"
#include "ui/render/texture_store.h"

namespace skelvar::ui {

class ScaledCopies {
 public:
  ScaledCopies(SDL_Renderer* renderer, int maxTileWidth)
      : renderer_(renderer), maxTileWidth_(maxTileWidth) {}

  // Draws a picture's source part into dest (screen pixels) through its copy at the mapping's
  // scale, making the copy first when the view has left the columns it holds; false when there
  // cannot be one. Making a copy resets the clip to `clip`.
  bool Draw(ImageId image, bool keyed, const TiledTexture& texture, const PixelRect& source,
            const SDL_Rect& dest, const ScreenMapping& mapping, const SDL_Rect& clip);
  // Lets go of every copy (the renderer lost its render targets); they are made again when next
  // drawn.
  void Forget();
  // A frame is done: copies not drawn for a while (an outcome picture of an earlier run) go.
  void EndFrame();

 private:
  // A picture's columns [first, last) filtered to the screen's scale once (a character's frame
  // with its see-through pixels), so that a frame copies them instead of filtering them again.
  struct Copy {
    TiledTexture pixels;
    int first = 0;
    int last = 0;
    ScreenMapping mapping;  // the scale it was made for
    int64_t usedInFrame = 0;
  };
  bool Make(Copy& copy, bool keyed, const TiledTexture& texture, int from, int to,
            const ScreenMapping& mapping);

  SDL_Renderer* renderer_;
  int maxTileWidth_;
  std::array<Copy, ImageCount> copies_;
  int64_t frame_ = 0;
};

// The menu picture shrunk by area averaging, once per size on the screen.
class MenuDownscale {
 public:
  // Takes the picture already shrunk to the size the first frame shows it at (made before there
  // was a renderer), so that the first frame does not shrink it.
  void Seed(SurfacePtr shrunk) { seed_ = std::move(shrunk); }
  void Draw(SDL_Renderer* renderer, SDL_Surface* pixels, const SDL_Rect& dest);

 private:
  SurfacePtr seed_;
  TexturePtr scaled_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace skelvar::ui
