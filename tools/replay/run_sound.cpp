#include "run_sound.h"

#include <cerrno>
#include <cstring>

namespace skelvar::replay {

RunSound::RunSound() : mixer_(bank_), block_(synth::TickSamples), bytes_(2 * block_.size()) {}

RunSound::~RunSound() {
  if (file_ != nullptr) std::fclose(file_);
}

bool RunSound::Failed(std::string* error) {
  *error = "'" + path_ + "': " + std::strerror(errno != 0 ? errno : EIO);
  return false;
}

bool RunSound::Open(const std::string& path, int64_t ticks, std::string* error) {
  path_ = path;
  ticks_ = ticks;
  errno = 0;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return Failed(error);
  const auto header = synth::WavHeader(static_cast<uint32_t>(ticks * synth::TickSamples));
  if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) return Failed(error);
  // Tick 0, the moment the run begins, has no sound of its own.
  return ticks == 0 || WriteBlock(error);
}

bool RunSound::WriteBlock(std::string* error) {
  mixer_.Mix(block_);
  ++written_;
  if (written_ == ticks_) {
    // The run ends here: whatever still sounds fades out over 5 ms rather than being cut.
    constexpr int32_t fade = synth::SampleRate / 200;
    const size_t from = block_.size() - fade;
    for (int32_t i = 0; i < fade; ++i) {
      block_[from + static_cast<size_t>(i)] =
          static_cast<int16_t>(block_[from + static_cast<size_t>(i)] * (fade - 1 - i) / fade);
    }
  }
  for (size_t i = 0; i < block_.size(); ++i) {
    const auto v = static_cast<uint16_t>(block_[i]);
    bytes_[2 * i] = static_cast<uint8_t>(v);
    bytes_[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  errno = 0;
  if (std::fwrite(bytes_.data(), 1, bytes_.size(), file_) != bytes_.size()) return Failed(error);
  return true;
}

bool RunSound::AfterTick(CueSet cues, int64_t tick, std::string* error) {
  mixer_.Start(cues);
  return tick >= ticks_ || WriteBlock(error);
}

bool RunSound::Close(std::string* error) {
  errno = 0;
  bool ok = true;
  if (written_ != ticks_) {
    // The window closed early: the file ends with the last tick written.
    ticks_ = written_;
    const auto header = synth::WavHeader(static_cast<uint32_t>(written_ * synth::TickSamples));
    ok = std::fseek(file_, 0, SEEK_SET) == 0 &&
         std::fwrite(header.data(), 1, header.size(), file_) == header.size();
  }
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  return ok || Failed(error);
}

}  // namespace skelvar::replay
