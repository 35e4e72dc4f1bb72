#include "fixed_text_measurer.h"

#include <cstdint>

namespace skelvar {

TextSize FixedTextMeasurer::Measure(std::string_view utf8) const {
  int32_t width = 0;
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    uint32_t cp = lead;
    size_t len = 1;
    if (lead >= 0xF0) {
      len = 4, cp = lead & 0x07;
    } else if (lead >= 0xE0) {
      len = 3, cp = lead & 0x0F;
    } else if (lead >= 0xC0) {
      len = 2, cp = lead & 0x1F;
    }
    for (size_t k = 1; k < len && i + k < utf8.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += len;
    const bool narrow = cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F);
    width += narrow ? NarrowAdvance : WideAdvance;
  }
  return {width, LineHeight};
}

}  // namespace skelvar
