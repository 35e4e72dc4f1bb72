#include "ui/render/scene_renderer.h"

#include <algorithm>
#include <cmath>

#include "ui/render/area_scale.h"

namespace skelvar::ui {

SurfacePtr SceneRenderer::ShrinkMenuFor(const Scene& scene, const PictureSet& pictures) {
  SDL_Surface* menu = pictures[ImageId::Menu].surface.get();
  if (menu == nullptr) return nullptr;
  const BlendedList frame = ScaleDrawList(BuildDrawList(scene), 1.0);
  const ScreenMapping mapping =
      ScreenMapping::Identity(scene.window.clientWidth, scene.window.clientHeight);
  for (const BlendedOp& op : frame) {
    if (op.kind != DrawKind::Image || op.image != ImageId::Menu) continue;
    // Where DrawImage puts it, and whether it shrinks it there.
    const PixelRect dest = mapping.RectToScreen(op.dest);
    const bool stretched = std::abs(op.dest.width - op.source.width) > 1e-6 ||
                           std::abs(op.dest.height - op.source.height) > 1e-6;
    if (!stretched || dest.width <= 0 || dest.height <= 0 || dest.width > menu->w ||
        dest.height > menu->h) {
      return nullptr;
    }
    return AreaDownscale(menu, dest.width, dest.height);
  }
  return nullptr;
}

std::unique_ptr<SceneRenderer> SceneRenderer::Create(SDL_Renderer* renderer, PictureSet pictures,
                                                     const LabelFont& font, std::string* error,
                                                     SurfacePtr shrunkMenu) {
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(renderer, &info) != 0) {
    *error = std::string("cannot query the renderer: ") + SDL_GetError();
    return nullptr;
  }
  const int maxTileWidth =
      info.max_texture_width > 0 ? std::min(info.max_texture_width, 2048) : 2048;
  // The software renderer draws straight into pixels that stay as they are between frames, and
  // filters on the processor; a graphics card filters every frame for next to nothing.
  const bool software = info.name != nullptr && std::string_view(info.name) == "software";
  std::unique_ptr<SceneRenderer> self(
      new SceneRenderer(renderer, std::move(pictures), font, maxTileWidth, software));
  self->menu_.Seed(std::move(shrunkMenu));
  return self;
}

PixelRect SceneRenderer::ToScreen(const FloatRect& r) const {
  const double k = unitsPerFramePixel_;
  return mapping_.RectToScreen(FloatRect{r.left * k, r.top * k, r.width * k, r.height * k});
}

void SceneRenderer::FillRect(const PixelRect& screen, Rgb colour) {
  const SDL_Rect rect{screen.left, screen.top, screen.width, screen.height};
  SDL_SetRenderDrawColor(renderer_, colour.r, colour.g, colour.b, 255);
  SDL_RenderFillRect(renderer_, &rect);
}

PixelRect SceneRenderer::OpaqueCover(const BlendedList& frame, const BlendedOp* fill,
                                     const PixelRect& area) {
  PixelRect best;
  int64_t bestArea = 0;
  for (const BlendedOp* op = fill + 1; op != frame.end(); ++op) {
    const bool opaque = op->kind == DrawKind::Fill || (op->kind == DrawKind::Image && !op->keyed &&
                                                       textures_.Texture(op->image) != nullptr);
    if (!opaque) continue;
    const PixelRect covered =
        IntersectRects(area, IntersectRects(ToScreen(op->dest), ToScreen(op->clip)));
    const int64_t size = int64_t{covered.width} * covered.height;
    if (size > bestArea) {
      best = covered;
      bestArea = size;
    }
  }
  return best;
}

void SceneRenderer::PlanFills(const BlendedList& frame,
                              std::array<int, DrawList::Capacity>& firstBand,
                              std::array<int, DrawList::Capacity>& bands) {
  for (const BlendedOp& op : frame) {
    const auto i = &op - frame.begin();
    const PixelRect clip = ToScreen(op.clip);
    bands[i] = 0;
    if (op.kind == DrawKind::Fill) {
      const PixelRect area = IntersectRects(ToScreen(op.dest), clip);
      const PixelRect cover = planFills_ ? OpaqueCover(frame, &op, area) : PixelRect{};
      firstBand[i] = fills_.AddFill(area, cover, op.colour, &bands[i]);
    } else {
      // The label's letters may reach past its box: all of its clip counts.
      fills_.AddOther(op.kind == DrawKind::Text ? clip : IntersectRects(ToScreen(op.dest), clip));
    }
  }
}

