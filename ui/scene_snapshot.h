// Whether two scenes draw the same picture: the frontend redraws only when this changes.
#pragma once

#include "game/scene.h"

namespace skelvar::ui {

bool SameDrawing(const Scene& a, const Scene& b);

}  // namespace skelvar::ui
