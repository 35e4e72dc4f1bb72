// Filling only what needs it. A fill that a later opaque picture covers in part is split into the
// bands around that picture, so large areas are not painted twice in every frame; and on a screen
// that keeps its pixels between frames (the software renderer), a band that nothing else touched
// in this frame or the last one is still there and is not painted again (the grey around a scaled
// play area).
#pragma once

#include <array>

#include "game/draw_list.h"
#include "game/scene.h"

namespace skelvar::ui {

// The parts of `area` outside `cover`, as at most four disjoint bands (above, below, left, right)
// written to out; returns how many.
int Uncovered(const PixelRect& area, const PixelRect& cover, std::array<PixelRect, 4>& out);

// What one frame paints, in screen pixels, remembered for the next frame.
class RetainedFills {
 public:
  static constexpr int MaxAreas = 4 * DrawList::Capacity;

  // Starts a frame; `retained` says whether the last frame's pixels are still on the screen.
  void Begin(bool retained);
  // A fill's area less the largest opaque area painted over it later; returns the index of its
  // first band, with the band count in *count.
  int AddFill(const PixelRect& area, const PixelRect& cover, Rgb colour, int* count);
  // Anything else the frame paints there.
  void AddOther(const PixelRect& area);
  const PixelRect& band(int index) const { return areas_[index].rect; }
  // Whether a band of a fill of this frame is on the screen already from the last frame.
  bool StillOnScreen(int index) const;
  // Ends the frame; with `keep` false the next frame cannot rely on this one's pixels.
  void End(bool keep);

 private:
  struct Area {
    PixelRect rect;
    Rgb colour;
    bool fill = false;
  };
  std::array<Area, MaxAreas> areas_{};
  int count_ = 0;
  std::array<Area, MaxAreas> last_{};
  int lastCount_ = -1;  // -1: nothing of the last frame can be relied on
};

}  // namespace skelvar::ui
