#include "ui/scene_renderer.h"

#include <algorithm>
#include <map>

#include "ui/area_scale.h"

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
    tiled->tiles.push_back({std::move(texture), x, width});
    if (keyed) break;  // sprites are small enough for one texture
  }
  return tiled;
}

void SceneRenderer::SetClip(const PixelRect& rect) {
  const SDL_Rect r{rect.left, rect.top, rect.width, rect.height};
  SDL_RenderSetClipRect(renderer_, &r);
}

void SceneRenderer::DrawImage(const DrawOp& op) {
  const TiledTexture* texture = Texture(op.image);
  if (texture == nullptr) return;
  const SDL_Rect dest{op.dest.left, op.dest.top, op.dest.width, op.dest.height};
  if (op.dest.width != op.source.width || op.dest.height != op.source.height) {
    if (op.image != ImageId::Menu || !menuPixels_) return;
    // The menu picture is shrunk once per size, not once per frame.
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
  // Drawn at its own size: each tile contributes its share of the visible slice.
  const int from = op.source.left, to = op.source.left + op.source.width;
  for (const Tile& tile : texture->tiles) {
    const int x0 = std::max(from, tile.x), x1 = std::min(to, tile.x + tile.width);
    if (x1 <= x0) continue;
    const SDL_Rect src{x0 - tile.x, op.source.top, x1 - x0, op.source.height};
    const SDL_Rect dst{dest.x + (x0 - from), dest.y, x1 - x0, dest.h};
    SDL_RenderCopy(renderer_, tile.texture.get(), &src, &dst);
  }
}

void SceneRenderer::DrawText(const DrawOp& op, std::string_view text) {
  if (text != labelText_) {
    labelText_.assign(text);
    labelTexture_.reset();
    if (font_.font() != nullptr && !text.empty()) {
      std::array<char, 1024> buf;
      SurfacePtr surface(
          TTF_RenderUTF8_Blended(font_.font(), AsCString(text, buf),
                                 SDL_Color{op.colour.r, op.colour.g, op.colour.b, 255}));
      if (surface) {
        labelTexture_.reset(SDL_CreateTextureFromSurface(renderer_, surface.get()));
        labelWidth_ = surface->w;
        labelHeight_ = surface->h;
        if (labelTexture_) SDL_SetTextureBlendMode(labelTexture_.get(), SDL_BLENDMODE_BLEND);
      }
    }
  }
  if (!labelTexture_) return;
  const SDL_Rect dst{op.dest.left, op.dest.top, labelWidth_, labelHeight_};
  SDL_RenderCopy(renderer_, labelTexture_.get(), nullptr, &dst);
}

void SceneRenderer::Draw(const Scene& scene) {
  const DrawList list = BuildDrawList(scene);
  for (const DrawOp& op : list) {
    SetClip(op.clip);
    const SDL_Rect dest{op.dest.left, op.dest.top, op.dest.width, op.dest.height};
    switch (op.kind) {
      case DrawKind::Fill:
        SDL_SetRenderDrawColor(renderer_, op.colour.r, op.colour.g, op.colour.b, 255);
        SDL_RenderFillRect(renderer_, &dest);
        break;
      case DrawKind::Outline:
        SDL_SetRenderDrawColor(renderer_, op.colour.r, op.colour.g, op.colour.b, 255);
        SDL_RenderDrawRect(renderer_, &dest);
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
}

}  // namespace skelvar::ui
