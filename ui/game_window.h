// The game's one top-level window: opening the display, the window and its renderer, and applying
// what the game asks of the window (caption, outer size, centring, opacity).
#pragma once

#include <memory>
#include <string>

#include "game/scene.h"
#include "ui/gl_driver.h"
#include "ui/render/sdl_handles.h"

namespace skelvar::ui {

// Starts SDL's video. Fails, with one line for the player in *error, when there is no graphical
// session: SDL cannot open a display, or it fell back to a display-less driver nobody asked for.
bool StartVideo(std::string* error);

class GameWindow {
 public:
  // Creates the window hidden; it draws nothing before MakeRenderer.
  static std::unique_ptr<GameWindow> Create(std::string* error);
  // Gives the window its renderer: SDL's accelerated one, presenting with vsync, where the OpenGL
  // driver behind it is a graphics card's, else SDL's software renderer. The probe tells early
  // when the driver would rasterise on the processor, so that the game does not load it at all.
  // SDL_RENDER_DRIVER, when set, chooses instead, and is taken as it is.
  bool MakeRenderer(GlDriverProbe& probe, std::string* error);

  SDL_Window* window() const { return window_.get(); }
  SDL_Renderer* renderer() const { return renderer_.get(); }
  void ClientSize(int32_t* width, int32_t* height) const;

  // Sets the caption and the outer size the game chose, centres the window on the desktop and
  // shows it at the game's opacity.
  void Show(const Window& game);
  // Fits the window again once the window manager has told the size of its frame, so that the
  // outer size, frame included, is the game's. Returns true once that is done (or not needed).
  bool FitFrame(const Window& game);
  // Applies the game's opacity if it changed since the last call.
  void ApplyOpacity(const Window& game);

  // Switches between the window and the desktop's fullscreen on the monitor the window is on (no
  // mode change); leaving gives the window back its earlier size and place.
  void ToggleFullscreen();
  bool Fullscreen() const;
  // The pixels the renderer draws on: the client area, or the whole screen in fullscreen.
  void ScreenSize(int32_t* width, int32_t* height) const;
  // The refresh rate of the display mode the window is on, 60 when it is not known.
  double RefreshRate() const;
  // Whether presenting a frame waits for the display's refresh.
  bool VsyncPresents() const { return vsync_; }
  // Why the renderer is the one it is, for the start-up trace ("refused opengl: llvmpipe ...").
  const std::string& RendererReason() const { return rendererReason_; }

 private:
  WindowPtr window_;
  RendererPtr renderer_;
  // Sizes and centres the window for the given frame extents.
  void Place(const Window& game, int top, int left, int bottom, int right);
  // The renderer, without vsync yet; false, with *error, when there can be none.
  bool ChooseRenderer(GlDriverProbe& probe, std::string* error);

  float opacity_ = -1.0f;
  bool vsync_ = false;
  std::string rendererReason_;
  int windowedWidth_ = 0;  // the client size before fullscreen
  int windowedHeight_ = 0;
};

}  // namespace skelvar::ui
