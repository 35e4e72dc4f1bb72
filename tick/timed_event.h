// One input event of a run, stamped with the tick it belongs to.
#pragma once

#include <cstdint>

namespace skelvar::tick {

enum class EventKind { KeyDown, KeyUp, MouseMove, Click, Resize };

struct TimedEvent {
  int64_t tick = 0;
  EventKind kind = EventKind::KeyDown;
  int32_t a = 0;  // key code, x, or width
  int32_t b = 0;  // the key's source, y or height
  bool operator==(const TimedEvent&) const = default;
};

}  // namespace skelvar::tick
