// The page's clock: the browser's, with the time the page spent hidden taken out so that time away
// never counts in a run, or for a stepped test page the headless runs' clock that stands still
// between ticks. Times are milliseconds unless named otherwise; "performance" times are
// performance.now()'s, the page's own timeouts' and animation frames' clock.
#pragma once

#include <cstdint>
#include <optional>

#include "game/platform.h"
#include "tick/virtual_clock.h"

namespace skelvar::web {

class PageClock final : public Clock {
 public:
  PageClock(bool stepped, uint32_t seed) : stepped_(stepped), virtual_(seed) {}

  bool stepped() const { return stepped_; }
  tick::VirtualClock& Virtual() { return virtual_; }
  // A stepped page's clock shows tick k: the time its events come at.
  void SetTick(int64_t k) {
    tick_ = k;
    virtual_.SetTick(k);
  }

  // The game's time at a moment of performance.now(), and back.
  double PageMs(double performanceMs) const {
    return (hidden_ ? hiddenAtMs_ : performanceMs) - awayMs_;
  }
  double PerformanceMs(double pageMs) const { return pageMs + awayMs_; }
  // The game's time now: the virtual clock's tick in a stepped page.
  double NowMs() const;

  // While the page is hidden its clock stands still.
  void SetHidden(bool hidden);

  double LocalDateTimeDays() override;
  double MonotonicSeconds() override { return NowMs() / 1000.0; }
  std::optional<uint64_t> PerformanceCounter() override;
  uint32_t TickCountMs() override;

 private:
  bool stepped_;
  bool hidden_ = false;
  double hiddenAtMs_ = 0.0;
  double awayMs_ = 0.0;
  int64_t tick_ = 0;
  tick::VirtualClock virtual_;
};

}  // namespace skelvar::web
