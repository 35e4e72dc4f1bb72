#include "run/ghost.h"

#include <span>

#include "tick/run_tick.h"

namespace skelvar::tick {
namespace {

// The recorded events from `first` on, stepped past as they are taken.
class EventsFrom final : public EventSource {
 public:
  EventsFrom(std::span<const TimedEvent> events, std::size_t& next)
      : events_(events), next_(next) {}
  const TimedEvent* Peek() override { return next_ < events_.size() ? &events_[next_] : nullptr; }
  void Pop() override { ++next_; }

 private:
  std::span<const TimedEvent> events_;
  std::size_t& next_;
};

}  // namespace

Ghost::Ghost(Journal recorded, const TextMeasurer& measurer)
    : recorded_(std::move(recorded)), measurer_(measurer), clock_(recorded_.seed) {
  // A run's own record starts where it starts; only an older launch is played through to find it.
  if (recorded_.start) return;
  RunningGame& game = Rewound();
  EventsFrom events(recorded_.events, event_);
  for (int64_t k = 1; k <= recorded_.ticks && !game.game().Closed(); ++k) {
    if (RunTick(game, clock_, k, events).happened.runStarted) startTick_ = k;
  }
  game_.reset();
}

RunningGame& Ghost::Rewound() {
  clock_ = VirtualClock(recorded_.seed);
  RunningGame::Options played = RunningGame::Replaying(recorded_);
  // Only the girl's place and picture are read from it, never its draw lists or sounds.
  played.paints = false;
  game_.emplace(clock_, random_, measurer_, played);
  event_ = 0;
  next_ = 1;
  return *game_;
}

void Ghost::Restart() {
  if (!HasRun()) return;
  RunningGame& game = Rewound();
  // A run's own record is under way from its first tick, as the live run is.
  if (recorded_.start) return;
  EventsFrom events(recorded_.events, event_);
  for (; next_ < startTick_; ++next_) RunTick(game, clock_, next_, events);
}

void Ghost::Step() {
  if (!game_ || next_ > recorded_.ticks || game_->game().Closed()) return;
  EventsFrom events(recorded_.events, event_);
  RunTick(*game_, clock_, next_++, events);
}

std::optional<Picture> Ghost::Girl(const TGameMain& live) const {
  if (!game_ || next_ <= startTick_) return std::nullopt;
  const TGameMain& g = game_->game();
  if (g.GameState != StatePlaying) return std::nullopt;
  Picture girl = g.scene.imgEm[0];
  girl.visible = true;
  girl.left = g.PosX[0] + live.CameraX;
  girl.top = g.PosY[0] + live.CameraY;
  return girl;
}

}  // namespace skelvar::tick
