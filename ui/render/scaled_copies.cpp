#include "ui/render/scaled_copies.h"

#include <algorithm>

#include "ui/render/area_scale.h"

namespace skelvar::ui {
namespace {

bool SameScale(const ScreenMapping& a, const ScreenMapping& b) {
  return a.logicalWidth == b.logicalWidth && a.logicalHeight == b.logicalHeight &&
         a.screenWidth == b.screenWidth && a.screenHeight == b.screenHeight;
}

// Frames a copy may go undrawn before it is let go: a few seconds at a display's rate.
constexpr int64_t UnusedFrames = 300;

}  // namespace

bool ScaledCopies::Make(Copy& copy, bool keyed, const TiledTexture& texture, int from, int to,
                        const ScreenMapping& mapping) {
  copy = {};
  // The columns in view and about a thousand pixels' worth either side of them.
  const int margin = std::max(1, mapping.ToLogicalX(1024));
  copy.first = std::max(0, from - margin);
  copy.last = std::min(texture.width, to + margin);
  copy.mapping = mapping;
  // A pixel more each way than the picture's scaled size: wherever on the screen the picture
  // lies, its edges round to at most that, so the copy always covers its place.
  copy.pixels.width = mapping.ToScreenX(copy.last - copy.first) + 1;
  copy.pixels.height = mapping.ToScreenY(texture.height) + 1;
  // Each tile of the copy holds whole columns of the picture and stays within the renderer's
  // largest texture.
  const int columnsPerTile = std::max(1, mapping.ToLogicalX(maxTileWidth_) - 2);
  SDL_RenderSetClipRect(renderer_, nullptr);
  // A character's frame keeps its see-through pixels: filtered with their alpha into a
  // transparent copy, which is then blended like the frame itself.
  for (const auto& t : texture.tiles) SDL_SetTextureBlendMode(t.texture.get(), SDL_BLENDMODE_NONE);
  bool made = true;
  for (int c0 = copy.first; c0 < copy.last && made; c0 += columnsPerTile) {
    const int c1 = std::min(copy.last, c0 + columnsPerTile);
    const int x0 = mapping.ToScreenX(c0 - copy.first);
    const int x1 = c1 == copy.last ? copy.pixels.width : mapping.ToScreenX(c1 - copy.first);
    TexturePtr tile(SDL_CreateTexture(renderer_,
                                      keyed ? SDL_PIXELFORMAT_ARGB8888 : SDL_PIXELFORMAT_RGB888,
                                      SDL_TEXTUREACCESS_TARGET, x1 - x0, copy.pixels.height));
    made = tile && SDL_SetRenderTarget(renderer_, tile.get()) == 0;
    if (made) {
      if (keyed) {
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 0);
        SDL_RenderClear(renderer_);
      }
      DrawTiled(renderer_, texture, {c0, 0, c1 - c0, texture.height},
                {0, 0, x1 - x0, copy.pixels.height});
      SDL_SetTextureBlendMode(tile.get(), keyed ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
      copy.pixels.tiles.push_back({std::move(tile), x0, x1 - x0});
    }
  }
  if (keyed) {
    for (const auto& t : texture.tiles) {
      SDL_SetTextureBlendMode(t.texture.get(), SDL_BLENDMODE_BLEND);
    }
  }
  SDL_SetRenderTarget(renderer_, nullptr);
  if (!made) copy = {};
  return made;
}

bool ScaledCopies::Draw(ImageId image, bool keyed, const TiledTexture& texture,
                        const PixelRect& source, const SDL_Rect& dest, const ScreenMapping& mapping,
                        const SDL_Rect& clip) {
  const int index = ImageIndex(image);
  if (index < 0 || index >= ImageCount) return false;
  Copy& copy = copies_[index];
  const int from = source.left, to = source.left + source.width;
  if (copy.pixels.tiles.empty() || !SameScale(copy.mapping, mapping) || from < copy.first ||
      to > copy.last) {
    const bool made = Make(copy, keyed, texture, from, to, mapping);
    SDL_RenderSetClipRect(renderer_, &clip);
    if (!made) return false;
  }
  copy.usedInFrame = frame_;
  // The same pixels as filtering the part afresh, to within the rounding of a pixel's edge.
  const SDL_Rect part{std::min(mapping.ToScreenX(from - copy.first), copy.pixels.width - dest.w),
                      std::min(mapping.ToScreenY(source.top), copy.pixels.height - dest.h), dest.w,
                      dest.h};
  if (part.x < 0 || part.y < 0) return false;
  DrawTiled(renderer_, copy.pixels, part, dest);
  return true;
}

void ScaledCopies::Forget() {
  for (Copy& copy : copies_) copy = {};
}

void ScaledCopies::EndFrame() {
  for (Copy& copy : copies_) {
    if (!copy.pixels.tiles.empty() && frame_ - copy.usedInFrame > UnusedFrames) copy = {};
  }
  ++frame_;
}

void MenuDownscale::Draw(SDL_Renderer* renderer, SDL_Surface* pixels, const SDL_Rect& dest) {
  if (!scaled_ || width_ != dest.w || height_ != dest.h) {
    scaled_.reset();
    SurfacePtr scaled = seed_ && seed_->w == dest.w && seed_->h == dest.h
                            ? std::move(seed_)
                            : AreaDownscale(pixels, dest.w, dest.h);
    seed_.reset();
    if (scaled) scaled_.reset(SDL_CreateTextureFromSurface(renderer, scaled.get()));
    width_ = dest.w;
    height_ = dest.h;
  }
  if (scaled_) SDL_RenderCopy(renderer, scaled_.get(), nullptr, &dest);
}

}  // namespace skelvar::ui
