#include "ui/render/area_scale.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace skelvar::ui {
namespace {

struct Tap {
  int source;
  float weight;
};

// For each of `out` cells, the source cells it covers with their share of its area.
std::vector<std::vector<Tap>> Coverage(int in, int out) {
  std::vector<std::vector<Tap>> taps(out);
  const double scale = static_cast<double>(in) / out;
  for (int o = 0; o < out; ++o) {
    const double begin = o * scale, end = (o + 1) * scale;
    for (int s = static_cast<int>(begin); s < in && s < end; ++s) {
      const double covered = std::min<double>(s + 1, end) - std::max<double>(s, begin);
      if (covered > 0) taps[o].push_back({s, static_cast<float>(covered / scale)});
    }
  }
  return taps;
}

}  // namespace

SurfacePtr AreaDownscale(SDL_Surface* source, int width, int height) {
  SurfacePtr converted;
  if (source->format->format != SDL_PIXELFORMAT_XRGB8888 &&
      source->format->format != SDL_PIXELFORMAT_ARGB8888) {
    converted.reset(SDL_ConvertSurfaceFormat(source, SDL_PIXELFORMAT_XRGB8888, 0));
    if (!converted) return nullptr;
    source = converted.get();
  }
  width = std::clamp(width, 1, source->w);
  height = std::clamp(height, 1, source->h);
  SurfacePtr result(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_XRGB8888));
  if (!result) return nullptr;

  const auto columns = Coverage(source->w, width);
  const auto rows = Coverage(source->h, height);
  // For each output row: blend the source rows it covers into one line (B, G, R floats), then
  // blend that line's columns into the output pixels. Only one line of floats is ever held.
  std::vector<float> line(static_cast<size_t>(source->w) * 3);
  for (int y = 0; y < height; ++y) {
    std::fill(line.begin(), line.end(), 0.0f);
    for (const Tap& tap : rows[y]) {
      const auto* in = static_cast<const uint8_t*>(source->pixels) +
                       static_cast<ptrdiff_t>(tap.source) * source->pitch;
      float* acc = line.data();
      for (int x = 0; x < source->w; ++x, in += 4, acc += 3) {
        acc[0] += tap.weight * in[0];
        acc[1] += tap.weight * in[1];
        acc[2] += tap.weight * in[2];
      }
    }
    auto* out = static_cast<uint8_t*>(result->pixels) + static_cast<ptrdiff_t>(y) * result->pitch;
    for (int x = 0; x < width; ++x, out += 4) {
      float b = 0.5f, g = 0.5f, r = 0.5f;  // + 0.5 rounds to nearest on truncation
      for (const Tap& tap : columns[x]) {
        const float* p = &line[static_cast<size_t>(tap.source) * 3];
        b += tap.weight * p[0];
        g += tap.weight * p[1];
        r += tap.weight * p[2];
      }
      out[0] = static_cast<uint8_t>(std::min(b, 255.0f));
      out[1] = static_cast<uint8_t>(std::min(g, 255.0f));
      out[2] = static_cast<uint8_t>(std::min(r, 255.0f));
      out[3] = 255;
    }
  }
  return result;
}

}  // namespace skelvar::ui
