#include "tick/run_start.h"

#include "game/start_fields.h"

namespace skelvar::tick {
namespace {

// The clock and generator of a start made only to compare with: neither shows in the fields.
class StillClock final : public Clock {
 public:
  double LocalDateTimeDays() override { return 0.0; }
  double MonotonicSeconds() override { return 0.0; }
  std::optional<uint64_t> PerformanceCounter() override { return 0; }
  uint32_t TickCountMs() override { return 0; }
};

class NoRandom final : public Random {
 public:
  void Seed(uint32_t) override {}
  int32_t Below(int32_t) override { return 0; }
  uint64_t Draws() const override { return 0; }
  void Skip(uint64_t) override {}
};

}  // namespace

RunStart CaptureRunStart(const TGameMain& game, const TextMeasurer& measurer,
                         const ImageCatalogue& catalogue, int32_t clientWidth,
                         int32_t clientHeight) {
  StillClock clock;
  NoRandom random;
  TGameMain fresh(clock, random, measurer, catalogue);
  fresh.scene.window.clientWidth = clientWidth;
  fresh.scene.window.clientHeight = clientHeight;
  fresh.FormCreate();
  fresh.StartGame();
  RunStart start;
  start.draws = game.startDraws;
  for (int i = 0; i < StartFieldCount; ++i) {
    if (game.startFields[i] != fresh.startFields[i]) {
      start.fields[start.fieldCount++] = {static_cast<uint16_t>(i), game.startFields[i]};
    }
  }
  return start;
}

void ApplyRunStart(TGameMain& game, Random& random, const RunStart& start) {
  game.StartGame();
  random.Skip(start.draws);
  StartFields fields = game.startFields;
  for (int i = 0; i < start.fieldCount; ++i) {
    const RunStart::Field& f = start.fields[i];
    if (f.index < StartFieldCount) fields[f.index] = f.value;
  }
  WriteStartFields(game, fields);
  game.startFields = fields;
  game.startDraws = random.Draws();
}

void DeliverEvent(TGameMain& game, EventKind kind, int32_t a, int32_t b) {
  switch (kind) {
    case EventKind::KeyDown:
      game.SourceKeyDown(b, a);
      break;
    case EventKind::KeyUp:
      game.SourceKeyUp(b, a);
      break;
    case EventKind::MouseMove:
      game.MouseMove(a, b);
      break;
    case EventKind::Click:
      game.MouseClick(a, b);
      break;
    case EventKind::Resize:
      game.scene.window.clientWidth = a;
      game.scene.window.clientHeight = b;
      game.FormResize();
      break;
  }
}

}  // namespace skelvar::tick
