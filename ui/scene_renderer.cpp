#include "ui/scene_renderer.h"

#include <algorithm>
#include <cmath>

#include "ui/area_scale.h"
#include "ui/overdraw.h"

namespace skelvar::ui {

std::unique_ptr<SceneRenderer> SceneRenderer::Create(SDL_Renderer* renderer, PictureSet pictures,
                                                     const LabelFont& font, std::string* error) {
  std::unique_ptr<SceneRenderer> self(new SceneRenderer(renderer, font));
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(renderer, &info) != 0) {
    *error = std::string("cannot query the renderer: ") + SDL_GetError();
    return nullptr;
  }
  if (info.max_texture_width > 0) self->maxTileWidth_ = std::min(info.max_texture_width, 2048);
  // The software renderer draws straight into pixels that stay as they are between frames.
  self->retainsPixels_ = info.name != nullptr && std::string_view(info.name) == "software";
  self->menuPixels_ = pictures[ImageId::Menu].surface;
  self->pending_ = std::move(pictures);
  return self;
}

void SceneRenderer::Preload() {
  for (int i = 0; i < ImageCount; ++i) Texture(static_cast<ImageId>(i));
}

const SceneRenderer::TiledTexture* SceneRenderer::Texture(ImageId id) {
  const int i = ImageIndex(id);
  if (i < 0 || i >= ImageCount) return nullptr;
  if (!textures_[i]) {
    StoredPicture& picture = pending_.pictures[i];
    if (!picture.surface) return nullptr;
    // Pictures with the same pixels share their textures too.
    for (int k = 0; k < ImageCount && !textures_[i]; ++k) {
      if (k != i && textures_[k] && sharedWith_[k] == picture.surface.get()) {
        textures_[i] = textures_[k];
      }
    }
    if (!textures_[i]) textures_[i] = Upload(picture.surface.get(), picture.keyed);
    if (!textures_[i]) return nullptr;
    sharedWith_[i] = picture.surface.get();
    picture.surface.reset();
  }
  return textures_[i].get();
}

