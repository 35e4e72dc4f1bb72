// The replay tool's number writer: the shortest text that reads back as the same double, in the
// plain std::to_chars form, so the JSON of a run is the same whichever compiler built the tool.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#if __has_include(<charconv>)
#include <charconv>
#endif

#include "tick/shortest_double.h"

namespace skelvar::tick {
namespace {

// The bits of a double and back (emscripten's C++ library has no std::bit_cast).
uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

double FromBits(uint64_t b) {
  double v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}

std::string Shortest(double v) {
  char buf[ShortestDoubleMaxChars];
  return std::string(buf, WriteShortestDouble(buf, v));
}

// Doubles that stress every branch: signs, zeros, the fixed/scientific boundary on both sides,
// whole numbers past 2^53, powers of two (whose rounding interval is lopsided), subnormals.
std::vector<double> SpecialValues() {
  std::vector<double> v = {0.0,
                           -0.0,
                           1.0,
                           -1.0,
                           0.1,
                           0.2,
                           0.3,
                           0.1 + 0.2,
                           1.0 / 3.0,
                           2.0 / 3.0,
                           -70.0,
                           -24.009999999999998,
                           -16.807,
                           1e5,
                           123456.0,
                           1e15,
                           1e16,
                           1e21,
                           1e22,
                           1e23,
                           18446744073709551616.0,
                           9007199254740992.0,
                           9007199254740994.0,
                           123456789012345680000.0,
                           1e-4,
                           1e-5,
                           1e-7,
                           0.001,
                           0.00123,
                           5e-324,
                           2.2250738585072014e-308,
                           2.2250738585072009e-308,
                           1.7976931348623157e308,
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::quiet_NaN()};
  for (int e = -1074; e <= 1023; ++e) {
    const double p = std::ldexp(1.0, e);
    for (const double x : {p, std::nextafter(p, 0.0), std::nextafter(p, HUGE_VAL)}) v.push_back(x);
  }
  for (int e = -323; e <= 308; ++e) {
    const double p = std::strtod(("1e" + std::to_string(e)).c_str(), nullptr);
    for (const double x : {p, std::nextafter(p, 0.0), std::nextafter(p, HUGE_VAL), 9.5 * p / 10})
      v.push_back(x);
  }
  return v;
}

// Random doubles of every kind: any bit pattern, whole numbers of every size, short binary
// fractions like the game's velocities, and products of short decimals.
std::vector<double> RandomValues(int count) {
  std::mt19937_64 rng(20261208);
  std::vector<double> v;
  for (int i = 0; i < count; ++i) {
    const uint64_t bits = rng();
    switch (i % 4) {
      case 0:
        v.push_back(FromBits(bits));
        break;
      case 1:
        v.push_back(static_cast<double>(static_cast<int64_t>(bits) >> (bits % 64)));
        break;
      case 2:
        v.push_back(std::ldexp(static_cast<double>(static_cast<int32_t>(bits)), -(bits % 40)));
        break;
      default:
        v.push_back(static_cast<double>(static_cast<int32_t>(bits % 200000) - 100000) *
                    std::pow(0.7, static_cast<double>(bits >> 58)) / 100.0);
    }
  }
  return v;
}

TEST(ShortestDouble, WorkedExamples) {
  EXPECT_EQ(Shortest(0.0), "0");
  EXPECT_EQ(Shortest(-0.0), "-0");
  EXPECT_EQ(Shortest(-70.0), "-70");
  EXPECT_EQ(Shortest(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(Shortest(-24.009999999999998), "-24.009999999999998");
  EXPECT_EQ(Shortest(-16.807), "-16.807");
  EXPECT_EQ(Shortest(1e5), "1e+05");
  EXPECT_EQ(Shortest(123456.0), "123456");
  EXPECT_EQ(Shortest(1e22), "1e+22");
  EXPECT_EQ(Shortest(18446744073709551616.0), "18446744073709551616");
  EXPECT_EQ(Shortest(123456789012345680000.0), "123456789012345683968");
  EXPECT_EQ(Shortest(1e-4), "1e-04");
  EXPECT_EQ(Shortest(0.001), "0.001");
  EXPECT_EQ(Shortest(0.00123), "0.00123");
  EXPECT_EQ(Shortest(5e-324), "5e-324");
  EXPECT_EQ(Shortest(1.7976931348623157e308), "1.7976931348623157e+308");
  EXPECT_EQ(Shortest(-2.2250738585072014e-308), "-2.2250738585072014e-308");
  EXPECT_EQ(Shortest(9007199254740994.0), "9007199254740994");
  EXPECT_EQ(Shortest(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(Shortest(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(Shortest(std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(Shortest(-std::numeric_limits<double>::quiet_NaN()), "-nan");
}

// Wherever a library has the floating-point std::to_chars, the writer matches it byte for byte;
// everywhere, its text reads back as the same double and no fewer digits would.
TEST(ShortestDouble, MatchesToCharsAndRoundTrips) {
  std::vector<double> values = SpecialValues();
  const std::vector<double> random = RandomValues(200000);
  values.insert(values.end(), random.begin(), random.end());
  int failures = 0;
  for (const double v : values) {
    const std::string s = Shortest(v);
    ASSERT_LE(s.size(), ShortestDoubleMaxChars);
#if defined(__cpp_lib_to_chars)
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    const std::string expected(buf, r.ptr);
    if (s != expected && ++failures <= 20) {
      ADD_FAILURE() << std::hexfloat << v << ": wrote " << s << ", to_chars wrote " << expected;
    }
#endif
    if (std::isnan(v)) continue;
    const double back = std::strtod(s.c_str(), nullptr);
    if (Bits(back) != Bits(v) && ++failures <= 20) {
      ADD_FAILURE() << std::hexfloat << v << ": " << s << " reads back as " << back;
    }
    // Count the significant digits and check that one fewer, correctly rounded, misses.
    const size_t e = s.find('e');
    std::string digits;
    for (const char c : s.substr(0, e)) {
      if (c >= '0' && c <= '9') digits += c;
    }
    digits.erase(0, digits.find_first_not_of('0'));
    if (e != std::string::npos) {
      digits.erase(digits.find_last_not_of('0') + 1);
    }
    const int n = static_cast<int>(digits.size());
    if (n > 1 && e != std::string::npos) {
      char shorter[40];
      std::snprintf(shorter, sizeof shorter, "%.*e", n - 2, v);
      if (std::strtod(shorter, nullptr) == v && ++failures <= 20) {
        ADD_FAILURE() << s << " is longer than " << shorter;
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace skelvar::tick
