// The game's sound on the desktop: SDL's audio device at 48 kHz, fed from a mixer that runs in
// SDL's audio thread. The game's thread only sets bits in one atomic word, so neither side locks
// or allocates while the game plays.
#pragma once

#include <SDL.h>

#include <atomic>
#include <memory>
#include <string>

#include "game/cue.h"
#include "synth/mixer.h"

namespace skelvar::ui {

class AudioOutput {
 public:
  // Opens the default output device to play the given sounds; null, with the reason in *error,
  // when there is none.
  static std::unique_ptr<AudioOutput> Open(std::unique_ptr<synth::SoundBank> bank,
                                           std::string* error);
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // Starts a tick's sounds; called from the game's thread.
  void Play(CueSet cues) {
    if (cues != 0) pending_.fetch_or(cues, std::memory_order_release);
  }
  // The one switch for all sound; what the player chose is kept by whoever calls it.
  void SetMuted(bool muted) { muted_.store(muted, std::memory_order_release); }
  bool Muted() const { return muted_.load(std::memory_order_acquire); }

 private:
  explicit AudioOutput(std::unique_ptr<synth::SoundBank> bank)
      : bank_(std::move(bank)), mixer_(*bank_) {}
  static void Fill(void* self, Uint8* stream, int bytes);

  SDL_AudioDeviceID device_ = 0;
  std::unique_ptr<synth::SoundBank> bank_;
  synth::Mixer mixer_;
  std::atomic<uint32_t> pending_{0};
  std::atomic<bool> muted_{false};
  bool silent_ = false;  // the audio thread's own: muted and faded out
};

}  // namespace skelvar::ui

namespace skelvar::ui {

// What the M key does: all sound off, or on again.
inline void ToggleSound(AudioOutput& audio) {
  audio.SetMuted(!audio.Muted());
}

}  // namespace skelvar::ui
