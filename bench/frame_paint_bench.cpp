// What a frame between two ticks costs on the software renderer, drawn as fullscreen shows the
// game on 1920 x 1080 pixels and as the designed 960 x 580 window shows it: the blend of the two
// ticks' draw lists and the painting, with and without the fill planning (fills skipping what
// later opaque pictures cover and, scaled, what the screen still shows from the last frame).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "game/draw_list_blend.h"
#include "game/fixed_text_measurer.h"
#include "game/game_main.h"
#include "game/random.h"
#include "ui/render/embedded_files.h"
#include "ui/render/font.h"
#include "ui/render/pictures.h"
#include "ui/render/scene_renderer.h"

namespace {

using namespace skelvar;
using namespace skelvar::ui;

class BenchClock final : public Clock {
 public:
  double LocalDateTimeDays() override { return 46000.0; }
  double MonotonicSeconds() override { return 0.0; }
  std::optional<uint64_t> PerformanceCounter() override { return 1; }
  uint32_t TickCountMs() override { return 0; }
};

// state.range(0): screen width (its height follows the 16:9 or designed shape); range(1): fill
// planning on or off.
void BM_FrameBetweenTicks(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = width == 1920 ? 1080 : 580;
  SurfacePtr target(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_XRGB8888));
  RendererPtr sdl(target ? SDL_CreateSoftwareRenderer(target.get()) : nullptr);
  std::string warning, error;
  const std::unique_ptr<LabelFont> font = LabelFont::Open(&warning);
  std::vector<std::string> warnings;
  auto pictures = DecodePictures(EmbeddedFiles(), ShippedCatalogue(), &warnings, &error);
  std::unique_ptr<SceneRenderer> renderer =
      sdl && pictures ? SceneRenderer::Create(sdl.get(), std::move(*pictures), *font, &error)
                      : nullptr;
  if (!renderer) {
    state.SkipWithError(error.empty() ? SDL_GetError() : error.c_str());
    return;
  }
  renderer->PlanFills(state.range(1) != 0);
  renderer->Preload();

  BenchClock clock;
  Mt19937Random random;
  FixedTextMeasurer measurer;
  TGameMain game{clock, random, measurer};
  const ViewScale view = FitToScreen(width, height);
  game.scene.window.clientWidth = view.clientWidth;
  game.scene.window.clientHeight = view.clientHeight;
  game.FormCreate();
  game.MenuCommand('r');
  TickDrawLists lists;
  lists.Reset(BuildDrawList(game.scene));
  int frame = 0;
  for (auto _ : state) {
    // Three frames a tick, as a 60 Hz display shows the 20 ticks a second.
    if (frame % 3 == 0) {
      game.PlayCommand('r');
      game.GameStep();
      if (game.GameState != StatePlaying) {
        game.GameState = StatePlaying;
        game.PosX[0] = StartX[0];
      }
      lists.Advance(BuildDrawList(game.scene));
    }
    const double a = (frame % 3 + 1) / 3.0;
    const BlendedList list = BlendDrawLists(lists.previous(), lists.current(), a, 1.0);
    renderer->Draw(list, view.clientWidth, view.clientHeight, width, height);
    benchmark::DoNotOptimize(target->pixels);
    ++frame;
  }
  state.counters["frames_per_tick"] = 3;
}
BENCHMARK(BM_FrameBetweenTicks)
    ->ArgNames({"screen_width", "fill_planning"})
    ->Args({1920, 1})
    ->Args({1920, 0})
    ->Args({960, 1})
    ->Args({960, 0})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace
