// Play must not touch the heap: every tick works on the one fixed-size state object.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "game/draw_list_blend.h"
#include "headless_game.h"
#include "test_support.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t n) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace skelvar {
namespace {

TEST(NoAllocation, TicksInputAndOutcomesNeverAllocate) {
  testing::HeadlessGame run(1);
  auto& g = run.game;
  tick::NoEvents none;
  const long before = allocations.load();
  int contacts = 0;
  for (int k = 0; k < 200000; ++k) {
    if (k % 7 == 0) g.FormKeyDown(k % 3 ? VK_RIGHT : VK_UP);
    if (k % 11 == 0) g.FormKeyUp(VK_UP);
    if (k % 13 == 0) g.MouseMove(k % 944, 300);
    if (k % 97 == 0) g.MouseClick(400, 300);
    const int32_t state = g.GameState;
    // The tick order too: its schedule of the window's timers works in place.
    run.Tick(k + 1, none);
    if (state == StatePlaying && g.GameState == StateOutcome) ++contacts;
  }
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_GT(contacts, 10) << "the loop must really have played";
}

TEST(NoAllocation, FramesBetweenTicksNeverAllocate) {
  testing::Harness h;
  auto& g = h.g();
  TickDrawLists lists;
  lists.Reset(BuildDrawList(g.scene));
  g.FormKeyDown(VK_RIGHT);
  const long before = allocations.load();
  int moving = 0;
  double sum = 0.0;
  for (int k = 0; k < 20000; ++k) {
    if (g.GameState == StateMenu || g.GameState == StateFinished) g.FormKeyDown(VK_RETURN);
    if (k % 17 == 0) g.FormKeyDown(VK_UP);
    h.Tick();
    lists.Advance(BuildDrawList(g.scene));
    moving += lists.Moving() ? 1 : 0;
    for (const double a : {0.2, 0.5, 0.8}) {
      const BlendedList frame = BlendDrawLists(lists.previous(), lists.current(), a, 1.875);
      sum += frame.count;
    }
  }
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_GT(moving, 10000) << "the lists must really have moved";
  EXPECT_GT(sum, 0.0);
}

TEST(NoAllocation, TheStateIsOneFixedSizeObject) {
  static_assert(std::is_trivially_copyable_v<Scene>);
  static_assert(std::is_trivially_copyable_v<LabelText>);
  EXPECT_LT(sizeof(TGameMain), 4096u);
}

}  // namespace
}  // namespace skelvar
