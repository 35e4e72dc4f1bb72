#include "tick/live_schedule.h"

#include <algorithm>
#include <cmath>

namespace skelvar::tick {

void Periodic::Advance(double now) {
  ++ticks_;
  if (Next() <= now) {
    // Late by one period or more: skip the missed ticks rather than run them in a burst.
    ticks_ = static_cast<int64_t>(std::floor((now - start_) / period_)) + 1;
    while (Next() <= now) ++ticks_;
  }
}

std::optional<TimerId> LiveSchedule::NextDue(double now, std::optional<TimerId> after) const {
  const auto from =
      after ? std::find(TimerOrder.begin(), TimerOrder.end(), *after) + 1 : TimerOrder.begin();
  for (auto it = from; it < TimerOrder.end(); ++it) {
    if (Due(*it, now)) return *it;
  }
  return std::nullopt;
}

void LiveSchedule::Fired(TimerId id, double now) {
  if (!Running(id)) return;
  if (id == TimerId::Game) lastGameDeadline_ = Deadline(id);
  timers_[Index(id)].Advance(now);
}

void LiveSchedule::Rephase(TimerId id, double firstDue) {
  if (!Running(id)) return;
  const double period = At(id).period();
  timers_[Index(id)] = Periodic(firstDue - period, period);
}

std::optional<double> LiveSchedule::NextDeadline() const {
  std::optional<double> next;
  for (const TimerId id : TimerOrder) {
    if (Running(id) && (!next || Deadline(id) < *next)) next = Deadline(id);
  }
  return next;
}

double LiveSchedule::Fraction(double now) const {
  if (!lastGameDeadline_) return 1.0;
  return std::clamp((now - *lastGameDeadline_) / gamePeriod_, 0.0, 1.0);
}

}  // namespace skelvar::tick
