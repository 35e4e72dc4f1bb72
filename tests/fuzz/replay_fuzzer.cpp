// Arbitrary bytes as a replay script: the reader either takes them or refuses them with one short
// printable line, and whatever it takes plays for a few hundred ticks within the run's bounds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "game/fixed_text_measurer.h"
#include "game/random.h"
#include "replay_script.h"
#include "run_invariants.h"
#include "tick/run_tick.h"
#include "tick/virtual_clock.h"

namespace {

using namespace skelvar;
using namespace skelvar::replay;
using namespace skelvar::tick;

// Played from generated scripts, which hold every press, and too long to journal.
RunningGame::Options Soaked() {
  RunningGame::Options o;
  o.repeatHeldKeys = false;
  o.keepJournal = false;
  return o;
}

constexpr int64_t Ticks = 300;

[[noreturn]] void Finding(const std::string& what) {
  std::fprintf(stderr, "finding: %s\n", what.c_str());
  std::abort();
}

bool ShortPrintableLine(const std::string& s) {
  if (s.empty() || s.size() > 200 || s.rfind("line ", 0) != 0) return false;
  for (char c : s) {
    if (c < 0x20 || c >= 0x7F) return false;
  }
  return true;
}

bool Same(const ScriptEvent& a, const ScriptEvent& b) {
  return a.tick == b.tick && a.kind == b.kind && a.a == b.a && a.b == b.b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ScriptReader reader(text);
  EventStore store;
  std::vector<ScriptEvent> events;
  ScriptEvent event;
  ScriptReader::Status status;
  int64_t last = 0;
  while ((status = reader.Next(event)) == ScriptReader::Status::Event) {
    if (event.tick < 1 || event.tick < last) Finding("events out of order");
    last = event.tick;
    if (event.tick > Ticks) continue;
    events.push_back(event);
    if (!store.Push(event)) Finding("the event store is full");
  }
  if (status == ScriptReader::Status::Error) {
    if (!ShortPrintableLine(reader.error())) Finding("error message: " + reader.error());
    return 0;
  }
  if (reader.consumed() != static_cast<int64_t>(size)) Finding("the script was not read whole");
  for (const ScriptEvent& want : events) {
    if (!store.Next(event) || !Same(event, want)) Finding("the event store lost an event");
  }
  if (store.Next(event)) Finding("the event store holds more than it was given");

  VirtualClock clock(1);
  Mt19937Random random;
  FixedTextMeasurer measurer;
  RunningGame run(clock, random, measurer, Soaked());
  const TGameMain& game = run.game();
  testing::RunWatch watch;
  EventSpan feed(events);
  for (int64_t k = 1; k <= Ticks && !game.Closed(); ++k) {
    if (RunTick(run, clock, k, feed).faded) ++watch.fadeTicks;
    watch.runStarted = watch.runStarted || game.GameState == StatePlaying;
    if (const std::string broken = testing::BrokenInvariant(game, watch); !broken.empty()) {
      Finding("tick " + std::to_string(k) + ": " + broken);
    }
  }
  return 0;
}
