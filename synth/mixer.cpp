#include "mixer.h"

#include <algorithm>

namespace skelvar::synth {

SoundBank::SoundBank() {
  for (int c = 0; c < CueCount; ++c) {
    const Cue cue = static_cast<Cue>(c);
    samples_[static_cast<size_t>(c)].resize(static_cast<size_t>(CueLength(cue)));
    RenderCue(cue, samples_[static_cast<size_t>(c)]);
  }
}

void Mixer::Start(CueSet cues) {
  for (int c = 0; c < CueCount; ++c) {
    if ((cues & (1u << c)) == 0) continue;
    // A free voice, or else the one furthest through its sound, whose loss is heard least.
    Voice* chosen = &voices_[0];
    for (Voice& v : voices_) {
      if (v.cue < 0) {
        chosen = &v;
        break;
      }
      if (v.position > chosen->position) chosen = &v;
    }
    chosen->cue = static_cast<int8_t>(c);
    chosen->position = 0;
  }
}

void Mixer::Mix(std::span<int16_t> out) {
  for (size_t done = 0; done < out.size();) {
    const size_t n = std::min(sum_.size(), out.size() - done);
    std::fill_n(sum_.begin(), n, 0);
    for (Voice& v : voices_) {
      if (v.cue < 0) continue;
      const auto samples = bank_.Samples(static_cast<Cue>(v.cue));
      const size_t left = samples.size() - static_cast<size_t>(v.position);
      const size_t k = std::min(n, left);
      for (size_t i = 0; i < k; ++i) sum_[i] += samples[static_cast<size_t>(v.position) + i];
      v.position += static_cast<int32_t>(k);
      if (k == left) v.cue = -1;
    }
    for (size_t i = 0; i < n; ++i) out[done + i] = Limit(sum_[i]);
    done += n;
  }
}

void Mixer::Stop() {
  for (Voice& v : voices_) v.cue = -1;
}

int Mixer::Playing() const {
  return static_cast<int>(
      std::count_if(voices_.begin(), voices_.end(), [](const Voice& v) { return v.cue >= 0; }));
}

}  // namespace skelvar::synth
