#include "ui/scene_renderer.h"

#include <algorithm>
#include <map>

#include "ui/area_scale.h"

namespace skelvar::ui {
namespace {

SDL_Rect Intersect(const SDL_Rect& a, const SDL_Rect& b) {
  SDL_Rect r{};
  if (!SDL_IntersectRect(&a, &b, &r)) return SDL_Rect{0, 0, 0, 0};
  return r;
}

void Fill(SDL_Renderer* r, const SDL_Rect& rect, uint8_t red, uint8_t green, uint8_t blue) {
  SDL_SetRenderDrawColor(r, red, green, blue, 255);
  SDL_RenderFillRect(r, &rect);
}

}  // namespace

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

bool SceneRenderer::Clip(const SDL_Rect& rect) {
  if (rect.w <= 0 || rect.h <= 0) return false;
  SDL_RenderSetClipRect(renderer_, &rect);
  return true;
}

void SceneRenderer::DrawTiled(const TiledTexture& texture, int x, int y, const SDL_Rect& clip) {
  for (const Tile& tile : texture.tiles) {
    const SDL_Rect dst{x + tile.x, y, tile.width, texture.height};
    if (!SDL_HasIntersection(&dst, &clip)) continue;
    SDL_RenderCopy(renderer_, tile.texture.get(), nullptr, &dst);
  }
}

void SceneRenderer::DrawPicture(const Picture& picture, int originX, int originY,
                                const SDL_Rect& clip) {
  if (!picture.visible || picture.image == ImageId::None) return;
  const TiledTexture* texture = Texture(picture.image);
  if (texture == nullptr) return;
  DrawTiled(*texture, originX + picture.left, originY + picture.top, clip);
}

void SceneRenderer::DrawMenu(const Scene& scene, const SDL_Rect& client) {
  const Panel& panel = scene.pnlMenu;
  const SDL_Rect panelRect =
      Intersect(client, SDL_Rect{panel.left, panel.top, panel.width, panel.height});
  if (!Clip(panelRect)) return;
  Fill(renderer_, panelRect, 0, 0, 0);
  const Picture& menu = scene.imgMenu;
  if (!menu.visible || !menuPixels_) return;
  const int left = panel.left + menu.left, top = panel.top + menu.top;
  if (!Clip(Intersect(panelRect, SDL_Rect{left, top, menu.width, menu.height}))) return;
  const PixelRect place =
      CentredProportionalRect(menuPixels_->w, menuPixels_->h, menu.width, menu.height);
  if (place.width <= 0 || place.height <= 0) return;
  const SDL_Rect dst{left + place.left, top + place.top, place.width, place.height};
  if (place.width == menuPixels_->w && place.height == menuPixels_->h) {
    // It fits: drawn at its own size, never enlarged.
    if (const TiledTexture* texture = Texture(ImageId::Menu)) {
      DrawTiled(*texture, dst.x, dst.y, client);
    }
    return;
  }
  // Scaled once per size, not once per frame.
  if (!scaledMenu_ || scaledMenuWidth_ != place.width || scaledMenuHeight_ != place.height) {
    scaledMenu_.reset();
    SurfacePtr scaled = AreaDownscale(menuPixels_.get(), place.width, place.height);
    if (scaled) scaledMenu_.reset(SDL_CreateTextureFromSurface(renderer_, scaled.get()));
    scaledMenuWidth_ = place.width;
    scaledMenuHeight_ = place.height;
  }
  if (scaledMenu_) SDL_RenderCopy(renderer_, scaledMenu_.get(), nullptr, &dst);
}

void SceneRenderer::DrawLabel(const Label& label, int originX, int originY) {
  const std::string_view text = label.text.view();
  if (text != labelText_) {
    labelText_.assign(text);
    labelTexture_.reset();
    if (font_.font() != nullptr && !text.empty()) {
      std::array<char, 1024> buf;
      SurfacePtr surface(
          TTF_RenderUTF8_Blended(font_.font(), AsCString(text, buf), SDL_Color{0, 0, 0, 255}));
      if (surface) {
        labelTexture_.reset(SDL_CreateTextureFromSurface(renderer_, surface.get()));
        labelWidth_ = surface->w;
        labelHeight_ = surface->h;
        if (labelTexture_) SDL_SetTextureBlendMode(labelTexture_.get(), SDL_BLENDMODE_BLEND);
      }
    }
  }
  if (!labelTexture_) return;
  const SDL_Rect dst{originX + label.left, originY + label.top, labelWidth_, labelHeight_};
  SDL_RenderCopy(renderer_, labelTexture_.get(), nullptr, &dst);
}

void SceneRenderer::Draw(const Scene& scene) {
  const SDL_Rect client{0, 0, scene.window.clientWidth, scene.window.clientHeight};
  SDL_RenderSetClipRect(renderer_, nullptr);
  Fill(renderer_, client, WindowGrey.r, WindowGrey.g, WindowGrey.b);
  if (scene.pnlMenu.visible) DrawMenu(scene, client);

  const Panel& game = scene.pnlGame;
  if (game.visible) {
    const SDL_Rect panel =
        Intersect(client, SDL_Rect{game.left, game.top, game.width, game.height});
    if (Clip(panel)) {
      Fill(renderer_, panel, 255, 255, 255);
      const int x = game.left, y = game.top;
      DrawPicture(scene.imgBack, x, y, panel);
      for (int actor : ActorStacking) DrawPicture(scene.imgEm[actor], x, y, panel);
      const Shape& shape = scene.shpOver;
      if (shape.width > 0 && shape.height > 0) {
        const SDL_Rect frame{x + shape.left, y + shape.top, shape.width, shape.height};
        Fill(renderer_, frame, 255, 255, 255);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderDrawRect(renderer_, &frame);
      }
      DrawPicture(scene.imgOver, x, y, panel);
      DrawLabel(scene.lblMsg, x, y);
    }
  }
  SDL_RenderSetClipRect(renderer_, nullptr);
}

}  // namespace skelvar::ui
