#include "game_main.h"

#include "arith.h"
#include "draw_list.h"
#include "texts.h"

namespace skelvar {

TGameMain::TGameMain(Clock& clock, Random& random, const TextMeasurer& measurer,
                     const ImageCatalogue& catalogue)
    : scene(DesignedScene()),
      clock_(clock),
      random_(random),
      measurer_(measurer),
      catalogue_(catalogue) {
  Frame0Pictures.fill(ImageId::None);
  Frame1Pictures.fill(ImageId::None);
  FirstOutcomePictures.fill(ImageId::None);
  SecondOutcomePictures.fill(ImageId::None);
}

void TGameMain::FormCreate() {
  const std::optional<uint64_t> counter = clock_.PerformanceCounter();
  random_.Seed(counter ? static_cast<uint32_t>(*counter) : clock_.TickCountMs());

  for (int i = 0; i < ActorCount; ++i) {
    Frame0Pictures[i] = FrameImage(i, 0, 0);
    Frame0Pictures[ActorCount + i] = FrameImage(i, 1, 0);
    Frame1Pictures[i] = FrameImage(i, 0, 1);
    Frame1Pictures[ActorCount + i] = FrameImage(i, 1, 1);
  }
  for (int i = 1; i < ActorCount; ++i) {
    FirstOutcomePictures[i] = OutcomeImage(i, 0);
    SecondOutcomePictures[i] = OutcomeImage(i, 1);
  }
  for (int i = 0; i < ActorCount; ++i) ShowImage(ActorImage(i), Frame0Pictures[i]);

  scene.window.caption = ApplicationTitle;
  scene.window.opacityEnabled = true;
  scene.window.opacity = 0;
  scene.window.outerWidth = 960;
  scene.window.outerHeight = 580;
  scene.pnlMenu.visible = false;
  scene.pnlGame.visible = false;
  GameState = StateMenu;
  MouseMoved = false;
  scene.pnlMenu.left = 0;
  scene.pnlMenu.top = 0;
  scene.imgMenu.left = 0;
  scene.imgMenu.top = 0;
  scene.pnlGame.width = PlayAreaWidth;
  scene.pnlGame.height = PlayAreaHeight;
  LayoutPanels();
  scene.pnlMenu.visible = true;
}

void TGameMain::ShowImage(Picture& picture, ImageId image) {
  picture.image = image;
  const int index = ImageIndex(image);
  if (index < 0 || index >= ImageCount) return;
  const PixelSize size = catalogue_[index];
  // An empty image leaves the picture at its previous size.
  if (size.width > 0 && size.height > 0) {
    picture.width = size.width;
    picture.height = size.height;
  }
}

void TGameMain::ShowFrame(int i, int frame) {
  const auto& table = frame == 0 ? Frame0Pictures : Frame1Pictures;
  ShowImage(ActorImage(i), table[Facing[i] * ActorCount + i]);
}

void TGameMain::SetLabelText(std::string_view text) {
  scene.lblMsg.text.assign(text);
  const TextSize size = measurer_.Measure(scene.lblMsg.text.view());
  scene.lblMsg.width = size.width;
  scene.lblMsg.height = size.height;
}

void TGameMain::SetLabelClearTime(std::string_view pattern, int64_t seconds) {
  SetLabelText(WithNumber(pattern, seconds).view());
}

void TGameMain::SetRecordLine(std::string_view text) {
  Label& line = scene.lblBest;
  line.text.assign(text);
  const TextSize size = text.empty() ? TextSize{} : measurer_.Measure(line.text.view());
  line.width = size.width;
  line.height = size.height;
}

}  // namespace skelvar
