// The headless runs' clock: it stands still between ticks and moves one game tick at a time, by
// the scene's designed game timer interval.
#pragma once

#include <cstdint>

#include "game/platform.h"
#include "game/scene.h"

namespace skelvar::tick {

class VirtualClock final : public Clock {
 public:
  static constexpr double StartDays = 46000.0;

  explicit VirtualClock(uint32_t seed) : seed_(seed), tickMs_(DesignedScene().timGame.intervalMs) {}
  void SetTick(int64_t tick) { tick_ = tick; }

  // How long a tick is, in milliseconds, and when tick k is on this clock.
  double TickMs() const { return tickMs_; }
  double TickTimeMs(int64_t k) const { return static_cast<double>(k) * tickMs_; }

  double LocalDateTimeDays() override { return StartDays + TickTimeMs(tick_) / 86400000.0; }
  double MonotonicSeconds() override { return TickTimeMs(tick_) / 1000.0; }
  // The seed stands in for the performance counter that start-up seeds the generator from.
  std::optional<uint64_t> PerformanceCounter() override { return seed_; }
  uint32_t TickCountMs() override { return static_cast<uint32_t>(TickTimeMs(tick_)); }

 private:
  uint32_t seed_;
  double tickMs_;
  int64_t tick_ = 0;
};

}  // namespace skelvar::tick
