#include "ui/scene_snapshot.h"

namespace skelvar::ui {

bool SameDrawing(const Scene& a, const Scene& b) {
  // The label's size follows from its text, and opacity is the window's, not the drawing's.
  return a.window.clientWidth == b.window.clientWidth &&
         a.window.clientHeight == b.window.clientHeight && a.pnlMenu == b.pnlMenu &&
         a.imgMenu == b.imgMenu && a.pnlGame == b.pnlGame && a.imgBack == b.imgBack &&
         a.imgEm == b.imgEm && a.shpOver == b.shpOver && a.imgOver == b.imgOver &&
         a.lblMsg.left == b.lblMsg.left && a.lblMsg.top == b.lblMsg.top &&
         a.lblMsg.text.view() == b.lblMsg.text.view() &&
         a.lblBest.text.view() == b.lblBest.text.view();
}

}  // namespace skelvar::ui
