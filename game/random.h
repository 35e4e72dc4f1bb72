// The game's one pseudo-random generator.
#pragma once

#include <random>

#include "platform.h"

namespace skelvar {

class Mt19937Random final : public Random {
 public:
  void Seed(uint32_t seed) override { engine_.seed(seed); }
  int32_t Below(int32_t n) override;

 private:
  std::mt19937 engine_;
};

}  // namespace skelvar
