#include "ui/render/overdraw.h"

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

namespace skelvar::ui {
namespace {
bool Overlap(const PixelRect& a, const PixelRect& b) {
  const PixelRect both = IntersectRects(a, b);
  return both.width > 0 && both.height > 0;
}
}  // namespace

void RetainedFills::Begin(bool retained) {
  if (!retained) lastCount_ = -1;
  count_ = 0;
}

int RetainedFills::AddFill(const PixelRect& area, const PixelRect& cover, Rgb colour, int* count) {
  std::array<PixelRect, 4> parts;
  const int n = std::min(Uncovered(area, cover, parts), MaxAreas - count_);
  const int first = count_;
  for (int k = 0; k < n; ++k) areas_[count_++] = {parts[k], colour, true};
  *count = n;
  return first;
}

void RetainedFills::AddOther(const PixelRect& area) {
  if (count_ < MaxAreas) areas_[count_++] = {area, {}, false};
}

bool RetainedFills::StillOnScreen(int index) const {
  if (lastCount_ < 0) return false;
  const Area& p = areas_[index];
  int same = -1;
  for (int k = 0; k < lastCount_ && same < 0; ++k) {
    const Area& q = last_[k];
    if (q.fill && q.rect == p.rect && q.colour == p.colour) same = k;
  }
  if (same < 0) return false;
  for (int k = 0; k < lastCount_; ++k) {
    if (k != same && Overlap(last_[k].rect, p.rect)) return false;
  }
  for (int k = 0; k < count_; ++k) {
    if (k != index && Overlap(areas_[k].rect, p.rect)) return false;
  }
  return true;
}

void RetainedFills::End(bool keep) {
  if (keep) {
    last_ = areas_;
    lastCount_ = count_;
  } else {
    lastCount_ = -1;
  }
}

}  // namespace skelvar::ui
