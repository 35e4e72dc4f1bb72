#include "ui/game_window.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace skelvar::ui {

namespace {
bool Unset(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr || *value == '\0';
}
}  // namespace

bool StartVideo(std::string* error) {
  // With no X display, no Wayland display and no runtime folder where a Wayland socket could be,
  // there is nothing to connect to; saying so here also spares the player the Wayland library's
  // own complaint about the runtime folder.
  if (Unset("SDL_VIDEODRIVER") && Unset("DISPLAY") && Unset("WAYLAND_DISPLAY") &&
      Unset("XDG_RUNTIME_DIR")) {
    *error =
        "no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); Skelvar needs a "
        "graphical session";
    return false;
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    *error = std::string("cannot open a display (") + SDL_GetError() +
             "); Skelvar needs a graphical session";
    return false;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  const std::string_view current = driver != nullptr ? driver : "";
  if ((current == "offscreen" || current == "dummy") && (asked == nullptr || current != asked)) {
    *error = "no display found (only SDL's " + std::string(current) +
             " video driver is available); Skelvar needs a graphical session";
    SDL_Quit();
    return false;
  }
  return true;
}

namespace {

std::string RendererName(SDL_Renderer* renderer) {
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr) return "?";
  return info.name;
}

// The OpenGL renderer string (GL_RENDERER) of an SDL renderer that draws with OpenGL or OpenGL ES;
// empty for any other. SDL leaves the renderer's context current when it makes it.
std::string GlDriverOf(SDL_Renderer* renderer) {
  if (RendererName(renderer).rfind("opengl", 0) != 0 || SDL_GL_GetCurrentContext() == nullptr) {
    return {};
  }
  constexpr unsigned GlRenderer = 0x1F01;
  using GetString = const unsigned char* (*)(unsigned);
  const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = getString != nullptr ? getString(GlRenderer) : nullptr;
  return name != nullptr ? reinterpret_cast<const char*>(name) : "";
}

}  // namespace

std::unique_ptr<GameWindow> GameWindow::Create(std::string* error) {
  auto self = std::make_unique<GameWindow>();
  self->window_.reset(SDL_CreateWindow("Skelvar", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                       960, 580, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE));
  if (!self->window_) {
    *error = std::string("cannot create the window: ") + SDL_GetError();
    return nullptr;
  }
  return self;
}

bool GameWindow::MakeRenderer(GlDriverProbe& probe, std::string* error) {
  if (!ChooseRenderer(probe, error)) return false;
  // Frames in motion wait for the display's refresh where the renderer can; the software
  // renderer's present does not really wait, so there the game paces frames by a timer.
  SDL_RendererInfo info{};
  const bool software = SDL_GetRendererInfo(renderer_.get(), &info) != 0 ||
                        (info.flags & SDL_RENDERER_SOFTWARE) != 0 ||
                        (info.name != nullptr && std::string_view(info.name) == "software");
  vsync_ = !software && SDL_RenderSetVSync(renderer_.get(), 1) == 0;
  return true;
}

bool GameWindow::ChooseRenderer(GlDriverProbe& probe, std::string* error) {
  std::string note;
  if (const char* asked = std::getenv("SDL_RENDER_DRIVER"); asked != nullptr && *asked != '\0') {
    // SDL reads the variable itself; whatever it names is taken, a software rasteriser too.
    renderer_.reset(SDL_CreateRenderer(window_.get(), -1, 0));
    if (renderer_ && SDL_strcasecmp(RendererName(renderer_.get()).c_str(), asked) == 0) {
      rendererReason_ = std::string("as SDL_RENDER_DRIVER=") + asked + " asks";
      return true;
    }
    // SDL took another one: the game chooses as if nothing had been named.
    renderer_.reset();
    note = std::string("SDL_RENDER_DRIVER=") + asked + " could not be made; ";
  }
  const GlDriverReport& probed = probe.Report();
  if (probed.kind == GlDriverReport::Kind::Failed ||
      (probed.kind == GlDriverReport::Kind::Named && IsSoftwareRasteriser(probed.text))) {
    // Known before any OpenGL renderer is made: the game need not load the driver.
    rendererReason_ = note + "refused opengl: " + probed.text;
  } else {
    // SDL makes the hidden window again as an OpenGL one for it; the software renderer draws
    // into that as well.
    renderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_ACCELERATED));
    if (!renderer_) {
      rendererReason_ = note + "no accelerated renderer: " + SDL_GetError();
    } else if (const std::string driver = GlDriverOf(renderer_.get());
               IsSoftwareRasteriser(driver)) {
      rendererReason_ = note + "refused " + RendererName(renderer_.get()) + ": " + driver;
      renderer_.reset();
    } else {
      rendererReason_ = note + (driver.empty() ? "accelerated" : driver);
    }
  }
  if (!renderer_) {
    renderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_SOFTWARE));
  }
  if (!renderer_) {
    *error = std::string("cannot draw into the window: ") + SDL_GetError();
    return false;
  }
  return true;
}

