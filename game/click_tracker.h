// A click as a window counts it: the button goes up over the component it went down on.
#pragma once

#include <cstdint>
#include <utility>

#include "scene.h"

namespace skelvar {

class ClickTracker {
 public:
  void Press(const Scene& scene, int32_t x, int32_t y) { pressed_ = scene.HitTest(x, y); }
  // Whether the release at (x, y) completes a click; either way the press is over.
  bool Release(const Scene& scene, int32_t x, int32_t y) {
    const ComponentId pressed = std::exchange(pressed_, ComponentId::None);
    return scene.HitTest(x, y) == pressed;
  }
  void Cancel() { pressed_ = ComponentId::None; }

 private:
  ComponentId pressed_ = ComponentId::None;
};

}  // namespace skelvar
