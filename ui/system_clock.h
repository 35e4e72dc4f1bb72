// The machine's clocks as the game reads them.
#pragma once

#include "game/platform.h"

namespace skelvar::ui {

class SystemClock final : public Clock {
 public:
  double LocalDateTimeDays() override;
  double MonotonicSeconds() override;
  std::optional<uint64_t> PerformanceCounter() override;
  uint32_t TickCountMs() override;
};

// Local time as days since 1899-12-30 for a moment given in seconds since 1970 (UTC).
double LocalDaysFromUnix(double unixSeconds);

}  // namespace skelvar::ui
