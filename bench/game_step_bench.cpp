// How long one step of play and one timer tick take.
#include <benchmark/benchmark.h>

#include "game/fixed_text_measurer.h"
#include "game/game_main.h"
#include "game/random.h"

namespace {

using namespace skelvar;

class BenchClock final : public Clock {
 public:
  double LocalDateTimeDays() override { return 46000.0; }
  double MonotonicSeconds() override { return 0.0; }
  std::optional<uint64_t> PerformanceCounter() override { return 1; }
  uint32_t TickCountMs() override { return 0; }
};

struct RunInProgress {
  BenchClock clock;
  Mt19937Random random;
  FixedTextMeasurer measurer;
  TGameMain game{clock, random, measurer};

  RunInProgress() {
    game.scene.window.clientWidth = 944;
    game.scene.window.clientHeight = 542;
    game.FormCreate();
    game.MenuCommand('r');
    for (int k = 0; k < 30; ++k) game.GameStep();
  }

  // Keeps the run going: the girl runs right and jumps, and a contact sends her back.
  void Step() {
    game.PlayCommand('r');
    game.PlayCommand('u');
    game.GameStep();
    if (game.GameState != StatePlaying) {
      game.GameState = StatePlaying;
      game.PosX[0] = StartX[0];
    }
  }
};

void BM_GameStep(benchmark::State& state) {
  RunInProgress run;
  for (auto _ : state) {
    run.game.GameStep();
    benchmark::DoNotOptimize(run.game.PosX.data());
    if (run.game.GameState != StatePlaying) {
      run.game.GameState = StatePlaying;
      run.game.PosX[0] = StartX[0];
    }
    run.game.VelX[0] = 30;
  }
}
BENCHMARK(BM_GameStep);

void BM_TimerTickWithKeysHeld(benchmark::State& state) {
  RunInProgress run;
  run.game.FormKeyDown(VK_RIGHT);
  run.game.FormKeyDown(VK_UP);
  for (auto _ : state) {
    run.game.timGameTimer();
    benchmark::DoNotOptimize(run.game.PosX.data());
    if (run.game.GameState != StatePlaying) {
      run.game.GameState = StatePlaying;
      run.game.PosX[0] = StartX[0];
      run.game.KeyState[VK_RIGHT] = 1;
    }
  }
}
BENCHMARK(BM_TimerTickWithKeysHeld);

void BM_OutcomeSequence(benchmark::State& state) {
  RunInProgress run;
  for (auto _ : state) {
    run.game.GameState = StateOutcome;
    run.game.HitIndex = 4;
    run.game.TickCount = 0;
    for (int k = 0; k < 60; ++k) run.game.OutcomeFrame();
    benchmark::DoNotOptimize(run.game.scene.imgOver.top);
  }
  state.SetItemsProcessed(state.iterations() * 60);
}
BENCHMARK(BM_OutcomeSequence);

}  // namespace

BENCHMARK_MAIN();
