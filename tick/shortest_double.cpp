#include "tick/shortest_double.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace skelvar::tick {
namespace {

// A positive decimal d[0].d[1]...d[n-1] x 10^exponent, digits as characters.
struct Decimal {
  char digits[20];
  int count = 0;
  int exponent = 0;
};

// The C library prints and reads decimals exactly (correctly rounded both ways), so the nearest
// decimal of `count` digits comes from printf and the round-trip check from strtod.
Decimal Nearest(double v, int count) {
  char text[40];
  std::snprintf(text, sizeof text, "%.*e", count - 1, v);
  Decimal d;
  for (const char* p = text; *p != 'e'; ++p) {
    if (*p != '.') d.digits[d.count++] = *p;
  }
  d.exponent = std::atoi(std::strchr(text, 'e') + 1);
  return d;
}

double Read(const Decimal& d) {
  char text[40];
  std::memcpy(text, d.digits, d.count);
  std::snprintf(text + d.count, sizeof text - d.count, "e%d", d.exponent - (d.count - 1));
  return std::strtod(text, nullptr);
}

// Moves d one unit of its last digit up or down (a carry may lengthen it by a leading 1, a borrow
// shorten it); d stays positive since it is the neighbour of a positive nearest decimal.
Decimal Step(Decimal d, int direction) {
  int i = d.count - 1;
  if (direction > 0) {
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      // 99..9 + 1 = 100..0: the same count of digits, one place higher.
      d.digits[0] = '1';
      ++d.exponent;
    }
  } else {
    while (i >= 0 && d.digits[i] == '0') d.digits[i--] = '9';
    --d.digits[i];
    if (d.digits[0] == '0') {
      // 100..0 - 1 = 99..9 with one digit fewer: keep the count by adding a trailing 9.
      std::memmove(d.digits, d.digits + 1, d.count - 1);
      d.digits[d.count - 1] = '9';
      --d.exponent;
    }
  }
  return d;
}

// The decimal of `count` digits closest to v that reads back as v, if there is one. The nearest
// such decimal is tried first; when it misses, only its neighbour on v's other side can still hit,
// because the rounding interval of a power of two is narrower below than above.
bool RoundTrips(double v, int count, Decimal& out) {
  out = Nearest(v, count);
  const double back = Read(out);
  if (back == v) return true;
  const Decimal other = Step(out, back < v ? 1 : -1);
  if (Read(other) != v) return false;
  out = other;
  return true;
}

// Whole numbers below 2^53 are spaced at most 1 apart, so no other decimal reads back as one of
// them: their shortest digits are their own, trailing zeros dropped. Most numbers a run prints are
// such, and this path needs no printf.
constexpr double ExactIntegerLimit = 9007199254740992.0;  // 2^53

Decimal WholeNumber(uint64_t n) {
  char reversed[20];
  int count = 0;
  for (; n > 0; n /= 10) reversed[count++] = static_cast<char>('0' + n % 10);
  Decimal d;
  d.exponent = count - 1;
  for (int i = count - 1; i >= 0; --i) d.digits[d.count++] = reversed[i];
  return d;
}

// The fewest digits that round-trip: a count that works keeps working with more digits, so the
// smallest one is found by bisection over 1..17 (17 always works).
Decimal Shortest(double v) {
  if (v < ExactIntegerLimit && v == std::trunc(v)) {
    Decimal d = WholeNumber(static_cast<uint64_t>(v));
    while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
    return d;
  }
  int lo = 1, hi = 17;
  Decimal best, d;
  RoundTrips(v, 17, best);
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (RoundTrips(v, mid, d)) {
      best = d;
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  while (best.count > 1 && best.digits[best.count - 1] == '0') --best.count;
  return best;
}

int DigitCount(int n) {
  return n >= 100 ? 3 : n >= 10 ? 2 : 1;
}

char* Append(char* out, const char* s, int n) {
  std::memcpy(out, s, n);
  return out + n;
}

char* Fill(char* out, char c, int n) {
  std::memset(out, c, n);
  return out + n;
}

}  // namespace

char* WriteShortestDouble(char* out, double v) {
  if (std::signbit(v)) *out++ = '-';
  if (std::isnan(v)) return Append(out, "nan", 3);
  v = std::fabs(v);
  if (std::isinf(v)) return Append(out, "inf", 3);
  if (v == 0) {
    *out++ = '0';
    return out;
  }
  const Decimal d = Shortest(v);
  const int n = d.count, e = d.exponent;
  const int scientificLength = n + (n > 1 ? 1 : 0) + 2 + std::max(2, DigitCount(std::abs(e)));
  const int fixedLength = e >= n - 1 ? e + 1 : e >= 0 ? n + 1 : n + 1 - e;
  if (fixedLength <= scientificLength) {
    if (e >= n - 1) {
      // A whole number, printed exactly (past 2^53 its digits beyond the shortest ones are v's
      // own, not zeros).
      if (v < ExactIntegerLimit) {
        const Decimal whole = WholeNumber(static_cast<uint64_t>(v));
        return Append(out, whole.digits, whole.count);
      }
      const int written = std::snprintf(out, ShortestDoubleMaxChars, "%.0f", v);
      return out + written;
    }
    if (e >= 0) {
      out = Append(out, d.digits, e + 1);
      *out++ = '.';
      return Append(out, d.digits + e + 1, n - e - 1);
    }
    out = Append(out, "0.", 2);
    out = Fill(out, '0', -e - 1);
    return Append(out, d.digits, n);
  }
  *out++ = d.digits[0];
  if (n > 1) {
    *out++ = '.';
    out = Append(out, d.digits + 1, n - 1);
  }
  *out++ = 'e';
  *out++ = e < 0 ? '-' : '+';
  const int a = std::abs(e);
  if (a >= 100) *out++ = static_cast<char>('0' + a / 100);
  *out++ = static_cast<char>('0' + a / 10 % 10);
  *out++ = static_cast<char>('0' + a % 10);
  return out;
}

}  // namespace skelvar::tick
