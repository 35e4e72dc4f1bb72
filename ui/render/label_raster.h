// The label's text set in its font at the screen's scale, kept as a texture until the text or the
// size changes.
#pragma once

#include <string>
#include <string_view>

#include "game/draw_list.h"
#include "ui/render/font.h"
#include "ui/render/sdl_handles.h"

namespace skelvar::ui {

class LabelRaster {
 public:
  explicit LabelRaster(const LabelFont& font) : font_(font) {}

  // Draws the text with its top-left corner at (x, y) on the screen, in a font `scale` times the
  // label's own size.
  void Draw(SDL_Renderer* renderer, std::string_view text, Rgb colour, double scale, int x, int y);

 private:
  // The label's font at a scale: the shared one unscaled, an own one otherwise.
  TTF_Font* FontAt(double scale);

  const LabelFont& font_;
  FontPtr scaledFont_;
  int scaledFontPixels_ = 0;
  TexturePtr texture_;
  std::string text_;
  int fontPixels_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace skelvar::ui
