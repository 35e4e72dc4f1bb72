#include "ui/render/screen_mapping.h"

#include <algorithm>
#include <cmath>

namespace skelvar::ui {
namespace {

// floor(a / b) for b > 0.
int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

// v * to / from rounded to the nearest integer, halves up.
int32_t ScaleEdge(int32_t v, int32_t from, int32_t to) {
  return static_cast<int32_t>(FloorDiv(2 * int64_t{v} * to + from, 2 * int64_t{from}));
}

// The unit i whose pixels [ScaleEdge(i), ScaleEdge(i + 1)) hold pixel p. With halves rounded up
// that is the i with (p + 1/2) * from / to - 1 <= i < (p + 1/2) * from / to, so
// i = ceil((2p + 1) * from / (2 * to)) - 1.
// The same for a fractional edge; a whole one goes the exact way above.
int32_t ScaleEdge(double v, int32_t from, int32_t to) {
  if (v == std::floor(v) && std::abs(v) < 1e9) return ScaleEdge(static_cast<int32_t>(v), from, to);
  return static_cast<int32_t>(std::clamp(std::floor(v * to / from + 0.5), -1e9, 1e9));
}

int32_t Unscale(int32_t p, int32_t from, int32_t to) {
  return static_cast<int32_t>(FloorDiv((2 * int64_t{p} + 1) * from - 1, 2 * int64_t{to}));
}

}  // namespace

ScreenMapping ScreenMapping::Identity(int32_t width, int32_t height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  return {width, height, width, height};
}

int32_t ScreenMapping::ToScreenX(int32_t x) const {
  return ScaleEdge(x, logicalWidth, screenWidth);
}

int32_t ScreenMapping::ToScreenY(int32_t y) const {
  return ScaleEdge(y, logicalHeight, screenHeight);
}

PixelRect ScreenMapping::ToScreen(const PixelRect& r) const {
  const int32_t left = ToScreenX(r.left), top = ToScreenY(r.top);
  return {left, top, ToScreenX(r.left + r.width) - left, ToScreenY(r.top + r.height) - top};
}

int32_t ScreenMapping::EdgeToScreenX(double x) const {
  return ScaleEdge(x, logicalWidth, screenWidth);
}

int32_t ScreenMapping::EdgeToScreenY(double y) const {
  return ScaleEdge(y, logicalHeight, screenHeight);
}

PixelRect ScreenMapping::RectToScreen(const FloatRect& r) const {
  const int32_t left = EdgeToScreenX(r.left), top = EdgeToScreenY(r.top);
  return {left, top, EdgeToScreenX(r.left + r.width) - left, EdgeToScreenY(r.top + r.height) - top};
}

int32_t ScreenMapping::ToLogicalX(int32_t x) const {
  return Unscale(x, logicalWidth, screenWidth);
}

int32_t ScreenMapping::ToLogicalY(int32_t y) const {
  return Unscale(y, logicalHeight, screenHeight);
}

}  // namespace skelvar::ui
