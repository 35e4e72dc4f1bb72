// How the game's client area, in its own units, lies on the pixels that show it: unchanged in a
// window, stretched over the whole screen in fullscreen.
#pragma once

#include <cstdint>

#include "game/draw_list_blend.h"
#include "game/scene.h"

namespace skelvar::ui {

// Maps the logical client area (logicalWidth x logicalHeight, what the game lays out in) onto
// screenWidth x screenHeight pixels. Each axis scales by its own ratio, so the client area's edges
// land exactly on the screen's; with FitToScreen's logical size the two ratios are its scale to
// within half a pixel over the whole screen.
struct ScreenMapping {
  int32_t logicalWidth = 1;
  int32_t logicalHeight = 1;
  int32_t screenWidth = 1;
  int32_t screenHeight = 1;

  // Unscaled: one logical unit is one pixel.
  static ScreenMapping Identity(int32_t width, int32_t height);

  bool IsIdentity() const { return logicalWidth == screenWidth && logicalHeight == screenHeight; }
  // The pixel edge where a logical edge falls, rounded to the nearest pixel; a rectangle's edges
  // are mapped one by one, so rectangles that touch still touch and never overlap or gap.
  int32_t ToScreenX(int32_t x) const;
  int32_t ToScreenY(int32_t y) const;
  PixelRect ToScreen(const PixelRect& r) const;
  // The same for edges between units (a picture between two ticks' places): the nearest pixel
  // edge, which for a whole unit is the one above.
  int32_t EdgeToScreenX(double x) const;
  int32_t EdgeToScreenY(double y) const;
  PixelRect RectToScreen(const FloatRect& r) const;
  // The logical unit whose pixels (as ToScreen draws them) hold the given screen pixel.
  int32_t ToLogicalX(int32_t x) const;
  int32_t ToLogicalY(int32_t y) const;
  // The vertical scale, for sizes such as the label's font.
  double Scale() const { return static_cast<double>(screenHeight) / logicalHeight; }
};

}  // namespace skelvar::ui
