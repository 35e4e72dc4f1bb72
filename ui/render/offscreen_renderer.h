// Draws scenes into PNG files without a display: the same drawing code as the window, on SDL's
// software renderer over a memory surface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "game/draw_list_blend.h"
#include "game/platform.h"
#include "game/scene.h"

namespace skelvar::ui {

class OffscreenRenderer {
 public:
  static std::unique_ptr<OffscreenRenderer> Create(std::string* error);
  ~OffscreenRenderer();

  // The largest frame drawn: a surface of more pixels would take too much memory, and SDL's
  // drawing code counts a surface's bytes in an int.
  static constexpr int MaxFrameSide = 16384;
  static constexpr int64_t MaxFramePixels = int64_t{1} << 26;
  static bool FrameFits(int width, int height) {
    return width > 0 && height > 0 && width <= MaxFrameSide && height <= MaxFrameSide &&
           int64_t{width} * height <= MaxFramePixels;
  }
  // The limit in words, for a message.
  static std::string FrameLimit();

  // The real font's measure, so that labels are placed as in the game.
  const TextMeasurer& Measurer() const;
  // Draws the scene at its window's client size and writes it as a PNG file; a frame that does
  // not fit the limit is refused before anything is allocated.
  bool WritePng(const Scene& scene, const std::string& path, std::string* error);
  // The same, stretched onto a screen of screenWidth x screenHeight pixels as fullscreen shows it.
  bool WritePng(const Scene& scene, int32_t screenWidth, int32_t screenHeight,
                const std::string& path, std::string* error);
  // A frame between two ticks (see BlendDrawLists) over a client area of clientWidth x
  // clientHeight units, drawn at the frame's scale.
  bool WritePng(const BlendedList& frame, int32_t clientWidth, int32_t clientHeight,
                const std::string& path, std::string* error);

 private:
  struct State;
  explicit OffscreenRenderer(std::unique_ptr<State> state);
  bool Prepare(int width, int height, std::string* error);
  std::unique_ptr<State> state_;
};

}  // namespace skelvar::ui
