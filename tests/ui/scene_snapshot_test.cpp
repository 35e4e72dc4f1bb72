#include "ui/scene_snapshot.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace skelvar::ui {
namespace {

TEST(SameDrawing, NoticesEveryChangeThatShowsAndNothingElse) {
  const Scene base = DesignedScene();
  EXPECT_TRUE(SameDrawing(base, base));
  const std::vector<std::function<void(Scene&)>> visible = {
      [](Scene& s) { s.window.clientWidth += 1; },
      [](Scene& s) { s.pnlMenu.visible = !s.pnlMenu.visible; },
      [](Scene& s) { s.imgMenu.height += 1; },
      [](Scene& s) { s.pnlGame.left -= 1; },
      [](Scene& s) { s.imgBack.left -= 1; },
      [](Scene& s) { s.imgEm[9].top += 1; },
      [](Scene& s) { s.imgEm[0].image = FrameImage(0, 0, 1); },
      [](Scene& s) { s.imgEm[10].visible = false; },
      [](Scene& s) { s.shpOver.width += 1; },
      [](Scene& s) { s.imgOver.image = OutcomeImage(1, 0); },
      [](Scene& s) { s.lblMsg.left += 1; },
      [](Scene& s) { s.lblMsg.text.assign("あ"); },
  };
  for (size_t i = 0; i < visible.size(); ++i) {
    Scene changed = base;
    visible[i](changed);
    EXPECT_FALSE(SameDrawing(base, changed)) << "change " << i;
  }
  // The fade and the timers change nothing on the screen.
  Scene fading = base;
  fading.window.opacity = 40;
  fading.window.opacityEnabled = true;
  fading.timOpen.enabled = !fading.timOpen.enabled;
  EXPECT_TRUE(SameDrawing(base, fading));
}

}  // namespace
}  // namespace skelvar::ui
