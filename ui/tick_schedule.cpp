#include "ui/tick_schedule.h"

#include <cmath>

namespace skelvar::ui {

void TickSchedule::Advance(double now) {
  ++ticks_;
  if (next() <= now) {
    // Late by one period or more: skip the missed ticks rather than run them in a burst.
    ticks_ = static_cast<long long>(std::floor((now - start_) / period_)) + 1;
    while (next() <= now) ++ticks_;
  }
}

}  // namespace skelvar::ui
