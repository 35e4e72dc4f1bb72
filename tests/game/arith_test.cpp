// The inline rounding gives libm's nearbyint to the bit over every kind of value the step rounds.
#include "game/arith.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace skelvar {
namespace {

int32_t LibmRoundEven(double x) {
  return static_cast<int32_t>(std::nearbyint(x));
}

TEST(RoundEven, MatchesNearbyintOnHalvesAndTheStepsQuotients) {
  int mismatches = 0;
  const auto check = [&](double x) {
    if (RoundEven(x) != LibmRoundEven(x) && ++mismatches <= 5) {
      ADD_FAILURE() << "RoundEven(" << x << ") = " << RoundEven(x) << ", nearbyint gives "
                    << LibmRoundEven(x);
    }
  };
  EXPECT_EQ(RoundEven(0.5), 0);
  EXPECT_EQ(RoundEven(1.5), 2);
  EXPECT_EQ(RoundEven(2.5), 2);
  EXPECT_EQ(RoundEven(-2.5), -2);
  EXPECT_EQ(RoundEven(-3.5), -4);
  // Every quotient and product the step rounds: gaps / 5, a camera's 0.78, a fifth of a jump,
  // halves of widths, positions plus velocities, around and well beyond the stage's extent.
  for (int32_t k = -1'200'000; k <= 1'200'000; ++k) {
    check(k / 5.0);
    check(k * 0.78);
    check(0.2 * k);
    check(k + 0.5);
    check(k * 0.7);
    check(k / 0.7);
    check(k / 10.0);
  }
  std::mt19937_64 random(35);
  std::uniform_real_distribution<double> anywhere(-2147483000.0, 2147483000.0);
  for (int n = 0; n < 1'000'000; ++n) check(anywhere(random));
  EXPECT_EQ(mismatches, 0);
}

TEST(RoundEven, OfAPositionAndAHalfWidthMatchesTheDoublesInIntegers) {
  int mismatches = 0;
  const auto check = [&](int32_t p, int32_t w) {
    if (RoundEvenHalfSum(p, w) != LibmRoundEven(p + w / 2.0) && ++mismatches <= 5) {
      ADD_FAILURE() << "p " << p << ", w " << w << ": " << RoundEvenHalfSum(p, w) << ", not "
                    << LibmRoundEven(p + w / 2.0);
    }
  };
  for (int32_t p = -30000; p <= 30000; ++p) {
    for (int32_t w = -3; w <= 40; ++w) check(p, w);
  }
  std::mt19937 random(35);
  std::uniform_int_distribution<int32_t> anywhere(-1'000'000'000, 1'000'000'000);
  for (int n = 0; n < 1'000'000; ++n) check(anywhere(random), anywhere(random));
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace skelvar
