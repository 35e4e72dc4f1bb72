#include "ui/render/label_raster.h"

#include <array>
#include <cmath>

namespace skelvar::ui {

TTF_Font* LabelRaster::FontAt(double scale) {
  const int pixels = scale == 1.0 ? LabelFont::PixelHeight
                                  : static_cast<int>(std::lround(LabelFont::PixelHeight * scale));
  if (pixels == LabelFont::PixelHeight || pixels <= 0) return font_.font();
  if (pixels != scaledFontPixels_) {
    scaledFont_ = font_.OpenAtPixels(pixels);
    scaledFontPixels_ = pixels;
  }
  return scaledFont_ ? scaledFont_.get() : font_.font();
}

void LabelRaster::Draw(SDL_Renderer* renderer, std::string_view text, Rgb colour, double scale,
                       int x, int y) {
  TTF_Font* font = FontAt(scale);
  const int pixels = font != nullptr ? TTF_FontHeight(font) : 0;
  if (text != text_ || pixels != fontPixels_) {
    text_.assign(text);
    fontPixels_ = pixels;
    texture_.reset();
    if (font != nullptr && !text.empty()) {
      std::array<char, 1024> buf;
      SurfacePtr surface(TTF_RenderUTF8_Blended(font, AsCString(text, buf),
                                                SDL_Color{colour.r, colour.g, colour.b, 255}));
      if (surface) {
        texture_.reset(SDL_CreateTextureFromSurface(renderer, surface.get()));
        width_ = surface->w;
        height_ = surface->h;
        if (texture_) SDL_SetTextureBlendMode(texture_.get(), SDL_BLENDMODE_BLEND);
      }
    }
  }
  if (!texture_) return;
  const SDL_Rect dst{x, y, width_, height_};
  SDL_RenderCopy(renderer, texture_.get(), nullptr, &dst);
}

}  // namespace skelvar::ui
