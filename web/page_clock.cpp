#include "web/page_clock.h"

#include <emscripten.h>

// Local wall-clock time as days since 1899-12-30.
EM_JS(double, skelvar_js_local_days, (), {
  const now = Date.now();
  const offsetMinutes = new Date(now).getTimezoneOffset();
  return (now / 1000 - offsetMinutes * 60) / 86400 + 25569;
});

// A microsecond counter for seeding: performance.now() alone starts near 0 at every load, so the
// time origin is added to make the seed differ from one visit to the next.
EM_JS(double, skelvar_js_counter_us, (),
      { return Math.floor((performance.timeOrigin + performance.now()) * 1000); });

namespace skelvar::web {

double PageClock::NowMs() const {
  return stepped_ ? virtual_.TickTimeMs(tick_) : PageMs(emscripten_get_now());
}

void PageClock::SetHidden(bool hidden) {
  const double now = emscripten_get_now();
  if (hidden && !hidden_) hiddenAtMs_ = now;
  if (!hidden && hidden_) awayMs_ += now - hiddenAtMs_;
  hidden_ = hidden;
}

double PageClock::LocalDateTimeDays() {
  return stepped_ ? virtual_.LocalDateTimeDays() : skelvar_js_local_days();
}

std::optional<uint64_t> PageClock::PerformanceCounter() {
  if (stepped_) return virtual_.PerformanceCounter();
  return static_cast<uint64_t>(skelvar_js_counter_us());
}

uint32_t PageClock::TickCountMs() {
  return stepped_ ? virtual_.TickCountMs() : static_cast<uint32_t>(emscripten_get_now());
}

}  // namespace skelvar::web
