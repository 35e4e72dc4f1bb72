// The game's sound on the desktop: SDL's audio device at 48 kHz, fed from a mixer that runs in
// SDL's audio thread. The game's thread only sets bits in one atomic word, so neither side locks
// or allocates while the game plays. The sounds are rendered on a helper thread meanwhile, and the
// device is opened only once the window shows its first frame, which waits for neither.
#pragma once

#include <SDL.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "game/cue.h"
#include "synth/mixer.h"

namespace skelvar::ui {

class AudioOutput {
 public:
  // Starts rendering the game's sounds on a helper thread; nothing plays before Open.
  AudioOutput();
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // Opens the default output device; false, with the reason in *error, when there is none. Until
  // the sounds are rendered it plays silence, and the cues of that time are dropped.
  bool Open(std::string* error);
  bool IsOpen() const { return device_ != 0; }

  // Starts a tick's sounds; called from the game's thread.
  void Play(CueSet cues) {
    if (cues != 0) pending_.fetch_or(cues, std::memory_order_release);
  }
  // The one switch for all sound; what the player chose is kept by whoever calls it.
  void SetMuted(bool muted) { muted_.store(muted, std::memory_order_release); }
  bool Muted() const { return muted_.load(std::memory_order_acquire); }

 private:
  static void Fill(void* self, Uint8* stream, int bytes);

  SDL_AudioDeviceID device_ = 0;
  // Written by the helper thread before it sets sounding_, then only read by the audio thread.
  std::unique_ptr<synth::SoundBank> bank_;
  std::optional<synth::Mixer> mixer_;
  std::atomic<bool> sounding_{false};
  std::atomic<uint32_t> pending_{0};
  std::atomic<bool> muted_{false};
  bool silent_ = false;    // the audio thread's own: muted and faded out
  std::thread rendering_;  // last: it starts once every member it touches is made
};

}  // namespace skelvar::ui

namespace skelvar::ui {

// What the M key does: all sound off, or on again.
inline void ToggleSound(AudioOutput& audio) {
  audio.SetMuted(!audio.Muted());
}

}  // namespace skelvar::ui
