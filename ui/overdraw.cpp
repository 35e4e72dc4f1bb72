#include "ui/overdraw.h"

#include <algorithm>
#include <cstdint>

namespace skelvar::ui {

int Uncovered(const PixelRect& area, const PixelRect& cover, std::array<PixelRect, 4>& out) {
  if (area.width <= 0 || area.height <= 0) return 0;
  const PixelRect inside = IntersectRects(area, cover);
  if (inside.width <= 0 || inside.height <= 0) {
    out[0] = area;
    return 1;
  }
  int n = 0;
  const auto add = [&](int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (right > left && bottom > top) out[n++] = {left, top, right - left, bottom - top};
  };
  const int32_t areaRight = area.left + area.width, areaBottom = area.top + area.height;
  const int32_t insideRight = inside.left + inside.width;
  const int32_t insideBottom = inside.top + inside.height;
  add(area.left, area.top, areaRight, inside.top);        // above, full width
  add(area.left, insideBottom, areaRight, areaBottom);    // below, full width
  add(area.left, inside.top, inside.left, insideBottom);  // left of the cover
  add(insideRight, inside.top, areaRight, insideBottom);  // right of the cover
  return n;
}

}  // namespace skelvar::ui
