// Prints a digest of every cue's samples, so that the native build and the WebAssembly build run
// under node can be compared line for line.
#include <cinttypes>
#include <cstdio>

#include "synth/mixer.h"
#include "synth/synth.h"

int main() {
  using namespace skelvar;
  const synth::SoundBank bank;
  uint64_t all = 14695981039346656037ull;
  for (int c = 0; c < CueCount; ++c) {
    uint64_t h = 14695981039346656037ull;
    for (const int16_t s : bank.Samples(static_cast<Cue>(c))) {
      for (const uint8_t byte : {static_cast<uint8_t>(s), static_cast<uint8_t>(s >> 8)}) {
        h = (h ^ byte) * 1099511628211ull;
        all = (all ^ byte) * 1099511628211ull;
      }
    }
    std::printf("cue %2d  %6zu samples  %016" PRIx64 "\n", c,
                bank.Samples(static_cast<Cue>(c)).size(), h);
  }
  std::printf("all     %016" PRIx64 "\n", all);
  return 0;
}
