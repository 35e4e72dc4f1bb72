// What a verdict costs: a code read, its run played without drawing, its id hashed and the run
// coded again, as a leaderboard does for every run it is sent.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "run/verdict.h"

namespace {

std::string Code(const char* name) {
  std::ostringstream all;
  all << std::ifstream(std::string(SKELVAR_SOURCE_DIR) + "/bench/" + name).rdbuf();
  return all.str();
}

void Judge(benchmark::State& state, const char* name) {
  const std::string code = Code(name);
  std::string why;
  const auto verdict = skelvar::run::Judge(code, &why);
  if (!verdict) {
    state.SkipWithError(("the code is refused: " + why).c_str());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(skelvar::run::Judge(code));
  state.counters["ticks"] = static_cast<double>(verdict->ticks);
  state.counters["verdicts/s"] = benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["ticks/s"] = benchmark::Counter(static_cast<double>(verdict->ticks),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

// A minute in play: she dodges the glider and stays out of everyone's way for 1,200 steps.
void BM_VerdictMinuteRun(benchmark::State& state) { Judge(state, "minute-run.code"); }
// The winning run: 338 steps to the cat.
void BM_VerdictWinningRun(benchmark::State& state) { Judge(state, "winning-run.code"); }

BENCHMARK(BM_VerdictMinuteRun)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VerdictWinningRun)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
