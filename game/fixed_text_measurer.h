// A text measure with fixed advances, for running the game without a font (replays, tests).
#pragma once

#include "platform.h"

namespace skelvar {

// ASCII and half-width katakana advance 11 pixels, every other character 21; lines are 21 high.
class FixedTextMeasurer final : public TextMeasurer {
 public:
  static constexpr int32_t NarrowAdvance = 11;
  static constexpr int32_t WideAdvance = 21;
  static constexpr int32_t LineHeight = 21;
  TextSize Measure(std::string_view utf8) const override;
};

}  // namespace skelvar
