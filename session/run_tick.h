// One tick of a run on the virtual clock, in the one order every headless run and the page's
// stepped mode share: the clock moves on, the tick's events arrive, then the due timers run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "game/game_main.h"
#include "session/timed_event.h"
#include "session/virtual_clock.h"

namespace skelvar::session {

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

// Hands one event to the main window's handler for it.
void Deliver(TGameMain& game, const TimedEvent& event);

struct TickReport {
  int64_t delivered = 0;  // events handed to the window this tick
  bool faded = false;     // whether the fade moved on
};

// Runs tick k (k >= 1): the clock shows tick k, the events stamped k are taken from `events` and
// delivered in order while the window stays open, then the window's timers due at k on the clock's
// schedule run, in the schedule's order: the fade when a period of its own has passed, then the
// game's step. Events stamped later stay for their own tick; once the window is closed nothing
// more is taken or run. Ticks run one after another from 1 on one clock.
TickReport RunTick(TGameMain& game, VirtualClock& clock, int64_t k, EventSource& events);

}  // namespace skelvar::session
