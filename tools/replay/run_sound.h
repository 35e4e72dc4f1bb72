// A run's sound as a WAV file: each tick's cues start at the tick's time on the virtual clock,
// tick k at k * 50 ms, and the file lasts as long as the run.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "game/cue.h"
#include "synth/mixer.h"
#include "synth/wav.h"

namespace skelvar::replay {

class RunSound {
 public:
  static constexpr int64_t MaxTicks = synth::WavMaxSamples / synth::TickSamples;

  RunSound();
  ~RunSound();
  RunSound(const RunSound&) = delete;
  RunSound& operator=(const RunSound&) = delete;

  // Creates the file for a run of the given ticks and writes its first tick's silence.
  bool Open(const std::string& path, int64_t ticks, std::string* error);
  // Takes tick k's cues and writes the sound up to the next tick's time.
  bool AfterTick(CueSet cues, int64_t tick, std::string* error);
  // Ends the file where the run ended, fading out what still sounds.
  bool Close(std::string* error);

 private:
  bool WriteBlock(std::string* error);
  bool Failed(std::string* error);

  synth::SoundBank bank_;
  synth::Mixer mixer_;
  std::string path_;
  std::FILE* file_ = nullptr;
  int64_t ticks_ = 0;
  int64_t written_ = 0;  // ticks of sound in the file
  std::vector<int16_t> block_;
  std::vector<uint8_t> bytes_;
};

}  // namespace skelvar::replay
