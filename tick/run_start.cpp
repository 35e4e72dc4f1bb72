#include "tick/run_start.h"

#include <array>
#include <type_traits>

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

// Measures nothing: the ranges need no text.
class FixedLimits final : public TextMeasurer {
 public:
  TextSize Measure(std::string_view) const override { return {}; }
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
  // A start leaves these fields as it found them, and sets the rest from them as it did live.
  StartFields fields = ReadStartFields(game);
  for (int i = 0; i < start.fieldCount; ++i) {
    const RunStart::Field& f = start.fields[i];
    if (f.index < StartFieldCount) fields[f.index] = f.value;
  }
  WriteStartFields(game, fields);
  game.StartGame();
  random.Skip(start.draws);
  game.startDraws = random.Draws();
}

std::string RunStartOutOfRange(const RunStart& start) {
  struct Limit {
    int32_t least = -1'000'000;
    int32_t most = 1'000'000;
  };
  // Each field's range, by its type and, for the actor touched, its place.
  static const std::array<Limit, StartFieldCount> limits = [] {
    StillClock clock;
    NoRandom random;
    FixedLimits measure;
    TGameMain game(clock, random, measure);
    std::array<Limit, StartFieldCount> all{};
    std::size_t i = 0;
    start_fields::Visit(game, [&](auto& v) {
      using T = std::remove_cvref_t<decltype(v)>;
      if constexpr (std::is_same_v<T, bool>) all[i] = {0, 1};
      if constexpr (std::is_same_v<T, uint8_t>) all[i] = {0, 255};
      if constexpr (std::is_same_v<T, ImageId>) all[i] = {0, static_cast<int32_t>(ImageId::None)};
      if (static_cast<const void*>(&v) == &game.HitIndex) all[i] = {0, ActorCount - 1};
      ++i;
    });
    return all;
  }();
  for (int i = 0; i < start.fieldCount; ++i) {
    const RunStart::Field& f = start.fields[i];
    if (f.index >= StartFieldCount) return "field " + std::to_string(i + 1) + " is none the game has";
    const Limit& limit = limits[f.index];
    const bool image = limit.most == static_cast<int32_t>(ImageId::None);
    const bool fits = f.value >= limit.least && f.value <= limit.most &&
                      (!image || f.value < ImageCount || f.value == limit.most);
    if (!fits) return "field " + std::to_string(i + 1) + " holds a value the game cannot take";
  }
  return {};
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