void SceneRenderer::Outline(const BlendedOp& op) {
  SDL_SetRenderDrawColor(renderer_, op.colour.r, op.colour.g, op.colour.b, 255);
  const PixelRect d = ToScreen(op.dest);
  if (mapping_.IsIdentity()) {
    const SDL_Rect dest{d.left, d.top, d.width, d.height};
    SDL_RenderDrawRect(renderer_, &dest);
    return;
  }
  // Scaled, the line is as thick as one unit: four bands, each one unit wide, mapped edge by edge.
  const FloatRect& f = op.dest;
  const double unit = 1.0 / unitsPerFramePixel_;
  const std::array<FloatRect, 4> bands = {
      FloatRect{f.left, f.top, f.width, unit},
      FloatRect{f.left, f.top + f.height - unit, f.width, unit},
      FloatRect{f.left, f.top, unit, f.height},
      FloatRect{f.left + f.width - unit, f.top, unit, f.height}};
  for (const FloatRect& band : bands) {
    const PixelRect screen = ToScreen(band);
    const SDL_Rect rect{screen.left, screen.top, screen.width, screen.height};
    SDL_RenderFillRect(renderer_, &rect);
  }
}

void SceneRenderer::DrawImage(const BlendedOp& op, const SDL_Rect& clip) {
  const TiledTexture* texture = textures_.Texture(op.image);
  if (texture == nullptr) return;
  const PixelRect screen = ToScreen(op.dest);
  const SDL_Rect dest{screen.left, screen.top, screen.width, screen.height};
  const SDL_Rect source{op.source.left, op.source.top, op.source.width, op.source.height};
  if (dest.w <= 0 || dest.h <= 0 || source.w <= 0 || source.h <= 0) return;
  const double k = unitsPerFramePixel_;
  const bool stretched = std::abs(op.dest.width * k - op.source.width) > 1e-6 ||
                         std::abs(op.dest.height * k - op.source.height) > 1e-6;
  if (stretched) {
    const SharedSurface& menu = textures_.menuPixels();
    if (op.image != ImageId::Menu || !menu) return;
    if (dest.w > menu->w || dest.h > menu->h) {
      // Shown larger than the picture itself (on a large screen): filtered up from it.
      DrawTiled(renderer_, *texture, source, dest);
      return;
    }
    menu_.Draw(renderer_, menu.get(), dest);
    return;
  }
  // A translucent picture (a raced run's girl) is drawn straight from its texture.
  if (op.alpha == 255 && keepsScaledCopies_ && !mapping_.IsIdentity() &&
      copies_.Draw(op.image, op.keyed, *texture, op.source, dest, mapping_, clip)) {
    return;
  }
  DrawTiled(renderer_, *texture, source, dest, op.alpha);
}

void SceneRenderer::Draw(const Scene& scene) {
  Draw(scene, scene.window.clientWidth, scene.window.clientHeight);
}

void SceneRenderer::Draw(const Scene& scene, int32_t screenWidth, int32_t screenHeight) {
  const DrawList list = BuildDrawList(scene);
  Draw(ScaleDrawList(list, 1.0), scene.window.clientWidth, scene.window.clientHeight, screenWidth,
       screenHeight);
}

void SceneRenderer::Draw(const BlendedList& frame, int32_t clientWidth, int32_t clientHeight,
                         int32_t screenWidth, int32_t screenHeight) {
  const ScreenMapping mapping{std::max(clientWidth, 1), std::max(clientHeight, 1),
                              std::max(screenWidth, 1), std::max(screenHeight, 1)};
  int targetWidth = 0, targetHeight = 0;
  SDL_GetRendererOutputSize(renderer_, &targetWidth, &targetHeight);
  const auto& m = mapping_;
  const bool retained =
      retainsPixels_ && !repaintAll_ && !mapping.IsIdentity() &&
      m.logicalWidth == mapping.logicalWidth && m.logicalHeight == mapping.logicalHeight &&
      m.screenWidth == mapping.screenWidth && m.screenHeight == mapping.screenHeight &&
      targetWidth == targetWidth_ && targetHeight == targetHeight_;
  mapping_ = mapping;
  targetWidth_ = targetWidth;
  targetHeight_ = targetHeight;
  repaintAll_ = false;
  unitsPerFramePixel_ = frame.scale > 0.0 ? 1.0 / frame.scale : 1.0;

  fills_.Begin(retained && planFills_);
  std::array<int, DrawList::Capacity> firstBand{}, bands{};
  PlanFills(frame, firstBand, bands);
  for (const BlendedOp& op : frame) {
    const auto i = &op - frame.begin();
    const PixelRect c = ToScreen(op.clip);
    const SDL_Rect clip{c.left, c.top, c.width, c.height};
    SDL_RenderSetClipRect(renderer_, &clip);
    switch (op.kind) {
      case DrawKind::Fill:
        for (int k = firstBand[i]; k < firstBand[i] + bands[i]; ++k) {
          if (!fills_.StillOnScreen(k)) FillRect(fills_.band(k), op.colour);
        }
        break;
      case DrawKind::Outline:
        Outline(op);
        break;
      case DrawKind::Image:
        DrawImage(op, clip);
        break;
      case DrawKind::Text: {
        const PixelRect at = ToScreen(op.dest);
        label_.Draw(renderer_, TextOf(frame, op), op.colour,
                    mapping_.IsIdentity() ? 1.0 : mapping_.Scale(), at.left, at.top);
        break;
      }
    }
  }
  SDL_RenderSetClipRect(renderer_, nullptr);
  fills_.End(retainsPixels_ && !mapping_.IsIdentity());
  copies_.EndFrame();
}

}  // namespace skelvar::ui
