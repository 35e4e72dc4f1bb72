// What one tick costs through the running game: headless, as a verdict plays a run (no draw lists,
// no sounds, no journal); painting, as the window and the page run it; and the replay tool's whole
// tick, its script read line by line.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "game/fixed_text_measurer.h"
#include "game/random.h"
#include "replay_script.h"
#include "tick/run_tick.h"
#include "tick/running_game.h"
#include "tick/virtual_clock.h"

namespace {

using namespace skelvar;
using namespace skelvar::tick;

constexpr int64_t ScriptTicks = 200000;

// The events of tools/bench-replay.sh's script: keys pressed every few ticks and held a few,
// clicks and mouse moves, never Esc (which would close the window at the menu).
const std::vector<TimedEvent>& BarEvents() {
  static const std::vector<TimedEvent> events = [] {
    std::vector<TimedEvent> e;
    std::mt19937 rng(3);
    const auto below = [&rng](uint32_t n) { return static_cast<int32_t>(rng() % n); };
    const std::array<int, 7> keys = {37, 38, 39, 40, 13, 32, 65};
    for (int64_t t = 2 + below(20); t < ScriptTicks; t += 1 + below(20)) {
      const int key = keys[static_cast<size_t>(below(keys.size()))];
      e.push_back({t, EventKind::KeyDown, key, 0});
      e.push_back({t + 1 + below(30), EventKind::KeyUp, key, 0});
      if (below(10) == 0) {
        e.push_back({t + 31, EventKind::Click, below(944), below(542)});
      }
      if (below(10) == 0) {
        e.push_back({t + 31, EventKind::MouseMove, below(944), below(542)});
      }
    }
    std::stable_sort(e.begin(), e.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.tick < b.tick; });
    return e;
  }();
  return events;
}

// The same events as a script's text, for the replay tool's reader.
const std::string& BarScript() {
  static const std::string text = [] {
    std::string s;
    static constexpr std::array<const char*, 5> names = {"keydown", "keyup", "mousemove", "click",
                                                         "resize"};
    for (const TimedEvent& e : BarEvents()) {
      s += std::to_string(e.tick) + " " + names[static_cast<size_t>(e.kind)] + " " +
           std::to_string(e.a);
      if (e.kind == EventKind::MouseMove || e.kind == EventKind::Click) {
        s += " " + std::to_string(e.b);
      }
      s += "\n";
    }
    return s;
  }();
  return text;
}

// A running game on the virtual clock fed from an event source, made afresh when the events run
// out.
struct Played {
  Played(const RunningGame::Options& options, EventSource& source)
      : clock(1), run(clock, random, measurer, options), events(source) {}
  void Tick() { RunTick(run, clock, ++tick, events); }

  VirtualClock clock;
  Mt19937Random random;
  FixedTextMeasurer measurer;
  RunningGame run;
  EventSource& events;
  int64_t tick = 0;
};

// The options as `skelvar-replay` sets them for a script, painting or not.
RunningGame::Options ToolOptions(bool paints, bool journal) {
  RunningGame::Options o;
  o.repeatHeldKeys = false;
  o.keepJournal = journal;
  o.paints = paints;
  return o;
}

// The bar's script through the running game, the events already in memory.
void TicksOfTheBar(benchmark::State& state, bool paints, bool journal) {
  std::optional<EventSpan> events;
  std::optional<Played> played;
  for (auto _ : state) {
    if (!played || played->tick == ScriptTicks) {
      state.PauseTiming();
      played.reset();
      events.emplace(BarEvents());
      played.emplace(ToolOptions(paints, journal), *events);
      state.ResumeTiming();
    }
    played->Tick();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_HeadlessTick(benchmark::State& state) {
  TicksOfTheBar(state, false, false);
}
BENCHMARK(BM_HeadlessTick);

void BM_PaintedTick(benchmark::State& state) {
  TicksOfTheBar(state, true, true);
}
BENCHMARK(BM_PaintedTick);

// The script read line by line as the tool reads it, into the running game with the tool's options.
class ReaderFeed final : public EventSource {
 public:
  explicit ReaderFeed(std::string_view text) : reader_(text) {}
  const TimedEvent* Peek() override {
    if (!held_ && !ended_) {
      held_ = reader_.Next(next_) == replay::ScriptReader::Status::Event;
      ended_ = !held_;
    }
    return held_ ? &next_ : nullptr;
  }
  void Pop() override { held_ = false; }

 private:
  replay::ScriptReader reader_;
  TimedEvent next_;
  bool held_ = false, ended_ = false;
};

void BM_ReplayToolTick(benchmark::State& state) {
  std::optional<ReaderFeed> events;
  std::optional<Played> played;
  for (auto _ : state) {
    if (!played || played->tick == ScriptTicks) {
      state.PauseTiming();
      played.reset();
      events.emplace(BarScript());
      played.emplace(ToolOptions(false, true), *events);
      state.ResumeTiming();
    }
    played->Tick();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReplayToolTick);

// A tick in play through the headless running game, as a verdict plays most of a one-minute run:
// → held and a jump every second; a contact puts the girl back at her start and play goes on.
void BM_HeadlessTickInPlay(benchmark::State& state) {
  NoEvents none;
  Played played(ToolOptions(false, false), none);
  TGameMain& game = played.run.game();
  played.run.Feed(EventKind::KeyDown, VK_UP, KeyboardSource, 0.0);
  played.Tick();
  played.run.Feed(EventKind::KeyUp, VK_UP, KeyboardSource, 0.0);
  for (auto _ : state) {
    const double now = played.clock.TickTimeMs(played.tick + 1);
    played.run.Feed(EventKind::KeyDown, VK_RIGHT, KeyboardSource, now);
    if (played.tick % 20 == 0) played.run.Feed(EventKind::KeyDown, VK_UP, KeyboardSource, now);
    if (played.tick % 20 == 1) played.run.Feed(EventKind::KeyUp, VK_UP, KeyboardSource, now);
    played.Tick();
    if (game.GameState != StatePlaying) {
      game.GameState = StatePlaying;
      game.PosX[0] = StartX[0];
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HeadlessTickInPlay);

}  // namespace
