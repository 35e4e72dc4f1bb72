// Long random sessions: whatever the player does, the state stays within its bounds.
#include <gtest/gtest.h>

#include <random>

#include "headless_game.h"
#include "run_invariants.h"

namespace skelvar {
namespace {

using testing::HeadlessGame;

constexpr std::array<int, 9> KeyPool = {VK_RETURN, VK_ESCAPE, VK_SPACE, VK_LEFT, VK_UP,
                                        VK_RIGHT,  VK_DOWN,   65,       16};

struct Tally {
  int64_t runs = 0, contacts = 0, wins = 0, finished = 0, closes = 0, ticks = 0;
};

void CheckInvariants(const TGameMain& g, bool runStarted, int fadeTicks) {
  ASSERT_EQ(testing::BrokenInvariant(g, {fadeTicks, runStarted}), "");
}

void RandomSession(uint32_t seed, int64_t ticks, Tally& tally) {
  std::mt19937 rng(seed);
  auto h = std::make_unique<HeadlessGame>(seed);
  tick::NoEvents none;
  int64_t sessionTick = 0;  // ticks since the window opened, as the tick order counts them
  int fadeTicks = 0;
  bool runStarted = false;
  int32_t lastState = h->game.GameState;
  for (int64_t k = 1; k <= ticks; ++k) {
    auto& g = h->game;
    // A few input events between ticks; the player mostly runs right and jumps.
    const int events = static_cast<int>(rng() % 4);
    for (int e = 0; e < events; ++e) {
      const uint32_t what = rng() % 100;
      const int32_t cw = g.scene.window.clientWidth, ch = g.scene.window.clientHeight;
      if (what < 40) {
        const int key = rng() % 3 == 0 ? VK_RIGHT : KeyPool[rng() % KeyPool.size()];
        // Esc at the menu ends the program; let it through only now and then.
        if (key == VK_ESCAPE && g.GameState == StateMenu && rng() % 50 != 0) continue;
        g.FormKeyDown(key);
      } else if (what < 75) {
        g.FormKeyUp(KeyPool[rng() % KeyPool.size()]);
      } else if (what < 90) {
        g.MouseMove(static_cast<int32_t>(rng() % (cw + 40)) - 20,
                    static_cast<int32_t>(rng() % (ch + 40)) - 20);
      } else if (what < 98) {
        g.MouseClick(static_cast<int32_t>(rng() % (cw + 1)),
                     static_cast<int32_t>(rng() % (ch + 1)));
      } else {
        g.scene.window.clientWidth = 200 + static_cast<int32_t>(rng() % 1800);
        g.scene.window.clientHeight = 200 + static_cast<int32_t>(rng() % 1000);
        g.FormResize();
      }
    }
    // The events above came between ticks; the tick runs the due timers in the window's order.
    if (h->Tick(++sessionTick, none).faded) ++fadeTicks;
    ++tally.ticks;
    if (g.GameState == StatePlaying && lastState != StatePlaying) ++tally.runs;
    if (g.GameState == StateOutcome && lastState == StatePlaying) {
      ++tally.contacts;
      if (Outcome[g.HitIndex] == 1) ++tally.wins;
    }
    if (g.GameState == StateFinished && lastState == StateOutcome) ++tally.finished;
    runStarted = runStarted || g.GameState == StatePlaying;
    lastState = g.GameState;
    CheckInvariants(g, runStarted, fadeTicks);
    if (::testing::Test::HasFatalFailure()) {
      ADD_FAILURE() << "seed " << seed << " tick " << k;
      return;
    }
    if (g.Closed()) {
      ++tally.closes;
      h = std::make_unique<HeadlessGame>(seed + static_cast<uint32_t>(k));
      sessionTick = 0;
      fadeTicks = 0;
      runStarted = false;
      lastState = h->game.GameState;
    }
  }
}

TEST(RandomPlay, AMillionTicksKeepEveryInvariant) {
  Tally tally;
  for (uint32_t seed = 1; seed <= 4; ++seed) RandomSession(seed, 250'000, tally);
  EXPECT_EQ(tally.ticks, 1'000'000);
  // The sessions must really have played: many runs, contacts and finished sequences.
  EXPECT_GT(tally.runs, 100);
  EXPECT_GT(tally.contacts, 100);
  EXPECT_GT(tally.finished, 50);
  RecordProperty("runs", std::to_string(tally.runs));
  RecordProperty("wins", std::to_string(tally.wins));
}

}  // namespace
}  // namespace skelvar
