#include "ui/system_clock.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace skelvar::ui {
namespace {

class TimeZone {
 public:
  explicit TimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZone() {
    if (had_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

TEST(SystemClock, LocalDaysCountFromTheEndOf1899) {
  {
    TimeZone utc("UTC0");
    EXPECT_DOUBLE_EQ(LocalDaysFromUnix(0.0), 25569.0);
    // 2000-01-01 12:00 UTC is day 36526.5.
    EXPECT_DOUBLE_EQ(LocalDaysFromUnix(946728000.0), 36526.5);
  }
  {
    // Nine hours ahead of UTC: midnight UTC is 09:00 local.
    TimeZone east("JST-9");
    EXPECT_DOUBLE_EQ(LocalDaysFromUnix(0.0), 25569.375);
  }
  {
    // Daylight saving counts: 2021-07-01 12:00 UTC is 08:00 in New York (UTC-4 in summer).
    TimeZone ny("EST5EDT,M3.2.0,M11.1.0");
    EXPECT_NEAR(LocalDaysFromUnix(1625140800.0), 44378.0 + 8.0 / 24.0, 1e-9);
  }
}

TEST(SystemClock, ReadsTheMachineClocks) {
  SystemClock clock;
  const double a = clock.MonotonicSeconds();
  SDL_Delay(20);
  const double b = clock.MonotonicSeconds();
  EXPECT_GE(b - a, 0.019);
  EXPECT_LT(b - a, 1.0);
  const double now = clock.LocalDateTimeDays();
  EXPECT_NEAR(now, LocalDaysFromUnix(static_cast<double>(std::time(nullptr))), 2.0 / 86400.0);
  ASSERT_TRUE(clock.PerformanceCounter().has_value());
  EXPECT_GT(*clock.PerformanceCounter(), 0u);
}

}  // namespace
}  // namespace skelvar::ui
