// The real event loop fed synthetic events under SDL's dummy video driver: a controller (SDL's
// virtual joystick) and the keyboard hold Right, the window loses the focus, and everything held
// is let go although the pad's button stays down.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/game_main.h"
#include "game/images.h"
#include "game/random.h"
#include "ui/event_loop.h"
#include "ui/game_window.h"
#include "ui/render/embedded_files.h"
#include "ui/render/font.h"
#include "ui/render/pictures.h"
#include "ui/render/scene_renderer.h"

namespace skelvar::ui {
namespace {

constexpr int kRight = 39;

// Every reading moves the clock on by a fixed step, so the loop's timers fall due after a set
// number of its own readings, however fast or slow the machine is.
class SteppedClock final : public Clock {
 public:
  double LocalDateTimeDays() override { return 46000.5; }
  double MonotonicSeconds() override { return now_ += 0.01; }
  std::optional<uint64_t> PerformanceCounter() override { return std::nullopt; }
  uint32_t TickCountMs() override { return static_cast<uint32_t>(now_ * 1000.0); }

 private:
  double now_ = 100.0;
};

// One game tick as the test saw it after it ran.
struct Seen {
  int32_t state = 0;
  int32_t x = 0;
  bool rightHeld = false;
};

void Push(SDL_Event event) {
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

SDL_JoystickID PlugPad() {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;
  desc.button_mask = (1u << desc.nbuttons) - 1;
  desc.axis_mask = (1u << desc.naxes) - 1;
  desc.name = "Test pad";
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  EXPECT_GE(index, 0) << SDL_GetError();
  return index < 0 ? -1 : SDL_JoystickGetDeviceInstanceID(index);
}

TEST(FocusLoss, LetsGoOfTheControllersAndTheKeyboardAndSheStops) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
  // The dummy video driver never gives the window the keyboard focus, and without it SDL keeps
  // controller events from a program in the background.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  std::string error;
  ASSERT_TRUE(StartVideo(&error)) << error;
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
  {
    std::string warning;
    const std::unique_ptr<LabelFont> font = LabelFont::Open(&warning);
    ASSERT_TRUE(font) << warning;
    auto window = GameWindow::Create(&error);
    ASSERT_TRUE(window) << error;
    GlDriverProbe noProbe;
    ASSERT_TRUE(window->MakeRenderer(noProbe, &error)) << error;
    std::vector<std::string> warnings;
    auto pictures = DecodePictures(EmbeddedFiles(), ShippedCatalogue(), &warnings, &error);
    ASSERT_TRUE(pictures) << error;
    auto renderer = SceneRenderer::Create(window->renderer(), std::move(*pictures), *font, &error);
    ASSERT_TRUE(renderer) << error;

    SteppedClock clock;
    Mt19937Random random;
    tick::RunningGame::Options start;
    window->ClientSize(&start.clientWidth, &start.clientHeight);
    tick::RunningGame run(clock, random, *font, start);
    TGameMain& game = run.game();
    window->Show(game.scene.window);

    // The test's script, run after each game tick: plug a pad in, hold Right on its D-pad and on
    // the keyboard (at the menu Right starts a run), let her run, take the focus away while both
    // still hold it, and watch her for a while before closing.
    constexpr int kPlug = 2, kHold = 4, kFocusLost = 30, kClose = 60;
    SDL_JoystickID pad = -1;
    std::vector<Seen> seen;
    LoopOptions options;
    options.handedBack = [&](const tick::Happened& h) {
      if (!h.ticked) return;
      const int tick = static_cast<int>(seen.size()) + 1;
      seen.push_back(
          {game.GameState, game.PosX[0], game.heldKeys.Held(kRight) || game.KeyState[kRight] != 0});
      if (tick == kPlug) pad = PlugPad();
      if (tick == kHold) {
        SDL_Joystick* stick = SDL_JoystickFromInstanceID(pad);
        ASSERT_NE(stick, nullptr) << "the event loop did not open the pad on hot-plug";
        ASSERT_EQ(SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1), 0)
            << SDL_GetError();
        SDL_Event key{};
        key.type = SDL_KEYDOWN;
        key.key.keysym.sym = SDLK_RIGHT;
        Push(key);
      }
      if (tick == kFocusLost) {
        SDL_Event focus{};
        focus.type = SDL_WINDOWEVENT;
        focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
        focus.window.windowID = SDL_GetWindowID(window->window());
        Push(focus);
      }
      if (tick >= kClose) {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        Push(quit);
      }
    };
    ASSERT_TRUE(RunEventLoop(*window, *renderer, run, clock, options, nullptr, &error)) << error;
    ASSERT_GE(seen.size(), static_cast<std::size_t>(kClose));

    // Before the focus leaves, she runs: the run has started and she moves right every tick
    // from a few ticks after Right was first held.
    const Seen& beforeLoss = seen[kFocusLost - 1];
    EXPECT_EQ(beforeLoss.state, StatePlaying);
    EXPECT_TRUE(beforeLoss.rightHeld);
    for (int t = kFocusLost - 10; t < kFocusLost; ++t) {
      EXPECT_GT(seen[t].x, seen[t - 1].x) << "not running at tick " << t + 1;
    }
    // After it: nothing holds Right, though the pad's button is still down and the keyboard
    // never sent a release, and she comes to rest and stays there.
    for (int t = kFocusLost; t < kClose; ++t) {
      EXPECT_FALSE(seen[t].rightHeld) << "Right still held at tick " << t + 1;
    }
    EXPECT_EQ(seen[kClose - 1].state, StatePlaying);
    for (int t = kClose - 10; t < kClose; ++t) {
      EXPECT_EQ(seen[t].x, seen[t - 1].x) << "still moving at tick " << t + 1;
    }
    EXPECT_GT(seen[kClose - 1].x, seen[kHold].x) << "she never ran";
  }
  SDL_Quit();
}

}  // namespace
}  // namespace skelvar::ui
