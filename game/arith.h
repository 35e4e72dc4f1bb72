// The two ways the game turns a real number into an integer; they must never be mixed up.
#pragma once

#include <cmath>
#include <cstdint>

namespace skelvar {

// Nearest integer, halves to the even neighbour (the FPU's default rounding mode). std::rint rounds
// exactly as std::nearbyint does and differs only in raising the inexact flag, which nothing reads;
// unlike nearbyint, GCC expands it inline on every x86-64, saving a call into libm per rounding.
inline int32_t RoundEven(double x) {
  return static_cast<int32_t>(std::rint(x));
}

// Drops the fraction, toward zero.
inline int32_t Trunc(double x) {
  return static_cast<int32_t>(x);
}

}  // namespace skelvar
