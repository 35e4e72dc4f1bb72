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
  clock.SetTick(k);
  for (const TimedEvent* e = events.Peek(); e != nullptr && e->tick == k && !game.Closed();
       e = events.Peek()) {
    Deliver(game, *e);
    events.Pop();
    ++report.delivered;
  }
  // The fade's timer runs at 100 ms, every second tick of the game's 50 ms.
  if (!game.Closed() && k % 2 == 0 && game.scene.timOpen.enabled) {
    game.timOpenTimer();
    report.faded = true;
  }
  if (!game.Closed() && game.scene.timGame.enabled) game.timGameTimer();
  return report;
}

}  // namespace skelvar::session
