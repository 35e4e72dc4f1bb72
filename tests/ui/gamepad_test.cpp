// Drives virtual controllers through SDL's own event queue, so the pad code sees exactly the events
// a real controller produces: hot-plug, button presses, stick motion and unplugging.
#include "ui/gamepad.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "tests/game/headless_game.h"
#include "tick/run_tick.h"
#include "tick/virtual_clock.h"
#include "ui/gamepad.h"

namespace skelvar::ui {
namespace {

using skelvar::FirstControllerSource;
using skelvar::HeldKeys;
using skelvar::InputSourceCount;

// The first fifteen controller buttons (A up to the D-pad) and all six axes, numbered on the
// virtual joystick exactly as SDL numbers them on a controller.
constexpr int kButtons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;
constexpr int kAxes = SDL_CONTROLLER_AXIS_MAX;

// "+39" for Right pressed, "-39" for Right released: readable in failure messages. Appended rather
// than `"+" + std::string&&`, which GCC 12 at -O3 misreads as an overlapping copy.
std::string Describe(const KeyTransition& t) {
  std::string text = t.down ? "+" : "-";
  return text.append(std::to_string(t.code));
}

using Transitions = std::vector<std::string>;

class GamepadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
    ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS), 0) << SDL_GetError();
    pads_.emplace();
  }

  void TearDown() override {
    pads_.reset();  // closes the controllers while SDL is still up
    SDL_Quit();
  }

  // Plugs in a virtual controller and lets the pad code see the hot-plug; returns its instance id.
  SDL_JoystickID Plug() {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = kAxes;
    desc.nbuttons = kButtons;
    desc.button_mask = (1u << kButtons) - 1;
    desc.axis_mask = (1u << kAxes) - 1;
    desc.name = "Test pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    EXPECT_GE(index, 0) << SDL_GetError();
    if (index < 0) return -1;
    EXPECT_TRUE(SDL_IsGameController(index)) << "SDL did not give the virtual pad a mapping";
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    EXPECT_EQ(Pump(), Transitions{}) << "plugging in must not press anything";
    return id;
  }

  void Unplug(SDL_JoystickID id) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (SDL_JoystickGetDeviceInstanceID(i) == id) {
        ASSERT_EQ(SDL_JoystickDetachVirtual(i), 0) << SDL_GetError();
        return;
      }
    }
    FAIL() << "no joystick with instance id " << id;
  }

  // The joystick behind a controller the pad code opened (null if it never opened it).
  static SDL_Joystick* Stick(SDL_JoystickID id) { return SDL_JoystickFromInstanceID(id); }

  static void SetButton(SDL_JoystickID id, SDL_GameControllerButton button, bool down) {
    SDL_Joystick* joystick = Stick(id);
    ASSERT_NE(joystick, nullptr) << "the controller was not opened on hot-plug";
    ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, button, down ? 1 : 0), 0) << SDL_GetError();
  }

  static void SetAxis(SDL_JoystickID id, SDL_GameControllerAxis axis, Sint16 value) {
    SDL_Joystick* joystick = Stick(id);
    ASSERT_NE(joystick, nullptr) << "the controller was not opened on hot-plug";
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(joystick, axis, value), 0) << SDL_GetError();
  }

  // Delivers every queued SDL event to the pad code and collects what it reports.
  Transitions Pump() {
    Transitions seen;
    std::array<KeyTransition, Gamepads::kMaxTransitionsPerEvent> out{};
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1) {
      const int n = pads_->Handle(event, out);
      EXPECT_GE(n, 0);
      EXPECT_LE(n, static_cast<int>(out.size()));
      // Through the game's held keys, as the window feeds them: what is reported is a code
      // becoming held or free over every source.
      for (int i = 0; i < n; ++i) {
        const KeyTransition& t = out[static_cast<std::size_t>(i)];
        EXPECT_GE(t.source, FirstControllerSource);
        EXPECT_LT(t.source, InputSourceCount);
        const bool changed =
            t.down ? held_.Press(t.source, t.code) : held_.Release(t.source, t.code);
        if (changed) seen.push_back(Describe(t));
      }
    }
    return seen;
  }

  Transitions Press(SDL_JoystickID id, SDL_GameControllerButton button) {
    SetButton(id, button, true);
    return Pump();
  }
  Transitions Release(SDL_JoystickID id, SDL_GameControllerButton button) {
    SetButton(id, button, false);
    return Pump();
  }
  Transitions Tilt(SDL_JoystickID id, SDL_GameControllerAxis axis, Sint16 value) {
    SetAxis(id, axis, value);
    return Pump();
  }

  std::optional<Gamepads> pads_;
  HeldKeys held_;
};

