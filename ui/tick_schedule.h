// When a periodic timer ticks next: deadlines advance by whole periods from the start, so the
// ticks do not drift; a late tick runs once and the next one waits for the following boundary.
#pragma once

namespace skelvar::ui {

class TickSchedule {
 public:
  TickSchedule() = default;
  // The first tick falls one period after `start` (seconds on a monotonic clock).
  TickSchedule(double start, double period) : start_(start), period_(period) {}

  double next() const { return start_ + static_cast<double>(ticks_) * period_; }
  bool Due(double now) const { return now >= next(); }
  // Called after the tick for next() ran at `now`: moves to the first boundary after now.
  void Advance(double now);

 private:
  // The deadlines are start + n * period, computed afresh each time so no error accumulates.
  double start_ = 0.0;
  double period_ = 1.0;
  long long ticks_ = 1;
};

}  // namespace skelvar::ui
