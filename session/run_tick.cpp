#include "session/run_tick.h"

namespace skelvar::session {

void Deliver(TGameMain& game, const TimedEvent& event) {
  switch (event.kind) {
    case EventKind::KeyDown:
      game.SourceKeyDown(event.b, event.a);
      break;
    case EventKind::KeyUp:
      game.SourceKeyUp(event.b, event.a);
      break;
    case EventKind::MouseMove:
      game.MouseMove(event.a, event.b);
      break;
    case EventKind::Click:
      game.MouseClick(event.a, event.b);
      break;
    case EventKind::Resize:
      game.scene.window.clientWidth = event.a;
      game.scene.window.clientHeight = event.b;
      game.FormResize();
      break;
  }
}

TickReport RunTick(TGameMain& game, VirtualClock& clock, int64_t k, EventSource& events) {
  TickReport report;
  LiveSchedule& timers = clock.timers();
  // Timers switched since the last tick (start-up's among them) count from that tick's time, as a
  // live loop takes the switches in once the tick that made them is over.
  timers.Follow(game.scene, clock.TickTimeMs(k - 1));
  clock.SetTick(k);
  for (const TimedEvent* e = events.Peek(); e != nullptr && e->tick == k && !game.Closed();
       e = events.Peek()) {
    Deliver(game, *e);
    events.Pop();
    ++report.delivered;
  }
  const double now = clock.TickTimeMs(k);
  for (auto id = timers.NextDue(now); id && !game.Closed(); id = timers.NextDue(now, id)) {
    // A timer its tick's events switched off does not run, though its schedule still counts.
    if (*id == TimerId::Fade && game.scene.timOpen.enabled) {
      game.timOpenTimer();
      report.faded = true;
    }
    if (*id == TimerId::Game && game.scene.timGame.enabled) game.timGameTimer();
    timers.Fired(*id, now);
  }
  return report;
}

}  // namespace skelvar::session
