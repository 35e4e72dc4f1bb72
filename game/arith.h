// The two ways the game turns a real number into an integer; they must never be mixed up.
#pragma once

#include <cmath>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace skelvar {

// Nearest integer, halves to the even neighbour (the FPU's default rounding mode), as
// static_cast<int32_t>(std::nearbyint(x)) gives it without a call into libm per rounding. SSE2's
// conversion rounds in that same mode and gives the same 0x80000000 for what does not fit;
// std::rint rounds exactly as nearbyint does and only raises the inexact flag, which nothing reads.
inline int32_t RoundEven(double x) {
#if defined(__SSE2__)
  return _mm_cvtsd_si32(_mm_set_sd(x));
#else
  return static_cast<int32_t>(std::rint(x));
#endif
}

// RoundEven(p + w / 2.0) in integers: the sum is exactly s / 2 with s = 2p + w, an integer or a
// half, and a half goes to the even one of floor(s / 2) and the integer above it.
inline int32_t RoundEvenHalfSum(int32_t p, int32_t w) {
  const int64_t s = 2 * int64_t{p} + w;
  const int64_t down = s >> 1;  // floor(s / 2), arithmetic shift
  return static_cast<int32_t>(down + (s & down & 1));
}

// Drops the fraction, toward zero.
inline int32_t Trunc(double x) {
  return static_cast<int32_t>(x);
}

}  // namespace skelvar
