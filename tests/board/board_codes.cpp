// Codes the board's tests send that no game makes: a winning run sealed with another logic
// version, and a winning run whose events were changed after it was made, sealed again so that
// only playing it can tell.
//   board-codes other-logic CODE   the same run, made with the next logic version
//   board-codes changed CODE       the run's events after the first few dropped, sealed again
//   board-codes variants N CODE    N different runs that play as CODE does: each adds a press of
//                                  a key the game ignores at its own tick, for the benchmarks
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "game/logic_version.h"
#include "run/run_code.h"

using namespace skelvar::tick;

namespace {

// The run with key K pressed at tick T and let go D ticks later, all three taken from `n`.
std::optional<std::string> Variant(const CodedRun& run, int64_t n) {
  constexpr int64_t Ticks = 300, Holds = 16;
  Journal journal = run.journal;
  int64_t tick = 1 + n % Ticks;
  int64_t hold = 1 + (n / Ticks) % Holds;
  int32_t key = 75 + static_cast<int32_t>(n / (Ticks * Holds));  // K, L, M, ...: not the game's
  auto place = [&](TimedEvent event) {
    auto at = std::upper_bound(journal.events.begin(), journal.events.end(), event.tick,
                               [](int64_t t, const TimedEvent& e) { return t < e.tick; });
    journal.events.insert(at, event);
  };
  place(TimedEvent{tick, EventKind::KeyDown, key, 0});
  place(TimedEvent{tick + hold, EventKind::KeyUp, key, 0});
  return EncodeRun(journal, run.clearSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "variants") {
    std::string why;
    std::optional<CodedRun> run = DecodeRun(argv[3], &why);
    if (!run) {
      std::fprintf(stderr, "board-codes: %s\n", why.c_str());
      return 1;
    }
    int64_t count = std::atoll(argv[2]);
    for (int64_t n = 0; n < count; ++n) {
      std::optional<std::string> code = Variant(*run, n);
      if (!code) return 1;
      std::puts(code->c_str());
    }
    return 0;
  }
  if (argc != 3) {
    std::fputs("usage: board-codes other-logic|changed CODE | variants N CODE\n", stderr);
    return 2;
  }
  std::string why;
  std::optional<CodedRun> run = DecodeRun(argv[2], &why);
  if (!run) {
    std::fprintf(stderr, "board-codes: %s\n", why.c_str());
    return 1;
  }
  std::string_view what = argv[1];
  run_code::Versions versions;
  if (what == "other-logic") {
    versions.logic = skelvar::PlayLogicVersion + 1;
  } else if (what == "changed") {
    // She stops jumping: the rest of the run walks into what she used to clear.
    if (run->journal.events.size() > 8) run->journal.events.resize(8);
  } else {
    std::fprintf(stderr, "board-codes: unknown kind %s\n", argv[1]);
    return 2;
  }
  std::puts(run_code::Seal(run_code::Bytes(*run, versions)).c_str());
  return 0;
}
