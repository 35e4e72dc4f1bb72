#include "wav.h"

#include <cstring>

#include "synth.h"

namespace skelvar::synth {
namespace {

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

std::array<uint8_t, WavHeaderBytes> WavHeader(uint32_t samples) {
  std::array<uint8_t, WavHeaderBytes> h{};
  uint8_t* p = h.data();
  const uint32_t data = samples * 2u;
  std::memcpy(p, "RIFF", 4);
  Put32(p + 4, 36u + data);
  std::memcpy(p + 8, "WAVEfmt ", 8);
  Put32(p + 16, 16);                                      // the format block's size
  Put16(p + 20, 1);                                       // integer PCM
  Put16(p + 22, 1);                                       // mono
  Put32(p + 24, static_cast<uint32_t>(SampleRate));       // samples a second
  Put32(p + 28, static_cast<uint32_t>(SampleRate) * 2u);  // bytes a second
  Put16(p + 32, 2);                                       // bytes a sample
  Put16(p + 34, 16);                                      // bits a sample
  std::memcpy(p + 36, "data", 4);
  Put32(p + 40, data);
  return h;
}

}  // namespace skelvar::synth
