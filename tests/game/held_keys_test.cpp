// Keys held by several sources at once: the keyboard, the touch screen and controllers.
#include "game/held_keys.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "test_support.h"

namespace skelvar {
namespace {

using testing::Harness;

constexpr int PadOne = FirstControllerSource;
constexpr int PadTwo = FirstControllerSource + 1;

TEST(HeldKeys, TwoSourcesHoldOneKeyUntilBothLetGo) {
  HeldKeys held;
  EXPECT_TRUE(held.Press(KeyboardSource, VK_RIGHT)) << "the first holder";
  EXPECT_FALSE(held.Press(PadOne, VK_RIGHT)) << "already held by the keyboard";
  EXPECT_FALSE(held.Press(KeyboardSource, VK_RIGHT)) << "a key repeat is no new hold";
  EXPECT_FALSE(held.Release(KeyboardSource, VK_RIGHT)) << "the pad still holds it";
  EXPECT_TRUE(held.Held(VK_RIGHT));
  EXPECT_FALSE(held.HeldBy(KeyboardSource, VK_RIGHT));
  EXPECT_TRUE(held.HeldBy(PadOne, VK_RIGHT));
  EXPECT_TRUE(held.Release(PadOne, VK_RIGHT));
  EXPECT_FALSE(held.Held(VK_RIGHT));
  // A release of a key nobody held (pressed before the window had the focus) still reports it
  // free, so the table is cleared as a keyboard release always cleared it.
  EXPECT_TRUE(held.Release(KeyboardSource, VK_LEFT));

  // Keys that are not watched and sources that do not exist hold nothing.
  EXPECT_FALSE(held.Press(KeyboardSource, 65));
  EXPECT_FALSE(held.Held(65));
  EXPECT_FALSE(held.Press(InputSourceCount, VK_UP));
  EXPECT_FALSE(held.Press(-1, VK_UP));
  EXPECT_EQ(held.Any(), 0);

  // Letting go of a whole source reports only the keys no other source still holds.
  held.Press(PadTwo, VK_LEFT);
  held.Press(PadTwo, VK_SPACE);
  held.Press(PadTwo, VK_ESCAPE);
  held.Press(TouchSource, VK_SPACE);
  const uint8_t letGo = held.ReleaseAll(PadTwo);
  EXPECT_EQ(letGo, HeldKeys::Bit(VK_LEFT) | HeldKeys::Bit(VK_ESCAPE));
  EXPECT_EQ(held.Mask(PadTwo), 0);
  EXPECT_TRUE(held.Held(VK_SPACE));
  EXPECT_EQ(held.ReleaseAll(PadTwo), 0) << "nothing is left to let go";
  EXPECT_EQ(held.ReleaseAll(TouchSource), HeldKeys::Bit(VK_SPACE));
  EXPECT_EQ(held.Any(), 0);
}

// The girl runs right while a controller's D-pad holds Right and the keyboard taps the same key.
TEST(HeldKeys, AKeyboardTapDoesNotStopAPadHeldRun) {
  Harness h;
  h.StartRun();
  h.g().SourceKeyDown(PadOne, VK_RIGHT);
  for (int i = 0; i < 5; ++i) h.Tick();
  const int32_t before = h.g().PosX[0];
  h.g().FormKeyDown(VK_RIGHT);
  h.Tick();
  h.g().FormKeyUp(VK_RIGHT);
  EXPECT_EQ(h.g().KeyState[VK_RIGHT], 1) << "the pad still holds Right";
  for (int i = 0; i < 5; ++i) h.Tick();
  EXPECT_GT(h.g().PosX[0], before + 5 * 25) << "she keeps running";

  // The pad is unplugged: Right goes up and friction stops her.
  h.g().ReleaseSource(PadOne);
  EXPECT_EQ(h.g().KeyState[VK_RIGHT], 0);
  for (int i = 0; i < 30; ++i) h.Tick();
  const int32_t stopped = h.g().PosX[0];
  h.Tick();
  EXPECT_EQ(h.g().PosX[0], stopped);

  // Focus lost while the keyboard holds Left and a finger holds Right: only Left goes.
  h.g().FormKeyDown(VK_LEFT);
  h.g().SourceKeyDown(TouchSource, VK_RIGHT);
  h.g().ReleaseSource(KeyboardSource);
  EXPECT_EQ(h.g().KeyState[VK_LEFT], 0);
  EXPECT_EQ(h.g().KeyState[VK_RIGHT], 1);
  h.g().SourceKeyUp(TouchSource, VK_RIGHT);
  EXPECT_EQ(h.g().KeyState[VK_RIGHT], 0);
}

TEST(HeldKeys, EveryPressSwitchesMouseSteeringOffAndAClearedTableStaysClear) {
  Harness h;
  h.g().MouseMoved = true;
  h.g().SourceKeyDown(PadOne, 0);
  EXPECT_FALSE(h.g().MouseMoved) << "any press of any source, watched or not";

  // A pad holding Right at the menu starts a run, which clears the table: the pad still holds
  // the key but she does not run on until something presses it again, as with a key that does
  // not repeat.
  h.g().SourceKeyDown(PadOne, VK_RIGHT);
  h.Tick();
  ASSERT_EQ(h.g().GameState, StatePlaying);
  EXPECT_EQ(h.g().KeyState[VK_RIGHT], 0);
  EXPECT_TRUE(h.g().heldKeys.HeldBy(PadOne, VK_RIGHT));
  h.g().SourceKeyDown(PadTwo, VK_RIGHT);
  EXPECT_EQ(h.g().KeyState[VK_RIGHT], 1);
  // The first pad lets go; the second still holds it.
  h.g().SourceKeyUp(PadOne, VK_RIGHT);
  EXPECT_EQ(h.g().KeyState[VK_RIGHT], 1);
  h.g().SourceKeyUp(PadTwo, VK_RIGHT);
  EXPECT_EQ(h.g().KeyState[VK_RIGHT], 0);
}

// Over a long random run of presses, releases and whole-source releases (no tick runs, so nothing
// clears the table), the table says a key is held exactly when some source holds it.
TEST(HeldKeys, TheTableFollowsTheUnionOfSourcesOverALongRandomRun) {
  Harness h;
  std::mt19937 rng(20261208);
  std::array<std::array<bool, 7>, InputSourceCount> model{};
  for (int step = 0; step < 200000; ++step) {
    const int source = static_cast<int>(rng() % InputSourceCount);
    const std::size_t k = rng() % WatchedKeys.size();
    const int key = WatchedKeys[k];
    const uint32_t what = rng() % 10;
    if (what < 5) {
      h.g().SourceKeyDown(source, key);
      model[static_cast<std::size_t>(source)][k] = true;
    } else if (what < 9) {
      h.g().SourceKeyUp(source, key);
      model[static_cast<std::size_t>(source)][k] = false;
    } else {
      h.g().ReleaseSource(source);
      model[static_cast<std::size_t>(source)].fill(false);
    }
    for (std::size_t j = 0; j < WatchedKeys.size(); ++j) {
      bool any = false;
      for (const auto& s : model) any = any || s[j];
      ASSERT_EQ(h.g().KeyState[static_cast<std::size_t>(WatchedKeys[j])], any ? 1 : 0)
          << "key " << WatchedKeys[j] << " after step " << step;
    }
  }
}

}  // namespace
}  // namespace skelvar
