#include "ui/system_clock.h"

#include <SDL.h>

#include <chrono>
#include <cmath>
#include <ctime>

namespace skelvar::ui {
namespace {
// Days from 1899-12-30 to 1970-01-01.
constexpr double UnixEpochDays = 25569.0;
}  // namespace

double LocalDaysFromUnix(double unixSeconds) {
  const auto whole = static_cast<time_t>(std::floor(unixSeconds));
  std::tm local{};
  localtime_r(&whole, &local);
  return (unixSeconds + static_cast<double>(local.tm_gmtoff)) / 86400.0 + UnixEpochDays;
}

double SystemClock::LocalDateTimeDays() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return LocalDaysFromUnix(static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9);
}

double SystemClock::MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::optional<uint64_t> SystemClock::PerformanceCounter() {
  return SDL_GetPerformanceCounter();
}

uint32_t SystemClock::TickCountMs() {
  return SDL_GetTicks();
}

}  // namespace skelvar::ui
