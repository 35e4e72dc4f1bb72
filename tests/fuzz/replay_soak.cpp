// A long soak of random play through the replay tool's reader and tick: keys, mouse moves, clicks
// and resizes from 1 x 1 to 32767 x 32767, with every bound of the run checked after every tick.
//   skelvar-replay-soak [TICKS [SEED]]
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "game/fixed_text_measurer.h"
#include "game/random.h"
#include "replay_script.h"
#include "run_invariants.h"
#include "tick/run_tick.h"
#include "tick/virtual_clock.h"

namespace {

using namespace skelvar;
using namespace skelvar::replay;
using namespace skelvar::tick;

// Played from generated scripts, which hold every press, and too long to journal.
RunningGame::Options Soaked() {
  RunningGame::Options o;
  o.repeatHeldKeys = false;
  o.keepJournal = false;
  return o;
}

constexpr int64_t BatchTicks = 10000;
constexpr std::array<int, 9> KeyPool = {13, 27, 32, 37, 38, 39, 40, 65, 16};

struct Session {
  VirtualClock clock{1};
  Mt19937Random random;
  FixedTextMeasurer measurer;
  RunningGame run{clock, random, measurer, Soaked()};
  TGameMain& game = run.game();
  testing::RunWatch watch;
  int32_t lastState = game.GameState;
};

// The next batch of random events as script text, stamped from tick `from` on.
void MakeBatch(std::mt19937& rng, int64_t from, int64_t ticks, int32_t cw, int32_t ch,
               std::string& text) {
  text.clear();
  const auto line = [&](int64_t k, const char* name, int64_t a, int64_t b, bool two) {
    text.append(std::to_string(k)).append(" ").append(name).append(" ").append(std::to_string(a));
    if (two) text.append(" ").append(std::to_string(b));
    text.push_back('\n');
  };
  for (int64_t k = from; k < from + ticks; ++k) {
    const int events = static_cast<int>(rng() % 4);
    for (int e = 0; e < events; ++e) {
      const uint32_t what = rng() % 100;
      if (what < 40) {
        const int key = rng() % 3 == 0 ? 39 : KeyPool[rng() % KeyPool.size()];
        // Esc at the menu ends the program; it comes only now and then.
        if (key == 27 && rng() % 50 != 0) continue;
        line(k, "keydown", key, 0, false);
      } else if (what < 75) {
        line(k, "keyup", KeyPool[rng() % KeyPool.size()], 0, false);
      } else if (what < 90) {
        line(k, "mousemove", static_cast<int64_t>(rng() % (cw + 40)) - 20,
             static_cast<int64_t>(rng() % (ch + 40)) - 20, true);
      } else if (what < 98) {
        line(k, "click", rng() % (cw + 1), rng() % (ch + 1), true);
      } else if (what < 99) {
        // Anywhere from a single pixel to the largest client area.
        line(k, "resize", 1 + rng() % 32767, 1 + rng() % 32767, true);
      } else {
        line(k, "resize", 200 + rng() % 1800, 200 + rng() % 1000, true);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t total = argc > 1 ? std::atoll(argv[1]) : 10'000'000;
  const uint32_t seed = argc > 2 ? static_cast<uint32_t>(std::atoll(argv[2])) : 1;
  std::mt19937 rng(seed);
  auto session = std::make_unique<Session>();
  std::string text;
  std::vector<ScriptEvent> events;
  int64_t ticks = 0, runs = 0, contacts = 0, closes = 0, delivered = 0, tick = 0;
  const auto start = std::chrono::steady_clock::now();
  while (ticks < total) {
    const int64_t batch = std::min(BatchTicks, total - ticks);
    const Window& w = session->game.scene.window;
    MakeBatch(rng, tick + 1, batch, w.clientWidth, w.clientHeight, text);
    ScriptReader reader(text);
    events.clear();
    ScriptEvent event;
    ScriptReader::Status status;
    while ((status = reader.Next(event)) == ScriptReader::Status::Event) events.push_back(event);
    if (status == ScriptReader::Status::Error) {
      std::fprintf(stderr, "soak: the generated script was refused: %s\n", reader.error().c_str());
      return 1;
    }
    EventSpan feed(events);
    for (int64_t k = tick + 1; k <= tick + batch; ++k) {
      TGameMain& g = session->game;
      const TickReport report = RunTick(session->run, session->clock, k, feed);
      delivered += report.delivered;
      if (report.faded) ++session->watch.fadeTicks;
      ++ticks;
      if (g.GameState == StatePlaying && session->lastState != StatePlaying) ++runs;
      if (g.GameState == StateOutcome && session->lastState == StatePlaying) ++contacts;
      session->lastState = g.GameState;
      session->watch.runStarted = session->watch.runStarted || g.GameState == StatePlaying;
      if (const std::string broken = testing::BrokenInvariant(g, session->watch); !broken.empty()) {
        std::fprintf(stderr, "soak: seed %u tick %lld: %s\n", seed, static_cast<long long>(k),
                     broken.c_str());
        return 1;
      }
      if (g.Closed()) {
        // The window was closed: a new one starts, as the player would start the game again.
        ++closes;
        session = std::make_unique<Session>();
        for (const TimedEvent* e = feed.Peek(); e != nullptr && e->tick <= k; e = feed.Peek()) {
          feed.Pop();
        }
      }
    }
    tick += batch;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf(
      "soak: %lld ticks, %lld events, %lld runs, %lld contacts, %lld closes, every bound held; "
      "%.1f s (%.2f us a tick)\n",
      static_cast<long long>(ticks), static_cast<long long>(delivered),
      static_cast<long long>(runs), static_cast<long long>(contacts),
      static_cast<long long>(closes), seconds, seconds * 1e6 / static_cast<double>(ticks));
  return 0;
}
