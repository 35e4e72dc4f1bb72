// Plays the game's sounds: every cue rendered once into memory, then overlapping voices summed
// through the limiter, block by block, without allocating or locking.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "synth.h"

namespace skelvar::synth {

class SoundBank {
 public:
  SoundBank();
  std::span<const int16_t> Samples(Cue cue) const { return samples_[static_cast<size_t>(cue)]; }

 private:
  std::array<std::vector<int16_t>, CueCount> samples_;
};

class Mixer {
 public:
  static constexpr int MaxVoices = 16;

  explicit Mixer(const SoundBank& bank) : bank_(bank) {}
  // Starts each cue of the set from its first sample; a cue already playing plays twice.
  void Start(CueSet cues);
  // Writes the next out.size() samples of everything playing.
  void Mix(std::span<int16_t> out);
  // Ends every sound at once.
  void Stop();
  int Playing() const;

 private:
  struct Voice {
    int8_t cue = -1;
    int32_t position = 0;
  };
  const SoundBank& bank_;
  std::array<Voice, MaxVoices> voices_{};
  std::array<int32_t, 1024> sum_{};
};

}  // namespace skelvar::synth
