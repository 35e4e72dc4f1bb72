#include "frame_writer.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "game/draw_list.h"

namespace skelvar::replay {
namespace {

constexpr int64_t TicksPerSecond = 20;

}  // namespace

FrameWriter::FrameWriter(ui::OffscreenRenderer& renderer, std::string dir, int64_t every,
                         int64_t fps)
    : renderer_(renderer), dir_(std::move(dir)), every_(every), fps_(fps) {}

FrameWriter::~FrameWriter() {
  if (log_ != nullptr) std::fclose(log_);
}

FrameWriter::Status FrameWriter::AfterTick(const Scene& scene, const DrawList& list, int64_t tick,
                                           std::string* error) {
  return fps_ == 0 ? TickPicture(scene, list, tick, error)
                   : FramesBetween(scene, list, tick, error);
}

bool FrameWriter::Fits(const Scene& scene, std::string* error) {
  const int32_t w = scene.window.clientWidth, h = scene.window.clientHeight;
  if (ui::OffscreenRenderer::FrameFits(w, h)) return true;
  *error = "a frame of " + std::to_string(w) + " x " + std::to_string(h) +
           " pixels is too large to render (" + ui::OffscreenRenderer::FrameLimit() + ")";
  return false;
}

FrameWriter::Status FrameWriter::TickPicture(const Scene& scene, const DrawList& list, int64_t tick,
                                             std::string* error) {
  if (tick % every_ != 0) return Status::Written;
  if (!Fits(scene, error)) return Status::TooLarge;
  char name[32];
  std::snprintf(name, sizeof name, "/tick-%06lld.png", static_cast<long long>(tick));
  return renderer_.WritePng(ScaleDrawList(list, 1.0), scene.window.clientWidth,
                            scene.window.clientHeight, dir_ + name, error)
             ? Status::Written
             : Status::Failed;
}

FrameWriter::Status FrameWriter::FramesBetween(const Scene& scene, const DrawList& list,
                                               int64_t tick, std::string* error) {
  // A closed window shows nothing more.
  if (scene.window.closed) return Status::Written;
  const int32_t w = scene.window.clientWidth, h = scene.window.clientHeight;
  // A new client size starts afresh, as the window does: nothing glides across a resize.
  if (tick == 0 || w != listWidth_ || h != listHeight_) {
    lists_.Reset(list);
    listWidth_ = w;
    listHeight_ = h;
  } else {
    lists_.Advance(list);
  }
  if (log_ == nullptr) {
    const std::string path = dir_ + "/frames.log";
    log_ = std::fopen(path.c_str(), "w");
    if (log_ == nullptr) {
      *error = "cannot create " + path + ": " + std::strerror(errno);
      return Status::Failed;
    }
  }
  // Frame n is shown at n / F seconds, which falls a fraction of the way from tick
  // floor(20 n / F) to the next; the frames of this tick's interval are drawn now.
  for (;; ++nextFrame_) {
    const int64_t twentieths = nextFrame_ * TicksPerSecond;
    if (twentieths / fps_ != tick) break;
    if (!Fits(scene, error)) return Status::TooLarge;
    const double a = static_cast<double>(twentieths % fps_) / static_cast<double>(fps_);
    const BlendedList frame = BlendDrawLists(lists_.previous(), lists_.current(), a, 1.0);
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(nextFrame_));
    if (!renderer_.WritePng(frame, w, h, dir_ + name, error)) return Status::Failed;
    const double ms = static_cast<double>(nextFrame_) * 1000.0 / static_cast<double>(fps_);
    const std::optional<double> back = BackgroundLeft(frame);
    const int written =
        back ? std::fprintf(log_, "%.3f %lld %.3f\n", ms, static_cast<long long>(tick), *back)
             : std::fprintf(log_, "%.3f %lld -\n", ms, static_cast<long long>(tick));
    if (written < 0 || std::fflush(log_) != 0) {
      *error = "cannot write " + dir_ + "/frames.log: " + std::strerror(errno);
      return Status::Failed;
    }
  }
  return Status::Written;
}

}  // namespace skelvar::replay
