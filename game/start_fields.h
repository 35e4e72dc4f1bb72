// Every whole-number field of the game that a run's start leaves as it found it, in one fixed
// order: the fields a record of the run carries, so that played back it starts where it started.
// The velocities, which a start sets to zero, the clock readings and the key table, which it
// clears, and the menu's record line, which is the record's own, are not among them.
#pragma once

#include <array>
#include <cstdint>
#include <type_traits>

#include "game_main.h"

namespace skelvar {

namespace start_fields {

// Calls f with a reference to each field in order: whole numbers, bools and picture ids.
template <class Game, class F>
void Visit(Game& g, F&& f) {
  const auto each = [&](auto& value) { f(value); };
  each(g.GameState);
  each(g.TickCount);
  each(g.HitIndex);
  each(g.CameraX);
  each(g.CameraY);
  for (auto& v : g.PosX) each(v);
  for (auto& v : g.PosY) each(v);
  for (auto& v : g.Facing) each(v);
  for (auto& mask : g.heldKeys.masks()) each(mask);
  each(g.MouseMoved);
  each(g.LastMouseX);
  auto& s = g.scene;
  each(s.window.outerWidth);
  each(s.window.outerHeight);
  each(s.window.clientWidth);
  each(s.window.clientHeight);
  each(s.window.opacityEnabled);
  each(s.window.opacity);
  each(s.window.closed);
  for (auto* panel : {&s.pnlMenu, &s.pnlGame}) {
    each(panel->visible);
    each(panel->left);
    each(panel->top);
    each(panel->width);
    each(panel->height);
  }
  const auto picture = [&](auto& p) {
    each(p.visible);
    each(p.left);
    each(p.top);
    each(p.width);
    each(p.height);
    each(p.image);
  };
  picture(s.imgMenu);
  picture(s.imgBack);
  for (auto& p : s.imgEm) picture(p);
  picture(s.imgOver);
  each(s.shpOver.left);
  each(s.shpOver.top);
  each(s.shpOver.width);
  each(s.shpOver.height);
  each(s.lblMsg.left);
  each(s.lblMsg.top);
  each(s.lblMsg.width);
  each(s.lblMsg.height);
  each(s.timOpen.enabled);
  each(s.timGame.enabled);
}

}  // namespace start_fields


inline StartFields ReadStartFields(const TGameMain& game) {
  StartFields fields{};
  std::size_t i = 0;
  start_fields::Visit(game, [&](const auto& v) { fields[i++] = static_cast<int32_t>(v); });
  return fields;
}

inline void WriteStartFields(TGameMain& game, const StartFields& fields) {
  std::size_t i = 0;
  start_fields::Visit(game, [&](auto& v) { v = static_cast<std::remove_reference_t<decltype(v)>>(fields[i++]); });
}

}  // namespace skelvar
