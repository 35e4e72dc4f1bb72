// A game on the headless runs' virtual clock, its window at the designed client size and created,
// as the replay tool starts one: the set-up that tests of the tick order and of held input share.
#pragma once

#include <cstdint>

#include "game/fixed_text_measurer.h"
#include "game/game_main.h"
#include "game/random.h"
#include "session/run_tick.h"
#include "session/virtual_clock.h"

namespace skelvar::testing {

struct HeadlessGame {
  session::VirtualClock clock;
  Mt19937Random random;
  FixedTextMeasurer measurer;
  TGameMain game{clock, random, measurer};

  explicit HeadlessGame(uint32_t seed) : clock(seed) {
    game.scene.window.clientWidth = 944;
    game.scene.window.clientHeight = 542;
    game.FormCreate();
  }

  // Runs ticks first to last with no input: past the fade-in, this rests at the menu.
  void Idle(int64_t first, int64_t last) {
    session::NoEvents none;
    for (int64_t k = first; k <= last; ++k) session::RunTick(game, clock, k, none);
  }
};

}  // namespace skelvar::testing
