#include "touch_zone.h"

namespace skelvar {

TouchZone TouchZoneAt(const TGameMain& game, int32_t x, int32_t y) {
  const Scene& scene = game.scene;
  const ComponentId hit = scene.HitTest(x, y);
  if (hit == ComponentId::imgMenu || hit == ComponentId::imgOver) return TouchZone::Click;
  const Panel& stage = scene.pnlGame;
  if (!stage.visible) return TouchZone::None;
  const bool rows = y >= stage.top && y < stage.top + stage.height;
  const bool onStage = rows && x >= stage.left && x < stage.left + stage.width;
  // Once the outcome sequence is over, a tap on the stage returns to the menu as a click does.
  if (game.GameState == StateFinished) return onStage ? TouchZone::Click : TouchZone::None;
  const double left = stage.left;
  const double width = stage.width;
  if (x < stage.left || (onStage && x < left + width / 4.0)) return TouchZone::Left;
  if (x >= stage.left + stage.width || (onStage && x > left + 3.0 * width / 4.0)) {
    return TouchZone::Right;
  }
  return onStage ? TouchZone::Middle : TouchZone::None;
}

}  // namespace skelvar
