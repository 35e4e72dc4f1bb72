// A game on a hand-driven clock, started the way the window starts it.
#pragma once

#include <memory>

#include "game/fixed_text_measurer.h"
#include "game/game_main.h"
#include "game/random.h"

namespace skelvar::testing {

class ManualClock final : public Clock {
 public:
  double days = 46000.0;
  double seconds = 1000.0;
  std::optional<uint64_t> counter = 12345;
  uint32_t ticks = 777;

  double LocalDateTimeDays() override { return days; }
  double MonotonicSeconds() override { return seconds; }
  std::optional<uint64_t> PerformanceCounter() override { return counter; }
  uint32_t TickCountMs() override { return ticks; }
  // Both clocks move together unless a test adjusts the wall clock on its own.
  void Advance(double s) {
    seconds += s;
    days += s / 86400.0;
  }
};

// Records every seed and answers with a fixed sequence of values (modulo n).
class ScriptedRandom final : public Random {
 public:
  uint32_t seededWith = 0;
  int32_t next = 0;
  void Seed(uint32_t seed) override { seededWith = seed; }
  int32_t Below(int32_t n) override { return next++ % n; }
  uint64_t Draws() const override { return static_cast<uint64_t>(next); }
  void Skip(uint64_t draws) override { next += static_cast<int32_t>(draws); }
};

struct Harness {
  ManualClock clock;
  Mt19937Random random;
  FixedTextMeasurer measurer;
  std::unique_ptr<TGameMain> game;

  explicit Harness(int32_t clientWidth = 944, int32_t clientHeight = 542) {
    game = std::make_unique<TGameMain>(clock, random, measurer);
    game->scene.window.clientWidth = clientWidth;
    game->scene.window.clientHeight = clientHeight;
    game->FormCreate();
  }
  TGameMain& g() { return *game; }

  // One tick of the 50 ms timer, with the clock moving on first.
  void Tick() {
    clock.Advance(0.05);
    game->timGameTimer();
  }

  // Starts a run from the menu and takes its first step, as a key press would.
  void StartRun() {
    game->MenuCommand('r');
    game->GameStep();
  }

  // Moves every actor other than those listed far out of the player's way and reach, so that a
  // test can watch a few actors alone.
  void Isolate(std::initializer_list<int> keep) {
    for (int i = 1; i < ActorCount; ++i) {
      bool kept = false;
      for (int k : keep) kept = kept || k == i;
      if (!kept) {
        game->PosX[i] = i % 2 ? 9000 : 8000;
        game->PosY[i] = -2000;  // far above the player: never touched
      }
    }
  }
};

}  // namespace skelvar::testing
