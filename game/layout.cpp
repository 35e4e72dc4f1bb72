#include "arith.h"
#include "game_main.h"

namespace skelvar {

void TGameMain::FormResize() {
  LayoutPanels();
}

void TGameMain::LayoutPanels() {
  const Window& w = scene.window;
  scene.pnlMenu.width = w.clientWidth;
  scene.pnlMenu.height = w.clientHeight;
  scene.imgMenu.width = scene.pnlMenu.width;
  scene.imgMenu.height = scene.pnlMenu.height;
  scene.pnlGame.left = Trunc(w.clientWidth / 2.0 - scene.pnlGame.width / 2.0);
  scene.pnlGame.top = Trunc(w.clientHeight / 2.0 - scene.pnlGame.height / 2.0);
}

void TGameMain::timOpenTimer() {
  int32_t v = scene.window.opacity + 20;
  if (v >= 255) {
    v = 255;
    scene.window.opacityEnabled = false;
    scene.timOpen.enabled = false;
  }
  scene.window.opacity = v;
}

}  // namespace skelvar
