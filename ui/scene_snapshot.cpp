#include "ui/scene_snapshot.h"

namespace skelvar::ui {
namespace {

bool Same(const Panel& a, const Panel& b) {
  return a.visible == b.visible && a.left == b.left && a.top == b.top && a.width == b.width &&
         a.height == b.height;
}

bool Same(const Picture& a, const Picture& b) {
  return a.visible == b.visible && a.left == b.left && a.top == b.top && a.width == b.width &&
         a.height == b.height && a.image == b.image;
}

}  // namespace

bool SameDrawing(const Scene& a, const Scene& b) {
  if (a.window.clientWidth != b.window.clientWidth ||
      a.window.clientHeight != b.window.clientHeight) {
    return false;
  }
  if (!Same(a.pnlMenu, b.pnlMenu) || !Same(a.imgMenu, b.imgMenu) || !Same(a.pnlGame, b.pnlGame) ||
      !Same(a.imgBack, b.imgBack) || !Same(a.imgOver, b.imgOver)) {
    return false;
  }
  for (size_t i = 0; i < a.imgEm.size(); ++i) {
    if (!Same(a.imgEm[i], b.imgEm[i])) return false;
  }
  const Shape& s = a.shpOver;
  const Shape& t = b.shpOver;
  if (s.left != t.left || s.top != t.top || s.width != t.width || s.height != t.height) {
    return false;
  }
  return a.lblMsg.left == b.lblMsg.left && a.lblMsg.top == b.lblMsg.top &&
         a.lblMsg.text.view() == b.lblMsg.text.view();
}

}  // namespace skelvar::ui
