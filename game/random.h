// The game's one pseudo-random generator.
#pragma once

#include <random>

#include "platform.h"

namespace skelvar {

class Mt19937Random final : public Random {
 public:
  void Seed(uint32_t seed) override {
    engine_.seed(seed);
    draws_ = 0;
  }
  int32_t Below(int32_t n) override;
  uint64_t Draws() const override { return draws_; }
  void Skip(uint64_t draws) override {
    engine_.discard(draws);
    draws_ += draws;
  }

 private:
  std::mt19937 engine_;
  uint64_t draws_ = 0;
};

}  // namespace skelvar
