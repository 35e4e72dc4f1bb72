// Which OpenGL driver the display would give the window: a graphics card's, or a rasteriser that
// draws on the processor and is slower than SDL's own software renderer for this game.
#pragma once

#include <future>
#include <optional>
#include <string>
#include <string_view>

namespace skelvar::ui {

// Whether an OpenGL renderer string (GL_RENDERER) names a driver that rasterises on the processor:
// Mesa's llvmpipe, softpipe and swrast, Google's SwiftShader and the like.
bool IsSoftwareRasteriser(std::string_view glRenderer);

// Reads the display's OpenGL renderer string on a helper thread, through a throwaway EGL context
// of its own (libEGL is loaded at run time; the program does not link it), so that a machine
// without a graphics card learns it while SDL starts, without loading the driver on the window's
// thread. Touches no SDL state.
class GlDriverProbe {
 public:
  // Starts reading at once, for the display that SDL_VIDEODRIVER, DISPLAY or WAYLAND_DISPLAY
  // points at.
  static GlDriverProbe Start();
  // A probe that knows nothing.
  GlDriverProbe() = default;

  // Waits for the answer: the renderer string, or nothing when it could not be read (no EGL, no
  // display it knows how to reach, no context).
  const std::optional<std::string>& Renderer();

 private:
  std::future<std::optional<std::string>> reading_;
  std::optional<std::string> renderer_;
};

}  // namespace skelvar::ui
