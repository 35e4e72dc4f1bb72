#include "tick/run_tick.h"

namespace skelvar::tick {

TickReport RunTick(RunningGame& run, VirtualClock& clock, int64_t k, EventSource& events) {
  TickReport report;
  // Timers switched since the last tick (start-up's among them) count from that tick's time, as a
  // live loop takes the switches in once the tick that made them is over.
  run.Follow(clock.TickTimeMs(k - 1));
  clock.SetTick(k);
  const double now = clock.TickTimeMs(k);
  for (const TimedEvent* e = events.Peek(); e != nullptr && e->tick == k && !run.game().Closed();
       e = events.Peek()) {
    report.happened.Add(run.Feed(e->kind, e->a, e->b, now));
    events.Pop();
    ++report.delivered;
  }
  report.happened.Add(run.Advance(now));
  report.faded = report.happened.faded;
  return report;
}

}  // namespace skelvar::tick
