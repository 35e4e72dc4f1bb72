// A clock that stands still between ticks and advances exactly 50 ms per tick.
#pragma once

#include <cstdint>

#include "game/platform.h"

namespace skelvar::session {

class VirtualClock final : public Clock {
 public:
  static constexpr double StartDays = 46000.0;
  static constexpr double TickMs = 50.0;

  explicit VirtualClock(uint32_t seed) : seed_(seed) {}
  void SetTick(int64_t tick) { tick_ = tick; }

  double LocalDateTimeDays() override { return StartDays + tick_ * TickMs / 86400000.0; }
  double MonotonicSeconds() override { return tick_ * TickMs / 1000.0; }
  // The seed stands in for the performance counter that start-up seeds the generator from.
  std::optional<uint64_t> PerformanceCounter() override { return seed_; }
  uint32_t TickCountMs() override { return static_cast<uint32_t>(tick_ * 50); }

 private:
  uint32_t seed_;
  int64_t tick_ = 0;
};

}  // namespace skelvar::session
