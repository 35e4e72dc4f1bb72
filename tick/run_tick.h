// One tick of the running game on the virtual clock, as the replay tool, the page's stepped mode,
// the fuzzer and the tests step it: the clock moves on, the tick's events arrive, then the due
// timers run in the running game's one order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tick/running_game.h"
#include "tick/timed_event.h"
#include "tick/virtual_clock.h"

namespace skelvar::tick {

// The events of a run in order, looked at one ahead so that a tick takes only its own.
class EventSource {
 public:
  // The next event, or null when there is none.
  virtual const TimedEvent* Peek() = 0;
  // Moves past the event Peek returned.
  virtual void Pop() = 0;

 protected:
  ~EventSource() = default;
};

// Events already in memory.
class EventSpan final : public EventSource {
 public:
  explicit EventSpan(std::span<const TimedEvent> events) : events_(events) {}
  const TimedEvent* Peek() override { return next_ < events_.size() ? &events_[next_] : nullptr; }
  void Pop() override { ++next_; }

 private:
  std::span<const TimedEvent> events_;
  size_t next_ = 0;
};

// A source with no events, for a caller that has delivered the tick's events as they came.
class NoEvents final : public EventSource {
 public:
  const TimedEvent* Peek() override { return nullptr; }
  void Pop() override {}
};

struct TickReport {
  int64_t delivered = 0;  // events handed to the window this tick
  bool faded = false;     // whether the fade moved on
  Happened happened;      // everything the tick's events and timers made happen
};

// Runs tick k (k >= 1): the clock shows tick k, the events stamped k are taken from `events` and
// fed in order while the window stays open, then the timers due at k run: the fade when a period
// of its own has passed, then the game's tick. Events stamped later stay for their own tick; once
// the window is closed nothing more is taken or run. Ticks run one after another from 1 on one
// clock, with the running game made on that clock.
TickReport RunTick(RunningGame& run, VirtualClock& clock, int64_t k, EventSource& events);

}  // namespace skelvar::tick
