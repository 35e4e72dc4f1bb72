// Times the game's JPEG decoding of every built-in JPEG picture, for comparison with
// libjpeg-turbo's own tjbench on the same files (tools/measure-window.sh runs both).
// Prints one line per picture: name, size, milliseconds per decode and megapixels per second.
#include <chrono>
#include <cstdio>
#include <string>

#include "ui/render/embedded_files.h"
#include "ui/render/jpeg.h"

int main() {
  using namespace skelvar::ui;
  using Clock = std::chrono::steady_clock;
  JpegDecoder decoder;
  double totalMs = 0.0, totalPixels = 0.0;
  for (const EmbeddedFile& file : EmbeddedFiles()) {
    if (!file.name.ends_with(".jpg")) continue;
    std::string error;
    // Decode repeatedly for at least a quarter of a second; report the mean of the best run of
    // ten decodes, which leaves out the noise of other programs on the machine.
    double best = 1e9;
    int width = 0, height = 0;
    const auto until = Clock::now() + std::chrono::milliseconds(250);
    do {
      const auto start = Clock::now();
      for (int k = 0; k < 10; ++k) {
        auto image = decoder.Decode(file.bytes, &error);
        if (!image) {
          std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(file.name.size()), file.name.data(),
                       error.c_str());
          return 1;
        }
        width = image->width;
        height = image->height;
      }
      best = std::min(best,
                      std::chrono::duration<double, std::milli>(Clock::now() - start).count() / 10);
    } while (Clock::now() < until);
    const double pixels = static_cast<double>(width) * height;
    std::printf("%-14.*s %5dx%-4d %8.3f ms %8.1f Mpixels/s\n", static_cast<int>(file.name.size()),
                file.name.data(), width, height, best, pixels / best / 1000.0);
    totalMs += best;
    totalPixels += pixels;
  }
  std::printf("total %.3f ms for %.1f Mpixels (%.1f Mpixels/s)\n", totalMs, totalPixels / 1e6,
              totalPixels / totalMs / 1000.0);
  return 0;
}
