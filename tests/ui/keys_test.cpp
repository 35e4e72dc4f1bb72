#include "ui/keys.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "game/world.h"

namespace skelvar::ui {
namespace {

TEST(VirtualKeyCode, GameKeysGetTheirCodes) {
  EXPECT_EQ(VirtualKeyCode(SDLK_RETURN), VK_RETURN);
  EXPECT_EQ(VirtualKeyCode(SDLK_KP_ENTER), VK_RETURN);
  EXPECT_EQ(VirtualKeyCode(SDLK_ESCAPE), VK_ESCAPE);
  EXPECT_EQ(VirtualKeyCode(SDLK_SPACE), VK_SPACE);
  EXPECT_EQ(VirtualKeyCode(SDLK_LEFT), VK_LEFT);
  EXPECT_EQ(VirtualKeyCode(SDLK_UP), VK_UP);
  EXPECT_EQ(VirtualKeyCode(SDLK_RIGHT), VK_RIGHT);
  EXPECT_EQ(VirtualKeyCode(SDLK_DOWN), VK_DOWN);
  EXPECT_EQ(VirtualKeyCode(SDLK_a), 'A');
  EXPECT_EQ(VirtualKeyCode(SDLK_z), 'Z');
  EXPECT_EQ(VirtualKeyCode(SDLK_7), '7');
}

// SDL names printable keys by their character: '%' is 37, the left arrow's code, '(' is 40,
// '\r' is 13. None of them may steer the girl.
TEST(VirtualKeyCode, NoOtherKeyLooksLikeAGameKey) {
  const SDL_Keycode gameKeys[] = {SDLK_RETURN, SDLK_KP_ENTER, SDLK_RETURN2, SDLK_ESCAPE, SDLK_SPACE,
                                  SDLK_LEFT,   SDLK_UP,       SDLK_RIGHT,   SDLK_DOWN};
  int checked = 0;
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
    const SDL_Keycode key = SDL_SCANCODE_TO_KEYCODE(scancode);
    for (SDL_Keycode candidate : {key, static_cast<SDL_Keycode>(scancode)}) {
      if (std::find(std::begin(gameKeys), std::end(gameKeys), candidate) != std::end(gameKeys)) {
        continue;
      }
      const int code = VirtualKeyCode(candidate);
      EXPECT_FALSE(IsWatchedKey(code)) << "SDL key " << candidate << " maps to " << code;
      EXPECT_TRUE(code >= 0 && code < 256) << "SDL key " << candidate;
      ++checked;
    }
  }
  for (SDL_Keycode printable : {'%', '&', '\'', '(', '\r', '\x1b', ' '}) {
    if (printable == SDLK_RETURN || printable == SDLK_ESCAPE || printable == SDLK_SPACE) continue;
    EXPECT_FALSE(IsWatchedKey(VirtualKeyCode(printable))) << printable;
  }
  EXPECT_GT(checked, 400);
}

}  // namespace
}  // namespace skelvar::ui

namespace skelvar::ui {
namespace {

SDL_Event Key(Uint32 type, SDL_Keycode sym, Uint8 repeat = 0) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.sym = sym;
  e.key.repeat = repeat;
  return e;
}

SDL_Event Button(Uint32 type, Uint8 button) {
  SDL_Event e{};
  e.type = type;
  e.cbutton.button = button;
  return e;
}

TEST(TogglesFullscreen, F11PressedOrTheGuideButton) {
  EXPECT_TRUE(TogglesFullscreen(Key(SDL_KEYDOWN, SDLK_F11)));
  EXPECT_FALSE(TogglesFullscreen(Key(SDL_KEYDOWN, SDLK_F11, 1))) << "a held key's repeats";
  EXPECT_FALSE(TogglesFullscreen(Key(SDL_KEYUP, SDLK_F11)));
  for (SDL_Keycode other : {SDLK_RETURN, SDLK_F10, SDLK_F12, SDLK_ESCAPE, SDLK_f, SDLK_LALT}) {
    EXPECT_FALSE(TogglesFullscreen(Key(SDL_KEYDOWN, other))) << other;
  }
  EXPECT_TRUE(TogglesFullscreen(Button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_GUIDE)));
  EXPECT_FALSE(TogglesFullscreen(Button(SDL_CONTROLLERBUTTONUP, SDL_CONTROLLER_BUTTON_GUIDE)));
  EXPECT_FALSE(TogglesFullscreen(Button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_START)));
  // F11 also reaches the game as a key of its own, one it does not watch.
  EXPECT_EQ(VirtualKeyCode(SDLK_F11), 122);
  EXPECT_FALSE(IsWatchedKey(VirtualKeyCode(SDLK_F11)));
}

}  // namespace
}  // namespace skelvar::ui
