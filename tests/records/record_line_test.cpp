// The menu's record line in the draw list: only once a clear exists, on the menu picture but off
// the title's drawing, at every window size.
#include <gtest/gtest.h>

#include "game/draw_list.h"
#include "game/draw_list_blend.h"
#include "game/texts.h"
#include "records/record_keeper.h"
#include "test_support.h"

namespace skelvar {
namespace {

bool Inside(const PixelRect& inner, const PixelRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top &&
         inner.left + inner.width <= outer.left + outer.width &&
         inner.top + inner.height <= outer.top + outer.height;
}

bool Overlap(const PixelRect& a, const PixelRect& b) {
  return IntersectRects(a, b).width > 0;
}

const DrawOp* Find(const DrawList& list, ComponentId component, DrawKind kind) {
  for (const DrawOp& op : list) {
    if (op.component == component && op.kind == kind) return &op;
  }
  return nullptr;
}

// The title's lettering, the face's eyes and mouth and the swoosh, as parts of the menu picture
// measured on the artwork: everything drawn above its bottom tenth.
PixelRect TitleDrawing(const PixelRect& picture) {
  return {picture.left, picture.top, picture.width, picture.height * 88 / 100};
}

TEST(RecordLine, ShowsOnlyOnceAClearExistsOnThePictureAndOffTheTitleAtEverySize) {
  const std::pair<int32_t, int32_t> sizes[] = {{944, 542},  {900, 500},  {1200, 542},
                                               {944, 1800}, {2000, 580}, {960, 580}};
  for (const auto& [w, h] : sizes) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    testing::Harness harness(w, h);
    auto& g = harness.g();
    const DrawList before = BuildDrawList(g.scene);
    records::RecordKeeper none(g, {std::nullopt, 7, 0});
    EXPECT_EQ(BuildDrawList(g.scene), before) << "runs without a clear show nothing";
    EXPECT_EQ(Find(before, ComponentId::lblBest, DrawKind::Text), nullptr);

    records::RecordKeeper keeper(g, {15, 7, 2});
    const DrawList list = BuildDrawList(g.scene);
    const DrawOp* picture = Find(list, ComponentId::imgMenu, DrawKind::Image);
    const DrawOp* plaque = Find(list, ComponentId::lblBest, DrawKind::Fill);
    const DrawOp* outline = Find(list, ComponentId::lblBest, DrawKind::Outline);
    const DrawOp* text = Find(list, ComponentId::lblBest, DrawKind::Text);
    ASSERT_TRUE(picture && plaque && outline && text);
    EXPECT_EQ(TextOf(list, *text), WithNumber(BestTimeText, 15).view());
    EXPECT_EQ(TextOf(list, *text), "ベストタイム：15秒");
    EXPECT_EQ(text->colour, LabelBlack);
    EXPECT_TRUE(Inside(plaque->dest, picture->dest)) << "on the menu picture";
    EXPECT_FALSE(Overlap(plaque->dest, TitleDrawing(picture->dest)));
    EXPECT_TRUE(Inside(text->dest, plaque->dest));
    EXPECT_EQ(text->dest.width, g.scene.lblBest.width);
    // Drawn over the picture: after it in the list.
    EXPECT_GT(text, picture);

    // Not during play, and back with the menu.
    harness.StartRun();
    EXPECT_EQ(Find(BuildDrawList(g.scene), ComponentId::lblBest, DrawKind::Text), nullptr);
    g.ReturnToMenu();
    EXPECT_EQ(BuildDrawList(g.scene), list);
  }
}

TEST(RecordLine, ItsTextGoesWithTheListThroughTheFramesBetweenTicks) {
  testing::Harness harness;
  auto& g = harness.g();
  records::RecordKeeper keeper(g, {42, 3, 1});
  TickDrawLists lists;
  lists.Reset(BuildDrawList(g.scene));
  // The scene's text changes under the list; the stored lists keep their own copies.
  keeper.Refresh({9, 3, 1});
  EXPECT_EQ(lists.current().lineText, "ベストタイム：42秒");
  lists.Advance(BuildDrawList(g.scene));
  const BlendedList frame = BlendDrawLists(lists.previous(), lists.current(), 0.5, 1.0);
  EXPECT_EQ(frame.lineText, "ベストタイム：9秒");
  EXPECT_EQ(lists.previous().lineText, "ベストタイム：42秒");
}

}  // namespace
}  // namespace skelvar
