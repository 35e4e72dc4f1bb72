#include "ui/audio_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <span>

namespace skelvar::ui {

namespace {

// Sound libraries that find no device (ALSA without a card, say) print lines of their own on
// standard error while SDL tries them; the game says what went wrong in one line instead.
class QuietStandardError {
 public:
  QuietStandardError() : saved_(dup(STDERR_FILENO)) {
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
  }
  ~QuietStandardError() {
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int saved_;
};

}  // namespace

AudioOutput::AudioOutput()
    : rendering_([this] {
        bank_ = std::make_unique<synth::SoundBank>();
        mixer_.emplace(*bank_);
        sounding_.store(true, std::memory_order_release);
      }) {}

bool AudioOutput::Open(std::string* error) {
  const QuietStandardError quiet;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    *error = SDL_GetError();
    return false;
  }
  SDL_AudioSpec want{};
  want.freq = synth::SampleRate;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  // 512 frames, about 11 ms: short enough that a jump is heard with its picture.
  want.samples = 512;
  want.callback = &AudioOutput::Fill;
  want.userdata = this;
  SDL_AudioSpec have{};
  // SDL converts to whatever the device wants, so the mixer always sees 48 kHz mono.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) {
    *error = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

AudioOutput::~AudioOutput() {
  if (device_ != 0) {
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  rendering_.join();
}

void AudioOutput::Fill(void* self, Uint8* stream, int bytes) {
  auto& out = *static_cast<AudioOutput*>(self);
  const std::span<int16_t> samples(reinterpret_cast<int16_t*>(stream),
                                   static_cast<size_t>(bytes) / sizeof(int16_t));
  const auto cues = static_cast<CueSet>(out.pending_.exchange(0, std::memory_order_acquire));
  if (!out.sounding_.load(std::memory_order_acquire)) {
    std::fill(samples.begin(), samples.end(), int16_t{0});
    return;
  }
  const bool muted = out.Muted();
  if (muted && out.silent_) {
    std::fill(samples.begin(), samples.end(), int16_t{0});
    return;
  }
  if (!muted) out.mixer_->Start(cues);
  out.mixer_->Mix(samples);
  out.silent_ = muted;
  if (muted) {
    // What still sounds fades out over 5 ms rather than stopping with a click.
    const size_t fade = std::min<size_t>(samples.size(), synth::SampleRate / 200);
    for (size_t i = 0; i < samples.size(); ++i) {
      const auto left = static_cast<int32_t>(i < fade ? fade - i : 0);
      samples[i] = static_cast<int16_t>(samples[i] * left / static_cast<int32_t>(fade));
    }
    out.mixer_->Stop();
  }
}

}  // namespace skelvar::ui
