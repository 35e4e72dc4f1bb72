// Frames between two ticks: what glides, what moves at once, and the places they take.
#include "game/draw_list_blend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "test_support.h"

namespace skelvar {
namespace {

using testing::Harness;

const DrawOp* FindOp(const DrawList& list, ComponentId component, DrawKind kind = DrawKind::Image) {
  for (const DrawOp& op : list) {
    if (op.component == component && op.kind == kind) return &op;
  }
  return nullptr;
}

const BlendedOp* FindOp(const BlendedList& list, ComponentId component,
                        DrawKind kind = DrawKind::Image) {
  for (const BlendedOp& op : list) {
    if (op.component == component && op.kind == kind) return &op;
  }
  return nullptr;
}

// The left edge of a picture at its own size, clipped or not.
int32_t WholeLeft(const DrawOp& op) {
  return op.dest.left - op.source.left;
}
double WholeLeft(const BlendedOp& op) {
  return op.dest.left - op.source.left * (op.dest.width / op.source.width);
}
double WholeTop(const BlendedOp& op) {
  return op.dest.top - op.source.top * (op.dest.height / op.source.height);
}

// The lists of two consecutive ticks, in play with the right arrow held long enough that the
// view scrolls.
struct RunningRight {
  Harness h;
  TickDrawLists lists;
  RunningRight() {
    h.StartRun();
    h.Isolate({});
    h.g().FormKeyDown(VK_RIGHT);
    for (int k = 0; k < 40; ++k) h.Tick();
    EXPECT_EQ(h.g().GameState, StatePlaying);
    lists.Reset(BuildDrawList(h.g().scene));
    h.Tick();
    lists.Advance(BuildDrawList(h.g().scene));
  }
};

TEST(DrawListBlend, HalfwayBetweenTwoTicksEachGlidingPictureIsHalfwayInDisplayPixels) {
  RunningRight run;
  const DrawList& before = run.lists.previous();
  const DrawList& after = run.lists.current();
  ASSERT_TRUE(run.lists.Moving());
  const DrawOp* back0 = FindOp(before, ComponentId::imgBack);
  const DrawOp* back1 = FindOp(after, ComponentId::imgBack);
  const DrawOp* girl0 = FindOp(before, ComponentId::imgEm00);
  const DrawOp* girl1 = FindOp(after, ComponentId::imgEm00);
  ASSERT_TRUE(back0 && back1 && girl0 && girl1);
  // The stage scrolls by whole units per tick, the background at 0.78 of the view's pace.
  ASSERT_NE(WholeLeft(*back0), WholeLeft(*back1));
  ASSERT_EQ(girl0->source, girl1->source) << "the girl is wholly in view";

  for (const double scale : {1.0, 1.875, 0.625}) {
    const BlendedList mid = BlendDrawLists(before, after, 0.5, scale);
    const BlendedOp* back = FindOp(mid, ComponentId::imgBack);
    const BlendedOp* girl = FindOp(mid, ComponentId::imgEm00);
    ASSERT_TRUE(back && girl);
    const double expectedBack = scale * (WholeLeft(*back0) + WholeLeft(*back1)) / 2.0;
    EXPECT_NEAR(WholeLeft(*back), expectedBack, 1e-9) << scale;
    ASSERT_EQ(BackgroundLeft(mid).has_value(), true);
    EXPECT_NEAR(*BackgroundLeft(mid), expectedBack, 1e-9);
    EXPECT_NEAR(girl->dest.left, scale * (girl0->dest.left + girl1->dest.left) / 2.0, 1e-9);
    EXPECT_NEAR(girl->dest.top, scale * (girl0->dest.top + girl1->dest.top) / 2.0, 1e-9);
    EXPECT_NEAR(girl->dest.width, scale * girl1->dest.width, 1e-9);
    EXPECT_EQ(girl->image, girl1->image) << "the frame picture is the current tick's";
    // However far the background has scrolled, it still covers the whole play area.
    EXPECT_LE(back->dest.left, back->clip.left + 1e-9);
    EXPECT_GE(back->dest.left + back->dest.width, back->clip.left + back->clip.width - 1e-9);
    EXPECT_LE(back->dest.top, back->clip.top + 1e-9);
    // ... and no more than a source column beyond it on either side.
    EXPECT_GT(back->dest.left, back->clip.left - scale - 1e-9);
    EXPECT_EQ(back->source.height, 500);

    // The ends of the interval are the two lists themselves, and a beyond 0..1 is clamped.
    EXPECT_EQ(BlendDrawLists(before, after, 0.0, scale), ScaleDrawList(before, scale));
    EXPECT_EQ(BlendDrawLists(before, after, 1.0, scale), ScaleDrawList(after, scale));
    EXPECT_EQ(BlendDrawLists(before, after, -0.25, scale), ScaleDrawList(before, scale));
    EXPECT_EQ(BlendDrawLists(before, after, 3.0, scale), ScaleDrawList(after, scale));
  }
  // At scale 1 the ends are the listed rectangles themselves.
  const BlendedList end = BlendDrawLists(before, after, 1.0, 1.0);
  ASSERT_EQ(end.count, after.count);
  for (int i = 0; i < end.count; ++i) {
    const DrawOp& op = after.ops[i];
    const BlendedOp& b = end.ops[i];
    EXPECT_EQ(b.dest, (FloatRect{1.0 * op.dest.left, 1.0 * op.dest.top, 1.0 * op.dest.width,
                                 1.0 * op.dest.height}));
    EXPECT_EQ(b.source, op.source);
    EXPECT_EQ(b.image, op.image);
  }
  EXPECT_EQ(end.text, after.text);

  // A quarter of the way, the background is a quarter of the way.
  const BlendedList quarter = BlendDrawLists(before, after, 0.25, 1.0);
  EXPECT_NEAR(*BackgroundLeft(quarter),
              WholeLeft(*back0) + 0.25 * (WholeLeft(*back1) - WholeLeft(*back0)), 1e-9);
}

TEST(DrawListBlend, PicturesThatAppearChangeOrJumpAreDrawnAtTheirNewPlaceAtOnce) {
  RunningRight run;
  const DrawList& after = run.lists.current();
  const auto at = [](const DrawList& list, ComponentId c) {
    for (int i = 0; i < list.count; ++i) {
      if (list.ops[i].component == c && list.ops[i].kind == DrawKind::Image) return i;
    }
    return -1;
  };
  const int girl = at(after, ComponentId::imgEm00);
  ASSERT_GE(girl, 0);
  const DrawOp& now = after.ops[girl];
  const BlendedOp listed = ScaleDrawList(after, 1.5).ops[girl];
  const auto girlIn = [](const BlendedList& l) { return *FindOp(l, ComponentId::imgEm00); };

  // The same place one tick before, moved by a normal step: glides.
  DrawList before = after;
  before.ops[girl].dest.left -= 200;
  before.ops[girl].dest.top += 40;
  BlendedOp mid = girlIn(BlendDrawLists(before, after, 0.5, 1.5));
  EXPECT_NEAR(mid.dest.left, 1.5 * (now.dest.left - 100), 1e-9);
  EXPECT_NEAR(mid.dest.top, 1.5 * (now.dest.top + 20), 1e-9);

  // Another frame or facing of the same character glides too, showing the current frame.
  before = after;
  before.ops[girl].dest.left -= 20;
  before.ops[girl].image = FrameImage(0, 1, 1);
  mid = girlIn(BlendDrawLists(before, after, 0.5, 1.5));
  EXPECT_NEAR(mid.dest.left, 1.5 * (now.dest.left - 10), 1e-9);
  EXPECT_EQ(mid.image, now.image);

  // Farther than a normal step (the glider wrapping round the stage): at the new place at once.
  before = after;
  before.ops[girl].dest.left -= NormalStepLimit + 1;
  EXPECT_EQ(girlIn(BlendDrawLists(before, after, 0.5, 1.5)), listed);
  before = after;
  before.ops[girl].dest.top -= NormalStepLimit + 40;
  EXPECT_EQ(girlIn(BlendDrawLists(before, after, 0.5, 1.5)), listed);

  // Another character's picture in the same place, or a different size.
  before = after;
  before.ops[girl].dest.left -= 20;
  before.ops[girl].image = FrameImage(8, 0, 0);
  EXPECT_EQ(girlIn(BlendDrawLists(before, after, 0.5, 1.5)), listed);

  // Not on the earlier list at all: it appears where it now is.
  before = after;
  for (int i = girl; i + 1 < before.count; ++i) before.ops[i] = before.ops[i + 1];
  --before.count;
  EXPECT_EQ(girlIn(BlendDrawLists(before, after, 0.5, 1.5)), listed);

  // On the earlier list only: gone at once.
  DrawList later = after;
  for (int i = girl; i + 1 < later.count; ++i) later.ops[i] = later.ops[i + 1];
  --later.count;
  EXPECT_EQ(FindOp(BlendDrawLists(after, later, 0.5, 1.5), ComponentId::imgEm00), nullptr);

  // When the background jumps the whole view has, and nothing glides, not even the girl who
  // moved by a small step.
  before = after;
  before.ops[girl].dest.left -= 20;
  const int back = at(before, ComponentId::imgBack);
  ASSERT_GE(back, 0);
  before.ops[back].source.left += 2000;
  EXPECT_EQ(BlendDrawLists(before, after, 0.5, 1.5), ScaleDrawList(after, 1.5));

  // A run starting from the menu: every picture of play is new.
  Harness h;
  const DrawList menu = BuildDrawList(h.g().scene);
  h.StartRun();
  const DrawList play = BuildDrawList(h.g().scene);
  EXPECT_EQ(BlendDrawLists(menu, play, 0.3, 2.0), ScaleDrawList(play, 2.0));
  // Back to the menu: the menu is at its place at once.
  EXPECT_EQ(BlendDrawLists(play, menu, 0.3, 2.0), ScaleDrawList(menu, 2.0));
}

TEST(DrawListBlend, TheOutcomePictureSlidesInAndOutWithItsFrame) {
  Harness h;
  h.StartRun();
  h.Isolate({4});
  TGameMain& g = h.g();
  g.PosX[4] = 4000;
  g.PosY[4] = WorldHeight - g.scene.imgEm[4].height - GroundMargin;
  g.PosX[0] = 4000;
  h.Tick();
  ASSERT_EQ(g.GameState, StateOutcome);
  TickDrawLists lists;
  lists.Reset(BuildDrawList(g.scene));
  int slidIn = 0, slidOut = 0;
  for (int k = 1; k <= 59; ++k) {
    h.Tick();
    lists.Advance(BuildDrawList(g.scene));
    const DrawList& before = lists.previous();
    const DrawList& after = lists.current();
    const DrawOp* frame0 = FindOp(before, ComponentId::shpOver, DrawKind::Fill);
    const DrawOp* frame1 = FindOp(after, ComponentId::shpOver, DrawKind::Fill);
    const BlendedList mid = BlendDrawLists(before, after, 0.5, 1.25);
    const BlendedOp* frame = FindOp(mid, ComponentId::shpOver, DrawKind::Fill);
    const BlendedOp* outline = FindOp(mid, ComponentId::shpOver, DrawKind::Outline);
    const BlendedOp* picture = FindOp(mid, ComponentId::imgOver);
    // While the picture slides by 45 a tick (in on ticks 5 to 15, out on 35 to 45), its frame
    // is halfway and the picture one pixel inside it, also on the ticks where only a row of the
    // frame is inside the play area.
    const bool sliding = (k >= 6 && k <= 15) || (k >= 36 && k <= 45);
    if (!sliding) continue;
    ASSERT_TRUE(frame0 && frame1 && frame && outline && picture) << k;
    ASSERT_EQ(std::abs(frame1->dest.top - frame0->dest.top), 45) << k;
    const double top = 1.25 * (frame0->dest.top + frame1->dest.top) / 2.0;
    EXPECT_NEAR(frame->dest.top, top, 1e-9) << k;
    EXPECT_NEAR(outline->dest.top, top, 1e-9) << k;
    EXPECT_NEAR(WholeTop(*picture), top + 1.25, 1e-9) << k;
    EXPECT_NEAR(WholeLeft(*picture), frame->dest.left + 1.25, 1e-9) << k;
    // The frame is cut at the play area's edge as it crosses it.
    const double panelTop = 1.25 * g.scene.pnlGame.top;
    const double panelBottom = panelTop + 1.25 * g.scene.pnlGame.height;
    EXPECT_NEAR(std::max(frame->clip.top, panelTop), std::max(top, panelTop), 1e-9) << k;
    EXPECT_NEAR(frame->clip.top + frame->clip.height, std::min(top + 1.25 * 402, panelBottom), 1e-9)
        << k;
    (k <= 15 ? slidIn : slidOut)++;
    if (FindOp(after, ComponentId::imgOver) == nullptr) {
      EXPECT_EQ(picture->image, FindOp(before, ComponentId::imgOver)->image) << "sliding out";
    }
  }
  EXPECT_EQ(slidIn, 10);
  EXPECT_EQ(slidOut, 10);
}

TEST(DrawListBlend, TheListsOfTwoTicksKeepTheirOwnLabelText) {
  Harness h;
  h.StartRun();
  TickDrawLists lists;
  lists.Reset(BuildDrawList(h.g().scene));
  EXPECT_FALSE(lists.Moving());
  const std::string before(lists.current().text);
  ASSERT_FALSE(before.empty());
  h.g().scene.lblMsg.text.assign("x");
  lists.Advance(BuildDrawList(h.g().scene));
  EXPECT_EQ(lists.previous().text, before);
  EXPECT_EQ(lists.current().text, "x");
  EXPECT_TRUE(lists.Moving());
  h.g().scene.lblMsg.text.assign("y");
  EXPECT_EQ(lists.current().text, "x") << "a copy, not the scene's label";
  // A changed text is drawn where the label now is, at once.
  const BlendedList mid = BlendDrawLists(lists.previous(), lists.current(), 0.5, 1.0);
  EXPECT_EQ(mid.text, "x");
}

// Long random sessions: every frame between two ticks stays between them.
TEST(DrawListBlend, LongRandomRunsKeepEveryFrameBetweenItsTicks) {
  std::mt19937 rng(20261208);
  Harness h;
  TGameMain& g = h.g();
  TickDrawLists lists;
  lists.Reset(BuildDrawList(g.scene));
  int64_t intervals = 0, glidingBackground = 0, cuts = 0;
  for (int tick = 0; tick < 60000 && !g.Closed(); ++tick) {
    const uint32_t what = rng() % 100;
    if (g.GameState == StateMenu && what < 5) g.FormKeyDown(VK_RETURN);
    if (what < 30) g.FormKeyDown(VK_RIGHT);
    if (what >= 30 && what < 40) g.FormKeyUp(VK_RIGHT);
    if (what >= 40 && what < 45) g.FormKeyDown(VK_UP);
    if (what >= 45 && what < 48) g.FormKeyDown(VK_LEFT);
    if (what >= 48 && what < 55) g.FormKeyUp(VK_LEFT);
    if (what == 99) {
      g.scene.window.clientWidth = 300 + static_cast<int32_t>(rng() % 1600);
      g.scene.window.clientHeight = 300 + static_cast<int32_t>(rng() % 900);
      g.FormResize();
    }
    if (g.GameState == StateFinished && what < 20) g.FormKeyDown(VK_RETURN);
    h.Tick();
    lists.Advance(BuildDrawList(g.scene));
    const DrawList& before = lists.previous();
    const DrawList& after = lists.current();
    const double scale = std::array{1.0, 0.5, 1.875, 2.25}[rng() % 4];
    const double a = (1 + rng() % 999) / 1000.0;  // strictly between the ticks
    const BlendedList mid = BlendDrawLists(before, after, a, scale);
    ASSERT_EQ(BlendDrawLists(before, after, 0.0, scale), ScaleDrawList(before, scale));
    ASSERT_EQ(BlendDrawLists(before, after, 1.0, scale), ScaleDrawList(after, scale));
    ASSERT_LE(mid.count, DrawList::Capacity);
    ++intervals;
    for (const BlendedOp& op : mid) {
      ASSERT_GT(op.clip.width, 0.0);
      ASSERT_GT(op.clip.height, 0.0);
      if (op.kind != DrawKind::Image) continue;
      // Only pixels of the picture, and only those that reach into the clip.
      const PixelSize size = ShippedCatalogue()[ImageIndex(op.image)];
      ASSERT_GE(op.source.left, 0);
      ASSERT_GE(op.source.top, 0);
      ASSERT_GT(op.source.width, 0);
      ASSERT_LE(op.source.left + op.source.width, size.width);
      ASSERT_LE(op.source.top + op.source.height, size.height);
      const double px = op.dest.width / op.source.width;
      ASSERT_GT(op.dest.left + op.dest.width, op.clip.left);
      ASSERT_LT(op.dest.left, op.clip.left + op.clip.width);
      ASSERT_GT(op.dest.left, op.clip.left - px - 1e-6);
      ASSERT_LT(op.dest.left + op.dest.width, op.clip.left + op.clip.width + px + 1e-6);
    }
    // The background is drawn between its two places, or at the new one after a jump.
    const DrawOp* back0 = FindOp(before, ComponentId::imgBack);
    const DrawOp* back1 = FindOp(after, ComponentId::imgBack);
    const BlendedOp* back = FindOp(mid, ComponentId::imgBack);
    if (back0 && back1 && back) {
      const double x0 = scale * WholeLeft(*back0), x1 = scale * WholeLeft(*back1);
      const double x = WholeLeft(*back);
      if (std::abs(WholeLeft(*back1) - WholeLeft(*back0)) > NormalStepLimit) {
        ++cuts;
        ASSERT_EQ(mid, ScaleDrawList(after, scale))
            << tick << " " << WholeLeft(*back0) << " " << WholeLeft(*back1) << " " << a;
      } else {
        ASSERT_GE(x, std::min(x0, x1) - 1e-6);
        ASSERT_LE(x, std::max(x0, x1) + 1e-6);
        if (back0->clip == back1->clip) {
          ASSERT_NEAR(x, x0 + a * (x1 - x0), 1e-6);
          // Covering the play area whole.
          ASSERT_LE(back->dest.left, back->clip.left + 1e-6);
          ASSERT_GE(back->dest.left + back->dest.width, back->clip.left + back->clip.width - 1e-6);
        }
        if (x0 != x1) ++glidingBackground;
      }
    }
  }
  EXPECT_GT(glidingBackground, 1000);
  EXPECT_GT(cuts, 10);
  EXPECT_EQ(intervals, 60000);
}

}  // namespace
}  // namespace skelvar
