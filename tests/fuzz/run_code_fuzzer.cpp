// Arbitrary bytes as a run code, given as they are and sealed with a right check value (so that
// they reach the header and the events): the decoder either refuses them with one short printable
// line or gives a run whose own code gives the same run again, and that run plays for a few
// hundred ticks within the run's bounds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "game/fixed_text_measurer.h"
#include "game/random.h"
#include "run/verdict.h"
#include "run_invariants.h"
#include "run/run_code.h"
#include "tick/run_tick.h"
#include "tick/virtual_clock.h"

namespace {

using namespace skelvar;
using namespace skelvar::tick;

constexpr int64_t Ticks = 300;

[[noreturn]] void Finding(const std::string& what) {
  std::fprintf(stderr, "finding: %s\n", what.c_str());
  std::abort();
}

bool ShortPrintableLine(const std::string& s) {
  if (s.empty() || s.size() > 200 || s.rfind("the ", 0) != 0) return false;
  for (char c : s) {
    if (c < 0x20 || c >= 0x7F) return false;
  }
  return true;
}

bool Same(const CodedRun& a, const CodedRun& b) {
  return a.clearSeconds == b.clearSeconds && a.journal == b.journal;
}

void Play(const CodedRun& run) {
  VirtualClock clock(run.journal.seed);
  Mt19937Random random;
  FixedTextMeasurer measurer;
  RunningGame game(clock, random, measurer, RunningGame::Replaying(run.journal));
  testing::RunWatch watch;
  EventSpan feed(run.journal.events);
  for (int64_t k = 1; k <= std::min(Ticks, run.journal.ticks) && !game.game().Closed(); ++k) {
    if (RunTick(game, clock, k, feed).faded) ++watch.fadeTicks;
    watch.runStarted = watch.runStarted || game.game().GameState == StatePlaying;
    // A run's start may hold any values in range, which no play need reach: such a run is played
    // for what the sanitizers say, and only a launch from start-up must keep the bounds of play.
    if (run.journal.start) continue;
    if (const std::string broken = testing::BrokenInvariant(game.game(), watch); !broken.empty()) {
      Finding("tick " + std::to_string(k) + ": " + broken);
    }
  }
}

void Check(std::string_view text) {
  std::string why;
  const std::optional<CodedRun> run = DecodeRun(text, &why);
  if (!run) {
    if (!ShortPrintableLine(why)) Finding("refusal: " + why);
    return;
  }
  const std::optional<std::string> code = EncodeRun(run->journal, run->clearSeconds, &why);
  if (!code) Finding("a decoded run has no code: " + why);
  const std::optional<CodedRun> again = DecodeRun(*code, &why);
  if (!again) Finding("a run's own code is refused: " + why);
  if (!Same(*run, *again)) Finding("a run changed through its own code");
  Play(*run);
  // The verdict plays the same code its own way, and names a run of the current format.
  const std::optional<run::Verdict> verdict = run::Judge(text, &why, true);
  if (verdict && run->journal.start && verdict->code != *code) Finding("a verdict's code differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Check(bytes);
  if (size <= MaxRunCodeChars) Check(run_code::Seal(bytes));
  return 0;
}
