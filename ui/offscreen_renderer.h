// Draws scenes into PNG files without a display: the same drawing code as the window, on SDL's
// software renderer over a memory surface.
#pragma once

#include <memory>
#include <string>

#include "game/platform.h"
#include "game/scene.h"

namespace skelvar::ui {

class OffscreenRenderer {
 public:
  static std::unique_ptr<OffscreenRenderer> Create(std::string* error);
  ~OffscreenRenderer();

  // The real font's measure, so that labels are placed as in the game.
  const TextMeasurer& Measurer() const;
  // Draws the scene at its window's client size and writes it as a PNG file.
  bool WritePng(const Scene& scene, const std::string& path, std::string* error);
  // The same, stretched onto a screen of screenWidth x screenHeight pixels as fullscreen shows it.
  bool WritePng(const Scene& scene, int32_t screenWidth, int32_t screenHeight,
                const std::string& path, std::string* error);

 private:
  struct State;
  explicit OffscreenRenderer(std::unique_ptr<State> state);
  bool Prepare(int width, int height, std::string* error);
  std::unique_ptr<State> state_;
};

}  // namespace skelvar::ui