void GameWindow::ClientSize(int32_t* width, int32_t* height) const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_.get(), &w, &h);
  *width = w;
  *height = h;
}

void GameWindow::Show(const Window& game) {
  const std::string caption(game.caption);
  SDL_SetWindowTitle(window_.get(), caption.c_str());
  ApplyOpacity(game);
  SDL_ShowWindow(window_.get());
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(window_.get(), &top, &left, &bottom, &right) != 0) {
    top = left = bottom = right = 0;
  }
  Place(game, top, left, bottom, right);
}

bool GameWindow::FitFrame(const Window& game) {
  int top = 0, left = 0, bottom = 0, right = 0;
  // A window manager tells the frame's size only some time after the window is mapped (while it
  // is still fading in from transparent); without one there is no frame and nothing to do.
  if (SDL_GetWindowBordersSize(window_.get(), &top, &left, &bottom, &right) != 0) return false;
  if (top == 0 && left == 0 && bottom == 0 && right == 0) return false;
  Place(game, top, left, bottom, right);
  return true;
}

void GameWindow::Place(const Window& game, int top, int left, int bottom, int right) {
  // The game gives the outer size, frame and title bar included; SDL sizes the client area.
  const int clientWidth = std::max(1, game.outerWidth - left - right);
  const int clientHeight = std::max(1, game.outerHeight - top - bottom);
  SDL_SetWindowSize(window_.get(), clientWidth, clientHeight);
  // Centred on the desktop, which spans every monitor together.
  SDL_Rect desktop{0, 0, 0, 0};
  for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(i, &bounds) != 0) continue;
    if (desktop.w == 0) {
      desktop = bounds;
    } else {
      SDL_UnionRect(&desktop, &bounds, &desktop);
    }
  }
  const int outerLeft = desktop.x + (desktop.w - game.outerWidth) / 2;
  const int outerTop = desktop.y + (desktop.h - game.outerHeight) / 2;
  SDL_SetWindowPosition(window_.get(), outerLeft + left, outerTop + top);
}

void GameWindow::ToggleFullscreen() {
  const bool leaving = Fullscreen();
  if (!leaving) SDL_GetWindowSize(window_.get(), &windowedWidth_, &windowedHeight_);
  if (SDL_SetWindowFullscreen(window_.get(), leaving ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
    SDL_Log("skelvar: cannot switch fullscreen: %s", SDL_GetError());
    return;
  }
  // The window manager gives the window its earlier size back; without one, nobody does.
  if (leaving && windowedWidth_ > 0) {
    SDL_SetWindowSize(window_.get(), windowedWidth_, windowedHeight_);
  }
}

bool GameWindow::Fullscreen() const {
  return (SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
         SDL_WINDOW_FULLSCREEN_DESKTOP;
}

void GameWindow::ScreenSize(int32_t* width, int32_t* height) const {
  int w = 0, h = 0;
  if (SDL_GetRendererOutputSize(renderer_.get(), &w, &h) != 0)
    SDL_GetWindowSize(window_.get(), &w, &h);
  *width = w;
  *height = h;
}

double GameWindow::RefreshRate() const {
  SDL_DisplayMode mode{};
  const int display = SDL_GetWindowDisplayIndex(window_.get());
  if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0 || mode.refresh_rate <= 0) {
    return 60.0;
  }
  return mode.refresh_rate;
}

void GameWindow::ApplyOpacity(const Window& game) {
  const float opacity =
      game.opacityEnabled ? static_cast<float>(std::clamp(game.opacity, 0, 255)) / 255.0f : 1.0f;
  if (opacity == opacity_) return;
  opacity_ = opacity;
  // Without a compositor (or on Wayland) this fails quietly and the window stays opaque.
  SDL_SetWindowOpacity(window_.get(), opacity);
}

}  // namespace skelvar::ui
