// Owning handles for SDL objects: each is freed by the matching SDL call when it goes away.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <memory>

namespace skelvar::ui {

struct SdlDeleter {
  void operator()(SDL_Window* p) const { SDL_DestroyWindow(p); }
  void operator()(SDL_Renderer* p) const { SDL_DestroyRenderer(p); }
  void operator()(SDL_Texture* p) const { SDL_DestroyTexture(p); }
  void operator()(SDL_Surface* p) const { SDL_FreeSurface(p); }
  void operator()(TTF_Font* p) const { TTF_CloseFont(p); }
};

using WindowPtr = std::unique_ptr<SDL_Window, SdlDeleter>;
using RendererPtr = std::unique_ptr<SDL_Renderer, SdlDeleter>;
using TexturePtr = std::unique_ptr<SDL_Texture, SdlDeleter>;
using SurfacePtr = std::unique_ptr<SDL_Surface, SdlDeleter>;
using FontPtr = std::unique_ptr<TTF_Font, SdlDeleter>;

// A surface that several stored pictures can share (pictures with identical bytes).
using SharedSurface = std::shared_ptr<SDL_Surface>;
inline SharedSurface Share(SurfacePtr surface) {
  return SharedSurface(surface.release(), SdlDeleter{});
}

}  // namespace skelvar::ui
