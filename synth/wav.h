// The header of a WAV file of 16-bit mono samples at the synthesizer's rate.
#pragma once

#include <array>
#include <cstdint>

namespace skelvar::synth {

inline constexpr uint32_t WavHeaderBytes = 44;
// The most samples one WAV file can describe.
inline constexpr uint32_t WavMaxSamples = (0xffffffffu - 36u) / 2u;

std::array<uint8_t, WavHeaderBytes> WavHeader(uint32_t samples);

}  // namespace skelvar::synth
