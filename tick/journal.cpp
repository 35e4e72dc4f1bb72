#include "tick/journal.h"

#include "game/held_keys.h"

namespace skelvar::tick {
namespace {

const char* EventName(EventKind kind) {
  switch (kind) {
    case EventKind::KeyDown:
      return "keydown";
    case EventKind::KeyUp:
      return "keyup";
    case EventKind::MouseMove:
      return "mousemove";
    case EventKind::Click:
      return "click";
    case EventKind::Resize:
      return "resize";
  }
  return "?";
}

}  // namespace

std::vector<ClockRead> PlayedClock(const Journal& journal) {
  if (!journal.start) return journal.clockReads;
  // The date a run started on shows nowhere, so any will do; the monotonic clock counts from 0.
  std::vector<ClockRead> reads = {{true, 46000.0}, {false, 0.0}};
  if (journal.clearMs >= 0) reads.push_back({false, static_cast<double>(journal.clearMs) / 1000.0});
  return reads;
}

std::string JournalScript(const Journal& journal) {
  std::string out = "# skelvar-replay --seed " + std::to_string(journal.seed) + " --client " +
                    std::to_string(journal.clientWidth) + "x" +
                    std::to_string(journal.clientHeight) + " --ticks " +
                    std::to_string(journal.ticks) + "\n";
  for (const TimedEvent& e : journal.events) {
    out.append(std::to_string(e.tick));
    out.push_back(' ');
    out.append(EventName(e.kind));
    out.push_back(' ');
    out.append(std::to_string(e.a));
    const bool key = e.kind == EventKind::KeyDown || e.kind == EventKind::KeyUp;
    // The keyboard's own keys go without their source, as scripts write them.
    if (!key || e.b != KeyboardSource) {
      out.push_back(' ');
      out.append(std::to_string(e.b));
    }
    out.push_back('\n');
  }
  return out;
}

}  // namespace skelvar::tick
