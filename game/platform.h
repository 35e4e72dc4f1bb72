// What the play logic needs from the machine: a clock, a random generator and a text measure.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace skelvar {

class Clock {
 public:
  virtual ~Clock() = default;
  // Local wall-clock date and time as days since 1899-12-30, fractions for the time of day.
  virtual double LocalDateTimeDays() = 0;
  // Seconds on a clock that never jumps; only differences mean anything.
  virtual double MonotonicSeconds() = 0;
  // The high-resolution performance counter, if the machine has one.
  virtual std::optional<uint64_t> PerformanceCounter() = 0;
  // Milliseconds since the system started.
  virtual uint32_t TickCountMs() = 0;
};

class Random {
 public:
  virtual ~Random() = default;
  virtual void Seed(uint32_t seed) = 0;
  // A uniform integer in 0 .. n - 1 (n >= 1).
  virtual int32_t Below(int32_t n) = 0;
  // How many numbers the generator has drawn since it was seeded, and a skip past that many more:
  // together with the seed, where it stands.
  virtual uint64_t Draws() const = 0;
  virtual void Skip(uint64_t draws) = 0;
};

struct TextSize {
  int32_t width = 0;
  int32_t height = 0;
};

// Measures a line of text in the message label's font (21-pixel Japanese gothic).
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  virtual TextSize Measure(std::string_view utf8) const = 0;
};

}  // namespace skelvar