TEST_F(GamepadTest, HotPlugOpensTheControllerAndEachButtonHoldsItsKey) {
  EXPECT_EQ(pads_->OpenCount(), 0u);
  const SDL_JoystickID id = Plug();
  ASSERT_GE(id, 0);
  EXPECT_EQ(pads_->OpenCount(), 1u);
  ASSERT_NE(Stick(id), nullptr) << "the controller was not opened on hot-plug";

  struct Mapping {
    SDL_GameControllerButton button;
    int code;
  };
  const Mapping mappings[] = {
      {SDL_CONTROLLER_BUTTON_DPAD_LEFT, 37}, {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 39},
      {SDL_CONTROLLER_BUTTON_DPAD_UP, 38},   {SDL_CONTROLLER_BUTTON_DPAD_DOWN, 40},
      {SDL_CONTROLLER_BUTTON_A, 32},         {SDL_CONTROLLER_BUTTON_B, 38},
      {SDL_CONTROLLER_BUTTON_START, 13},     {SDL_CONTROLLER_BUTTON_BACK, 27},
  };
  for (const Mapping& m : mappings) {
    SCOPED_TRACE("controller button " + std::to_string(m.button));
    const std::string code = std::to_string(m.code);
    EXPECT_EQ(Press(id, m.button), Transitions{"+" + code});
    EXPECT_EQ(Release(id, m.button), Transitions{"-" + code});
  }

  // Buttons the game has no use for hold nothing.
  for (SDL_GameControllerButton unused :
       {SDL_CONTROLLER_BUTTON_X, SDL_CONTROLLER_BUTTON_Y, SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
        SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, SDL_CONTROLLER_BUTTON_GUIDE}) {
    SCOPED_TRACE("controller button " + std::to_string(unused));
    EXPECT_EQ(Press(id, unused), Transitions{});
    EXPECT_EQ(Release(id, unused), Transitions{});
  }
}

TEST_F(GamepadTest, LeftStickSteersOnlyPastHalfDeflection) {
  const SDL_JoystickID id = Plug();
  ASSERT_GE(id, 0);
  const auto x = SDL_CONTROLLER_AXIS_LEFTX;

  EXPECT_EQ(Tilt(id, x, 16384), Transitions{}) << "exactly half way is not past half";
  EXPECT_EQ(Tilt(id, x, 16385), Transitions{"+39"});
  EXPECT_EQ(Tilt(id, x, 30000), Transitions{}) << "further along the same side changes nothing";
  EXPECT_EQ(Tilt(id, x, 16384), Transitions{"-39"});
  EXPECT_EQ(Tilt(id, x, -16384), Transitions{});
  EXPECT_EQ(Tilt(id, x, -16385), Transitions{"+37"});
  // Flicked straight across: the old side lets go before the new one is pressed.
  EXPECT_EQ(Tilt(id, x, 32767), (Transitions{"-37", "+39"}));
  EXPECT_EQ(Tilt(id, x, -32768), (Transitions{"-39", "+37"}));
  EXPECT_EQ(Tilt(id, x, 0), Transitions{"-37"});

  // Only the left stick's horizontal axis steers; the others do nothing at full travel.
  for (SDL_GameControllerAxis other :
       {SDL_CONTROLLER_AXIS_LEFTY, SDL_CONTROLLER_AXIS_RIGHTX, SDL_CONTROLLER_AXIS_RIGHTY,
        SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT}) {
    SCOPED_TRACE("axis " + std::to_string(other));
    EXPECT_EQ(Tilt(id, other, 32767), Transitions{});
    EXPECT_EQ(Tilt(id, other, 0), Transitions{});
  }
}

