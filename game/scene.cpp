#include "scene.h"

#include <algorithm>

#include "arith.h"

namespace skelvar {
namespace {

bool Contains(int32_t left, int32_t top, int32_t width, int32_t height, int32_t x, int32_t y) {
  return x >= left && y >= top && x < left + width && y < top + height;
}

template <typename C>
bool Contains(const C& c, int32_t x, int32_t y) {
  return Contains(c.left, c.top, c.width, c.height, x, y);
}

constexpr std::array<std::string_view, 21> Names = {
    "",        "GameMain", "pnlMenu", "imgMenu", "pnlGame", "imgBack", "imgEm00",
    "imgEm01", "imgEm02",  "imgEm03", "imgEm04", "imgEm05", "imgEm06", "imgEm07",
    "imgEm08", "imgEm09",  "imgEm10", "shpOver", "imgOver", "lblMsg",  "lblBest"};

}  // namespace

std::string_view ComponentName(ComponentId id) {
  const auto i = static_cast<size_t>(id);
  return i < Names.size() ? Names[i] : std::string_view{};
}

ComponentId Scene::HitTest(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= window.clientWidth || y >= window.clientHeight) {
    return ComponentId::None;
  }
  // The play area lies above the menu panel; inside it the label is on top of everything.
  if (pnlGame.visible && Contains(pnlGame, x, y)) {
    const int32_t px = x - pnlGame.left;
    const int32_t py = y - pnlGame.top;
    if (Contains(lblMsg, px, py)) return ComponentId::lblMsg;
    if (imgOver.visible && Contains(imgOver, px, py)) return ComponentId::imgOver;
    if (Contains(shpOver, px, py)) return ComponentId::shpOver;
    for (auto it = ActorStacking.rbegin(); it != ActorStacking.rend(); ++it) {
      const Picture& p = imgEm[*it];
      if (p.visible && Contains(p, px, py)) return ActorComponent(*it);
    }
    if (imgBack.visible && Contains(imgBack, px, py)) return ComponentId::imgBack;
    return ComponentId::pnlGame;
  }
  if (pnlMenu.visible && Contains(pnlMenu, x, y)) {
    if (imgMenu.visible && Contains(imgMenu, x - pnlMenu.left, y - pnlMenu.top)) {
      return ComponentId::imgMenu;
    }
    return ComponentId::pnlMenu;
  }
  return ComponentId::GameMain;
}

Scene DesignedScene() {
  Scene s;
  s.pnlMenu = {true, 704, 8, 153, 137};
  s.imgMenu = {true, 8, 8, 137, 113, ImageId::Menu};
  s.pnlGame = {true, 8, 8, 600, 600};
  s.imgBack = {true, 32, 224, 8000, 500, ImageId::Back};
  for (int i = 0; i < ActorCount; ++i) {
    s.imgEm[i] = {true, 8 + 40 * i, 40, i == 0 ? 32 : 33, 33, ImageId::None};
  }
  s.shpOver = {40, 96, 73, 33};
  s.imgOver = {true, 8, 80, 73, 33, ImageId::None};
  s.lblMsg = {72, 8, 11, 21, {}};
  s.lblMsg.text.assign("-");
  s.timOpen = {100, true};
  s.timGame = {50, true};
  return s;
}

PixelRect CentredProportionalRect(int32_t w, int32_t h, int32_t cw, int32_t ch) {
  if ((w > cw || h > ch) && h > 0) {
    const double a = static_cast<double>(w) / h;
    if (w > h) {
      w = cw;
      h = Trunc(cw / a);
      if (h > ch) {
        h = ch;
        w = Trunc(ch * a);
      }
    } else {
      h = ch;
      w = Trunc(ch * a);
      if (w > cw) {
        w = cw;
        h = Trunc(cw / a);
      }
    }
  }
  return {(cw - w) / 2, (ch - h) / 2, w, h};
}

}  // namespace skelvar
