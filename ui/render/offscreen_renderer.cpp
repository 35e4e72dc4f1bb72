#include "ui/render/offscreen_renderer.h"

#include <cmath>
#include <cstdio>

#include "game/images.h"
#include "ui/render/font.h"
#include "ui/render/pictures.h"
#include "ui/render/png_writer.h"
#include "ui/render/scene_renderer.h"

namespace skelvar::ui {

struct OffscreenRenderer::State {
  std::unique_ptr<LabelFont> font;
  // Declared in this order so that the drawing code goes before its renderer and surface.
  SurfacePtr target;
  RendererPtr renderer;
  std::unique_ptr<SceneRenderer> scene;
};

OffscreenRenderer::OffscreenRenderer(std::unique_ptr<State> state) : state_(std::move(state)) {}

OffscreenRenderer::~OffscreenRenderer() {
  if (state_) {
    state_->scene.reset();
    state_->renderer.reset();
    state_->target.reset();
  }
}

std::unique_ptr<OffscreenRenderer> OffscreenRenderer::Create(std::string* error) {
  auto state = std::make_unique<State>();
  std::string warning;
  state->font = LabelFont::Open(&warning);
  if (!warning.empty()) std::fprintf(stderr, "skelvar: %s\n", warning.c_str());
  std::unique_ptr<OffscreenRenderer> self(new OffscreenRenderer(std::move(state)));
  // A first target at the window's usual size; a larger scene makes a larger one.
  if (!self->Prepare(944, 542, error)) return nullptr;
  return self;
}

const TextMeasurer& OffscreenRenderer::Measurer() const {
  return *state_->font;
}

std::string OffscreenRenderer::FrameLimit() {
  return "at most " + std::to_string(MaxFrameSide) + " pixels on a side and " +
         std::to_string(MaxFramePixels) + " pixels in all";
}

bool OffscreenRenderer::Prepare(int width, int height, std::string* error) {
  State& s = *state_;
  if (s.target && s.target->w >= width && s.target->h >= height) return true;
  s.scene.reset();
  s.renderer.reset();
  // The old frame goes before the new one is made, so that two large ones are never held at once.
  s.target.reset();
  s.target.reset(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_XRGB8888));
  if (!s.target) {
    *error = std::string("cannot allocate the frame: ") + SDL_GetError();
    return false;
  }
  s.renderer.reset(SDL_CreateSoftwareRenderer(s.target.get()));
  if (!s.renderer) {
    *error = std::string("cannot create the software renderer: ") + SDL_GetError();
    return false;
  }
  std::vector<std::string> warnings;
  auto pictures = DecodePictures(EmbeddedFiles(), ShippedCatalogue(), &warnings, error);
  if (!pictures) return false;
  for (const std::string& w : warnings) std::fprintf(stderr, "skelvar: %s\n", w.c_str());
  s.scene = SceneRenderer::Create(s.renderer.get(), std::move(*pictures), *s.font, error);
  return s.scene != nullptr;
}

bool OffscreenRenderer::WritePng(const Scene& scene, const std::string& path, std::string* error) {
  return WritePng(scene, scene.window.clientWidth, scene.window.clientHeight, path, error);
}

bool OffscreenRenderer::WritePng(const BlendedList& frame, int32_t clientWidth,
                                 int32_t clientHeight, const std::string& path,
                                 std::string* error) {
  const auto width = static_cast<int32_t>(std::lround(clientWidth * frame.scale));
  const auto height = static_cast<int32_t>(std::lround(clientHeight * frame.scale));
  if (width <= 0 || height <= 0) {
    *error = "the window's client area is empty";
    return false;
  }
  if (!FrameFits(width, height)) {
    *error = "a frame of " + std::to_string(width) + " x " + std::to_string(height) +
             " pixels is too large to render (" + FrameLimit() + ")";
    return false;
  }
  if (!Prepare(width, height, error)) return false;
  state_->scene->Draw(frame, clientWidth, clientHeight, width, height);
  SDL_RenderFlush(state_->renderer.get());
  return WritePngFile(state_->target.get(), width, height, path, error);
}

bool OffscreenRenderer::WritePng(const Scene& scene, int32_t width, int32_t height,
                                 const std::string& path, std::string* error) {
  if (scene.window.clientWidth <= 0 || scene.window.clientHeight <= 0 || width <= 0 ||
      height <= 0) {
    *error = "the window's client area is empty";
    return false;
  }
  if (!FrameFits(width, height)) {
    *error = "a frame of " + std::to_string(width) + " x " + std::to_string(height) +
             " pixels is too large to render (" + FrameLimit() + ")";
    return false;
  }
  if (!Prepare(width, height, error)) return false;
  if (width == scene.window.clientWidth && height == scene.window.clientHeight) {
    state_->scene->Draw(scene);
  } else {
    state_->scene->Draw(scene, width, height);
  }
  SDL_RenderFlush(state_->renderer.get());
  return WritePngFile(state_->target.get(), width, height, path, error);
}

}  // namespace skelvar::ui