TEST_F(GamepadTest, TwoSourcesOfOneKeyReleaseItOnlyWhenBothLetGo) {
  const SDL_JoystickID id = Plug();
  ASSERT_GE(id, 0);

  // Stick and D-pad both hold Left: the stick returning to centre must not stop the girl.
  EXPECT_EQ(Tilt(id, SDL_CONTROLLER_AXIS_LEFTX, -32768), Transitions{"+37"});
  EXPECT_EQ(Press(id, SDL_CONTROLLER_BUTTON_DPAD_LEFT), Transitions{});
  EXPECT_EQ(Tilt(id, SDL_CONTROLLER_AXIS_LEFTX, 0), Transitions{});
  EXPECT_EQ(Release(id, SDL_CONTROLLER_BUTTON_DPAD_LEFT), Transitions{"-37"});

  // The other way round: D-pad first, stick lets go last.
  EXPECT_EQ(Press(id, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{"+39"});
  EXPECT_EQ(Tilt(id, SDL_CONTROLLER_AXIS_LEFTX, 20000), Transitions{});
  EXPECT_EQ(Release(id, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{});
  EXPECT_EQ(Tilt(id, SDL_CONTROLLER_AXIS_LEFTX, 0), Transitions{"-39"});

  // B and D-pad up both hold Up.
  EXPECT_EQ(Press(id, SDL_CONTROLLER_BUTTON_B), Transitions{"+38"});
  EXPECT_EQ(Press(id, SDL_CONTROLLER_BUTTON_DPAD_UP), Transitions{});
  EXPECT_EQ(Release(id, SDL_CONTROLLER_BUTTON_B), Transitions{});
  EXPECT_EQ(Release(id, SDL_CONTROLLER_BUTTON_DPAD_UP), Transitions{"-38"});

  // Left and Right at once are two different keys, each released on its own.
  EXPECT_EQ(Press(id, SDL_CONTROLLER_BUTTON_DPAD_LEFT), Transitions{"+37"});
  EXPECT_EQ(Press(id, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{"+39"});
  EXPECT_EQ(Release(id, SDL_CONTROLLER_BUTTON_DPAD_LEFT), Transitions{"-37"});
  EXPECT_EQ(Release(id, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{"-39"});
}

TEST_F(GamepadTest, UnpluggingReleasesEverythingThePadHeld) {
  const SDL_JoystickID id = Plug();
  ASSERT_GE(id, 0);

  // Hold all seven codes, Left through both the stick and the D-pad.
  Transitions pressed;
  for (SDL_GameControllerButton b :
       {SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
        SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_A,
        SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_START, SDL_CONTROLLER_BUTTON_BACK}) {
    for (const std::string& t : Press(id, b)) pressed.push_back(t);
  }
  EXPECT_EQ(Tilt(id, SDL_CONTROLLER_AXIS_LEFTX, -32768), Transitions{});
  EXPECT_EQ(pressed, (Transitions{"+37", "+39", "+38", "+40", "+32", "+13", "+27"}));

  Unplug(id);
  Transitions released = Pump();
  std::sort(released.begin(), released.end());
  EXPECT_EQ(released, (Transitions{"-13", "-27", "-32", "-37", "-38", "-39", "-40"}));
  EXPECT_EQ(pads_->OpenCount(), 0u);
  EXPECT_EQ(Pump(), Transitions{}) << "nothing is left to release";
}

TEST_F(GamepadTest, ARemovalNoticeWithButtonsStillDownReleasesThem) {
  // SDL usually lets go of a vanishing pad's buttons itself before it reports the removal; when the
  // removal notice arrives with nothing let go, the pad code must still release every held key.
  const SDL_JoystickID id = Plug();
  ASSERT_GE(id, 0);
  EXPECT_EQ(Press(id, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{"+39"});
  EXPECT_EQ(Press(id, SDL_CONTROLLER_BUTTON_BACK), Transitions{"+27"});
  EXPECT_EQ(Tilt(id, SDL_CONTROLLER_AXIS_LEFTX, 32767), Transitions{});

  SDL_Event removed{};
  removed.type = SDL_CONTROLLERDEVICEREMOVED;
  removed.cdevice.which = id;
  std::array<KeyTransition, Gamepads::kMaxTransitionsPerEvent> out{};
  const int n = pads_->Handle(removed, out);
  Transitions released;
  for (int i = 0; i < n; ++i) released.push_back(Describe(out[static_cast<std::size_t>(i)]));
  std::sort(released.begin(), released.end());
  EXPECT_EQ(released, (Transitions{"-27", "-39"}));
  EXPECT_EQ(pads_->OpenCount(), 0u);

  // A second notice for the same pad, or one for a pad never opened, changes nothing.
  EXPECT_EQ(pads_->Handle(removed, out), 0);
  removed.cdevice.which = id + 100;
  EXPECT_EQ(pads_->Handle(removed, out), 0);
}

TEST_F(GamepadTest, HoldsOfTwoPadsAreCountedTogether) {
  const SDL_JoystickID first = Plug();
  const SDL_JoystickID second = Plug();
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  ASSERT_NE(first, second);
  EXPECT_EQ(pads_->OpenCount(), 2u);

  EXPECT_EQ(Press(first, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{"+39"});
  EXPECT_EQ(Press(second, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{});
  EXPECT_EQ(Press(first, SDL_CONTROLLER_BUTTON_START), Transitions{"+13"});

  // The first pad leaves: its Enter goes up, but Right is still held by the second pad.
  Unplug(first);
  EXPECT_EQ(Pump(), Transitions{"-13"});
  EXPECT_EQ(pads_->OpenCount(), 1u);
  EXPECT_EQ(Release(second, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{"-39"});
}

TEST_F(GamepadTest, EachPadIsItsOwnSourceBesideTheKeyboard) {
  const SDL_JoystickID first = Plug();
  const SDL_JoystickID second = Plug();
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);

  // The raw transitions name the pad's slot: the first two controller sources.
  const auto sourceOf = [&](SDL_JoystickID id) {
    SetButton(id, SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    SDL_PumpEvents();
    SDL_Event event;
    std::array<KeyTransition, Gamepads::kMaxTransitionsPerEvent> out{};
    int source = -1;
    while (SDL_PollEvent(&event) == 1) {
      const int n = pads_->Handle(event, out);
      for (int i = 0; i < n; ++i) source = out[static_cast<std::size_t>(i)].source;
    }
    SetButton(id, SDL_CONTROLLER_BUTTON_DPAD_DOWN, false);
    SDL_PumpEvents();
    while (SDL_PollEvent(&event) == 1) pads_->Handle(event, out);
    return source;
  };
  EXPECT_EQ(sourceOf(first), FirstControllerSource);
  EXPECT_EQ(sourceOf(second), FirstControllerSource + 1);

  // The D-pad holds Right and the keyboard taps it: Right stays held, she keeps running.
  EXPECT_EQ(Press(first, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{"+39"});
  EXPECT_FALSE(held_.Press(skelvar::KeyboardSource, 39));
  EXPECT_FALSE(held_.Release(skelvar::KeyboardSource, 39));
  EXPECT_TRUE(held_.Held(39));
  EXPECT_EQ(Release(first, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{"-39"});

  // A pad plugged in after the first left takes the free slot again.
  Unplug(first);
  EXPECT_EQ(Pump(), Transitions{});
  const SDL_JoystickID third = Plug();
  ASSERT_GE(third, 0);
  EXPECT_EQ(sourceOf(third), FirstControllerSource);
}

TEST_F(GamepadTest, LosingTheFocusLetsGoOfEveryPad) {
  const SDL_JoystickID first = Plug();
  const SDL_JoystickID second = Plug();
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  EXPECT_EQ(Press(first, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{"+39"});
  EXPECT_EQ(Tilt(first, SDL_CONTROLLER_AXIS_LEFTX, 32767), Transitions{});
  EXPECT_EQ(Press(second, SDL_CONTROLLER_BUTTON_A), Transitions{"+32"});

  std::array<KeyTransition, 2 * Gamepads::kMaxTransitionsPerEvent> out{};
  const int n = pads_->LetGoAll(out);
  Transitions released;
  for (int i = 0; i < n; ++i) {
    const KeyTransition& t = out[static_cast<std::size_t>(i)];
    EXPECT_FALSE(t.down);
    if (held_.Release(t.source, t.code)) released.push_back(Describe(t));
  }
  std::sort(released.begin(), released.end());
  EXPECT_EQ(released, (Transitions{"-32", "-39"}));
  EXPECT_EQ(held_.Any(), 0);
  EXPECT_EQ(pads_->OpenCount(), 2u) << "the pads stay open";
  EXPECT_EQ(pads_->LetGoAll(out), 0) << "nothing is left to let go";

  // The buttons still down come up later without a second release; pressed again they hold.
  EXPECT_EQ(Release(first, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), Transitions{});
  EXPECT_EQ(Tilt(first, SDL_CONTROLLER_AXIS_LEFTX, 0), Transitions{});
  EXPECT_EQ(Release(second, SDL_CONTROLLER_BUTTON_A), Transitions{});
  EXPECT_EQ(Press(second, SDL_CONTROLLER_BUTTON_A), Transitions{"+32"});
}

TEST_F(GamepadTest, ATooShortSpanGetsTheFirstTransitionsAndTheStateStaysRight) {
  const SDL_JoystickID id = Plug();
  ASSERT_GE(id, 0);
  EXPECT_EQ(Tilt(id, SDL_CONTROLLER_AXIS_LEFTX, -32768), Transitions{"+37"});

  // Flick across with room for one transition only: the release of Left fits, the press of Right
  // is dropped, but the pad still counts Right as held so its release comes through later.
  SetAxis(id, SDL_CONTROLLER_AXIS_LEFTX, 32767);
  SDL_PumpEvents();
  SDL_Event event;
  std::array<KeyTransition, 1> one{};
  Transitions seen;
  while (SDL_PollEvent(&event) == 1) {
    const int n = pads_->Handle(event, one);
    ASSERT_LE(n, 1);
    if (n == 1) seen.push_back(Describe(one[0]));
  }
  EXPECT_EQ(seen, Transitions{"-37"});
  EXPECT_EQ(Tilt(id, SDL_CONTROLLER_AXIS_LEFTX, 0), Transitions{"-39"});

  // An empty span is allowed too and reports nothing.
  SetButton(id, SDL_CONTROLLER_BUTTON_A, true);
  SDL_PumpEvents();
  while (SDL_PollEvent(&event) == 1) EXPECT_EQ(pads_->Handle(event, {}), 0);
  EXPECT_EQ(Release(id, SDL_CONTROLLER_BUTTON_A), Transitions{"-32"});
}

// A D-pad held from the menu, fed to the game as the window feeds it: the press starts the run,
// whose start clears the keys; the button's repeats bring Right back after half a second, and she
// runs on as long as it is held, then stops when it comes up.
TEST_F(GamepadTest, AHeldDpadFromTheMenuRunsAfterTheRepeatDelay) {
  const SDL_JoystickID id = Plug();
  ASSERT_GE(id, 0);
  // Fed as the window feeds it, the running game repeats the held button's key itself.
  testing::HeadlessGame run(1, true);
  TGameMain& game = run.game;
  tick::VirtualClock& clock = run.clock;
  run.Idle(1, 20);
  tick::NoEvents none;
  int64_t k = 21;
  ASSERT_EQ(game.GameState, StateMenu);

  const auto pump = [&] {
    SDL_PumpEvents();
    SDL_Event event;
    std::array<KeyTransition, Gamepads::kMaxTransitionsPerEvent> out{};
    while (SDL_PollEvent(&event) == 1) {
      const int n = pads_->Handle(event, out);
      for (int i = 0; i < n; ++i) {
        const KeyTransition& t = out[static_cast<std::size_t>(i)];
        run.run.Feed(t.down ? tick::EventKind::KeyDown : tick::EventKind::KeyUp, t.code, t.source,
                     clock.MonotonicSeconds() * 1000.0);
      }
    }
  };
  const auto tick = [&] { run.Tick(k++, none); };
  SetButton(id, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
  pump();
  tick();
  ASSERT_EQ(game.GameState, StatePlaying) << "the press starts a run";
  const int32_t start = game.PosX[0];
  const int64_t pressed = k - 1;
  int64_t ran = 0;
  while (k < pressed + 31 && ran == 0) {
    tick();
    if (game.PosX[0] > start) ran = k - 1;
  }
  ASSERT_NE(ran, 0) << "she never ran while the D-pad was held";
  EXPECT_GE(ran - pressed, 9) << "not before the repeat delay";
  EXPECT_LE((ran - pressed) * 50, 1500) << "she runs within 1.5 s of the press";
  const int32_t running = game.PosX[0];
  for (int i = 0; i < 8; ++i) tick();
  EXPECT_EQ(game.GameState, StatePlaying);
  EXPECT_GT(game.PosX[0], running + 8 * 20) << "and keeps running while it is held";

  // Let go: no more repeats, and friction stops her.
  SetButton(id, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false);
  pump();
  EXPECT_EQ(game.KeyState[VK_RIGHT], 0);
  for (int i = 0; i < 40; ++i) tick();
  const int32_t stopped = game.PosX[0];
  tick();
  EXPECT_EQ(game.PosX[0], stopped);
  EXPECT_EQ(game.KeyState[VK_RIGHT], 0) << "no repeat brings the key back";
}

}  // namespace
}  // namespace skelvar::ui
