#include "draw_list.h"
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
  scene.pnlGame.left = CentredOffset(w.clientWidth, scene.pnlGame.width);
  scene.pnlGame.top = CentredOffset(w.clientHeight, scene.pnlGame.height);
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
