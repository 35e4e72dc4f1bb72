// Shrinking a picture by area averaging: each output pixel is the mean of the source area it
// covers, fractional edges weighted, so fine lines fade instead of breaking up.
#pragma once

#include "ui/render/sdl_handles.h"

namespace skelvar::ui {

// Returns a new XRGB8888 surface of width x height (each at least 1 and at most the source's).
SurfacePtr AreaDownscale(SDL_Surface* source, int width, int height);

}  // namespace skelvar::ui