std::shared_ptr<SceneRenderer::TiledTexture> SceneRenderer::Upload(SDL_Surface* surface,
                                                                   bool keyed) {
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

void SceneRenderer::SetClip(const PixelRect& rect) {
  const PixelRect screen = mapping_.ToScreen(rect);
  const SDL_Rect r{screen.left, screen.top, screen.width, screen.height};
  SDL_RenderSetClipRect(renderer_, &r);
}

int SceneRenderer::FillParts(const DrawList& list, const DrawOp* fill,
                             std::array<PixelRect, 4>& parts) {
  return Uncovered(IntersectRects(fill->dest, fill->clip), OpaqueCover(list, fill), parts);
}

void SceneRenderer::FillRect(const PixelRect& part, Rgb colour) {
  const PixelRect screen = mapping_.ToScreen(part);
  const SDL_Rect rect{screen.left, screen.top, screen.width, screen.height};
  SDL_SetRenderDrawColor(renderer_, colour.r, colour.g, colour.b, 255);
  SDL_RenderFillRect(renderer_, &rect);
}

PixelRect SceneRenderer::OpaqueCover(const DrawList& list, const DrawOp* fill) {
  // The largest area that one later operation paints over with opaque pixels: a fill, or a
  // picture without see-through pixels that has its textures.
  const PixelRect area = IntersectRects(fill->dest, fill->clip);
  PixelRect best;
  int64_t bestArea = 0;
  for (const DrawOp* op = fill + 1; op != list.end(); ++op) {
    const bool opaque = op->kind == DrawKind::Fill || (op->kind == DrawKind::Image && !op->keyed &&
                                                       Texture(op->image) != nullptr);
    if (!opaque) continue;
    const PixelRect covered = IntersectRects(area, IntersectRects(op->dest, op->clip));
    const int64_t size = int64_t{covered.width} * covered.height;
    if (size > bestArea) {
      best = covered;
      bestArea = size;
    }
  }
  return best;
}

void SceneRenderer::Outline(const DrawOp& op) {
  SDL_SetRenderDrawColor(renderer_, op.colour.r, op.colour.g, op.colour.b, 255);
  const PixelRect& d = op.dest;
  if (mapping_.IsIdentity()) {
    const SDL_Rect dest{d.left, d.top, d.width, d.height};
    SDL_RenderDrawRect(renderer_, &dest);
    return;
  }
  // Scaled, the line is as thick as one unit: four bands, each one unit wide, mapped edge by edge.
  const std::array<PixelRect, 4> bands = {
      PixelRect{d.left, d.top, d.width, 1}, PixelRect{d.left, d.top + d.height - 1, d.width, 1},
      PixelRect{d.left, d.top, 1, d.height}, PixelRect{d.left + d.width - 1, d.top, 1, d.height}};
  for (const PixelRect& band : bands) {
    const PixelRect screen = mapping_.ToScreen(band);
    const SDL_Rect rect{screen.left, screen.top, screen.width, screen.height};
    SDL_RenderFillRect(renderer_, &rect);
  }
}

void SceneRenderer::DrawImage(const DrawOp& op) {
  const TiledTexture* texture = Texture(op.image);
  if (texture == nullptr) return;
  const PixelRect screen = mapping_.ToScreen(op.dest);
  const SDL_Rect dest{screen.left, screen.top, screen.width, screen.height};
  const SDL_Rect source{op.source.left, op.source.top, op.source.width, op.source.height};
  if (dest.w <= 0 || dest.h <= 0 || source.w <= 0 || source.h <= 0) return;
  if (op.dest.width != op.source.width || op.dest.height != op.source.height) {
    if (op.image != ImageId::Menu || !menuPixels_) return;
    if (dest.w > menuPixels_->w || dest.h > menuPixels_->h) {
      // Shown larger than the picture itself (on a large screen): filtered up from it.
      DrawTiled(*texture, source, dest);
      return;
    }
    // The menu picture is shrunk once per size on screen, not once per frame.
    if (!scaledMenu_ || scaledMenuWidth_ != dest.w || scaledMenuHeight_ != dest.h) {
      scaledMenu_.reset();
      SurfacePtr scaled = AreaDownscale(menuPixels_.get(), dest.w, dest.h);
      if (scaled) scaledMenu_.reset(SDL_CreateTextureFromSurface(renderer_, scaled.get()));
      scaledMenuWidth_ = dest.w;
      scaledMenuHeight_ = dest.h;
    }
    if (scaledMenu_) SDL_RenderCopy(renderer_, scaledMenu_.get(), nullptr, &dest);
    return;
  }
  if (!mapping_.IsIdentity() && DrawScaledCopy(op, *texture, dest)) return;
  DrawTiled(*texture, source, dest);
}

bool SceneRenderer::DrawScaledCopy(const DrawOp& op, const TiledTexture& texture,
                                   const SDL_Rect& dest) {
  const int index = ImageIndex(op.image);
  if (index < 0 || index >= ImageCount) return false;
  ScaledCopy& copy = scaledCopies_[index];
  const auto& m = copy.mapping;
  const bool sameScale =
      m.logicalWidth == mapping_.logicalWidth && m.logicalHeight == mapping_.logicalHeight &&
      m.screenWidth == mapping_.screenWidth && m.screenHeight == mapping_.screenHeight;
  const int from = op.source.left, to = op.source.left + op.source.width;
  if (copy.pixels.tiles.empty() || !sameScale || from < copy.first || to > copy.last) {
    copy = {};
    // The columns in view and about a thousand pixels' worth either side of them.
    const int margin = std::max(1, mapping_.ToLogicalX(1024));
    copy.first = std::max(0, from - margin);
    copy.last = std::min(texture.width, to + margin);
    copy.mapping = mapping_;
    // A pixel more each way than the picture's scaled size: wherever on the screen the picture
    // lies, its edges round to at most that, so the copy always covers its place.
    copy.pixels.width = mapping_.ToScreenX(copy.last - copy.first) + 1;
    copy.pixels.height = mapping_.ToScreenY(texture.height) + 1;
    // Each tile of the copy holds whole columns of the picture and stays within the renderer's
    // largest texture.
    const int columnsPerTile = std::max(1, mapping_.ToLogicalX(maxTileWidth_) - 2);
    SDL_RenderSetClipRect(renderer_, nullptr);
    // A character's frame keeps its see-through pixels: filtered with their alpha into a
    // transparent copy, which is then blended like the frame itself.
    for (const Tile& t : texture.tiles) {
      SDL_SetTextureBlendMode(t.texture.get(), SDL_BLENDMODE_NONE);
    }
    bool made = true;
    for (int c0 = copy.first; c0 < copy.last && made; c0 += columnsPerTile) {
      const int c1 = std::min(copy.last, c0 + columnsPerTile);
      const int x0 = mapping_.ToScreenX(c0 - copy.first);
      const int x1 = c1 == copy.last ? copy.pixels.width : mapping_.ToScreenX(c1 - copy.first);
      TexturePtr tile(
          SDL_CreateTexture(renderer_, op.keyed ? SDL_PIXELFORMAT_ARGB8888 : SDL_PIXELFORMAT_RGB888,
                            SDL_TEXTUREACCESS_TARGET, x1 - x0, copy.pixels.height));
      made = tile && SDL_SetRenderTarget(renderer_, tile.get()) == 0;
      if (made) {
        if (op.keyed) {
          SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 0);
          SDL_RenderClear(renderer_);
        }
        DrawTiled(texture, {c0, 0, c1 - c0, texture.height}, {0, 0, x1 - x0, copy.pixels.height});
        SDL_SetTextureBlendMode(tile.get(), op.keyed ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
        copy.pixels.tiles.push_back({std::move(tile), x0, x1 - x0});
      }
    }
    if (op.keyed) {
      for (const Tile& t : texture.tiles) {
        SDL_SetTextureBlendMode(t.texture.get(), SDL_BLENDMODE_BLEND);
      }
    }
    SDL_SetRenderTarget(renderer_, nullptr);
    SetClip(op.clip);
    if (!made) {
      copy = {};
      return false;
    }
  }
  copy.usedInFrame = frame_;
  // The same pixels as filtering the part afresh, to within the rounding of a pixel's edge.
  const SDL_Rect part{std::min(mapping_.ToScreenX(from - copy.first), copy.pixels.width - dest.w),
                      std::min(mapping_.ToScreenY(op.source.top), copy.pixels.height - dest.h),
                      dest.w, dest.h};
  if (part.x < 0 || part.y < 0) return false;
  DrawTiled(copy.pixels, part, dest);
  return true;
}

void SceneRenderer::ForgetScaledCopies() {
  for (ScaledCopy& copy : scaledCopies_) copy = {};
}

void SceneRenderer::DrawTiled(const TiledTexture& texture, const SDL_Rect& source,
                              const SDL_Rect& dest) {
  // Where a column of the source lands, counted from the source's left edge; tiles that meet in
  // the source meet on the screen too.
  const auto along = [&](int columns) {
    return static_cast<int>((2 * int64_t{columns} * dest.w + source.w) / (2 * int64_t{source.w}));
  };
  const int from = source.x, to = source.x + source.w;
  for (const Tile& tile : texture.tiles) {
    const int x0 = std::max(from, tile.x), x1 = std::min(to, tile.x + tile.width);
    if (x1 <= x0) continue;
    const SDL_Rect src{x0 - tile.x, source.y, x1 - x0, source.h};
    const int left = dest.x + along(x0 - from), right = dest.x + along(x1 - from);
    const SDL_Rect dst{left, dest.y, right - left, dest.h};
    SDL_RenderCopy(renderer_, tile.texture.get(), &src, &dst);
  }
}

TTF_Font* SceneRenderer::LabelFontNow() {
  const int pixels = mapping_.IsIdentity()
                         ? LabelFont::PixelHeight
                         : static_cast<int>(std::lround(LabelFont::PixelHeight * mapping_.Scale()));
  if (pixels == LabelFont::PixelHeight || pixels <= 0) return font_.font();
  if (pixels != scaledFontPixels_) {
    scaledFont_ = font_.OpenAtPixels(pixels);
    scaledFontPixels_ = pixels;
  }
  return scaledFont_ ? scaledFont_.get() : font_.font();
}

void SceneRenderer::DrawText(const DrawOp& op, std::string_view text) {
  TTF_Font* font = LabelFontNow();
  const int pixels = font != nullptr ? TTF_FontHeight(font) : 0;
  if (text != labelText_ || pixels != labelFontPixels_) {
    labelText_.assign(text);
    labelFontPixels_ = pixels;
    labelTexture_.reset();
    if (font != nullptr && !text.empty()) {
      std::array<char, 1024> buf;
      SurfacePtr surface(TTF_RenderUTF8_Blended(
          font, AsCString(text, buf), SDL_Color{op.colour.r, op.colour.g, op.colour.b, 255}));
      if (surface) {
        labelTexture_.reset(SDL_CreateTextureFromSurface(renderer_, surface.get()));
        labelWidth_ = surface->w;
        labelHeight_ = surface->h;
        if (labelTexture_) SDL_SetTextureBlendMode(labelTexture_.get(), SDL_BLENDMODE_BLEND);
      }
    }
  }
  if (!labelTexture_) return;
  const SDL_Rect dst{mapping_.ToScreenX(op.dest.left), mapping_.ToScreenY(op.dest.top), labelWidth_,
                     labelHeight_};
  SDL_RenderCopy(renderer_, labelTexture_.get(), nullptr, &dst);
}

void SceneRenderer::Draw(const Scene& scene) {
  Draw(scene, scene.window.clientWidth, scene.window.clientHeight);
}

namespace {
bool Overlap(const PixelRect& a, const PixelRect& b) {
  const PixelRect both = IntersectRects(a, b);
  return both.width > 0 && both.height > 0;
}
}  // namespace

void SceneRenderer::RepaintAll() {
  lastPaintedCount_ = -1;
}

bool SceneRenderer::StillOnScreen(int part) const {
  if (lastPaintedCount_ < 0) return false;
  const Painted& p = painted_[part];
  int same = -1;
  for (int k = 0; k < lastPaintedCount_ && same < 0; ++k) {
    const Painted& q = lastPainted_[k];
    if (q.fill && q.rect == p.rect && q.colour == p.colour) same = k;
  }
  if (same < 0) return false;
  for (int k = 0; k < lastPaintedCount_; ++k) {
    if (k != same && Overlap(lastPainted_[k].rect, p.rect)) return false;
  }
  for (int k = 0; k < paintedCount_; ++k) {
    if (k != part && Overlap(painted_[k].rect, p.rect)) return false;
  }
  return true;
}

void SceneRenderer::Draw(const Scene& scene, int32_t screenWidth, int32_t screenHeight) {
  const ScreenMapping mapping{std::max(scene.window.clientWidth, 1),
                              std::max(scene.window.clientHeight, 1), std::max(screenWidth, 1),
                              std::max(screenHeight, 1)};
  int targetWidth = 0, targetHeight = 0;
  SDL_GetRendererOutputSize(renderer_, &targetWidth, &targetHeight);
  const auto& m = mapping_;
  if (!retainsPixels_ || mapping.IsIdentity() || m.logicalWidth != mapping.logicalWidth ||
      m.logicalHeight != mapping.logicalHeight || m.screenWidth != mapping.screenWidth ||
      m.screenHeight != mapping.screenHeight || targetWidth != targetWidth_ ||
      targetHeight != targetHeight_) {
    RepaintAll();
  }
  mapping_ = mapping;
  targetWidth_ = targetWidth;
  targetHeight_ = targetHeight;
  const DrawList list = BuildDrawList(scene);

  // Where every operation paints, on the screen; a fill in its parts that nothing covers.
  std::array<int, DrawList::Capacity> firstPart{};
  paintedCount_ = 0;
  for (const DrawOp& op : list) {
    const auto i = &op - list.begin();
    firstPart[i] = paintedCount_;
    if (op.kind == DrawKind::Fill) {
      std::array<PixelRect, 4> parts;
      const int n = FillParts(list, &op, parts);
      for (int k = 0; k < n; ++k) painted_[paintedCount_++] = {parts[k], op.colour, true};
    } else {
      // The label's letters may reach past its box: all of its clip counts.
      const PixelRect area = op.kind == DrawKind::Text ? op.clip : IntersectRects(op.dest, op.clip);
      painted_[paintedCount_++] = {area, {}, false};
    }
  }
  for (const DrawOp& op : list) {
    const auto i = &op - list.begin();
    SetClip(op.clip);
    switch (op.kind) {
      case DrawKind::Fill: {
        const int end = i + 1 < list.count ? firstPart[i + 1] : paintedCount_;
        for (int k = firstPart[i]; k < end; ++k) {
          // Scaled on a screen that keeps its pixels, a plain area that nothing else touched in
          // this frame or the last one is still there: the grey around the play area, say.
          if (!StillOnScreen(k)) FillRect(painted_[k].rect, painted_[k].colour);
        }
        break;
      }
      case DrawKind::Outline:
        Outline(op);
        break;
      case DrawKind::Image:
        DrawImage(op);
        break;
      case DrawKind::Text:
        DrawText(op, list.text);
        break;
    }
  }
  SDL_RenderSetClipRect(renderer_, nullptr);
  if (retainsPixels_ && !mapping_.IsIdentity()) {
    lastPainted_ = painted_;
    lastPaintedCount_ = paintedCount_;
  } else {
    RepaintAll();
  }
  // Scaled copies not drawn for a while (an outcome picture of an earlier run) are let go.
  for (ScaledCopy& copy : scaledCopies_) {
    if (!copy.pixels.tiles.empty() && frame_ - copy.usedInFrame > 100) copy = {};
  }
  ++frame_;
}

}  // namespace skelvar::ui
