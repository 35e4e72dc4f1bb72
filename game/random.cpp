#include "random.h"

namespace skelvar {

int32_t Mt19937Random::Below(int32_t n) {
  if (n <= 1) return 0;
  // Rejection keeps every entry of a list equally likely.
  const uint32_t bound = static_cast<uint32_t>(n);
  const uint32_t limit = UINT32_MAX - (UINT32_MAX % bound + 1) % bound;
  uint32_t v;
  do {
    v = static_cast<uint32_t>(engine_());
    ++draws_;
  } while (v > limit);
  return static_cast<int32_t>(v % bound);
}

}  // namespace skelvar
