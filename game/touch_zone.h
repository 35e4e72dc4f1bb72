// Where a finger on the touch screen lands, as the thumb controls see it.
#pragma once

#include <cstdint>

#include "game_main.h"

namespace skelvar {

enum class TouchZone : int32_t {
  None = 0,   // nothing to do: outside the play area's bands, or the play area is hidden
  Click = 1,  // a tap here works as a mouse click: the title, the outcome picture, a finished stage
  Left = 2,   // the play area's left quarter, or anywhere in the band left of it: holds Left
  Right = 3,  // the play area's right quarter, or anywhere in the band right of it: holds Right
  Middle = 4,  // the middle half of the stage: a jump
};

// The zone under a point in the main window's client coordinates. The quarters are those the
// mouse steers in, compared the same way in real arithmetic.
TouchZone TouchZoneAt(const TGameMain& game, int32_t x, int32_t y);

}  // namespace skelvar
