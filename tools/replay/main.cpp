// skelvar-replay: runs the game headless from a script of timed input events and prints the
// state after every tick.
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "game/fixed_text_measurer.h"
#include "game/game_main.h"
#include "game/random.h"
#include "replay_script.h"
#include "state_json.h"
#include "virtual_clock.h"

#ifdef SKELVAR_HAVE_RENDER
#include "ui/offscreen_renderer.h"
#endif

namespace {

using namespace skelvar;
using namespace skelvar::replay;

constexpr int ExitUsage = 2;

struct Options {
  int64_t ticks = 100;
  uint32_t seed = 1;
  bool quiet = false;
  int32_t clientWidth = 944;
  int32_t clientHeight = 542;
  std::string script = "-";
  std::string renderDir;
  int64_t renderEvery = 1;
};

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "skelvar-replay: " << message << '\n';
  std::exit(ExitUsage);
}

const char* Usage() {
  return "usage: skelvar-replay [--ticks N] [--seed S] [--quiet] [--client WxH] "
#ifdef SKELVAR_HAVE_RENDER
         "[--render DIR [--render-every K]] "
#endif
         "[SCRIPT]";
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  bool haveScript = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&](std::string_view name) -> std::string_view {
      if (i + 1 >= argc) Fail(std::string(name) + " needs a value; " + Usage());
      return argv[++i];
    };
    int64_t v = 0;
    if (arg == "--ticks") {
      const auto s = value(arg);
      if (!ParseInteger(s, 0, 2'000'000'000, v)) {
        Fail("--ticks takes a whole number from 0 to 2000000000, not '" + std::string(s) + "'");
      }
      o.ticks = v;
    } else if (arg == "--seed") {
      const auto s = value(arg);
      if (!ParseInteger(s, 0, UINT32_MAX, v)) {
        Fail("--seed takes a whole number from 0 to 4294967295, not '" + std::string(s) + "'");
      }
      o.seed = static_cast<uint32_t>(v);
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (arg == "--client") {
      const auto s = value(arg);
      const size_t x = s.find('x');
      int64_t w = 0, h = 0;
      if (x == std::string_view::npos || !ParseInteger(s.substr(0, x), 1, 32767, w) ||
          !ParseInteger(s.substr(x + 1), 1, 32767, h)) {
        Fail("--client takes WIDTHxHEIGHT, each from 1 to 32767, not '" + std::string(s) + "'");
      }
      o.clientWidth = static_cast<int32_t>(w);
      o.clientHeight = static_cast<int32_t>(h);
#ifdef SKELVAR_HAVE_RENDER
    } else if (arg == "--render") {
      o.renderDir = value(arg);
      if (o.renderDir.empty()) Fail("--render needs a directory");
    } else if (arg == "--render-every") {
      const auto s = value(arg);
      if (!ParseInteger(s, 1, 2'000'000'000, v)) {
        Fail("--render-every takes a whole number of at least 1, not '" + std::string(s) + "'");
      }
      o.renderEvery = v;
#endif
    } else if (arg == "--help" || arg == "-h") {
      std::cout << Usage() << '\n';
      std::exit(0);
    } else if (arg.size() > 1 && arg[0] == '-') {
      Fail("unknown option '" + std::string(arg) + "'; " + Usage());
    } else {
      if (haveScript) Fail(std::string("only one script may be given; ") + Usage());
      o.script = arg;
      haveScript = true;
    }
  }
  if (o.renderDir.empty() && o.renderEvery != 1) Fail("--render-every needs --render");
  return o;
}

std::string ReadScript(const std::string& path) {
  const bool fromStdin = path == "-";
  const std::string name = fromStdin ? std::string("standard input") : "script '" + path + "'";
  std::FILE* file = fromStdin ? stdin : std::fopen(path.c_str(), "rb");
  if (file == nullptr) Fail("cannot read " + name + ": " + std::strerror(errno));
  std::string text;
  std::array<char, 65536> buffer;
  size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) text.append(buffer.data(), n);
  const bool failed = std::ferror(file) != 0;
  const int readErrno = errno;
  if (!fromStdin) std::fclose(file);
  // A directory opens but cannot be read: that, like any read error, ends here.
  if (failed) Fail("cannot read " + name + ": " + std::strerror(readErrno));
  return text;
}

void Deliver(TGameMain& game, const ScriptEvent& e) {
  switch (e.kind) {
    case EventKind::KeyDown:
      game.FormKeyDown(e.a);
      break;
    case EventKind::KeyUp:
      game.FormKeyUp(e.a);
      break;
    case EventKind::MouseMove:
      game.MouseMove(e.a, e.b);
      break;
    case EventKind::Click:
      game.MouseClick(e.a, e.b);
      break;
    case EventKind::Resize:
      game.scene.window.clientWidth = e.a;
      game.scene.window.clientHeight = e.b;
      game.FormResize();
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  std::vector<ScriptEvent> events;
  std::string error;
  const std::string text = ReadScript(options.script);
  if (!ParseScript(text, events, error)) {
    Fail((options.script == "-" ? std::string("<stdin>") : options.script) + ": " + error);
  }

  VirtualClock clock(options.seed);
  Mt19937Random random;
  FixedTextMeasurer fixedMeasurer;
  const TextMeasurer* measurer = &fixedMeasurer;
#ifdef SKELVAR_HAVE_RENDER
  std::unique_ptr<ui::OffscreenRenderer> renderer;
  if (!options.renderDir.empty()) {
    renderer = ui::OffscreenRenderer::Create(&error);
    if (!renderer) {
      std::cerr << "skelvar-replay: cannot render frames: " << error << '\n';
      return 1;
    }
    // Frames are drawn with the real font, so the label is measured with it too.
    measurer = &renderer->Measurer();
  }
#endif
  TGameMain game(clock, random, *measurer);
  game.scene.window.clientWidth = options.clientWidth;
  game.scene.window.clientHeight = options.clientHeight;
  game.FormCreate();

  std::string line;
  line.reserve(4096);
  const auto emit = [&](int64_t tick) {
    WriteStateJson(game, tick, line);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stdout);
  };
#ifdef SKELVAR_HAVE_RENDER
  const auto render = [&](int64_t tick) {
    if (!renderer || tick % options.renderEvery != 0) return;
    char name[32];
    std::snprintf(name, sizeof name, "/tick-%06lld.png", static_cast<long long>(tick));
    if (!renderer->WritePng(game.scene, options.renderDir + name, &error)) {
      std::cerr << "skelvar-replay: cannot write a frame: " << error << '\n';
      std::exit(1);
    }
  };
  render(0);
#endif

  size_t next = 0;
  for (int64_t k = 1; k <= options.ticks; ++k) {
    clock.SetTick(k);
    while (next < events.size() && events[next].tick == k && !game.Closed()) {
      Deliver(game, events[next++]);
    }
    if (!game.Closed() && k % 2 == 0 && game.scene.timOpen.enabled) game.timOpenTimer();
    if (!game.Closed() && game.scene.timGame.enabled) game.timGameTimer();
#ifdef SKELVAR_HAVE_RENDER
    render(k);
#endif
    if (!options.quiet || k == options.ticks || game.Closed()) emit(k);
    if (game.Closed()) break;
  }
  if (options.ticks == 0) emit(0);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
