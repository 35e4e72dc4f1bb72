// Filling only what stays visible: a fill that a later opaque picture covers in part is split
// into the bands around that picture, so large areas are not painted twice in every frame.
#pragma once

#include <array>

#include "game/scene.h"

namespace skelvar::ui {

// The parts of `area` outside `cover`, as at most four disjoint bands (above, below, left, right)
// written to out; returns how many.
int Uncovered(const PixelRect& area, const PixelRect& cover, std::array<PixelRect, 4>& out);

}  // namespace skelvar::ui
