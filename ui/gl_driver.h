// Which OpenGL driver the display would give the window: a graphics card's, or a rasteriser that
// draws on the processor and is slower than SDL's own software renderer for this game.
#pragma once

#include <string>
#include <string_view>

namespace skelvar::ui {

// Whether an OpenGL renderer string (GL_RENDERER) names a driver that rasterises on the processor:
// Mesa's llvmpipe, softpipe and swrast, Google's SwiftShader and the like.
bool IsSoftwareRasteriser(std::string_view glRenderer);

// What the probe learnt of the display's OpenGL driver.
struct GlDriverReport {
  enum class Kind {
    Unknown,  // nothing: no EGL, no display it knows how to reach, no context
    Named,    // text is the driver's renderer string
    Failed,   // the driver crashed or hung while asked; text says which
  };
  Kind kind = Kind::Unknown;
  std::string text;
};

// Reads the display's OpenGL renderer string in a child process, through a throwaway EGL
// context of its own (libEGL is loaded at run time; the program does not link it), while SDL
// starts: a machine without a graphics card learns so without loading the driver into the game,
// which neither keeps the driver's memory nor falls with it if it crashes.
class GlDriverProbe {
 public:
  // Starts the child at once, for the display that SDL_VIDEODRIVER, DISPLAY or WAYLAND_DISPLAY
  // points at. Call it before the program starts any thread.
  static GlDriverProbe Start();
  // A probe that knows nothing.
  GlDriverProbe() = default;
  GlDriverProbe(GlDriverProbe&& other) noexcept;
  GlDriverProbe& operator=(GlDriverProbe&& other) noexcept;
  ~GlDriverProbe();

  // Waits for the answer, two seconds at most.
  const GlDriverReport& Report();

 private:
  // Ends the child, if it has not ended, and collects it.
  void Reap();

  int pipe_ = -1;
  int child_ = -1;
  GlDriverReport report_;
};

}  // namespace skelvar::ui
