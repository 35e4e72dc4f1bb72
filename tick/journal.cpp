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
