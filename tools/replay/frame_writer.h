// The pictures a replay draws: the scene after every K-th tick, or frames at F per second placed
// between the ticks as the window shows them, for tests and for a smooth video of a run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "game/draw_list_blend.h"
#include "game/scene.h"
#include "ui/render/offscreen_renderer.h"

namespace skelvar::replay {

class FrameWriter {
 public:
  enum class Status { Written, TooLarge, Failed };

  // fps 0 draws the scene after every `every`-th tick as tick-NNNNNN.png; fps F > 0 draws
  // frame-NNNNNN.png at F per second of the run's virtual time and logs each frame in
  // frames.log: its time in milliseconds, the ticks run by then and the display x of the
  // background's left edge ("-" when the background is not drawn).
  FrameWriter(ui::OffscreenRenderer& renderer, std::string dir, int64_t every, int64_t fps);
  ~FrameWriter();
  FrameWriter(const FrameWriter&) = delete;
  FrameWriter& operator=(const FrameWriter&) = delete;

  // Called after start-up (tick 0) and after every tick with the scene as it then is. On a
  // failure, *error says why.
  Status AfterTick(const Scene& scene, const DrawList& list, int64_t tick, std::string* error);

 private:
  static bool Fits(const Scene& scene, std::string* error);
  Status TickPicture(const Scene& scene, const DrawList& list, int64_t tick, std::string* error);
  Status FramesBetween(const Scene& scene, const DrawList& list, int64_t tick, std::string* error);

  ui::OffscreenRenderer& renderer_;
  std::string dir_;
  int64_t every_;
  int64_t fps_;
  // The last two ticks' lists and the client size they were built for.
  TickDrawLists lists_;
  int32_t listWidth_ = 0, listHeight_ = 0;
  int64_t nextFrame_ = 0;
  std::FILE* log_ = nullptr;
};

}  // namespace skelvar::replay
